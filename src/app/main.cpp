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
    // A session that ends closes the main window the normal way, which writes the
    // settings; until the window is shown they are not read yet, so nothing is written.
    quillo::EndOnTerminationSignals([] {
        if (quillo::fMain && quillo::fMain->isVisible())
            quillo::fMain->close();
    });

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
