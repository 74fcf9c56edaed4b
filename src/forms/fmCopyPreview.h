// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The preview of the last selection copied in copy mode: the result fitted into a
// small window that stays on top, with "Save to disk..." on its picture's menu.
#include <QDialog>

#include <string>

class QAction;
class QMenu;

namespace quillo {

class TBitmap;
class TPicture;
class TQloImage;

// The save dialog's filter entries, counted from 1 as the dialog counts them.
inline constexpr int kSaveAsJpeg = 1;
inline constexpr int kSaveAsBitmap = 2;

// The name a selection is written under: unless its extension (in any case) is
// already the format's own, it becomes ".jpg" (entry 1) or ".bmp" (entry 2), on
// the last path component only. shot.jpeg -> shot.jpg; shot -> shot.bmp.
std::string SelectionFileName(const std::string &AFileName, int AFilterIndex);
// Writes a 24-bit copy of the picture as a JPEG of quality 100 (entry 1) or a
// bitmap file (entry 2) through the safe-write routine, so a failure leaves any
// file of that name as it was. Returns the path written. Throws Error.
std::string SaveSelection(const TPicture &APicture, const std::string &AFileName, int AFilterIndex);

class TfCopyPreview : public QDialog {
    Q_OBJECT
public:
    explicit TfCopyPreview(QWidget *parent = nullptr);

    // Shows a new result: fitted and centred; the window is raised when it is up,
    // shown (not modally) otherwise. AOwner is the modal window it belongs to, so
    // that it takes the mouse and keys while that window runs.
    void ShowResult(const TBitmap &AResult, QWidget *AOwner = nullptr);
    // "Save to disk...": asks for a name and format and writes the shown result. A
    // failure is shown in a message box with its text.
    void Opslaannaarschijf1Click();
    // Esc closes. True when the key was handled.
    bool FormKeyDown(int Key);

    TQloImage *QloImage1 = nullptr;
    QMenu *PopupMenu1 = nullptr;
    QAction *Opslaannaarschijf1 = nullptr;

protected:
    // The file dialog in its open form with the two filters, starting in AFolder.
    // False when cancelled; otherwise the chosen name and filter entry (1 or 2).
    virtual bool AskSaveName(const QString &AFolder, QString &AFileName, int &AFilterIndex);

    void keyPressEvent(QKeyEvent *e) override;
    void resizeEvent(QResizeEvent *e) override;
};

} // namespace quillo
