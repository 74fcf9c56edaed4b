// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The slideshow interval dialog: shows the viewer's interval in whole seconds and
// takes a new one. Only digits, Backspace and Enter can be typed; anything else
// beeps. "Set" refuses an entry below one second (or none, or one too large for
// the clock) with the dialog's message and stays open.
#include <QDialog>

#include <cstdint>
#include <functional>
#include <optional>

class QAction;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillo {

class TfSetInterval : public QDialog {
    Q_OBJECT
public:
    static constexpr const char *kOutOfRange =
        "The entered interval is out of range.\r\rInterval must be greater then 0";
    // The slideshow clock counts milliseconds in a signed 32-bit number.
    static constexpr std::int64_t kMaxSeconds = 2147483;

    explicit TfSetInterval(QWidget *parent = nullptr);

    // Runs the dialog modally on the viewer's clock; the new interval in ms when
    // confirmed (the clock then runs with it), -1 when cancelled.
    int AskInterval();
    // True when the typed character may pass; otherwise it is dropped with a beep.
    bool Edit1KeyPress(QChar Key);
    void Button1Click();

    // Whole seconds as typed: digits only, at least one second, and no more than
    // the clock can count in milliseconds.
    static std::optional<int> ParseSeconds(const QString &AText);

    QLabel *Label1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QLineEdit *Edit1 = nullptr;
    QPushButton *Button1 = nullptr;
    QAction *acClose = nullptr;

    // The system beep; tests count it.
    std::function<void()> Beep;

protected:
    virtual int RunModal();
    bool eventFilter(QObject *watched, QEvent *e) override;
    void showEvent(QShowEvent *event) override;

private:
    int FSeconds = 0; // what "Set" accepted
};

} // namespace quillo
