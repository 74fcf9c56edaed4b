// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The application object. Every action, timer and event handler is entered through
// one event delivery, so this is where an error that no handler caught is stopped:
// it is shown as a message box with its text and the program runs on. It is also
// where repeats of a held key that piled up while a step was busy are dropped.
#include "gui/KeyRepeatGate.h"

#include <QApplication>

#include <exception>
#include <functional>
#include <string>

namespace quillo {

class TQloApplication : public QApplication {
public:
    TQloApplication(int &argc, char **argv);

    bool notify(QObject *receiver, QEvent *event) override;

    // Runs the event loop until the program quits; an error that still escapes the
    // loop is shown like any other, and the loop runs on.
    int Run();

private:
    TKeyRepeatGate FKeyRepeats;
};

// Ends the program on SIGTERM, SIGINT or SIGHUP within a moment, whatever is on the
// screen: also from a modal box shown before the event loop runs. `beforeExit`
// runs first (the main window's own close, which writes the settings). Idle in the
// event loop, the loop ends as on "Quit"; inside a modal box or before the loop,
// the process ends at once, which no file write can be caught in the middle of
// (every write is whole before the GUI thread handles another event).
void EndOnTerminationSignals(std::function<void()> beforeExit);

// The text shown for an error no handler caught: its own message, "Not enough
// memory" when memory ran out.
std::string UncaughtErrorText(const std::exception_ptr &error);

// Shows it as an error message box with the application title.
void ShowUncaughtError(const std::exception_ptr &error);

} // namespace quillo
