// SPDX-License-Identifier: GPL-3.0-or-later
// The rename dialog on its own: its controls, the refused keys, Esc and Enter.
#include "forms/fmRename.h"

#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

using namespace quillo;

namespace {

// Runs `inside` once the dialog's modal loop runs, then returns what exec gave.
int RunWith(TfRename &dialog, std::function<void()> inside)
{
    QTimer::singleShot(0, &dialog, [&dialog, inside = std::move(inside)] {
        inside();
        if (dialog.isVisible())
            dialog.done(-1); // a step that failed to close it must not hang the test
    });
    return dialog.RunModal();
}

} // namespace

TEST(RenameDialog, LooksAsDrawn)
{
    TfRename dialog;
    EXPECT_EQ(dialog.windowTitle(), "Rename file...");
    EXPECT_TRUE(dialog.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(dialog.GroupBox1->title(), "Rename:");
    EXPECT_EQ(dialog.Label1->text(), "Old filename:");
    EXPECT_EQ(dialog.Label3->text(), "Extention:");
    EXPECT_EQ(dialog.Label5->text(), "New filename:");
    EXPECT_EQ(dialog.Edit1->width(), 257);
    EXPECT_EQ(dialog.Button2->text(), "Agree");
    EXPECT_TRUE(dialog.Button2->isDefault());
    EXPECT_EQ(dialog.Button1->text(), "Cancel");
    EXPECT_FALSE(dialog.Button1->isDefault());
    // A name that looks like markup is shown as it is.
    dialog.Label2->setText("<b>x</b>");
    EXPECT_EQ(dialog.Label2->textFormat(), Qt::PlainText);
}

TEST(RenameDialog, RefusedCharactersCannotBeTypedButPastedTextPasses)
{
    TfRename dialog;
    QString typed;
    const int result = RunWith(dialog, [&] {
        dialog.Edit1->clear();
        QTest::keyClicks(dialog.Edit1, "ho/li\\d:a*y?<>|\"s");
        typed = dialog.Edit1->text();
        dialog.Edit1->insert("?"); // as a paste does
        QTest::keyClick(dialog.Edit1, Qt::Key_Return);
    });
    EXPECT_EQ(typed, "holidays");
    EXPECT_EQ(dialog.Edit1->text(), "holidays?");
    EXPECT_EQ(result, QDialog::Accepted) << "Enter answers the default button, Agree";
    for (const char c : std::string("/\\:*?<>|\""))
        EXPECT_TRUE(TfRename::IsRefusedKey(QChar(c))) << c;
    EXPECT_FALSE(TfRename::IsRefusedKey(QChar('.')));
}

TEST(RenameDialog, EscAndCancelAnswerCancelWhereverTheFocusIs)
{
    TfRename dialog;
    EXPECT_EQ(RunWith(dialog, [&] { QTest::keyClick(dialog.Edit1, Qt::Key_Escape); }), QDialog::Rejected);
    EXPECT_EQ(RunWith(dialog, [&] { QTest::keyClick(dialog.Button2, Qt::Key_Escape); }), QDialog::Rejected);
    EXPECT_EQ(RunWith(dialog, [&] { dialog.Button1->click(); }), QDialog::Rejected);
    EXPECT_EQ(RunWith(dialog, [&] { dialog.Button2->click(); }), QDialog::Accepted);
}

TEST(RenameDialog, ShowingFocusesTheNewNameWithItsSelectionKept)
{
    TfRename dialog;
    bool focused = false;
    QString selected;
    dialog.Edit1->setText("photo");
    dialog.Edit1->selectAll();
    dialog.Button1->setFocus(); // where the focus was left last time
    RunWith(dialog, [&] {
        QApplication::processEvents();
        focused = dialog.focusWidget() == dialog.Edit1;
        selected = dialog.Edit1->selectedText();
    });
    EXPECT_TRUE(focused);
    EXPECT_EQ(selected, "photo");
    // Typing replaces the selected name.
    dialog.Button1->setFocus();
    RunWith(dialog, [&] {
        dialog.Edit1->selectAll();
        QTest::keyClicks(dialog.Edit1, "x");
        selected = dialog.Edit1->text();
    });
    EXPECT_EQ(selected, "x");
}
