// SPDX-License-Identifier: GPL-3.0-or-later
// The fullscreen viewer over the real main window and its file list: stepping with
// wrap-around, the caption, the fit state, the slideshow and the wheel; and the
// interval dialog's entry rules.
#include "catalogue/FileListModel.h"
#include "forms/Forms.h"
#include "forms/fmCopyPreview.h"
#include "forms/fmFullScreen.h"
#include "forms/main/fmMain.h"
#include "forms/fmSetInterval.h"
#include "forms/fmSettings.h"
#include "imageview/BmpCodec.h"
#include "imageview/view/QloImage.h"
#include "platform/Services.h"
#include "forms/WindowsFixture.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QWheelEvent>
#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <limits>
#include <string>
#include <sys/stat.h>
#include <vector>

using namespace quillo;
using quillo::test::WritePicture;

namespace {

// The viewer with its modal run replaced by the test's script; the script ends
// with Esc unless it closed the viewer itself.
class TestFullScreen : public TfFullScreen {
public:
    std::function<void(TestFullScreen &)> WhileOpen;
    int Openings = 0;
    Qt::WindowStates StateAtOpen;
    QScreen *ScreenAtOpen = nullptr;

protected:
    int RunModal() override
    {
        ++Openings;
        StateAtOpen = windowState();
        ScreenAtOpen = screen();
        setWindowState(Qt::WindowNoState);
        resize(640, 480);
        show();
        if (WhileOpen)
            WhileOpen(*this);
        if (isVisible())
            acCloseExecute();
        return result();
    }
    int ScreenWidth() const override { return 1600; }
};

class TestSetInterval : public TfSetInterval {
public:
    std::function<void(TestSetInterval &)> WhileOpen;
    int Beeps = 0;
    TestSetInterval() { Beep = [this] { ++Beeps; }; }

protected:
    int RunModal() override
    {
        setResult(QDialog::Rejected);
        show();
        if (WhileOpen)
            WhileOpen(*this);
        const int r = result();
        hide();
        return r;
    }
};

class FullScreen : public quillo::test::WindowsTest {
protected:
    void MakeFiles() override
    {
        WritePicture(pictures + "/a.bmp", 20, 10);
        WritePicture(pictures + "/b.bmp", 40, 30);
        WritePicture(pictures + "/c.bmp", 8, 6);
        single = root + "/single";
        ASSERT_EQ(::mkdir(single.c_str(), 0755), 0);
        WritePicture(single + "/only.bmp", 12, 9);
    }
    void SetUp() override
    {
        WindowsTest::SetUp();
        if (HasFatalFailure())
            return;
        // Nothing is preloaded: every step loads its file, as with large folders.
        fSettings->CheckBox1->setChecked(false);
        delete fFullScreen;
        fFullScreen = viewer = new TestFullScreen;
        delete fSetInterval;
        fSetInterval = dialog = new TestSetInterval;
    }

    int Row() const { return fMain->lvFiles->currentIndex().row(); }

    std::string single;
    TestFullScreen *viewer = nullptr;
    TestSetInterval *dialog = nullptr;
};

} // namespace

