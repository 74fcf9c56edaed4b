// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The start-up window: the product picture and a "Starting up..." panel, shown
// while the settings and the last folder are restored. While it is up the main
// window's commands must stay off, so it reports being shown and being closed.
#include <QWidget>
#include <functional>

class QLabel;

namespace quillo {

class TProductPicture;

class TfSplash : public QWidget {
    Q_OBJECT
public:
    explicit TfSplash(QWidget *parent = nullptr);

    // Called with true when the window is shown or activated, with false when it
    // closes or is hidden; each change is reported once.
    std::function<void(bool suspended)> OnSuspendActions;

    TProductPicture *Image1 = nullptr;
    QLabel *Panel1 = nullptr; // "Starting up..."

protected:
    bool event(QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void SetSuspended(bool suspended);
    bool FSuspended = false;
};

} // namespace quillo
