// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/main/ShellTreeView.h"

namespace quillo {

QItemSelectionModel::SelectionFlags TShellTreeView::selectionCommand(const QModelIndex &index,
                                                                     const QEvent *event) const
{
    if (OnChanging && !OnChanging())
        return QItemSelectionModel::NoUpdate;
    return QTreeView::selectionCommand(index, event);
}

} // namespace quillo
