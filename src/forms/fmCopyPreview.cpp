// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/fmCopyPreview.h"

namespace quillo {

TfCopyPreview::TfCopyPreview(QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                          Qt::WindowCloseButtonHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fCopyPreview"));
    setWindowTitle(QStringLiteral("Selection preview"));
    setFixedSize(264, 228);
    move(740, 369);
}

} // namespace quillo
