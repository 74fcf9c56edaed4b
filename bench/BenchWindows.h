// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The stepping benchmarks' main window: the program's windows over a folder of the
// benchmark's own, nothing preloaded, at 1280 x 900, shown and settled. Kept apart
// from Bench.h so that the codec benchmarks link no widgets.
#include "forms/Forms.h"
#include "forms/fmSettings.h"
#include "forms/main/fmMain.h"
#include "platform/IniFile.h"

#include <QApplication>
#include <QCheckBox>
#include <QTimer>
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

} // namespace quillo::bench