TEST_F(FullScreen, StepsThroughTheMainListBothWaysWithWrapAround)
{
    fMain->SelectFolder(pictures);
    ASSERT_EQ(fMain->lvFilesModel->Count(), 3);
    viewer->WhileOpen = [&](TestFullScreen &v) {
        EXPECT_EQ(v.Label1->text(), "a.bmp (Image 1 of 3)");
        EXPECT_EQ(v.Label1->geometry(), QRect(0, 0, 1600, 13));
        // The main view under the viewer does not paint every step.
        EXPECT_FALSE(fMain->QloImage1->updatesEnabled());
        EXPECT_EQ(v.QloImage1->Picture().Width(), 20);
        v.acNextExecute();
        EXPECT_EQ(v.Label1->text(), "b.bmp (Image 2 of 3)");
        EXPECT_EQ(Row(), 1);
        // The main window shows the same entry, loaded on demand.
        ASSERT_NE(fMain->FCurrentEntry, nullptr);
        EXPECT_EQ(fMain->FCurrentEntry->FileName, pictures + "/b.bmp");
        EXPECT_EQ(v.QloImage1->Picture().Width(), 40);
        EXPECT_EQ(fMain->QloImage1->Picture().Width(), 40);
        v.acNextExecute();
        v.acNextExecute();
        EXPECT_EQ(v.Label1->text(), "a.bmp (Image 1 of 3)");
        v.acPrevExecute();
        EXPECT_EQ(v.Label1->text(), "c.bmp (Image 3 of 3)");
        EXPECT_EQ(v.QloImage1->Picture().Width(), 8);
        v.acPrevExecute();
        EXPECT_EQ(v.Label1->text(), "b.bmp (Image 2 of 3)");
        // The keys reach the same commands.
        EXPECT_EQ(v.acNext->shortcut(), QKeySequence(Qt::Key_Down));
        EXPECT_EQ(v.acPrev->shortcut(), QKeySequence(Qt::Key_Up));
        v.acNext->trigger();
        EXPECT_EQ(Row(), 2);
        // An on-demand picture is released when the next one is shown.
        EXPECT_TRUE(fMain->lvFilesModel->Item(1).Data->Image->Picture.Empty());
    };
    fMain->acFullScreenExecute();
    EXPECT_EQ(viewer->Openings, 1);
    // Fullscreen in the window manager's sense (maximised stops at a panel), on the
    // main window's screen.
    EXPECT_EQ(viewer->StateAtOpen & (Qt::WindowFullScreen | Qt::WindowMaximized), Qt::WindowFullScreen);
    EXPECT_EQ(viewer->ScreenAtOpen, fMain->screen());
    EXPECT_TRUE(fMain->QloImage1->updatesEnabled());
    // Back in the main window the row the viewer ended on is current.
    EXPECT_EQ(Row(), 2);
    EXPECT_TRUE(fMain->lvFiles->selectionModel()->isRowSelected(2, {}));
}

TEST_F(FullScreen, AListOfOneShowsTheSameFileAgain)
{
    fMain->SelectFolder(single);
    ASSERT_EQ(fMain->lvFilesModel->Count(), 1);
    viewer->WhileOpen = [&](TestFullScreen &v) {
        for (int i = 0; i < 3; ++i) {
            v.acNextExecute();
            EXPECT_EQ(v.Label1->text(), "only.bmp (Image 1 of 1)");
            EXPECT_EQ(v.QloImage1->Picture().Width(), 12);
            v.acPrevExecute();
            EXPECT_EQ(v.Label1->text(), "only.bmp (Image 1 of 1)");
            EXPECT_EQ(v.QloImage1->Picture().Width(), 12);
        }
        EXPECT_EQ(fMain->QloImage1->Picture().Width(), 12);
    };
    fMain->acFullScreenExecute();
    EXPECT_EQ(viewer->Openings, 1);
}

