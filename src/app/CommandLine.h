// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The command line: `quillo [FOLDER | FILE]`, `--help`, `--version`. Parsing needs
// no application object, so help and version work without a display. Paths stay
// byte strings from argv to the folder tree, so names that are not valid UTF-8 open.
#include <string>
#include <vector>

namespace quillo {

struct TCommandLine {
    enum class TAction { Run, Help, Version, UsageError };
    TAction Action = TAction::Run;
    // Help or version text for standard output, or the error for standard error.
    std::string Text;
    // The one path argument, exactly as given; empty when there was none.
    std::string Path;
    bool HasPath = false;
};

// Exit status of a usage error (unknown option, more than one path).
inline constexpr int kUsageErrorExitCode = 2;

// `args` is argv as bytes, program name first.
TCommandLine ParseCommandLine(const std::vector<std::string> &args);

// Prints the help, the version or the usage error and returns the exit status;
// -1 when the program is to start.
int AnswerWithoutWindows(const TCommandLine &commandLine);

// What a path argument names.
struct TStartTarget {
    enum class TKind {
        None,       // no argument: the stored last folder opens
        Folder,     // open Folder
        Picture,    // open Folder and select FileName
        Missing,    // nothing at that path
        NotPicture, // exists, but is neither a folder nor a BMP or JPEG file
    };
    TKind Kind = TKind::None;
    std::string Given;    // the argument as given
    std::string Folder;   // absolute folder without "." or ".." or links (Folder, Picture)
    std::string FileName; // the picture's name inside Folder (Picture)
    std::string Reason;   // why a Missing path could not be reached
};

// Classifies `path`; a relative path is taken from the current folder. A picture is
// a file whose name matches the list's mask; a link to one keeps its own name, so
// the row selected is the link's.
TStartTarget ClassifyStartPath(const std::string &path);

// The message for a path that cannot be opened (Missing, NotPicture); empty otherwise.
std::string StartPathMessage(const TStartTarget &target);

// The start target of the command line. A path that cannot be opened is reported
// through the message service (a message box once the desktop's is installed) and
// gives None, so the normal start follows.
TStartTarget StartTargetOf(const TCommandLine &commandLine);

} // namespace quillo
