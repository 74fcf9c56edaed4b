// SPDX-License-Identifier: GPL-3.0-or-later
// Renaming the selected file: the dialog, the question, the rename that never
// replaces another file, and the picture written back under its new name.
#include "forms/main/fmMain.h"

#include "gui/FileNameText.h"
#include "forms/Forms.h"
#include "forms/fmRename.h"
#include "platform/Files.h"
#include "platform/Rename.h"
#include "platform/Services.h"

#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

namespace quillo {

void TfMain::acRenameExecute()
{
    const QModelIndex current = lvFiles->selectionModel()->currentIndex();
    TListItem *item = SelectedItem();
    if (!item || !fRename)
        return;
    // No other command may change the list while the dialog and the question are up.
    const bool wasSuspended = ActionList1.Suspended();
    ActionList1.SetSuspended(true);
    struct Resume {
        TActionList &list;
        bool suspended;
        ~Resume() { list.SetSuspended(suspended); }
    } resume{ActionList1, wasSuspended};

    const int row = current.row();
    const std::string caption = item->Caption;
    const std::string ext = ExtractFileExt(caption);
    const std::string base = caption.substr(0, caption.size() - ext.size());

    fRename->Label2->setText(FromBytes(base));
    fRename->Label4->setText(FromBytes(ext));
    fRename->Label6->setText(FromBytes(ext));
    fRename->Edit1->setText(FromBytes(base));
    fRename->Edit1->selectAll();
    if (fRename->RunModal() != QDialog::Accepted)
        return;

    // Label6 shows ext; its bytes are taken as they are, not back from the label's text.
    std::string S = ToBytes(fRename->Edit1->text()) + ext;
    if (row >= lvFilesModel->Count() || &lvFilesModel->Item(row) != item)
        return;
    lvFilesEdited(item, S);
    const int moved = lvFilesModel->SetCaption(row, S);
    // The list may have moved the row; it stays the selected one.
    const QModelIndex at = lvFilesModel->index(moved, 0);
    lvFiles->selectionModel()->setCurrentIndex(at, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    lvFiles->scrollTo(at);
}

void TfMain::lvFilesEdited(TListItem *Item, std::string &S)
{
    TCallbackLoadData *entry = Item ? Item->Data : nullptr;
    if (!entry || !CheckHardDisk()) {
        S = Item ? Item->Caption : std::string();
        return;
    }
    const TMsgResult answer = MessageService().Show("Do you want to rename " + Item->Caption + " to " + S + "?",
                                                    "Confirm rename...", TMsgButtons::YesNo, TMsgIcon::Question);
    if (answer != TMsgResult::Yes) {
        S = Item->Caption;
        return;
    }
    // The extension of a file is never changed by a rename.
    const std::string ext = ExtractFileExt(entry->FileName);
    if (ExtractFileExt(S) != ext)
        S = S.substr(0, S.size() - ExtractFileExt(S).size()) + ext;
    const std::string newPath = ExtractFilePath(entry->FileName) + S;
    // Refused names and existing files change nothing, as when the file system refuses.
    if (!IsAllowedNewName(S.substr(0, S.size() - ext.size()), ext)) {
        S = Item->Caption;
        return;
    }
    try {
        RenameFileNoReplace(entry->FileName, newPath);
    } catch (const std::exception &) {
        S = Item->Caption;
        return;
    }
    entry->FileName = newPath;
    entry->Image->FileName = newPath;

    // A preloaded picture may differ from its file (a turn that could not be
    // written back), so the file is made anew from it. An on-demand picture was
    // read from this very file and is not written again.
    if (!entry->Loaded || entry->Image->Picture.Empty())
        return;
    try {
        entry->Image->SaveToFile(newPath);
    } catch (const std::exception &e) {
        // The safe write leaves the renamed file as it was.
        MessageService().Show(e.what(), ApplicationTitle(), TMsgButtons::Ok, TMsgIcon::Error);
    }
}

} // namespace quillo
