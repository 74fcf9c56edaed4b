// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/IniFile.h"

#include "platform/Directory.h"
#include "platform/Errors.h"
#include "platform/Files.h"

#include <QFile>
#include <QSettings>
#include <QString>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <pwd.h>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace quillo {

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

bool SameName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z')
            x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z')
            y = static_cast<char>(y - 'A' + 'a');
        if (x != y)
            return false;
    }
    return true;
}

// The file as lines, each remembered with its own line ending so that a rewrite
// changes nothing but the line it means to change.
struct TIniText {
    std::string bom;
    std::vector<std::string> lines;
    std::vector<bool> crlf;
    bool useCrlf = false; // for lines we add: as the file's first line ends

    static TIniText Parse(const std::vector<std::uint8_t> &bytes)
    {
        TIniText text;
        std::string_view all(reinterpret_cast<const char *>(bytes.data()), bytes.size());
        if (all.substr(0, 3) == "\xEF\xBB\xBF") {
            text.bom = "\xEF\xBB\xBF";
            all.remove_prefix(3);
        }
        while (!all.empty()) {
            const std::size_t nl = all.find('\n');
            std::string_view line = all.substr(0, nl);
            all.remove_prefix(nl == std::string_view::npos ? all.size() : nl + 1);
            const bool cr = !line.empty() && line.back() == '\r';
            if (cr)
                line.remove_suffix(1);
            if (text.lines.empty())
                text.useCrlf = cr;
            text.lines.emplace_back(line);
            text.crlf.push_back(cr);
        }
        return text;
    }

    std::vector<std::uint8_t> Bytes() const
    {
        std::string out = bom;
        for (std::size_t i = 0; i < lines.size(); ++i)
            out += lines[i] + (crlf[i] ? "\r\n" : "\n");
        return {out.begin(), out.end()};
    }

    void Insert(std::size_t at, std::string line)
    {
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
        crlf.insert(crlf.begin() + static_cast<std::ptrdiff_t>(at), useCrlf);
    }

    // Section name of a header line, or nullopt for any other line.
    static std::optional<std::string_view> SectionOf(std::string_view line)
    {
        line = Trim(line);
        if (line.empty() || line.front() != '[')
            return std::nullopt;
        line.remove_prefix(1);
        return Trim(line.substr(0, line.find(']')));
    }

    // Key and raw value of a "key=value" line; comments and other lines give nullopt.
    static std::optional<std::pair<std::string_view, std::string_view>> KeyOf(std::string_view line)
    {
        line = Trim(line);
        if (line.empty() || line.front() == ';' || line.front() == '#' || line.front() == '[')
            return std::nullopt;
        const std::size_t eq = line.find('=');
        if (eq == std::string_view::npos)
            return std::nullopt;
        return std::make_pair(Trim(line.substr(0, eq)), Trim(line.substr(eq + 1)));
    }

    // [header, end) of the first section with that name, header == npos when absent.
    std::pair<std::size_t, std::size_t> FindSection(std::string_view section) const
    {
        std::size_t header = std::string::npos;
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const auto name = SectionOf(lines[i]);
            if (!name)
                continue;
            if (header != std::string::npos)
                return {header, i};
            if (SameName(*name, section))
                header = i;
        }
        return {header, lines.size()};
    }

    std::size_t FindKey(std::pair<std::size_t, std::size_t> range, std::string_view key) const
    {
        if (range.first == std::string::npos)
            return std::string::npos;
        for (std::size_t i = range.first + 1; i < range.second; ++i)
            if (const auto kv = KeyOf(lines[i]); kv && SameName(kv->first, key))
                return i;
        return std::string::npos;
    }
};

// Reads the file for a lookup: a file that is missing or cannot be read reads as empty.
TIniText LoadForReading(const std::string &fileName)
{
    if (!FileExists(fileName))
        return {};
    try {
        return TIniText::Parse(ReadFileBytes(fileName));
    } catch (const Error &) {
        return {}; // unreadable: every key reads as its default, as on Windows
    }
}

std::optional<std::string> Lookup(const std::string &fileName, const std::string &section,
                                  const std::string &key)
{
    const TIniText text = LoadForReading(fileName);
    const std::size_t at = text.FindKey(text.FindSection(Trim(section)), Trim(key));
    if (at == std::string::npos)
        return std::nullopt;
    std::string_view value = TIniText::KeyOf(text.lines[at])->second;
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    return std::string(value);
}

bool HasLineBreak(const std::string &s) { return s.find_first_of("\r\n") != std::string::npos; }

} // namespace

TIniFile::TIniFile(std::string fileName) : fileName_(std::move(fileName)) {}

std::string TIniFile::ReadString(const std::string &section, const std::string &key,
                                 const std::string &def) const
{
    auto value = Lookup(fileName_, section, key);
    return value ? *value : def;
}

int TIniFile::ReadInteger(const std::string &section, const std::string &key, int def) const
{
    const auto value = Lookup(fileName_, section, key);
    if (!value)
        return def;
    return ParseInteger(*value).value_or(def);
}

bool TIniFile::ReadBool(const std::string &section, const std::string &key, bool def) const
{
    return ReadInteger(section, key, def ? 1 : 0) != 0;
}

bool TIniFile::ValueExists(const std::string &section, const std::string &key) const
{
    return Lookup(fileName_, section, key).has_value();
}

