// SPDX-License-Identifier: GPL-3.0-or-later
// The fullscreen viewer stepping through 100 non-preloaded 24-megapixel JPEGs with
// Down, each step painted (the viewer and the main window behind it), against
// `djpeg -outfile /dev/null` on the same files in the same run. Prints the median
// step, the median djpeg run and their ratio. Arguments: [files] [fit]; with "fit"
// the viewer fits each picture to its 1920 x 1080 window, otherwise it shows the
// picture's centre at its own size (the viewer's initial state).
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

#include <QApplication>
#include <QCheckBox>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace quillo;

namespace {

double Ms(std::chrono::steady_clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char **argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const int files = argc > 1 ? std::max(2, std::atoi(argv[1])) : 100;
    QTemporaryDir dir;
    const std::string folder = dir.path().toStdString();

    // Distinct noisy 6000 x 4000 pictures would take minutes to encode; one picture
    // under many names is decoded anew at every step all the same (none preloaded).
    const std::vector<std::uint8_t> jpeg = EncodeJpeg(bench::NoisyBands(6000, 4000, 11, 2, 30, 13), 90);
    std::vector<std::string> names;
    for (int i = 0; i < files; ++i) {
        char name[64];
        std::snprintf(name, sizeof name, "/photo%03d.jpg", i);
        names.push_back(folder + name);
        SafeWriteFile(names.back(), jpeg);
    }

    bench::OpenMainWindow(folder);
    fMain->SelectFolder(folder);
    QApplication::processEvents();
    delete fFullScreen;
    auto *viewer = new bench::TSteppingViewer;
    fFullScreen = viewer;
    viewer->Fit = argc > 2 && std::string(argv[2]) == "fit";
    std::vector<double> stepMs;
    viewer->Body = [&] {
        for (int i = 0; i < files; ++i) {
            const auto t = std::chrono::steady_clock::now();
            viewer->acNextExecute();
            // Everything the step made due is painted before the next one.
            viewer->QloImage1->repaint();
            QApplication::processEvents();
            stepMs.push_back(Ms(std::chrono::steady_clock::now() - t));
        }
    };

    // Peer and viewer in alternating halves, so that both meet the same machine load.
    std::vector<double> djpegMs;
    const auto runPeer = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            const std::string &name = names[static_cast<std::size_t>(i)];
            djpegMs.push_back(bench::TimeMs([&] { bench::Run({"djpeg", "-outfile", "/dev/null", name}); }));
        }
    };
    runPeer(0, files / 2);
    fMain->acFullScreenExecute();
    runPeer(files / 2, files);

    const double step = Median(stepMs);
    const double peer = Median(djpegMs);
    std::printf("files %d of %zu bytes (6000 x 4000), none preloaded; viewer %s\n", files, jpeg.size(),
                *viewer->Fit ? "fitting each picture to 1920 x 1080" : "at own size");
    std::printf("viewer step (Down, painted): median %.1f ms, best %.1f ms\n", step,
                *std::min_element(stepMs.begin(), stepMs.end()));
    std::printf("djpeg -outfile /dev/null:    median %.1f ms, best %.1f ms\n", peer,
                *std::min_element(djpegMs.begin(), djpegMs.end()));
    std::printf("ratio step / djpeg: %.2f (goal at most 1.30)\n", step / peer);
    DestroyApplicationWindows();
    return 0;
}
