// SPDX-License-Identifier: GPL-3.0-or-later
#include "forms/fmCopyMode.h"

namespace quillo {

TfCopyMode::TfCopyMode(QWidget *parent)
    : QDialog(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setObjectName(QStringLiteral("fCopyMode"));
    setWindowTitle(QStringLiteral("Copymode"));
}

} // namespace quillo
