// SPDX-License-Identifier: GPL-3.0-or-later
// Browsing a folder beyond the preload budget: steps the main window's selection
// through 100 non-preloaded 24-megapixel JPEGs, painting each, and reports the
// resident memory along the way and the cost of a step against one plain decode of
// the same file (the peer). Memory must stay flat: one decoded picture at a time.
#include "forms/Forms.h"
#include "forms/fmMain.h"
#include "forms/fmSettings.h"
#include "imageview/JpegImage.h"
#include "imageview/view/QloImage.h"
#include "platform/Files.h"
#include "platform/IniFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <random>
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
    SetInstallRecordFile(folder + "/system/Brackwater/Quillo.conf");

    // One noisy 6000 x 4000 picture, stored under 100 names.
    TBitmap picture(6000, 4000, 24);
    std::mt19937 rng(7);
    for (int y = 0; y < picture.Height(); ++y) {
        std::uint8_t *row = picture.ScanLine(y);
        for (int x = 0; x < picture.Width() * 3; ++x)
            row[x] = static_cast<std::uint8_t>((x / 3 + y) / 40 * 17 + (rng() & 31));
    }
    const std::vector<std::uint8_t> jpeg = EncodeJpeg(picture, 90);
    picture = TBitmap();
    for (int i = 0; i < files; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/photo%03d.jpg", i);
        SafeWriteFile(folder + name, jpeg);
    }
    const std::string one = folder + "/photo000.jpg";

    // The peer: reading and decoding one file, best of five.
    double decodeMs = 1e9;
    for (int i = 0; i < 5; ++i) {
        const auto t = std::chrono::steady_clock::now();
        const std::vector<std::uint8_t> bytes = ReadFileBytes(one);
        const TBitmap decoded = DecodeJpeg(bytes);
        decodeMs = std::min(decodeMs, Ms(std::chrono::steady_clock::now() - t));
    }

    CreateApplicationWindows((folder + "/quillo.ini").c_str());
    fMain->tmrStartup->stop();
    fSettings->CheckBox1->setChecked(false); // nothing preloaded
    fMain->resize(1280, 900);
    fMain->show();
    QApplication::processEvents();
    fMain->SelectFolder(folder);
    QApplication::processEvents();
    const long baseKb = StatusKb("VmRSS:");

    std::vector<double> steps;
    std::printf("step  rss_MB\n");
    for (int i = 1; i < files; ++i) {
        const auto t = std::chrono::steady_clock::now();
        fMain->lvFiles->selectRow(i);
        fMain->QloImage1->repaint(); // the view decodes when it paints
        steps.push_back(Ms(std::chrono::steady_clock::now() - t));
        if (i % 10 == 0 || i == 1)
            std::printf("%4d  %7.1f\n", i, StatusKb("VmRSS:") / 1024.0);
    }
    std::sort(steps.begin(), steps.end());
    const double median = steps[steps.size() / 2];
    std::printf("\nfiles %d of %zu bytes, none preloaded\n", files, jpeg.size());
    std::printf("resident after the first picture: %.1f MB; peak: %.1f MB; one decoded picture: %.1f MB\n",
                baseKb / 1024.0, StatusKb("VmHWM:") / 1024.0, 6000.0 * 4000 * 3 / 1048576);
    std::printf("median step %.1f ms; read + decode of one file %.1f ms; ratio %.2f\n", median, decodeMs,
                median / decodeMs);
    DestroyApplicationWindows();
    return 0;
}