TEST_F(FullScreen, AnUnreadableFileShowsNoPictureAndTheNextStepGoesOn)
{
    std::FILE *f = std::fopen((pictures + "/b.bmp").c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fputs("not a picture", f);
    std::fclose(f);
    fMain->SelectFolder(pictures);
    viewer->WhileOpen = [&](TestFullScreen &v) {
        v.acNextExecute();
        EXPECT_EQ(v.Label1->text(), "b.bmp (Image 2 of 3)");
        EXPECT_TRUE(v.QloImage1->Picture().Empty());
        v.acNextExecute();
        EXPECT_EQ(v.Label1->text(), "c.bmp (Image 3 of 3)");
        EXPECT_EQ(v.QloImage1->Picture().Width(), 8);
    };
    fMain->acFullScreenExecute();
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(FullScreen, NothingOpensWithoutASelectedRow)
{
    fMain->SelectFolder(pictures);
    fMain->lvFiles->clearSelection();
    fMain->lvFiles->selectionModel()->clearCurrentIndex();
    fMain->acFullScreenExecute();
    EXPECT_EQ(viewer->Openings, 0);
}

TEST_F(FullScreen, FitStateTogglesAndIsKeptBetweenOpenings)
{
    fMain->SelectFolder(pictures);
    EXPECT_FALSE(viewer->QloImage1->Stretch());
    viewer->WhileOpen = [&](TestFullScreen &v) {
        v.acStretchExecute();
        EXPECT_TRUE(v.QloImage1->Stretch());
        EXPECT_TRUE(v.QloImage1->Proportional());
        EXPECT_TRUE(v.acStretch->isChecked());
        // A double click on the picture toggles too.
        Q_EMIT v.QloImage1->doubleClicked();
        EXPECT_FALSE(v.QloImage1->Stretch());
        Q_EMIT v.QloImage1->doubleClicked();
    };
    fMain->acFullScreenExecute();
    viewer->WhileOpen = [&](TestFullScreen &v) {
        EXPECT_TRUE(v.QloImage1->Stretch());
        EXPECT_TRUE(v.acStretch->isChecked());
    };
    fMain->acFullScreenExecute();
    EXPECT_EQ(viewer->Openings, 2);
}

TEST_F(FullScreen, SlideshowStepsOnTicksStopsOnSpaceAndEndsWithTheViewer)
{
    fMain->SelectFolder(pictures);
    viewer->Timer1->setInterval(5);
    viewer->WhileOpen = [&](TestFullScreen &v) {
        QSignalSpy ticks(v.Timer1, &QTimer::timeout);
        v.acTimerModeExecute();
        EXPECT_TRUE(v.Timer1->isActive());
        EXPECT_TRUE(v.acTimerMode->isChecked());
        // Four ticks from the first file: wraps once and lands on the second.
        while (ticks.count() < 4)
            ASSERT_TRUE(ticks.wait(5000));
        v.acStopTimerModeExecute();
        EXPECT_FALSE(v.Timer1->isActive());
        EXPECT_FALSE(v.acTimerMode->isChecked());
        EXPECT_EQ(Row(), 4 % 3);
        EXPECT_EQ(v.Label1->text(), "b.bmp (Image 2 of 3)");
        // Space again keeps it off; Ctrl+T twice restarts it.
        v.acStopTimerModeExecute();
        EXPECT_FALSE(v.Timer1->isActive());
        v.acTimerModeExecute();
        v.acTimerModeExecute();
        EXPECT_FALSE(v.Timer1->isActive());
        v.acTimerModeExecute();
        EXPECT_TRUE(v.Timer1->isActive());
        v.acCloseExecute();
    };
    fMain->acFullScreenExecute();
    EXPECT_FALSE(viewer->Timer1->isActive());
    EXPECT_FALSE(viewer->acTimerMode->isChecked());
    EXPECT_FALSE(viewer->isVisible());
    viewer->WhileOpen = [&](TestFullScreen &v) { EXPECT_FALSE(v.Timer1->isActive()); };
    fMain->acFullScreenExecute();
}

TEST_F(FullScreen, WheelStepsOncePerWholeNotchAndSidewaysRightGoesForwards)
{
    fMain->SelectFolder(pictures);
    viewer->WhileOpen = [&](TestFullScreen &v) {
        const auto wheel = [&](int x, int y) {
            QWheelEvent event(QPointF(10, 10), QPointF(10, 10), QPoint(), QPoint(x, y), Qt::NoButton, Qt::NoModifier,
                              Qt::NoScrollPhase, false);
            QCoreApplication::sendEvent(v.QloImage1, &event);
        };
        wheel(0, -120);
        EXPECT_EQ(Row(), 1);
        wheel(0, 120);
        EXPECT_EQ(Row(), 0);
        // A touchpad's burst of small deltas steps once per 120; zero does nothing.
        for (int i = 0; i < 11; ++i)
            wheel(0, -10);
        wheel(0, 0);
        EXPECT_EQ(Row(), 0);
        wheel(0, -10);
        EXPECT_EQ(Row(), 1);
        // A reversal starts afresh: half a notch back, then a whole one forwards.
        wheel(0, 60);
        wheel(0, -120);
        EXPECT_EQ(Row(), 2);
        // Sideways: right (negative) forwards, left back; a slight drift is not a step.
        for (int i = 0; i < 4; ++i)
            wheel(-30, 5);
        EXPECT_EQ(Row(), 0);
        wheel(120, 0);
        EXPECT_EQ(Row(), 2);
        // Two notches in one event are two steps; an absurd delta a few, not millions.
        wheel(0, -240);
        EXPECT_EQ(Row(), 1);
        wheel(0, std::numeric_limits<int>::min());
        EXPECT_EQ(Row(), (1 + TWheelNotches::kMaxStepsPerEvent) % 3);
    };
    fMain->acFullScreenExecute();
}

TEST_F(FullScreen, ClosingClosesTheSelectionPreview)
{
    fMain->SelectFolder(pictures);
    viewer->WhileOpen = [&](TestFullScreen &v) {
        fCopyPreview->ShowResult(TBitmap(4, 4, 24));
        EXPECT_TRUE(fCopyPreview->isVisible());
        v.acClose->trigger();
    };
    fMain->acFullScreenExecute();
    EXPECT_FALSE(fCopyPreview->isVisible());
}

// Real key presses on the shown viewer: the bound keys and the extra stepping keys
// each do their own thing, and the menu's items are the commands themselves.
TEST_F(FullScreen, KeysAndMenuItemsReachTheirCommands)
{
    for (int i = 0; i < 2; ++i)
        WritePicture(pictures + "/d" + std::to_string(i) + ".bmp", 5, 5);
    fMain->SelectFolder(pictures);
    ASSERT_EQ(fMain->lvFilesModel->Count(), 5);
    viewer->WhileOpen = [&](TestFullScreen &v) {
        v.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&v));
        const auto key = [&](int k, Qt::KeyboardModifiers mods = Qt::NoModifier) {
            QTest::keyClick(&v, static_cast<Qt::Key>(k), mods);
        };
        const std::pair<int, int> steps[] = {
            {Qt::Key_Down, 1},  {Qt::Key_Right, 2}, {Qt::Key_PageDown, 3}, {Qt::Key_Up, 2},
            {Qt::Key_Left, 1},  {Qt::Key_PageUp, 0}, {Qt::Key_PageUp, 4},  {Qt::Key_Home, 0},
            {Qt::Key_End, 4},   {Qt::Key_Right, 0},  {Qt::Key_End, 4},     {Qt::Key_Home, 0},
        };
        for (const auto &[k, row] : steps) {
            key(k);
            EXPECT_EQ(Row(), row) << QKeySequence(k).toString().toStdString();
        }
        EXPECT_EQ(v.Label1->text(), "a.bmp (Image 1 of 5)");
        key(Qt::Key_Return, Qt::AltModifier);
        EXPECT_TRUE(v.QloImage1->Stretch());
        key(Qt::Key_T, Qt::ControlModifier);
        EXPECT_TRUE(v.Timer1->isActive());
        key(Qt::Key_Space);
        EXPECT_FALSE(v.Timer1->isActive());
        EXPECT_EQ(Row(), 0) << "Space stops the slideshow, it does not step";
        // Each menu item runs its command.
        const QList<QAction *> items = v.PopupMenu1->actions();
        ASSERT_EQ(items.size(), 8);
        items[0]->trigger();
        EXPECT_FALSE(v.QloImage1->Stretch());
        items[4]->trigger();
        EXPECT_TRUE(v.Timer1->isActive());
        items[4]->trigger();
        EXPECT_FALSE(v.Timer1->isActive());
        key(Qt::Key_Escape);
        EXPECT_FALSE(v.isVisible());
    };
    fMain->acFullScreenExecute();
    EXPECT_EQ(viewer->Openings, 1);
}

