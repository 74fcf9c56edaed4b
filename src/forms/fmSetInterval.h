// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The slideshow interval dialog. For now the window only.
#include <QDialog>

namespace quillo {

class TfSetInterval : public QDialog {
    Q_OBJECT
public:
    explicit TfSetInterval(QWidget *parent = nullptr);

protected:
    void showEvent(QShowEvent *event) override;
};

} // namespace quillo
