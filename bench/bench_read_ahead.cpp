// SPDX-License-Identifier: GPL-3.0-or-later
// Stepping with reading ahead through non-preloaded 24-megapixel JPEGs, in the main
// list (Down) and in the fullscreen viewer (Down), each step painted:
// - after a pause of three decodes (the next picture is ready): goal a median of at most
//   16 ms, one frame;
// - with no pause (keys held down): goal at most 1.0 x `djpeg -outfile /dev/null`.
// djpeg runs on the same files in the same run. Also prints the resident memory
// after the steps. Arguments: [steps per run, default 40].
#include "Bench.h"
#include "BenchWindows.h"
#include "forms/Forms.h"
#include "forms/fmFullScreen.h"
#include "forms/main/fmMain.h"
#include "forms/fmSettings.h"
#include "imageview/JpegImage.h"
#include "imageview/view/QloImage.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/PageBlocks.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

using namespace quillo;

namespace {

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

long ResidentKb()
{
    std::ifstream f("/proc/self/status");
    std::string line;
    while (std::getline(f, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    return -1;
}

// Lets the GUI thread run (the read-ahead's reports arrive as posted calls).
void PumpFor(double ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
}

struct Run {
    std::vector<double> Paused, Held;
};

// `step` moves on by one and paints; half the steps follow a pause, half do not.
Run Measure(int steps, double pauseMs, const std::function<void()> &step)
{
    Run run;
    for (int i = 0; i < steps; ++i) {
        const bool pause = i < steps / 2;
        if (pause)
            PumpFor(pauseMs);
        (pause ? run.Paused : run.Held).push_back(bench::TimeMs(step));
    }
    return run;
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int steps = argc > 1 ? std::max(4, std::atoi(argv[1])) : 40;
    const int files = 2 * steps + 2;
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();

    // One noisy picture under many names: each name is read and decoded on its own.
    const std::vector<std::uint8_t> jpeg = EncodeJpeg(bench::NoisyBands(6000, 4000, 5, 3, 35, 11), 90);
    std::vector<std::string> names;
    for (int i = 0; i < files; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/photo%03d.jpg", i);
        names.push_back(folder + name);
        SafeWriteFile(names.back(), jpeg);
    }
    std::vector<double> djpegMs;
    const auto runPeer = [&](int count) {
        for (int i = 0; i < count; ++i)
            djpegMs.push_back(
                bench::TimeMs([&] { bench::Run({"djpeg", "-outfile", "/dev/null", names[static_cast<std::size_t>(i)]}); }));
    };
    runPeer(5);
    // Long enough for a decode on a busy machine too.
    const double pauseMs = 3 * Median(djpegMs);

    bench::OpenMainWindow(folder);
    fMain->SelectFolder(folder);
    QApplication::processEvents();

    int row = 0;
    const Run list = Measure(steps, pauseMs, [&] {
        fMain->lvFiles->selectRow(++row);
        fMain->QloImage1->repaint(); // the view decodes when it paints what it lacks
        QApplication::processEvents(); // the next read-ahead starts after the paint
    });
    runPeer(10);

    delete fFullScreen;
    auto *viewer = new bench::TSteppingViewer;
    fFullScreen = viewer;
    Run inViewer;
    viewer->Body = [&] {
        inViewer = Measure(steps, pauseMs, [&] {
            viewer->acNextExecute();
            viewer->QloImage1->repaint();
            QApplication::processEvents();
        });
    };
    fMain->acFullScreenExecute();
    const long residentKb = ResidentKb();
    const TPageBlockStats blocks = PageBlockStats();
    runPeer(10);

    const double peer = Median(djpegMs);
    std::printf("%d files of %zu bytes (6000 x 4000), none preloaded; pause %.0f ms\n", files, jpeg.size(), pauseMs);
    std::printf("djpeg -outfile /dev/null: median %.1f ms\n", peer);
    const auto report = [&](const char *where, const Run &run) {
        std::printf("%-12s after a pause: median %6.1f ms (goal <= 16), %.2f x djpeg\n", where, Median(run.Paused),
                    Median(run.Paused) / peer);
        std::printf("%-12s keys held:     median %6.1f ms, %.2f x djpeg (goal <= 1.00)\n", where, Median(run.Held),
                    Median(run.Held) / peer);
    };
    report("main list", list);
    report("viewer", inViewer);
    std::printf("resident after %d steps: %.1f MB (large blocks in use %.1f MB, cached %.1f MB)\n", 2 * steps,
                residentKb / 1024.0, blocks.LiveBytes / 1048576.0, blocks.CachedBytes / 1048576.0);
    DestroyApplicationWindows();
    return 0;
}