TEST_F(FullScreen, IntervalDialogShowsWholeSecondsAndStoresWhatIsSet)
{
    // A new viewer's slideshow waits for the user, at one second a picture.
    EXPECT_FALSE(viewer->Timer1->isActive());
    dialog->WhileOpen = [&](TestSetInterval &d) {
        EXPECT_EQ(d.Label2->text(), "1");
        d.acClose->trigger();
    };
    EXPECT_EQ(dialog->AskInterval(), -1);

    viewer->Timer1->setInterval(2500);
    dialog->WhileOpen = [&](TestSetInterval &d) {
        EXPECT_EQ(d.Label2->text(), "2");
        EXPECT_EQ(d.Edit1->text(), "2");
        d.Button1->click();
    };
    EXPECT_EQ(dialog->AskInterval(), 2000);
    EXPECT_EQ(viewer->Timer1->interval(), 2000);

    dialog->WhileOpen = [&](TestSetInterval &d) {
        d.Edit1->setText(QStringLiteral("007"));
        d.Button1->click();
    };
    EXPECT_EQ(dialog->AskInterval(), 7000);
    EXPECT_EQ(viewer->Timer1->interval(), 7000);
    EXPECT_TRUE(messages.texts.empty());

    // Esc cancels and keeps the interval.
    dialog->WhileOpen = [&](TestSetInterval &d) {
        d.Edit1->setText(QStringLiteral("9"));
        d.acClose->trigger();
    };
    EXPECT_EQ(dialog->AskInterval(), -1);
    EXPECT_EQ(viewer->Timer1->interval(), 7000);
}