void TIniFile::WriteString(const std::string &section, const std::string &key, const std::string &value)
{
    const std::string_view sect = Trim(section);
    const std::string_view name = Trim(key);
    // Names and values that would read back as other lines are refused rather
    // than written: a folder name with a line break must not plant new keys.
    if (sect.empty() || sect.find(']') != std::string_view::npos || HasLineBreak(section))
        throw Error("Cannot write the section name \"" + section + "\" to \"" + fileName_ + "\"");
    if (name.empty() || name.find('=') != std::string_view::npos || name.front() == '[' ||
        name.front() == ';' || name.front() == '#' || HasLineBreak(key))
        throw Error("Cannot write the key name \"" + key + "\" to \"" + fileName_ + "\"");
    if (HasLineBreak(value))
        throw Error("Cannot write a value with a line break for \"" + key + "\" to \"" + fileName_ + "\"");

    // Reading drops surrounding blanks and one pair of enclosing quotes; quote the
    // values that would otherwise not read back as written.
    std::string stored = value;
    if ((!value.empty() && (IsBlank(value.front()) || IsBlank(value.back()))) ||
        (value.size() >= 2 && value.front() == '"' && value.back() == '"'))
        stored = '"' + value + '"';

    TIniText text;
    struct stat st {};
    if (::stat(fileName_.c_str(), &st) == 0)
        text = TIniText::Parse(ReadFileBytes(fileName_)); // unreadable: throw, never clobber
    else if (errno != ENOENT)
        throw Error("Cannot open file \"" + fileName_ + "\"");

    const auto range = text.FindSection(sect);
    const std::size_t at = text.FindKey(range, name);
    if (at != std::string::npos) {
        // Keep the key as the file spells it; only the value changes.
        const std::string line = std::string(TIniText::KeyOf(text.lines[at])->first) + "=" + stored;
        if (line == text.lines[at])
            return;
        text.lines[at] = line;
    } else if (range.first != std::string::npos) {
        std::size_t end = range.second;
        while (end > range.first + 1 && Trim(text.lines[end - 1]).empty())
            --end; // blank lines before the next section stay after the new key
        text.Insert(end, std::string(name) + "=" + stored);
    } else {
        if (!text.lines.empty() && !Trim(text.lines.back()).empty())
            text.Insert(text.lines.size(), "");
        text.Insert(text.lines.size(), "[" + std::string(sect) + "]");
        text.Insert(text.lines.size(), std::string(name) + "=" + stored);
    }
    SafeWriteFile(fileName_, text.Bytes());
}

void TIniFile::WriteInteger(const std::string &section, const std::string &key, int value)
{
    WriteString(section, key, std::to_string(value));
}

void TIniFile::WriteBool(const std::string &section, const std::string &key, bool value)
{
    WriteString(section, key, value ? "1" : "0");
}

std::optional<int> TIniFile::ParseInteger(const std::string &text)
{
    std::string_view s = Trim(text);
    bool negative = false;
    if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
        negative = s.front() == '-';
        s.remove_prefix(1);
    }
    unsigned base = 10;
    if (s.size() >= 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X')) {
        base = 16;
        s.remove_prefix(2);
    } else if (!s.empty() && s.front() == '$') {
        base = 16;
        s.remove_prefix(1);
    }
    if (s.empty())
        return std::nullopt;
    std::int64_t magnitude = 0;
    for (const char c : s) {
        unsigned digit;
        if (c >= '0' && c <= '9')
            digit = static_cast<unsigned>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            digit = static_cast<unsigned>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            digit = static_cast<unsigned>(c - 'A' + 10);
        else
            return std::nullopt; // trailing text: not an integer
        magnitude = magnitude * base + digit;
        if (magnitude > std::int64_t(1) << 31)
            return std::nullopt;
    }
    const std::int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX || value < INT32_MIN)
        return std::nullopt;
    return static_cast<int>(value);
}

std::string SettingsFilePath(const std::string &programPath,
                             const std::function<bool(const std::string &)> &canWrite)
{
    // A file that is writable in a folder that is not would fail at every write
    // (the safe write needs its temporary file beside the target).
    const std::string beside = ChangeFileExt(programPath, ".ini");
    if (canWrite(beside))
        return beside;

    std::string config;
    if (const char *xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
        config = xdg;
    else {
        std::string home;
        if (const char *h = std::getenv("HOME"); h && *h)
            home = h;
        else if (const passwd *pw = ::getpwuid(::getuid()); pw && pw->pw_dir)
            home = pw->pw_dir;
        config = (home.empty() ? std::string(".") : home) + "/.config";
    }
    const std::string dir = IncludeTrailingPathDelimiter(config) + "quillo";
    // The first write needs the folder; when it cannot be made the write reports it.
    ForceDirectories(dir);
    return dir + "/quillo.ini";
}

namespace {
std::string gInstallRecordFile; // empty: the system-wide store
} // namespace

void SetInstallRecordFile(const std::string &fileName) { gInstallRecordFile = fileName; }

bool WriteInstallRecord(const std::string &programPath)
{
    std::unique_ptr<QSettings> store;
    if (!gInstallRecordFile.empty())
        store = std::make_unique<QSettings>(QFile::decodeName(QByteArray::fromStdString(gInstallRecordFile)),
                                            QSettings::NativeFormat);
    else
        store = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::SystemScope,
                                            QStringLiteral("Brackwater"), QStringLiteral("Quillo"));
    if (store->isWritable()) {
        store->beginGroup(QStringLiteral("CurrentVersion"));
        store->setValue(QStringLiteral("InstallFolder"),
                        QFile::decodeName(QByteArray::fromStdString(ExtractFilePath(programPath))));
        store->setValue(QStringLiteral("Version"), QStringLiteral("315"));
        store->endGroup();
        store->sync();
        if (store->status() == QSettings::NoError)
            return true;
    }
    std::fprintf(stderr, "Quillo: cannot write the installation record to %s\n",
                 QFile::encodeName(store->fileName()).constData());
    return false;
}

} // namespace quillo
