// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/fmSetInterval.h"

#include "forms/WindowPlacement.h"

#include <QShowEvent>

namespace quillo {

TfSetInterval::TfSetInterval(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fSetInterval"));
    setWindowTitle(QStringLiteral("Interval instellen"));
    setFixedSize(242, 96);
}

void TfSetInterval::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        CentreOnScreen(*this);
    QDialog::showEvent(event);
}

} // namespace quillo
