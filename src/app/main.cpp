// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"
#include "gui/DesignFont.h"
#include "gui/DesktopServices.h"
#include "forms/Forms.h"
#include "gui/QloApplication.h"
#include "forms/main/fmMain.h"
#include "forms/fmSplash.h"
#include "platform/Files.h"
#include "platform/IniFile.h"
#include "platform/Services.h"

#include <QApplication>
#include <QFile>
#include <QSocketNotifier>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

int gSignalPipe[2] = {-1, -1};

void OnTerminate(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = ::write(gSignalPipe[1], &byte, 1);
}

// A session that ends (SIGTERM, SIGINT, SIGHUP) closes the main window the normal
// way, so the settings are written as on "Quit".
void CloseOnTerminationSignals()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, gSignalPipe) != 0)
        return;
    auto *notifier = new QSocketNotifier(gSignalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [] {
        char byte;
        [[maybe_unused]] const ssize_t n = ::read(gSignalPipe[0], &byte, 1);
        if (quillo::fMain)
            quillo::fMain->close();
        QApplication::quit();
    });
    struct sigaction sa {};
    sa.sa_handler = OnTerminate;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGINT, SIGHUP})
        ::sigaction(sig, &sa, nullptr);
}

} // namespace

int main(int argc, char **argv)
{
    // Help, version and usage errors are answered before Qt looks for a display.
    const quillo::TCommandLine commandLine = quillo::ParseCommandLine({argv, argv + argc});
    if (const int status = quillo::AnswerWithoutWindows(commandLine); status >= 0)
        return status;
    // Qt gets no arguments: a path given after "--" could read as one of its options.
    static int qtArgc = 1;
    quillo::TQloApplication app(qtArgc, argv);
    // Each window's title is exactly its caption: the title the program keeps for
    // its message boxes is ours, not Qt's display name (which Qt appends to titles).
    QApplication::setApplicationName(QStringLiteral("quillo"));
    QGuiApplication::setDesktopFileName(QStringLiteral("org.brackwater.quillo"));
    quillo::SetApplicationTitle("-=[ Quillo III ]=-");
    // The main window is shown by the start-up sequence, not by the loop.
    QApplication::setQuitOnLastWindowClosed(false);
    quillo::InstallDesktopServices();
    quillo::ApplyDesignFont();
    CloseOnTerminationSignals();

    const std::string program = QFile::encodeName(QCoreApplication::applicationFilePath()).toStdString();
    const std::string settings = quillo::SettingsFilePath(program);
    // A path that cannot be opened is reported before the windows appear.
    const quillo::TStartTarget start = quillo::StartTargetOf(commandLine);
    // A named picture is decoded while the windows are made and the splash is up.
    std::unique_ptr<quillo::TReadAhead> named;
    if (start.Kind == quillo::TStartTarget::TKind::Picture) {
        named = quillo::MakeReadAhead();
        named->Want({{quillo::IncludeTrailingPathDelimiter(start.Folder) + start.FileName, std::nullopt}});
    }
    quillo::CreateApplicationWindows(settings.c_str());
    if (named)
        quillo::fMain->AdoptReadAhead(std::move(named));
    if (start.Kind != quillo::TStartTarget::TKind::None)
        quillo::fMain->OpenAtStart(start.Folder, start.FileName);
    QObject::connect(quillo::fMain, &QObject::destroyed, &app, &QApplication::quit);
    quillo::fMain->setAttribute(Qt::WA_QuitOnClose, true);
    QApplication::setQuitOnLastWindowClosed(true);
    quillo::fSplash->show();
    const int result = app.Run();
    quillo::DestroyApplicationWindows();
    return result;
}
