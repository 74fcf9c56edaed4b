// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/QloClasses.h"

#include <algorithm>
#include <utility>

namespace quillo {

TCallbackSearchData::TCallbackSearchData(std::string AFileName, const TSearchRec &ARec)
    : FileName(std::move(AFileName)), Size(ARec.Size), Date(FileTimeToDateTime(ARec.MTime))
{
}

TCallbackSearchData::TCallbackSearchData(std::string AFileName, std::int64_t ASize, double ADate)
    : FileName(std::move(AFileName)), Size(ASize), Date(ADate)
{
}

TCallbackLoadData::TCallbackLoadData(const std::string &AFileName, const TCallbackSearchData &AHit,
                                     bool APreload)
    : FileName(AFileName), Image(std::make_unique<TQloImageHolder>()), Size(AHit.Size), Date(AHit.Date)
{
    // A throw here unwinds the members already made, Image included.
    if (APreload)
        Image->LoadFromFile(FileName);
    Loaded = APreload;
    Image->AutoSave = true;
}

std::vector<std::string> SplitMask(const std::string &AMask)
{
    std::vector<std::string> items;
    const auto blank = [](char c) {
        const auto u = static_cast<unsigned char>(c);
        return u >= 1 && u <= 32;
    };
    // The text ends at an embedded NUL, as a C string would.
    const std::size_t n = std::min(AMask.size(), AMask.find('\0'));
    std::size_t i = 0;
    while (i < n && blank(AMask[i]))
        ++i;
    while (i < n) {
        std::string item;
        if (AMask[i] == '"') {
            ++i;
            while (i < n) {
                if (AMask[i] == '"') {
                    if (i + 1 < n && AMask[i + 1] == '"') {
                        item += '"';
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                item += AMask[i++];
            }
        } else {
            const std::size_t start = i;
            while (i < n && AMask[i] != ';' && !blank(AMask[i]))
                ++i;
            item.assign(AMask, start, i - start);
        }
        items.push_back(std::move(item));
        while (i < n && blank(AMask[i]))
            ++i;
        if (i < n && AMask[i] == ';') {
            ++i;
            if (i == n) {
                items.emplace_back();
                break;
            }
            while (i < n && blank(AMask[i]))
                ++i;
        }
    }
    return items;
}

} // namespace quillo
