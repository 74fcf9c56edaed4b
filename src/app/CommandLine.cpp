// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/CommandLine.h"

#include "catalogue/QloClasses.h"
#include "platform/Directory.h"
#include "platform/Files.h"
#include "platform/Services.h"
#include "platform/System.h"

#include <QCommandLineOption>
#include <QCommandLineParser>
#include <QStringList>

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sys/stat.h>

namespace quillo {

namespace {

const char kHelpText[] =
    "Usage: quillo [OPTION]... [FOLDER | FILE]\n"
    "Browse the BMP and JPEG pictures of a folder.\n"
    "\n"
    "With a FOLDER, Quillo opens that folder. With a BMP or JPEG FILE, it opens the\n"
    "file's folder and selects the file. Without an argument it opens the folder of\n"
    "the last run.\n"
    "\n"
    "Options:\n"
    "  -h, --help     show this help and exit\n"
    "  -v, --version  show the version and exit\n"
    "  --             end of options: the next argument is a path even if it\n"
    "                 starts with '-'\n";

std::string UsageError(const std::string &what)
{
    return "quillo: " + what + "\nTry 'quillo --help' for more information.\n";
}

bool IsPictureName(const std::string &name)
{
    for (const std::string &pattern : SplitMask(kPictureFileMask))
        if (!pattern.empty() && MatchesMask(name, pattern))
            return true;
    return false;
}

TStartTarget Missing(TStartTarget target, int error)
{
    target.Kind = TStartTarget::TKind::Missing;
    target.Folder.clear();
    target.FileName.clear();
    target.Reason = error == ENOENT || error == ENOTDIR ? std::string("there is no such file or folder")
                                                        : std::string(std::strerror(error));
    return target;
}

} // namespace

TCommandLine ParseCommandLine(const std::vector<std::string> &args)
{
    // Latin-1 maps every byte to one character and back, so the path comes out of
    // the parser with exactly the bytes it went in with; the options are ASCII.
    QStringList list;
    for (const std::string &arg : args)
        list << QString::fromLatin1(arg.data(), static_cast<qsizetype>(arg.size()));
    if (list.isEmpty())
        list << QStringLiteral("quillo");

    QCommandLineParser parser;
    parser.setOptionsAfterPositionalArgumentsMode(QCommandLineParser::ParseAsOptions);
    const QCommandLineOption help(QStringList{QStringLiteral("h"), QStringLiteral("help")});
    const QCommandLineOption version(QStringList{QStringLiteral("v"), QStringLiteral("version")});
    parser.addOption(help);
    parser.addOption(version);

    TCommandLine result;
    if (!parser.parse(list)) {
        result.Action = TCommandLine::TAction::UsageError;
        result.Text = UsageError(parser.errorText().toStdString());
        return result;
    }
    if (parser.isSet(help)) {
        result.Action = TCommandLine::TAction::Help;
        result.Text = kHelpText;
        return result;
    }
    if (parser.isSet(version)) {
        result.Action = TCommandLine::TAction::Version;
        result.Text = std::string("quillo ") + QUILLO_VERSION_STRING + "\n";
        return result;
    }
    const QStringList paths = parser.positionalArguments();
    if (paths.size() > 1) {
        result.Action = TCommandLine::TAction::UsageError;
        result.Text = UsageError("only one folder or file can be opened.");
        return result;
    }
    if (paths.size() == 1) {
        result.HasPath = true;
        result.Path = paths.front().toLatin1().toStdString();
    }
    return result;
}

int AnswerWithoutWindows(const TCommandLine &commandLine)
{
    switch (commandLine.Action) {
    case TCommandLine::TAction::Run:
        return -1;
    case TCommandLine::TAction::Help:
    case TCommandLine::TAction::Version:
        std::fputs(commandLine.Text.c_str(), stdout);
        return std::fflush(stdout) == 0 ? 0 : 1;
    case TCommandLine::TAction::UsageError:
        std::fputs(commandLine.Text.c_str(), stderr);
        return kUsageErrorExitCode;
    }
    return -1;
}

TStartTarget ClassifyStartPath(const std::string &path)
{
    TStartTarget target;
    target.Given = path;
    struct stat st {};
    if (path.empty())
        return Missing(target, ENOENT);
    if (::stat(path.c_str(), &st) != 0)
        return Missing(target, errno);

    if (S_ISDIR(st.st_mode)) {
        target.Folder = RealPath(path);
        if (target.Folder.empty())
            return Missing(target, errno);
        target.Kind = TStartTarget::TKind::Folder;
        return target;
    }

    // The name as given: a link to a picture is selected as the link's own row.
    const std::string name = ExtractFileName(path);
    if (!S_ISREG(st.st_mode) || !IsPictureName(name)) {
        target.Kind = TStartTarget::TKind::NotPicture;
        return target;
    }
    std::string folder = ExtractFilePath(path);
    target.Folder = RealPath(folder.empty() ? std::string(".") : folder);
    if (target.Folder.empty())
        return Missing(target, errno);
    target.FileName = name;
    target.Kind = TStartTarget::TKind::Picture;
    return target;
}

TStartTarget StartTargetOf(const TCommandLine &commandLine)
{
    if (!commandLine.HasPath)
        return {};
    TStartTarget target = ClassifyStartPath(commandLine.Path);
    if (const std::string message = StartPathMessage(target); !message.empty()) {
        ShowMessage(message);
        return {};
    }
    return target;
}

std::string StartPathMessage(const TStartTarget &target)
{
    switch (target.Kind) {
    case TStartTarget::TKind::Missing:
        return "Cannot open \"" + target.Given + "\": " + target.Reason + ".";
    case TStartTarget::TKind::NotPicture:
        return "Cannot open \"" + target.Given + "\": it is neither a folder nor a BMP or JPEG picture.";
    default:
        return {};
    }
}

} // namespace quillo
