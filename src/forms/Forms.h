// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's windows: each exists once for the whole run.
namespace quillo {

class TfMain;
class TfAbout;
class TfSplash;
class TfFullScreen;
class TfSetInterval;
class TfRename;
class TfCopyPreview;
class TfSettings;
class TfCopyMode;

extern TfMain *fMain;
extern TfAbout *fAbout;
extern TfSplash *fSplash;
extern TfFullScreen *fFullScreen;
extern TfSetInterval *fSetInterval;
extern TfRename *fRename;
extern TfCopyPreview *fCopyPreview;
extern TfSettings *fSettings;
extern TfCopyMode *fCopyMode;

// Creates the windows in start-up order: fMain (which makes fAbout and fSplash),
// then fFullScreen, fSetInterval, fRename, fCopyPreview, fSettings, fCopyMode.
// `settingsFile` is the INI file the settings store reads and writes.
void CreateApplicationWindows(const char *settingsFile);
// Destroys them again (tests; the program ends with the application).
void DestroyApplicationWindows();

} // namespace quillo
