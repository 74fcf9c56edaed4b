// SPDX-License-Identifier: GPL-3.0-or-later
// Browsing a folder beyond the preload budget: steps the main window's selection
// through 100 non-preloaded 24-megapixel JPEGs, each painted fitted into a
// 1280 x 800 view, and reports the resident memory along the way and the cost of a
// step against `djpeg -outfile /dev/null` of the same file (the peer, run between
// the steps, at its best). Memory must stay flat, with at most two decoded
// pictures alive.
#include "Bench.h"
#include "BenchWindows.h"
#include "forms/Forms.h"
#include "forms/main/fmMain.h"
#include "forms/fmSettings.h"
#include "imageview/JpegImage.h"
#include "imageview/view/QloImage.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/PageBlocks.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QScrollArea>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>


#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using namespace quillo;

namespace {

long StatusKb(const char *key)
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind(key, 0) == 0)
            return std::stol(line.substr(std::string(key).size()));
    return -1;
}

double Ms(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int files = argc > 1 ? std::atoi(argv[1]) : 100;
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();

    // One noisy 6000 x 4000 picture, stored under 100 names.
    const std::vector<std::uint8_t> jpeg = EncodeJpeg(bench::NoisyBands(6000, 4000, 7, 1, 40, 17), 90);
    for (int i = 0; i < files; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/photo%03d.jpg", i);
        SafeWriteFile(folder + name, jpeg);
    }
    const std::string one = folder + "/photo000.jpg";

    // The peer, at its best: a few runs now, one more after every tenth step.
    double djpegMs = 1e9;
    for (int i = 0; i < 3; ++i)
        djpegMs = std::min(djpegMs, bench::TimeMs([&] { bench::Run({"djpeg", "-outfile", "/dev/null", one}); }));

    bench::OpenMainWindow(folder);
    // Fitted, in a view of 1280 x 800.
    if (!fMain->acStretch->isChecked())
        fMain->acStretchExecute();
    QApplication::processEvents();
    fMain->resize(fMain->size() + QSize(1280, 800) - fMain->ScrollBox1->viewport()->size());
    QApplication::processEvents();
    fMain->SelectFolder(folder);
    QApplication::processEvents();
    const long baseKb = StatusKb("VmRSS:");
    const double picture24MB = 6000.0 * 4000 * 3 / 1048576;

    std::vector<double> steps;
    double mostLiveMB = 0;
    std::printf("view %d x %d\nstep  rss_MB\n", fMain->QloImage1->width(), fMain->QloImage1->height());
    for (int i = 1; i < files; ++i) {
        const auto t = std::chrono::steady_clock::now();
        fMain->lvFiles->selectRow(i);
        fMain->QloImage1->repaint(); // the view decodes when it paints
        steps.push_back(Ms(std::chrono::steady_clock::now() - t));
        mostLiveMB = std::max(mostLiveMB, PageBlockStats().LiveBytes / 1048576.0);
        if (i % 10 == 0 || i == 1)
            std::printf("%4d  %7.1f\n", i, StatusKb("VmRSS:") / 1024.0);
        if (i % 10 == 0)
            djpegMs = std::min(djpegMs, bench::TimeMs([&] { bench::Run({"djpeg", "-outfile", "/dev/null", one}); }));
    }
    std::sort(steps.begin(), steps.end());
    const double median = steps[steps.size() / 2];
    std::printf("\nfiles %d of %zu bytes, none preloaded\n", files, jpeg.size());
    std::printf("resident after the first picture: %.1f MB; peak: %.1f MB; one decoded picture: %.1f MB\n",
                baseKb / 1024.0, StatusKb("VmHWM:") / 1024.0, picture24MB);
    std::printf("large blocks in use after a step, at most: %.1f MB (decoded pictures and their files)\n",
                mostLiveMB);
    std::printf("step: best %.1f ms, median %.1f ms; djpeg -outfile /dev/null best %.1f ms\n", steps.front(),
                median, djpegMs);
    std::printf("step / djpeg: best %.2f, median %.2f (goal <= 1.3)\n", steps.front() / djpegMs,
                median / djpegMs);
    DestroyApplicationWindows();
    return 0;
}
