// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/QloApplication.h"

#include "platform/Services.h"

#include <QKeyEvent>
#include <QSocketNotifier>
#include <QThread>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <new>
#include <sys/socket.h>
#include <unistd.h>

namespace quillo {

namespace {

bool gInMainLoop = false;
int gSignalPipe[2] = {-1, -1};

void OnTerminationSignal(int)
{
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

TQloApplication::TQloApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TQloApplication::notify(QObject *receiver, QEvent *event)
{
    // The shortcut check and the key event of one press get the same answer.
    if (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now().time_since_epoch());
        if (!FKeyRepeats.Admit(static_cast<std::uint32_t>(key->timestamp()), key->key(), key->isAutoRepeat(),
                               now.count())) {
            // Accepted: a dropped press is no shortcut either.
            event->accept();
            return true;
        }
    }
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowUncaughtError(std::current_exception());
        return false;
    }
}

int TQloApplication::Run()
{
    gInMainLoop = true;
    for (;;) {
        try {
            return exec();
        } catch (...) {
            ShowUncaughtError(std::current_exception());
        }
    }
}

void EndOnTerminationSignals(std::function<void()> beforeExit)
{
    // The handler only writes a byte; the event loop (the main one or a modal
    // box's) reads it and does the rest.
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, gSignalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [beforeExit = std::move(beforeExit)] {
        char byte;
        while (::read(gSignalPipe[0], &byte, 1) > 0) {
        }
        if (beforeExit)
            beforeExit();
        if (gInMainLoop && QThread::currentThread()->loopLevel() == 1) {
            QCoreApplication::exit(0);
            return;
        }
        // A modal box's own loop would outlive QCoreApplication::exit, and before
        // the main loop runs exit does nothing at all.
        std::fflush(nullptr);
        ::_exit(0);
    });
    struct sigaction sa {};
    sa.sa_handler = OnTerminationSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
}

std::string UncaughtErrorText(const std::exception_ptr &error)
{
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc &) {
        return "Not enough memory";
    } catch (const std::exception &e) {
        const std::string text = e.what();
        return text.empty() ? std::string("Unexpected error") : text;
    } catch (...) {
        return "Unexpected error";
    }
}

void ShowUncaughtError(const std::exception_ptr &error)
{
    const std::string text = UncaughtErrorText(error);
    try {
        MessageService().Show(text, ApplicationTitle(), TMsgButtons::Ok, TMsgIcon::Error);
    } catch (...) {
        // Not even a message box could be shown (memory, most likely): the text
        // still reaches someone, and the program runs on.
        std::fprintf(stderr, "quillo: %s\n", text.c_str());
    }
}

} // namespace quillo
