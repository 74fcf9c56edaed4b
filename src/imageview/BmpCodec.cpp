// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/BmpCodec.h"

#include "platform/Errors.h"
#include "platform/Files.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

namespace quillo {

namespace {

constexpr std::uint32_t kBiRgb = 0;
constexpr std::uint32_t kBiRle8 = 1;
constexpr std::uint32_t kBiRle4 = 2;
constexpr std::uint32_t kBiBitfields = 3;
constexpr std::uint32_t kBiJpeg = 4;
constexpr std::uint32_t kBiPng = 5;
constexpr std::uint32_t kBiAlphaBitfields = 6;

constexpr std::size_t kFileHeaderBytes = 14;
constexpr std::uint32_t kCoreHeaderBytes = 12;
constexpr std::uint32_t kInfoHeaderBytes = 40;

std::uint16_t Get16(const std::uint8_t *p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }

std::uint32_t Get32(const std::uint8_t *p)
{
    return std::uint32_t(p[0]) | (std::uint32_t(p[1]) << 8) | (std::uint32_t(p[2]) << 16) |
           (std::uint32_t(p[3]) << 24);
}

void Put16(std::uint8_t *p, std::uint32_t v)
{
    p[0] = static_cast<std::uint8_t>(v);
    p[1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(std::uint8_t *p, std::uint32_t v)
{
    Put16(p, v);
    Put16(p + 2, v >> 16);
}

std::string Hex(std::uint32_t v)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", v);
    return text;
}

[[noreturn]] void Truncated(const std::string &what)
{
    throw Error("Bitmap file is truncated: " + what);
}

// Each mask must be one run of bits inside the pixel, and no two may share a bit.
void CheckMasks(const std::array<std::uint32_t, 3> &masks, int bitsPerPixel)
{
    const std::uint32_t pixelBits = bitsPerPixel == 32 ? 0xFFFFFFFFu : (1u << bitsPerPixel) - 1;
    bool valid = (masks[0] & masks[1]) == 0 && (masks[0] & masks[2]) == 0 && (masks[1] & masks[2]) == 0;
    for (const std::uint32_t m : masks) {
        const std::uint32_t run = m == 0 ? 0 : m >> std::countr_zero(m);
        valid = valid && (m & ~pixelBits) == 0 && (run & (run + 1)) == 0;
    }
    // All three empty: no colour bits at all, every pixel would read as black.
    if (masks[0] == 0 && masks[1] == 0 && masks[2] == 0)
        throw Error("Invalid bitmap colour masks: red, green and blue are all 0, so the pixels hold no colour");
    if (!valid)
        throw Error("Invalid bitmap colour masks: red " + Hex(masks[0]) + ", green " + Hex(masks[1]) +
                    ", blue " + Hex(masks[2]));
}

// RLE8 and RLE4 as bitmaps define them: (count, value) runs, and after a zero count
// an escape: 0 end of line, 1 end of bitmap, 2 delta (dx, dy), 3..255 that many
// literal pixels padded to a 16-bit boundary. Rows run bottom-up. Pixels that land
// past the row's end are dropped; a move past the top row ends the picture.
void DecodeRle(const std::uint8_t *data, std::size_t size, TBitmap &bitmap)
{
    const bool nibbles = bitmap.BitsPerPixel() == 4;
    const std::int64_t width = bitmap.Width();
    const std::int64_t height = bitmap.Height();
    const std::size_t rowBytes = bitmap.RowBytes();
    std::uint8_t *bits = bitmap.Bits();
    std::int64_t x = 0, y = 0;
    std::size_t i = 0;

    auto put = [&](std::uint8_t index) {
        if (x < width) {
            std::uint8_t *row = bits + static_cast<std::size_t>(y) * rowBytes;
            if (!nibbles)
                row[x] = index;
            else if (x & 1)
                row[x / 2] = static_cast<std::uint8_t>((row[x / 2] & 0xF0) | (index & 0x0F));
            else
                row[x / 2] = static_cast<std::uint8_t>((row[x / 2] & 0x0F) | (index << 4));
        }
        ++x;
    };

    while (y < height) {
        if (size - i < 2)
            Truncated("the compressed pixel data ends before the end of the picture");
        const unsigned count = data[i], code = data[i + 1];
        i += 2;
        if (count > 0) {
            if (!nibbles && x < width) {
                const std::int64_t n = std::min<std::int64_t>(count, width - x);
                std::memset(bits + static_cast<std::size_t>(y) * rowBytes + x, static_cast<int>(code),
                            static_cast<std::size_t>(n));
                x += count;
                continue;
            }
            if (x >= width) {
                x += count;
                continue;
            }
            for (unsigned k = 0; k < count; ++k)
                put(static_cast<std::uint8_t>(nibbles ? ((k & 1) ? code & 0x0F : code >> 4) : code));
            continue;
        }
        switch (code) {
        case 0:
            x = 0;
            ++y;
            break;
        case 1:
            return;
        case 2:
            if (size - i < 2)
                Truncated("the compressed pixel data ends inside a delta code");
            x += data[i];
            y += data[i + 1];
            i += 2;
            break;
        default: {
            const std::size_t bytes = nibbles ? (code + 1) / 2 : code;
            if (size - i < bytes)
                Truncated("the compressed pixel data ends inside a literal run");
            for (unsigned k = 0; k < code; ++k)
                put(nibbles ? ((k & 1) ? data[i + k / 2] & 0x0F : data[i + k / 2] >> 4) : data[i + k]);
            // The padding byte may be missing at the very end; the next read reports it.
            i += std::min(size - i, bytes + (bytes & 1));
            break;
        }
        }
    }
}

} // namespace

TBitmap ReadBmp(std::span<const std::uint8_t> file, std::uint64_t maxPixelBytes)
{
    const std::uint8_t *f = file.data();
    const std::size_t size = file.size();
    if (size == 0)
        throw Error("The file is empty");
    if (size >= 2 && f[0] == 0xFF && f[1] == 0xD8)
        throw Error("Not a bitmap file: the data is a JPEG picture");
    if (size < 2 || f[0] != 'B' || f[1] != 'M')
        throw Error("Not a bitmap file: it does not start with the signature \"BM\"");
    if (size < kFileHeaderBytes + 4)
        Truncated("the file header is incomplete");

    const std::uint32_t pixelOffset = Get32(f + 10);
    const std::uint32_t headerBytes = Get32(f + 14);
    switch (headerBytes) {
    case kCoreHeaderBytes: // OS/2 core
    case kInfoHeaderBytes: // V3
    case 52:               // V3 with red, green and blue masks inside the header
    case 56:               // ... and an alpha mask
    case 108:              // V4
    case 124:              // V5
        break;
    default:
        throw Error("Unsupported bitmap header size: " + std::to_string(headerBytes) + " bytes");
    }
    if (size - kFileHeaderBytes < headerBytes)
        Truncated("the information header is incomplete");

    const std::uint8_t *h = f + kFileHeaderBytes;
    const bool core = headerBytes == kCoreHeaderBytes;
    std::int64_t width, height;
    unsigned planes, bitsPerPixel;
    std::uint32_t compression = kBiRgb, colorsUsed = 0;
    if (core) {
        width = Get16(h + 4);
        height = Get16(h + 6);
        planes = Get16(h + 8);
        bitsPerPixel = Get16(h + 10);
    } else {
        width = static_cast<std::int32_t>(Get32(h + 4));
        height = static_cast<std::int32_t>(Get32(h + 8));
        planes = Get16(h + 12);
        bitsPerPixel = Get16(h + 14);
        compression = Get32(h + 16);
        colorsUsed = Get32(h + 32);
    }
    const int bpp = static_cast<int>(bitsPerPixel);

    if (planes != 1)
        throw Error("Invalid bitmap: " + std::to_string(planes) + " colour planes (must be 1)");
    if (!TBitmap::ValidBitsPerPixel(bpp))
        throw Error("Unsupported bitmap depth: " + std::to_string(bpp) + " bits per pixel");
    switch (compression) {
    case kBiRgb:
        break;
    case kBiRle8:
        if (bpp != 8)
            throw Error("Invalid bitmap: RLE8 compression needs 8 bits per pixel, not " + std::to_string(bpp));
        break;
    case kBiRle4:
        if (bpp != 4)
            throw Error("Invalid bitmap: RLE4 compression needs 4 bits per pixel, not " + std::to_string(bpp));
        break;
    case kBiBitfields:
    case kBiAlphaBitfields:
        if (bpp != 16 && bpp != 32)
            throw Error("Invalid bitmap: colour masks need 16 or 32 bits per pixel, not " + std::to_string(bpp));
        break;
    case kBiJpeg:
        throw Error("Unsupported bitmap compression: embedded JPEG data");
    case kBiPng:
        throw Error("Unsupported bitmap compression: embedded PNG data");
    default:
        throw Error("Unsupported bitmap compression: " + std::to_string(compression));
    }
    const bool rle = compression == kBiRle8 || compression == kBiRle4;

    if (width <= 0)
        throw Error("Invalid bitmap width: " + std::to_string(width));
    if (height == 0)
        throw Error("Invalid bitmap height: 0");
    const bool topDown = height < 0;
    const std::int64_t rows = topDown ? -height : height;
    if (topDown && rle)
        throw Error("Invalid bitmap: a compressed bitmap cannot be stored top-down");
    TBitmap::CheckDimensions(width, rows, bpp);
    if (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(rows) * 3 > maxPixelBytes)
        TBitmap::TooLarge(width, rows, maxPixelBytes);

    std::size_t pos = kFileHeaderBytes + headerBytes;
    std::array<std::uint32_t, 3> masks = TBitmap::DefaultMasks(bpp);
    if (compression == kBiBitfields || compression == kBiAlphaBitfields) {
        if (headerBytes >= 52) {
            masks = {Get32(h + 40), Get32(h + 44), Get32(h + 48)};
        } else {
            // A V3 header is followed by the masks (and, for the alpha variant, a fourth).
            const std::size_t maskBytes = compression == kBiAlphaBitfields ? 16 : 12;
            if (size - pos < maskBytes)
                Truncated("the colour masks are incomplete");
            masks = {Get32(f + pos), Get32(f + pos + 4), Get32(f + pos + 8)};
            pos += maskBytes;
        }
        CheckMasks(masks, bpp);
    }

    std::vector<TRGBQuad> colors;
    if (bpp <= 8) {
        const std::uint64_t maxEntries = std::uint64_t(1) << bpp;
        const std::size_t entryBytes = core ? 3 : 4;
        const bool countGiven = colorsUsed != 0;
        std::uint64_t count = countGiven ? colorsUsed : maxEntries;
        if (count > maxEntries)
            throw Error("Invalid colour table size: " + std::to_string(count) + " entries for " +
                        TBitmap::DepthText(bpp) + " bitmap (at most " + std::to_string(maxEntries) + ")");
        // When the header leaves the count open, some writers store fewer entries:
        // the table then ends where the pixel data starts.
        if (!countGiven && pixelOffset > pos && pos + count * entryBytes > pixelOffset)
            count = (pixelOffset - pos) / entryBytes;
        if (count == 0)
            throw Error("Invalid colour table size: " + TBitmap::DepthText(bpp) +
                        " bitmap needs at least one colour");
        if ((size - pos) / entryBytes < count)
            Truncated("the colour table is incomplete");
        colors.resize(static_cast<std::size_t>(count));
        for (auto &c : colors) {
            c = {f[pos], f[pos + 1], f[pos + 2], 0};
            pos += entryBytes;
        }
    }

    // An offset of 0 (left out by some writers) means the pixels follow the table.
    const std::size_t dataStart = pixelOffset == 0 ? pos : pixelOffset;
    if (dataStart < pos)
        throw Error("Invalid bitmap: the pixel data offset " + std::to_string(pixelOffset) +
                    " lies inside the headers or the colour table");
    if (dataStart >= size)
        throw Error("Invalid bitmap: the pixel data offset " + std::to_string(pixelOffset) +
                    " lies past the end of the file (" + std::to_string(size) + " bytes)");
    const std::uint8_t *data = f + dataStart;
    const std::size_t available = size - dataStart;
    const std::size_t rowBytes = TBitmap::RowBytesFor(static_cast<int>(width), bpp);

    if (!rle) {
        // The last row may lack its padding; anything shorter is refused before allocating.
        const std::uint64_t usedBytes = (static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(bpp) + 7) / 8;
        const std::uint64_t needed = rowBytes * static_cast<std::uint64_t>(rows - 1) + usedBytes;
        if (available < needed)
            Truncated("the pixel data needs " + std::to_string(needed) + " bytes, the file holds " +
                      std::to_string(available));
    }

    // Uncompressed data covers every byte but the padding, which ClearPadding sets;
    // RLE skips pixels, which stay index 0.
    TBitmap bitmap = rle ? TBitmap(static_cast<int>(width), static_cast<int>(rows), bpp)
                         : TBitmap::Uninitialized(static_cast<int>(width), static_cast<int>(rows), bpp);
    bitmap.ColorTable() = std::move(colors);
    bitmap.Masks() = masks;
    if (rle) {
        DecodeRle(data, available, bitmap);
        return bitmap;
    }
    std::uint8_t *bits = bitmap.Bits();
    const std::size_t total = bitmap.ImageSize();
    if (!topDown && available >= total) {
        std::memcpy(bits, data, total);
    } else {
        for (std::int64_t r = 0; r < rows; ++r) {
            const std::size_t from = static_cast<std::size_t>(r) * rowBytes;
            const std::size_t to = static_cast<std::size_t>(topDown ? rows - 1 - r : r) * rowBytes;
            std::memcpy(bits + to, data + from, std::min(rowBytes, available - from));
        }
    }
    bitmap.ClearPadding();
    return bitmap;
}

TBitmap ReadBmpFile(const std::string &path)
{
    const std::vector<std::uint8_t> bytes = ReadFileBytes(path);
    try {
        return ReadBmp(bytes);
    } catch (const Error &e) {
        throw Error("Cannot read \"" + path + "\". " + e.what());
    }
}

std::vector<std::uint8_t> WriteBmp(const TBitmap &bitmap)
{
    if (bitmap.Empty())
        throw Error("Cannot write an empty bitmap");
    const int bpp = bitmap.BitsPerPixel();
    const bool bitfields = (bpp == 16 || bpp == 32) && bitmap.Masks() != TBitmap::DefaultMasks(bpp);

    std::vector<TRGBQuad> table;
    if (bpp <= 8) {
        const std::size_t maxEntries = std::size_t(1) << bpp;
        const auto &colors = bitmap.ColorTable();
        table.assign(colors.begin(), colors.begin() + static_cast<std::ptrdiff_t>(std::min(colors.size(), maxEntries)));
        // Without a table every index reads as black; a full black table says the same.
        if (table.empty())
            table.assign(maxEntries, TRGBQuad{});
    }

    const std::size_t headerEnd = kFileHeaderBytes + kInfoHeaderBytes + (bitfields ? 12 : 0) + table.size() * 4;
    const std::size_t imageBytes = bitmap.ImageSize();
    const std::uint64_t fileBytes = std::uint64_t(headerEnd) + imageBytes;
    if (fileBytes > 0xFFFFFFFFu)
        throw Error("Picture too large to write as a bitmap file");

    std::vector<std::uint8_t> out(headerEnd, 0);
    std::uint8_t *p = out.data();
    p[0] = 'B';
    p[1] = 'M';
    Put32(p + 2, static_cast<std::uint32_t>(fileBytes));
    Put32(p + 10, static_cast<std::uint32_t>(headerEnd));
    std::uint8_t *h = p + kFileHeaderBytes;
    Put32(h, kInfoHeaderBytes);
    Put32(h + 4, static_cast<std::uint32_t>(bitmap.Width()));
    Put32(h + 8, static_cast<std::uint32_t>(bitmap.Height()));
    Put16(h + 12, 1);
    Put16(h + 14, static_cast<std::uint32_t>(bpp));
    Put32(h + 16, bitfields ? kBiBitfields : kBiRgb);
    Put32(h + 20, static_cast<std::uint32_t>(imageBytes));
    Put32(h + 32, static_cast<std::uint32_t>(table.size()));
    std::uint8_t *q = h + kInfoHeaderBytes;
    if (bitfields) {
        for (const std::uint32_t m : bitmap.Masks()) {
            Put32(q, m);
            q += 4;
        }
    }
    for (const TRGBQuad &c : table) {
        q[0] = c.Blue;
        q[1] = c.Green;
        q[2] = c.Red;
        q += 4;
    }
    // Storage is already bottom-up with padded rows: one copy.
    out.reserve(static_cast<std::size_t>(fileBytes));
    out.insert(out.end(), bitmap.Bits(), bitmap.Bits() + imageBytes);
    return out;
}

void WriteBmpFile(const TBitmap &bitmap, const std::string &path)
{
    SafeWriteFile(path, WriteBmp(bitmap));
}

} // namespace quillo
