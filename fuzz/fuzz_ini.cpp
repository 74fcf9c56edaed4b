// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a settings file: reading never fails, and a value written under any
// section and key the input names reads back as written (or the write is refused
// with quillo::Error); integers read back as they print.
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/IniFile.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <unistd.h>

namespace {

// One file per process, on a memory file system where flushing costs nothing.
const std::string &ScratchFile()
{
    static const std::string path = [] {
        const char *folder = ::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(folder) + "/quillo-fuzz-ini-" + std::to_string(::getpid()) + ".ini";
    }();
    return path;
}

// The input's line `n` (0-based), without its line break; empty past the end.
std::string Line(const std::string &text, int n)
{
    std::size_t start = 0;
    for (int i = 0; i < n; ++i) {
        const std::size_t nl = text.find('\n', start);
        if (nl == std::string::npos)
            return {};
        start = nl + 1;
    }
    const std::size_t end = text.find('\n', start);
    return text.substr(start, end == std::string::npos ? std::string::npos : end - start);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);
    const std::string &path = ScratchFile();
    quillo::SafeWriteFile(path, {data, size});
    quillo::TIniFile ini(path);

    // The first three lines name a section, a key and a value to use.
    const std::string section = Line(text, 0), key = Line(text, 1), value = Line(text, 2);
    (void)ini.ReadString("Settings", "PreloadMax", "default");
    (void)ini.ReadInteger(section, key, 7);
    (void)ini.ReadBool("Layout", "Maximized", true);
    (void)ini.ValueExists(section, key);

    if (const auto parsed = quillo::TIniFile::ParseInteger(value)) {
        if (quillo::TIniFile::ParseInteger(std::to_string(*parsed)) != parsed)
            __builtin_trap();
    }

    try {
        ini.WriteString(section, key, value);
        if (ini.ReadString(section, key, value + "x") != value)
            __builtin_trap();
        ini.WriteInteger(section, key, -12345);
        if (ini.ReadInteger(section, key, 0) != -12345)
            __builtin_trap();
    } catch (const quillo::Error &) {
        // Names or values that would not read back as one line are refused.
    }
    try {
        ini.WriteInteger("Settings", "PreloadMax", 42);
        if (ini.ReadInteger("Settings", "PreloadMax", 0) != 42)
            __builtin_trap();
    } catch (const quillo::Error &) {
        __builtin_trap(); // plain names always write
    }
    return 0;
}
