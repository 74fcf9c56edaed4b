// SPDX-License-Identifier: GPL-3.0-or-later
// The file list's and the picture's commands, and the column menu.
#include "forms/main/fmMain.h"

#include "gui/FileNameText.h"
#include "forms/Forms.h"
#include "forms/fmAbout.h"
#include "forms/fmFullScreen.h"
#include "forms/fmRender.h"
#include "imageview/view/QloImage.h"
#include "platform/Directory.h"
#include "platform/Services.h"
#include "platform/System.h"

#include <QAction>
#include <QFileDialog>
#include <QHeaderView>
#include <QMenu>
#include <QScrollArea>
#include <QTableView>

namespace quillo {

void TfMain::acStretchExecute()
{
    acStretch->setChecked(!acStretch->isChecked());
    ApplyStretchMode();
}

void TfMain::ApplyStretchMode()
{
    const bool fit = acStretch->isChecked();
    ScrollBox1->setWidgetResizable(fit);
    QloImage1->SetAutoSize(!fit);
    QloImage1->SetStretch(fit);
    QloImage1->SetProportional(true);
}

void TfMain::acRefreshExecute()
{
    if (FBusy)
        return;
    FBusy = true;
    ActionList1.SetSuspended(true);
    const int remembered = lvFiles->selectionModel()->currentIndex().row();
    ShellTreeView1Change();
    try {
        if (remembered >= 0 && remembered < lvFilesModel->Count()) {
            lvFiles->selectionModel()->setCurrentIndex(lvFilesModel->index(remembered, 0),
                                                       QItemSelectionModel::ClearAndSelect |
                                                           QItemSelectionModel::Rows);
            lvFiles->scrollTo(lvFilesModel->index(remembered, 0));
        } else {
            lvFiles->selectionModel()->clearCurrentIndex();
            lvFiles->clearSelection();
        }
        lvFiles->setFocus();
    } catch (const std::exception &) {
    }
}

void TfMain::acSettingsExecute()
{
    if (!fSettings)
        return;
    try {
        fSettings->ShowSettings(*this);
    } catch (const std::exception &e) {
        MessageService().Show(e.what(), ApplicationTitle(), TMsgButtons::Ok, TMsgIcon::Error);
    }
}

void TfMain::acAboutExecute()
{
    if (FAbout)
        FAbout->exec();
}

bool TfMain::CheckHardDisk()
{
    TListItem *item = SelectedItem();
    const bool fixed = item && item->Data && DriveTypeOf(item->Data->FileName) == TDriveType::Fixed;
    if (!fixed)
        ShowMessage("Renaming of a file located on anything but a harddrive \r(e.a a digital camera) is not "
                    "possible due to the possible loss\rof the file. Please copy the files to your harddrive "
                    "before you execute\rthis specific task.");
    return fixed;
}

void TfMain::acRotateExecute(std::uint8_t AKind)
{
    TListItem *item = SelectedItem();
    if (!item || !item->Data)
        return;
    if (!CheckHardDisk())
        return;
    item->Data->Image->Rotate(AKind);
    lvFilesSelectItem(item, true);
}

void TfMain::acCopyExecute()
{
    const TPicture &picture = QloImage1->Holder().Picture;
    QloImage1->Holder().Clip(TRect{0, 0, picture.Width(), picture.Height()});
}

void TfMain::acCopyToFolderUpdate() { acCopyToFolder->setEnabled(lvFilesModel->Count() > 0); }

void TfMain::acCopyToFolderExecute()
{
    const QString folder = QFileDialog::getExistingDirectory(this, QString(), FromBytes(QloController1.Path()));
    if (folder.isEmpty())
        return;
    const std::string target = ToBytes(folder);
    QloController1.CopyToFolder(target);
    SelectFolder(target);
}

void TfMain::acRenderFullScreenExecute()
{
    // The render window is made for each use and destroyed afterwards.
    TfRender render(nullptr);
    render.RenderPicture(QloImage1->Holder().Picture);
}

void TfMain::acFullScreenExecute()
{
    if (!SelectedItem() || !fFullScreen)
        return;
    fFullScreen->ShowPicture(*QloImage1);
    // The viewer may have stepped far: the row it ended on gets the focus mark and is shown.
    const QModelIndex current = lvFiles->selectionModel()->currentIndex();
    if (SelectedItem() && current.isValid())
        lvFiles->scrollTo(current);
}

void TfMain::lvFilesColumnRightClick(const QPoint &globalPos)
{
    FHeaderMenuShown = true;
    PopupMenu3->popup(globalPos);
}

void TfMain::lvFilesMouseDown()
{
    // The press right after a header menu must not bring up the file menu too.
    if (FListPopup)
        FListAutoPopup = !FHeaderMenuShown;
    FHeaderMenuShown = false;
}

void TfMain::Bestandsnaam1Click()
{
    QHeaderView *header = lvFiles->horizontalHeader();
    const std::array<QAction *, 3> items{Bestandsnaam1, Datum1, Grootte1};
    const std::array<int, 3> tags{231, 110, 100};
    for (int c = 0; c < 3; ++c)
        header->setSectionResizeMode(c, QHeaderView::Interactive);
    for (int c = 0; c < 3; ++c) {
        const bool shown = items[static_cast<std::size_t>(c)]->isChecked();
        header->setSectionHidden(c, !shown);
        if (shown)
            header->resizeSection(c, tags[static_cast<std::size_t>(c)]);
    }
    for (int c = 0; c < 3; ++c) {
        if (items[static_cast<std::size_t>(c)]->isChecked()) {
            header->setSectionResizeMode(c, QHeaderView::Stretch);
            break;
        }
    }
    NudgeListWidth(1, -1);
}

void TfMain::NudgeListWidth(int first, int second)
{
    // Re-lays out the automatically sized column.
    lvFiles->resize(lvFiles->width() + first, lvFiles->height());
    lvFiles->resize(lvFiles->width() + second, lvFiles->height());
}

} // namespace quillo
