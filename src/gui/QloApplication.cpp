// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/QloApplication.h"

#include "platform/Services.h"

#include <cstdio>
#include <new>

namespace quillo {

TQloApplication::TQloApplication(int &argc, char **argv) : QApplication(argc, argv) {}

bool TQloApplication::notify(QObject *receiver, QEvent *event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        ShowUncaughtError(std::current_exception());
        return false;
    }
}

int TQloApplication::Run()
{
    for (;;) {
        try {
            return exec();
        } catch (...) {
            ShowUncaughtError(std::current_exception());
        }
    }
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
