// SPDX-License-Identifier: GPL-3.0-or-later
// The error barrier: whatever escapes a timer, a queued call or an event handler
// is shown as a message box with its text, and the program goes on.
#include "gui/QloApplication.h"
#include "platform/Errors.h"
#include "platform/Services.h"
#include "FakeMessages.h"

#include <QCoreApplication>
#include <QKeyEvent>
#include <QTest>
#include <QTimer>
#include <QWidget>
#include <gtest/gtest.h>

#include <new>
#include <stdexcept>
#include <string>
#include <vector>

using namespace quillo;
using quillo::test::FakeMessages;

namespace {

struct ThrowingMessages : IMessageService {
    int calls = 0;
    TMsgResult Show(const std::string &, const std::string &, TMsgButtons, TMsgIcon) override
    {
        ++calls;
        throw std::bad_alloc();
    }
};

class KeyThrower : public QWidget {
protected:
    void keyPressEvent(QKeyEvent *) override { throw Error("Cannot open file \"x.jpg\""); }
};

class Barrier : public ::testing::Test {
protected:
    Barrier() : title_(ApplicationTitle())
    {
        SetApplicationTitle("-=[ Test title ]=-");
        SetMessageService(&messages);
    }
    ~Barrier() override
    {
        SetMessageService(nullptr);
        SetApplicationTitle(title_);
    }
    FakeMessages messages;

private:
    std::string title_;
};

} // namespace

TEST_F(Barrier, TimerErrorIsShownAndLaterEventsStillRun)
{
    bool later = false;
    QTimer::singleShot(0, [] { throw Error("JPEG data too badly damaged"); });
    QTimer::singleShot(5, [&] { later = true; });
    EXPECT_TRUE(QTest::qWaitFor([&] { return later; }, 5000));
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "JPEG data too badly damaged");
    EXPECT_EQ(messages.captions[0], "-=[ Test title ]=-");
    EXPECT_EQ(messages.icons[0], TMsgIcon::Error);
}

TEST_F(Barrier, RunningOutOfMemoryGetsAPlainText)
{
    QObject target;
    QMetaObject::invokeMethod(&target, [] { throw std::bad_alloc(); }, Qt::QueuedConnection);
    QCoreApplication::processEvents();
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], "Not enough memory");
}

TEST_F(Barrier, HandlerErrorEndsOnlyThatEvent)
{
    KeyThrower widget;
    QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    EXPECT_FALSE(QCoreApplication::sendEvent(&widget, &press));
    EXPECT_FALSE(QCoreApplication::sendEvent(&widget, &press));
    EXPECT_EQ(messages.texts, (std::vector<std::string>{"Cannot open file \"x.jpg\"", "Cannot open file \"x.jpg\""}));
}

TEST_F(Barrier, ErrorsWithoutAMessageStillSaySomething)
{
    EXPECT_EQ(UncaughtErrorText(std::make_exception_ptr(42)), "Unexpected error");
    EXPECT_EQ(UncaughtErrorText(std::make_exception_ptr(std::runtime_error(""))), "Unexpected error");
    EXPECT_EQ(UncaughtErrorText(std::make_exception_ptr(std::bad_array_new_length())), "Not enough memory");
}

TEST_F(Barrier, AMessageBoxThatFailsDoesNotEndTheProgram)
{
    ThrowingMessages failing;
    SetMessageService(&failing);
    QObject target;
    QMetaObject::invokeMethod(&target, [] { throw Error("first"); }, Qt::QueuedConnection);
    testing::internal::CaptureStderr();
    QCoreApplication::processEvents();
    const std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(failing.calls, 1);
    EXPECT_NE(err.find("first"), std::string::npos) << err;
}
