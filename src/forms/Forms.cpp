// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/Forms.h"

#include "forms/fmAbout.h"
#include "forms/fmCopyMode.h"
#include "forms/fmCopyPreview.h"
#include "forms/fmFullScreen.h"
#include "forms/main/fmMain.h"
#include "forms/fmRename.h"
#include "forms/fmSetInterval.h"
#include "forms/fmSettings.h"
#include "forms/fmSplash.h"

namespace quillo {

TfMain *fMain = nullptr;
TfAbout *fAbout = nullptr;
TfSplash *fSplash = nullptr;
TfFullScreen *fFullScreen = nullptr;
TfSetInterval *fSetInterval = nullptr;
TfRename *fRename = nullptr;
TfCopyPreview *fCopyPreview = nullptr;
TfSettings *fSettings = nullptr;
TfCopyMode *fCopyMode = nullptr;

void CreateApplicationWindows(const char *settingsFile)
{
    fMain = new TfMain();
    fFullScreen = new TfFullScreen();
    fSetInterval = new TfSetInterval();
    fRename = new TfRename();
    fCopyPreview = new TfCopyPreview();
    fSettings = new TfSettings();
    fSettings->SetIniFileName(settingsFile);
    fCopyMode = new TfCopyMode();
}

void DestroyApplicationWindows()
{
    delete fCopyMode;
    fCopyMode = nullptr;
    delete fSettings;
    fSettings = nullptr;
    delete fCopyPreview;
    fCopyPreview = nullptr;
    delete fRename;
    fRename = nullptr;
    delete fSetInterval;
    fSetInterval = nullptr;
    delete fFullScreen;
    fFullScreen = nullptr;
    delete fMain; // also deletes fAbout and fSplash
    fMain = nullptr;
    fAbout = nullptr;
    fSplash = nullptr;
}

} // namespace quillo
