// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// An INI file with the semantics of the Windows profile functions: section and key
// names case-insensitive; each write updates the file at once and in place, other
// lines and comments kept; a missing file, section or key reads as the default.
#include "platform/Files.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quillo {

class TIniFile {
public:
    explicit TIniFile(std::string fileName);
    const std::string &FileName() const { return fileName_; }

    std::string ReadString(const std::string &section, const std::string &key,
                           const std::string &def) const;
    // Decimal with an optional sign, or hexadecimal with "0x" or "$"; anything else
    // (or a value out of the 32-bit range) reads as the default.
    int ReadInteger(const std::string &section, const std::string &key, int def) const;
    // Any integer other than 0 is true.
    bool ReadBool(const std::string &section, const std::string &key, bool def) const;
    bool ValueExists(const std::string &section, const std::string &key) const;

    // Throw Error when the file cannot be written, or when a name or value would not
    // read back as one line (a line break, "=" in a key, "]" in a section name).
    // Values with surrounding blanks or enclosing quotes are stored quoted.
    void WriteString(const std::string &section, const std::string &key, const std::string &value);
    void WriteInteger(const std::string &section, const std::string &key, int value);
    void WriteBool(const std::string &section, const std::string &key, bool value);

    // The integer syntax on its own (also used for the settings dialog's budget text).
    static std::optional<int> ParseInteger(const std::string &text);

private:
    std::string fileName_;
};

// "<program path>.ini" when the safe write can write that file (the file, if any,
// and its folder writable: `canWrite`, SafeWriteCanWrite unless a test says
// otherwise), otherwise $XDG_CONFIG_HOME/quillo/quillo.ini (default
// ~/.config/quillo/quillo.ini), whose folder is created here so that the first
// write can succeed.
std::string SettingsFilePath(const std::string &programPath,
                             const std::function<bool(const std::string &)> &canWrite = SafeWriteCanWrite);

// Writes the installation record (folder of the program with a trailing "/",
// version "315") to the system-wide settings store. Returns false, after one line
// on standard error, when it cannot be written.
bool WriteInstallRecord(const std::string &programPath);

// Tests send the installation record to this INI file instead of the system-wide
// store; an empty name restores the system-wide store.
void SetInstallRecordFile(const std::string &fileName);

} // namespace quillo
