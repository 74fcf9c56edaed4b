// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QDialog>

class QPushButton;

namespace quillo {

class TProductPicture;

// The about window: the product picture with its labels and an OK button.
class TfAbout : public QDialog {
    Q_OBJECT
public:
    explicit TfAbout(QWidget *parent = nullptr);

    TProductPicture *Image1 = nullptr;
    QPushButton *Button1 = nullptr; // "OK"

protected:
    void showEvent(QShowEvent *event) override;
};

} // namespace quillo
