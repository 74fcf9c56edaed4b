// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Renaming a file the way Quillo promises it: a rename never replaces another
// file, never moves a file to another folder, and refuses the names that Windows
// refuses, so a name written here can be carried back to a Windows disk.
#include <string>

namespace quillo {

// Whether a rename may give a file the name ABase + AExt (AExt being the kept
// extension, dot included). Refused: an empty name, a base of "." or "..", and
// any of / \ : * ? < > | " or a control character (0..31 and 127) anywhere.
bool IsAllowedNewName(const std::string &ABase, const std::string &AExt);

// Renames AOldPath to ANewPath. An existing ANewPath is a refusal and both files
// stay as they were; so is a new name that IsAllowedNewName refuses. Throws Error
// with the reason. Where the file system lacks an atomic no-replace rename, a
// hard link and an unlink do the same; where it has no hard links either, an
// exclusively created placeholder reserves the name before the rename.
void RenameFileNoReplace(const std::string &AOldPath, const std::string &ANewPath);

namespace detail {
// The two fallbacks on their own, so tests can run them on any file system.
void RenameByLink(const std::string &AOldPath, const std::string &ANewPath);
void RenameByPlaceholder(const std::string &AOldPath, const std::string &ANewPath);
} // namespace detail

} // namespace quillo
