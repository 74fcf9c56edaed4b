// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The selection copy mode window. For now the window only.
#include <QDialog>

namespace quillo {

class TfCopyMode : public QDialog {
    Q_OBJECT
public:
    explicit TfCopyMode(QWidget *parent = nullptr);
};

} // namespace quillo
