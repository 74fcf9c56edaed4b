// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/fmCopyPreview.h"

#include "forms/Forms.h"
#include "forms/main/fmMain.h"
#include "imageview/BmpCodec.h"
#include "imageview/JpegImage.h"
#include "imageview/view/QloImage.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Services.h"

#include <QFile>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QWindow>

#include <exception>

namespace quillo {

std::string SelectionFileName(const std::string &AFileName, int AFilterIndex)
{
    const std::string ext = AFilterIndex == kSaveAsJpeg ? ".jpg" : ".bmp";
    if (LowerCase(ExtractFileExt(AFileName)) == ext)
        return AFileName;
    return ChangeFileExt(AFileName, ext);
}

std::string SaveSelection(const TPicture &APicture, const std::string &AFileName, int AFilterIndex)
{
    if (AFilterIndex != kSaveAsJpeg && AFilterIndex != kSaveAsBitmap)
        throw Error("Unknown picture format for saving");
    if (APicture.Empty())
        throw Error("There is no selection to save");
    TBitmap bitmap = APicture.ToBitmap();
    if (bitmap.BitsPerPixel() != 24)
        bitmap.SetPixelFormat(24);
    const std::string path = SelectionFileName(AFileName, AFilterIndex);
    if (AFilterIndex == kSaveAsJpeg)
        SafeWriteFile(path, EncodeJpeg(bitmap, 100));
    else
        WriteBmpFile(bitmap, path);
    return path;
}

TfCopyPreview::TfCopyPreview(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fCopyPreview"));
    setWindowTitle(QStringLiteral("Selection preview"));
    setFixedSize(264, 228);
    move(740, 369);

    QloImage1 = new TQloImage(this);
    QloImage1->setObjectName(QStringLiteral("QloImage1"));
    QloImage1->SetCenter(true);
    QloImage1->SetProportional(true);
    QloImage1->SetAutoSave(false);
    QloImage1->setGeometry(rect());

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Opslaannaarschijf1 = PopupMenu1->addAction(QStringLiteral("Save to disk..."));
    Opslaannaarschijf1->setObjectName(QStringLiteral("Opslaannaarschijf1"));
    connect(Opslaannaarschijf1, &QAction::triggered, this, [this] { Opslaannaarschijf1Click(); });
    QloImage1->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(QloImage1, &QWidget::customContextMenuRequested, this,
            [this](const QPoint &pos) { PopupMenu1->popup(QloImage1->mapToGlobal(pos)); });
}

void TfCopyPreview::ShowResult(const TBitmap &AResult, QWidget *AOwner)
{
    QloImage1->SetStretch(true);
    TPicture picture;
    picture.AssignBitmap(AResult);
    QloImage1->SetPicture(picture);
    if (AOwner) {
        // A modal window blocks every window but its own; made transient for the
        // copy mode, the preview takes the mouse and keys while copy mode runs.
        winId();
        AOwner->winId();
        if (windowHandle() && AOwner->windowHandle())
            windowHandle()->setTransientParent(AOwner->windowHandle());
    }
    if (isVisible()) {
        raise();
        activateWindow();
    } else {
        show();
    }
}

bool TfCopyPreview::AskSaveName(const QString &AFolder, QString &AFileName, int &AFilterIndex)
{
    QFileDialog dialog(this);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    // Quillo's own dialog everywhere, so its look and keys do not depend on the desktop.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    const QStringList filters{QStringLiteral("JPEG image (*.jpg)"), QStringLiteral("Bitmap image (*.bmp)")};
    dialog.setNameFilters(filters);
    dialog.selectNameFilter(filters.first());
    if (!AFolder.isEmpty())
        dialog.setDirectory(AFolder);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return false;
    AFileName = dialog.selectedFiles().first();
    AFilterIndex = filters.indexOf(dialog.selectedNameFilter()) == 1 ? kSaveAsBitmap : kSaveAsJpeg;
    return true;
}

void TfCopyPreview::Opslaannaarschijf1Click()
{
    const QString folder =
        fMain ? QFile::decodeName(QByteArray::fromStdString(fMain->SelectedFolder())) : QString();
    QString name;
    int filterIndex = kSaveAsJpeg;
    if (!AskSaveName(folder, name, filterIndex))
        return;
    try {
        SaveSelection(QloImage1->Picture(), QFile::encodeName(name).toStdString(), filterIndex);
    } catch (const std::exception &e) {
        MessageService().Show(e.what(), ApplicationTitle(), TMsgButtons::Ok, TMsgIcon::Error);
    }
}

bool TfCopyPreview::FormKeyDown(int Key)
{
    if (Key != Qt::Key_Escape)
        return false;
    close();
    return true;
}

void TfCopyPreview::keyPressEvent(QKeyEvent *e)
{
    if (FormKeyDown(e->key())) {
        e->accept();
        return;
    }
    QDialog::keyPressEvent(e);
}

void TfCopyPreview::resizeEvent(QResizeEvent *e)
{
    QDialog::resizeEvent(e);
    QloImage1->setGeometry(rect());
}

} // namespace quillo
