// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Turning a JPEG file's picture. Where the picture's size fits its block grid the
// compressed data itself is turned, so no pixel changes; otherwise the pixels are
// decoded, turned and encoded anew. Either way the file's metadata comes along
// with the orientation tag reset, since the turned picture is stored upright.
#include <cstdint>
#include <span>
#include <vector>

namespace quillo {

struct TTurnedJpeg {
    std::vector<std::uint8_t> Bytes;
    bool Lossless = false;
};

// `jpeg` is the file as stored; `shownOrientation` the turn that makes it upright
// (its EXIF orientation), `turn` the user's turn of the upright picture, both as
// orientation numbers. `quality` is used only when the pixels are encoded anew.
// Throws Error for data that can be neither transformed nor decoded.
TTurnedJpeg TurnJpeg(std::span<const std::uint8_t> jpeg, int shownOrientation, int turn, int quality);

} // namespace quillo