TEST_F(FullScreen, IntervalDialogRefusesZeroEmptyAndOversizedEntriesAndStaysOpen)
{
    viewer->Timer1->setInterval(3000);
    for (const char *entry : {"0", "", "000", "2147484", "99999999999999999999"}) {
        messages.texts.clear();
        dialog->WhileOpen = [&](TestSetInterval &d) {
            d.Edit1->setText(QString::fromLatin1(entry));
            d.Button1->click();
            EXPECT_TRUE(d.isVisible()) << entry;
            EXPECT_EQ(d.Edit1->selectedText(), d.Edit1->text());
        };
        EXPECT_EQ(dialog->AskInterval(), -1) << entry;
        ASSERT_EQ(messages.texts.size(), 1u) << entry;
        EXPECT_EQ(messages.texts[0], TfSetInterval::kOutOfRange);
        EXPECT_EQ(viewer->Timer1->interval(), 3000);
    }
    // The largest whole number of seconds the clock holds is taken.
    dialog->WhileOpen = [&](TestSetInterval &d) {
        d.Edit1->setText(QStringLiteral("2147483"));
        d.Button1->click();
    };
    EXPECT_EQ(dialog->AskInterval(), 2147483000);
}

TEST_F(FullScreen, IntervalFieldTakesDigitsOnlyAndBeepsAtAnythingElse)
{
    dialog->WhileOpen = [&](TestSetInterval &d) {
        d.Edit1->clear();
        QTest::keyClicks(d.Edit1, QStringLiteral("1a2"));
        EXPECT_EQ(d.Edit1->text(), "12");
        EXPECT_EQ(d.Beeps, 1);
        QTest::keyClick(d.Edit1, Qt::Key_Backspace);
        QTest::keyClick(d.Edit1, Qt::Key_Left);
        QTest::keyClick(d.Edit1, Qt::Key_Delete);
        QTest::keyClicks(d.Edit1, QStringLiteral(" -5"));
        EXPECT_EQ(d.Edit1->text(), "5");
        EXPECT_EQ(d.Beeps, 3);
        // Enter presses "Set".
        QTest::keyClick(d.Edit1, Qt::Key_Return);
        EXPECT_FALSE(d.isVisible());
    };
    EXPECT_EQ(dialog->AskInterval(), 5000);
}

TEST_F(FullScreen, SettingsRestoreAndSaveTheInterval)
{
    viewer->SetInterval(4000);
    EXPECT_EQ(fMain->SlideshowInterval(), 4000);
    // A stored value the clock cannot use keeps the interval it has.
    viewer->SetInterval(0);
    viewer->SetInterval(-20);
    EXPECT_EQ(viewer->Timer1->interval(), 4000);
}
