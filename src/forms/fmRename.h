// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The rename dialog: shows the old name and its extension and asks for a new
// name without extension. Characters that Windows refuses in names cannot be
// typed; Esc answers Cancel.
#include <QDialog>

class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quillo {

class TfRename : public QDialog {
    Q_OBJECT
public:
    explicit TfRename(QWidget *parent = nullptr);

    QGroupBox *GroupBox1 = nullptr;
    QLabel *Label1 = nullptr; // "Old filename:"
    QLabel *Label2 = nullptr; // the old name without extension
    QLabel *Label3 = nullptr; // "Extention:"
    QLabel *Label4 = nullptr; // the extension, dot included
    QLabel *Label5 = nullptr; // "New filename:"
    QLineEdit *Edit1 = nullptr;
    QLabel *Label6 = nullptr; // the extension again, after the new name
    QFrame *Bevel1 = nullptr;
    QPushButton *Button2 = nullptr; // "Agree"
    QPushButton *Button1 = nullptr; // "Cancel"

    // The characters refused while typing the new name.
    static bool IsRefusedKey(QChar c);

    // Shows the dialog modally; QDialog::Accepted when it ended with Agree.
    virtual int RunModal();

protected:
    void showEvent(QShowEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The dialog sees a key before its controls; true when it used the key.
    bool FormKeyDown(int key);
    // True when the typed text must be dropped.
    bool Edit1KeyPress(const QString &text);
    void FormActivate();
};

} // namespace quillo
