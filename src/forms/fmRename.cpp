// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/fmRename.h"

#include "forms/WindowPlacement.h"

#include <QShowEvent>

namespace quillo {

TfRename::TfRename(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fRename"));
    setWindowTitle(QStringLiteral("Rename file..."));
}

void TfRename::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        CentreOnScreen(*this);
    QDialog::showEvent(event);
}

} // namespace quillo
