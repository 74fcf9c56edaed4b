// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The catalogue's records: a search hit, the catalogue entry made from it, and
// the records that parameterise the folder search and the load pass.
#include "imageview/QloImageHolder.h"
#include "platform/Directory.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillo {

// One directory match.
class TCallbackSearchData {
public:
    // `AFileName` is the full path; the listing record supplies size and time.
    TCallbackSearchData(std::string AFileName, const TSearchRec &ARec);
    TCallbackSearchData(std::string AFileName, std::int64_t ASize, double ADate);

    std::string FileName;
    std::int64_t Size = 0; // bytes, the true 64-bit size
    double Date = 0;       // last write: days since 30 December 1899, local time
};

// One catalogue entry: one per listed file. The file list's items point at it;
// the controller owns it.
class TCallbackLoadData {
public:
    // With `APreload` the picture is read into Image now; a failure then throws
    // (Error) and nothing of the entry remains. Without it no file is touched.
    TCallbackLoadData(const std::string &AFileName, const TCallbackSearchData &AHit, bool APreload);
    TCallbackLoadData(const TCallbackLoadData &) = delete;
    TCallbackLoadData &operator=(const TCallbackLoadData &) = delete;

    std::string FileName;  // full path; a rename rewrites it
    std::unique_ptr<TQloImageHolder> Image; // never null; empty unless Loaded or loaded on demand
    std::int64_t Size = 0;
    double Date = 0;
    bool Loaded = false;   // the picture was read at creation; never changes afterwards
};

using TSearchHits = std::vector<std::unique_ptr<TCallbackSearchData>>;

// Called once per match; the callee owns the hit.
using TOnFound = std::function<void(std::unique_ptr<TCallbackSearchData> AHit)>;
// Called once per created entry; the callee owns the entry.
using TOnLoaded = std::function<void(std::unique_ptr<TCallbackLoadData> AEntry)>;
// Per entry of a load pass: total bytes of the folder, bytes handled so far
// (the current file included), milliseconds spent on this entry, its full path.
using TOnQloProgress = std::function<void(std::int64_t AMax, std::int64_t ACurrent,
                                          std::uint32_t ATime, const std::string &AFilename)>;

struct TSearchData {
    std::string Path;
    // Wildcard patterns in search order, shared with whoever built them.
    std::shared_ptr<const std::vector<std::string>> Masks;
    TOnFound OnFound;
    // Sees every name of the folder once it is read, before any is examined.
    TOnListed OnListed;
};

struct TLoadData {
    // The search hits in the order found; read, not owned.
    const TSearchHits *List = nullptr;
    TOnLoaded OnLoaded;
    TOnQloProgress OnProgress;
};

// Splits a mask such as "*.bmp;*.jpg;*.jpeg" into patterns. Items are separated
// by ";" or by blanks (characters 1..32); an item in double quotes may hold both,
// with "" standing for one quote; a ";" that ends the text adds an empty item.
std::vector<std::string> SplitMask(const std::string &AMask);

// The picture files Quillo lists, by extension: the BMP and JPEG files it also
// writes, and the formats it only reads.
inline constexpr const char *kPictureFileMask = "*.bmp;*.jpg;*.jpeg;*.png;*.gif;*.tif;*.tiff;*.webp;*.heic;*.heif;*.avif";

} // namespace quillo
