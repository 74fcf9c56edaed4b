// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The stepping benchmarks' main window: the program's windows over a folder of the
// benchmark's own, nothing preloaded, at 1280 x 900, shown and settled. Kept apart
// from Bench.h so that the codec benchmarks link no widgets.
#include "forms/Forms.h"
#include "forms/fmFullScreen.h"
#include "forms/fmSettings.h"
#include "forms/main/fmMain.h"
#include "imageview/view/QloImage.h"
#include "platform/IniFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QTimer>
#include <functional>
#include <optional>
#include <string>

namespace quillo::bench {

inline void OpenMainWindow(const std::string &folder)
{
    SetInstallRecordFile(folder + "/system/Brackwater/Quillo.conf");
    CreateApplicationWindows((folder + "/quillo.ini").c_str());
    fMain->tmrStartup->stop();
    fSettings->CheckBox1->setChecked(false); // nothing preloaded
    fMain->resize(1280, 900);
    fMain->show();
    QApplication::processEvents();
}

// The viewer with its modal run replaced by `Body`: shown at 1920 x 1080 (fitting
// each picture or not when `Fit` says so), painted and settled first, closed after.
class TSteppingViewer : public TfFullScreen {
public:
    std::optional<bool> Fit;
    std::function<void()> Body;

protected:
    int RunModal() override
    {
        setWindowState(Qt::WindowNoState);
        resize(1920, 1080);
        show();
        if (Fit && *Fit != QloImage1->Stretch())
            acStretchExecute();
        QloImage1->repaint();
        QApplication::processEvents();
        Body();
        acCloseExecute();
        return 0;
    }
};

} // namespace quillo::bench
