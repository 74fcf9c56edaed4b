// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rename dialog. For now the window only.
#include <QDialog>

namespace quillo {

class TfRename : public QDialog {
    Q_OBJECT
public:
    explicit TfRename(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
};

} // namespace quillo
