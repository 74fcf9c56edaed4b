// SPDX-License-Identifier: GPL-3.0-or-later
// Any bytes as a mask text and as a name: the splitter's items survive being quoted
// and split again; the matcher agrees with a plain dynamic-programming matcher on
// well-formed text and stays within name length x pattern length steps.
#include "catalogue/QloClasses.h"
#include "platform/Directory.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

bool ValidUtf8(const std::string &s)
{
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        std::size_t len = c < 0x80 ? 1 : (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3
                                                                    : (c >= 0xF0 && c <= 0xF4) ? 4 : 0;
        if (len == 0 || i + len > s.size())
            return false;
        for (std::size_t k = 1; k < len; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80)
                return false;
        i += len;
    }
    return true;
}

std::size_t CharLength(const std::string &s, std::size_t i)
{
    const auto c = static_cast<unsigned char>(s[i]);
    return c < 0x80 ? 1 : (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3 : 4;
}

char Fold(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

// reach[j][i]: pattern[0, j) matches name[0, i). Only called on valid UTF-8.
bool Reference(const std::string &name, const std::string &pattern)
{
    const std::size_t n = name.size(), m = pattern.size();
    std::vector<std::vector<char>> reach(m + 1, std::vector<char>(n + 1, 0));
    reach[0][0] = 1;
    for (std::size_t j = 0; j < m; ++j) {
        for (std::size_t i = 0; i <= n; ++i) {
            if (!reach[j][i])
                continue;
            if (pattern[j] == '*') {
                reach[j + 1][i] = 1;
                if (i < n)
                    reach[j][i + CharLength(name, i)] = 1; // later i in this row: seen in order
            } else if (i < n && pattern[j] == '?') {
                reach[j + 1][i + CharLength(name, i)] = 1;
            } else if (i < n && Fold(pattern[j]) == Fold(name[i])) {
                reach[j + 1][i + 1] = 1;
            }
        }
    }
    return reach[m][n];
}

std::string Quoted(const std::vector<std::string> &items)
{
    std::string mask;
    for (std::size_t k = 0; k < items.size(); ++k) {
        if (k)
            mask += ';';
        mask += '"';
        for (const char c : items[k]) {
            mask += c;
            if (c == '"')
                mask += '"';
        }
        mask += '"';
    }
    return mask;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char *>(data), size);

    const std::vector<std::string> items = quillo::SplitMask(text);
    if (items.size() > text.size() + 1)
        __builtin_trap();
    // Quoting keeps every item whole, whatever it holds (the text ends at a NUL).
    if (quillo::SplitMask(Quoted(items)) != items)
        __builtin_trap();

    // The text up to the first NUL is a name, the rest a pattern; kept short so the
    // quadratic reference stays quick.
    const std::size_t cut = text.find('\0');
    if (cut == std::string::npos || cut > 256 || size - cut - 1 > 256)
        return 0;
    const std::string name = text.substr(0, cut), pattern = text.substr(cut + 1);
    std::size_t steps = 0;
    const bool matched = quillo::MatchesMask(name, pattern, &steps);
    if (steps > (name.size() + 1) * (pattern.size() + 1))
        __builtin_trap();
    if (ValidUtf8(name) && ValidUtf8(pattern) && matched != Reference(name, pattern))
        __builtin_trap();
    return 0;
}
