// SPDX-License-Identifier: GPL-3.0-or-later
// Renaming the selected file: the dialog, the question, and the rename that never
// replaces another file and never rewrites it.
#include "forms/main/fmMain.h"

#include "gui/FileNameText.h"
#include "forms/Forms.h"
#include "forms/fmRename.h"
#include "platform/Errors.h"
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
    // A refused rename changes nothing and says why: the file and the reason on
    // lines of their own.
    std::string reason;
    if (!IsAllowedNewName(S.substr(0, S.size() - ext.size()), ext)) {
        reason = "The new name is not allowed: it may not be \".\" or \"..\" nor hold / \\ : * ? < > | \" "
                 "or a control character";
    } else {
        try {
            RenameFileNoReplace(entry->FileName, newPath);
        } catch (const FileError &e) {
            reason = e.Reason();
        } catch (const std::exception &e) {
            reason = e.what();
        }
    }
    if (!reason.empty()) {
        MessageService().Show("Cannot rename " + Item->Caption + " to " + S + ".\r\r" + entry->FileName + "\r" +
                                  reason,
                              ApplicationTitle(), TMsgButtons::Ok, TMsgIcon::Error);
        S = Item->Caption;
        return;
    }
    // Only the name changes: the file keeps its bytes, times and inode, and the
    // entry keeps its picture, which is still what the file holds.
    entry->FileName = newPath;
    entry->Image->FileName = newPath;
}

} // namespace quillo
