// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The folder tree view: it refuses a new selection while a folder change runs.
#include <QTreeView>

#include <functional>

namespace quillo {

class TShellTreeView : public QTreeView {
public:
    using QTreeView::QTreeView;
    // Asked before the selection moves; false keeps the current folder.
    std::function<bool()> OnChanging;

protected:
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex &index,
                                                         const QEvent *event) const override;
};

} // namespace quillo
