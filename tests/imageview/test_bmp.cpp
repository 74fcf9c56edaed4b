// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/BmpCodec.h"
#include "platform/Errors.h"
#include "platform/Files.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

using namespace quillo;

namespace {

using Bytes = std::vector<std::uint8_t>;
using Rows = std::vector<std::vector<std::uint32_t>>; // 0xRRGGBB, top row first

void Put16(Bytes &b, std::size_t at, std::uint32_t v)
{
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

void Put32(Bytes &b, std::size_t at, std::uint32_t v)
{
    Put16(b, at, v);
    Put16(b, at + 2, v >> 16);
}

// A bitmap file put together field by field, so each case can break one thing.
struct Bmp {
    std::uint32_t header = 40; // 12 (OS/2 core), 40, 52, 108 or 124
    std::int32_t width = 1;
    std::int32_t height = 1;
    std::uint16_t bits = 24;
    std::uint32_t compression = 0;
    std::uint32_t colorsUsed = 0;
    std::vector<std::uint32_t> masks{};  // in a 52+ byte header, else after the header
    std::vector<std::uint32_t> palette{}; // 0xRRGGBB
    std::int64_t pixelOffset = -1;       // -1: right after the colour table
    std::vector<Bytes> rows{};           // file order, each padded to 4 bytes here
    Bytes rle{};                         // the pixel data when compressed
    std::size_t cut = 0;                 // bytes dropped from the end
    std::uint16_t planes = 1;

    Bytes Build() const
    {
        Bytes b(14 + header, 0);
        b[0] = 'B';
        b[1] = 'M';
        Put32(b, 14, header);
        if (header == 12) {
            Put16(b, 18, static_cast<std::uint32_t>(width));
            Put16(b, 20, static_cast<std::uint32_t>(height));
            Put16(b, 22, planes);
            Put16(b, 24, bits);
        } else {
            Put32(b, 18, static_cast<std::uint32_t>(width));
            Put32(b, 22, static_cast<std::uint32_t>(height));
            Put16(b, 26, planes);
            Put16(b, 28, bits);
            Put32(b, 30, compression);
            Put32(b, 46, colorsUsed);
        }
        for (std::size_t i = 0; i < masks.size(); ++i) {
            if (header >= 52) {
                Put32(b, 54 + 4 * i, masks[i]);
            } else {
                b.resize(b.size() + 4);
                Put32(b, b.size() - 4, masks[i]);
            }
        }
        for (const std::uint32_t c : palette) {
            b.push_back(static_cast<std::uint8_t>(c));
            b.push_back(static_cast<std::uint8_t>(c >> 8));
            b.push_back(static_cast<std::uint8_t>(c >> 16));
            if (header != 12)
                b.push_back(0);
        }
        const std::size_t offset = pixelOffset >= 0 ? static_cast<std::size_t>(pixelOffset) : b.size();
        Put32(b, 10, static_cast<std::uint32_t>(offset));
        if (b.size() < offset)
            b.resize(offset, 0);
        for (Bytes row : rows) {
            row.resize((row.size() + 3) / 4 * 4, 0);
            b.insert(b.end(), row.begin(), row.end());
        }
        b.insert(b.end(), rle.begin(), rle.end());
        Put32(b, 2, static_cast<std::uint32_t>(b.size()));
        b.resize(b.size() - std::min(cut, b.size()));
        return b;
    }
};

Rows Colors(const TBitmap &bitmap)
{
    Rows out(static_cast<std::size_t>(bitmap.Height()));
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            const TRGBQuad c = bitmap.PixelColor(x, y);
            out[static_cast<std::size_t>(y)].push_back((std::uint32_t(c.Red) << 16) | (c.Green << 8) | c.Blue);
        }
    return out;
}

constexpr std::uint32_t K = 0x000000, W = 0xFFFFFF, R = 0xFF0000, G = 0x00FF00, B = 0x0000FF;
const std::vector<std::uint32_t> kFour = {K, R, G, B};

struct ReadCase {
    const char *name;
    Bytes file;
    int bits; // depth the bitmap keeps
    Rows expected;
};

void PrintTo(const ReadCase &c, std::ostream *os) { *os << c.name; }

std::vector<ReadCase> ReadCases()
{
    return {
        {"bottom_up_24", Bmp{.width = 2, .height = 2, .rows = {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}}}.Build(),
         24, {{B, W}, {R, G}}},
        {"negative_height", Bmp{.width = 2, .height = -2, .rows = {{0, 0, 255, 0, 255, 0}, {255, 0, 0, 255, 255, 255}}}.Build(),
         24, {{R, G}, {B, W}}},
        {"missing_last_row_padding",
         Bmp{.width = 1, .height = 2, .rows = {{0, 0, 255}, {255, 0, 0}}, .cut = 1}.Build(), 24, {{B}, {R}}},
        {"bits1_odd_width", Bmp{.width = 3, .height = 2, .bits = 1, .palette = {K, W}, .rows = {{0b10100000}, {0b01011111}}}.Build(),
         1, {{K, W, K}, {W, K, W}}},
        {"bits2", Bmp{.width = 5, .height = 1, .bits = 2, .palette = kFour, .rows = {{0b00011011, 0b01000000}}}.Build(),
         2, {{K, R, G, B, R}}},
        {"bits4_odd_width", Bmp{.width = 3, .height = 1, .bits = 4, .palette = kFour, .rows = {{0x32, 0x1F}}}.Build(),
         4, {{B, G, R}}},
        {"bits8", Bmp{.width = 3, .height = 1, .bits = 8, .palette = kFour, .rows = {{3, 0, 2}}}.Build(), 8, {{B, K, G}}},
        {"short_colour_table",
         Bmp{.width = 2, .height = 1, .bits = 8, .colorsUsed = 2, .palette = {R, G}, .rows = {{1, 0}}}.Build(), 8, {{G, R}}},
        {"palette_index_beyond_table",
         Bmp{.width = 3, .height = 1, .bits = 8, .colorsUsed = 2, .palette = {R, G}, .rows = {{1, 2, 255}}}.Build(), 8,
         {{G, K, K}}},
        {"bits16_default_555", Bmp{.width = 2, .height = 1, .bits = 16, .rows = {{0x00, 0x7C, 0x1F, 0x00}}}.Build(), 16,
         {{R, B}}},
        {"bitfields_565",
         Bmp{.width = 3, .height = 1, .bits = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F},
             .rows = {{0x00, 0xF8, 0xE0, 0x07, 0x1F, 0x00}}}.Build(),
         16, {{R, G, B}}},
        {"bitfields_32_unusual_order",
         Bmp{.width = 2, .height = 1, .bits = 32, .compression = 3, .masks = {0x0000FF00, 0x00FF0000, 0xFF000000},
             .rows = {{0, 0xFF, 0, 0, 0, 0, 0, 0xFF}}}.Build(),
         32, {{R, B}}},
        {"bits32_rgb_ignores_fourth_byte", Bmp{.width = 1, .height = 1, .bits = 32, .rows = {{1, 2, 3, 0xFF}}}.Build(), 32,
         {{0x030201}}},
        {"alpha_bitfields_v3",
         Bmp{.width = 1, .height = 1, .bits = 32, .compression = 6, .masks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000},
             .rows = {{0x10, 0x20, 0x30, 0x80}}}.Build(),
         32, {{0x302010}}},
        {"os2_core", Bmp{.header = 12, .width = 2, .height = 1, .bits = 8, .palette = {R, G, B, W}, .rows = {{2, 3}}}.Build(),
         8, {{B, W}}},
        {"os2_core_24", Bmp{.header = 12, .width = 1, .height = 1, .rows = {{1, 2, 3}}}.Build(), 24, {{0x030201}}},
        {"os2_core_table_ends_at_pixels",
         Bmp{.header = 12, .width = 2, .height = 1, .bits = 8, .palette = {R, G}, .rows = {{1, 0}}}.Build(), 8, {{G, R}}},
        {"v4_header_masks",
         Bmp{.header = 108, .width = 1, .height = 1, .bits = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F},
             .rows = {{0x1F, 0x00}}}.Build(),
         16, {{B}}},
        {"v5_header", Bmp{.header = 124, .width = 2, .height = -1, .bits = 32, .rows = {{0, 0, 0xFF, 0, 0xFF, 0, 0, 0}}}.Build(),
         32, {{R, B}}},
        {"v5_header_rgb_ignores_masks",
         Bmp{.header = 124, .width = 1, .height = 1, .bits = 32, .masks = {0xFF, 0xFF00, 0xFF0000},
             .rows = {{0, 0, 0xFF, 0}}}.Build(),
         32, {{R}}},
        {"pixel_offset_with_gap",
         Bmp{.width = 1, .height = 1, .pixelOffset = 100, .rows = {{0, 0xFF, 0}}}.Build(), 24, {{G}}},
        {"pixel_offset_zero_means_after_table",
         Bmp{.width = 1, .height = 1, .bits = 8, .colorsUsed = 4, .palette = kFour, .pixelOffset = 0, .rows = {{2}}}.Build(), 8, {{G}}},
        // 3 x R, end of line, literal B G B, end of bitmap.
        {"rle8_runs_and_literal",
         Bmp{.width = 3, .height = 2, .bits = 8, .compression = 1, .palette = kFour,
             .rle = {3, 1, 0, 0, 0, 3, 3, 2, 3, 0, 0, 1}}.Build(),
         8, {{B, G, B}, {R, R, R}}},
        // Delta right 1 and up 1, one G; the pixels skipped stay index 0.
        {"rle8_delta",
         Bmp{.width = 3, .height = 2, .bits = 8, .compression = 1, .palette = kFour, .rle = {0, 2, 1, 1, 1, 2, 0, 1}}.Build(),
         8, {{K, G, K}, {K, K, K}}},
        {"rle8_end_of_bitmap_early",
         Bmp{.width = 2, .height = 2, .bits = 8, .compression = 1, .palette = kFour, .rle = {1, 3, 0, 1}}.Build(), 8,
         {{K, K}, {B, K}}},
        {"rle8_without_end_of_bitmap",
         Bmp{.width = 1, .height = 1, .bits = 8, .compression = 1, .palette = kFour, .rle = {1, 2, 0, 0}}.Build(), 8,
         {{G}}},
        {"rle_run_past_row",
         Bmp{.width = 2, .height = 2, .bits = 8, .compression = 1, .palette = kFour, .rle = {200, 1, 0, 0, 5, 2, 0, 1}}.Build(),
         8, {{G, G}, {R, R}}},
        {"rle_literal_past_row",
         Bmp{.width = 2, .height = 1, .bits = 8, .compression = 1, .palette = kFour, .rle = {0, 4, 1, 2, 3, 3, 0, 1}}.Build(),
         8, {{R, G}}},
        {"rle_delta_past_top",
         Bmp{.width = 1, .height = 2, .bits = 8, .compression = 1, .palette = kFour, .rle = {1, 1, 0, 2, 0, 200, 1, 3}}.Build(),
         8, {{K}, {R}}},
        {"rle_delta_past_row_end",
         Bmp{.width = 2, .height = 1, .bits = 8, .compression = 1, .palette = kFour, .rle = {0, 2, 250, 0, 3, 3, 0, 1}}.Build(),
         8, {{K, K}}},
        // Run of 5 alternating G/B, end of line, literal of 3 nibbles R B G (padded).
        {"rle4_runs_and_literal",
         Bmp{.width = 5, .height = 2, .bits = 4, .compression = 2, .palette = kFour,
             .rle = {5, 0x23, 0, 0, 0, 3, 0x13, 0x20, 0, 1}}.Build(),
         4, {{R, B, G, K, K}, {G, B, G, B, G}}},
        {"rle4_run_past_row",
         Bmp{.width = 3, .height = 1, .bits = 4, .compression = 2, .palette = kFour, .rle = {9, 0x12, 0, 1}}.Build(), 4,
         {{R, G, R}}},
    };
}

class BmpRead : public ::testing::TestWithParam<ReadCase> {};

TEST_P(BmpRead, DecodesPixels)
{
    const ReadCase &c = GetParam();
    const TBitmap bitmap = ReadBmp(c.file);
    EXPECT_EQ(bitmap.BitsPerPixel(), c.bits);
    EXPECT_EQ(Colors(bitmap), c.expected);
}

INSTANTIATE_TEST_SUITE_P(Variants, BmpRead, ::testing::ValuesIn(ReadCases()),
                         [](const auto &info) { return std::string(info.param.name); });

struct BadCase {
    const char *name;
    Bytes file;
    const char *message; // a part of the error text
};

void PrintTo(const BadCase &c, std::ostream *os) { *os << c.name; }

Bytes Patched(Bytes file, std::size_t at, std::uint32_t value)
{
    Put32(file, at, value);
    return file;
}

Bytes Text(const char *s) { return Bytes(s, s + std::strlen(s)); }

std::vector<BadCase> BadCases()
{
    const Bytes valid = Bmp{.width = 2, .height = 2, .rows = {{1, 2, 3, 4, 5, 6}, {1, 2, 3, 4, 5, 6}}}.Build();
    return {
        {"empty_file", {}, "The file is empty"},
        {"jpeg_named_bmp", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F', 0}, "Not a bitmap file: the data is a JPEG"},
        {"bad_signature", Text("GIF89a\1\0\1\0\0\0\0\0\0\0\0\0\0\0"), "does not start with the signature"},
        {"truncated_file_header", Bytes(valid.begin(), valid.begin() + 12), "file header is incomplete"},
        {"truncated_info_header", Bytes(valid.begin(), valid.begin() + 40), "information header is incomplete"},
        {"header_size_64", Bmp{.header = 64}.Build(), "Unsupported bitmap header size: 64 bytes"},
        {"header_size_zero", Patched(valid, 14, 0), "Unsupported bitmap header size: 0 bytes"},
        {"two_planes", Bmp{.planes = 2}.Build(), "2 colour planes"},
        {"depth_3", Bmp{.bits = 3}.Build(), "Unsupported bitmap depth: 3 bits"},
        {"depth_0", Bmp{.bits = 0}.Build(), "Unsupported bitmap depth: 0 bits"},
        {"embedded_jpeg", Bmp{.compression = 4}.Build(), "embedded JPEG"},
        {"embedded_png", Bmp{.compression = 5}.Build(), "embedded PNG"},
        {"compression_9", Bmp{.compression = 9}.Build(), "Unsupported bitmap compression: 9"},
        {"rle8_at_24_bits", Bmp{.compression = 1}.Build(), "RLE8 compression needs 8 bits per pixel, not 24"},
        {"rle4_at_8_bits", Bmp{.bits = 8, .compression = 2, .palette = kFour}.Build(), "RLE4 compression needs 4"},
        {"bitfields_at_8_bits", Bmp{.bits = 8, .compression = 3}.Build(), "colour masks need 16 or 32 bits"},
        {"zero_width", Bmp{.width = 0}.Build(), "Invalid bitmap width: 0"},
        {"negative_width", Bmp{.width = -5}.Build(), "Invalid bitmap width: -5"},
        {"zero_height", Bmp{.height = 0}.Build(), "Invalid bitmap height: 0"},
        {"huge_dimensions", Bmp{.width = 100000, .height = 100000}.Build(),
         "Picture too large: 100000 x 100000 is 10000000000 pixels, more than the limit of 357913941 pixels"},
        {"huge_negative_height", Bmp{.width = 1, .height = INT32_MIN}.Build(),
         "Picture too large: 1 x 2147483648 pixels is more than the limit of 357913941 pixels"},
        {"top_down_rle", Bmp{.height = -1, .bits = 8, .compression = 1, .palette = kFour, .rle = {0, 1}}.Build(),
         "cannot be stored top-down"},
        {"colour_table_size_300", Bmp{.bits = 8, .colorsUsed = 300}.Build(),
         "Invalid colour table size: 300 entries for an 8-bit bitmap (at most 256)"},
        {"colour_table_size_3_for_1_bit", Bmp{.bits = 1, .colorsUsed = 3}.Build(), "for a 1-bit bitmap (at most 2)"},
        {"truncated_colour_table", Bmp{.bits = 8, .colorsUsed = 16, .palette = kFour}.Build(), "colour table is incomplete"},
        {"truncated_masks", Bmp{.bits = 16, .compression = 3, .masks = {0xF800}}.Build(), "colour masks are incomplete"},
        {"mask_with_hole", Bmp{.bits = 16, .compression = 3, .masks = {0xF00F, 0x07E0, 0}, .rows = {{0, 0}}}.Build(),
         "Invalid bitmap colour masks: red 0xF00F"},
        {"mask_wider_than_pixel", Bmp{.bits = 16, .compression = 3, .masks = {0xFF0000, 0xFF00, 0xFF}, .rows = {{0, 0}}}.Build(),
         "Invalid bitmap colour masks"},
        {"all_masks_zero", Bmp{.bits = 16, .compression = 3, .masks = {0, 0, 0}, .rows = {{0, 0}}}.Build(),
         "red, green and blue are all 0"},
        {"all_masks_zero_v4", Bmp{.header = 108, .bits = 32, .compression = 3, .masks = {0, 0, 0}, .rows = {{0, 0, 0, 0}}}.Build(),
         "red, green and blue are all 0"},
        {"overlapping_masks", Bmp{.bits = 32, .compression = 3, .masks = {0xFF00, 0xFF0, 0xF}, .rows = {{0, 0, 0, 0}}}.Build(),
         "Invalid bitmap colour masks"},
        {"pixel_offset_past_end", Bmp{.pixelOffset = 5000, .cut = 4900}.Build(), "pixel data offset 5000 lies past the end"},
        {"pixel_offset_inside_headers", Bmp{.pixelOffset = 20, .rows = {{1, 2, 3}}}.Build(), "lies inside the headers"},
        {"pixel_offset_inside_colour_table",
         Bmp{.bits = 8, .colorsUsed = 4, .palette = kFour, .pixelOffset = 60, .rows = {{1}}}.Build(),
         "lies inside the headers or the colour table"},
        {"truncated_pixels", Bmp{.width = 2, .height = 2, .rows = {{1, 2, 3, 4, 5, 6}}}.Build(),
         "pixel data needs 14 bytes, the file holds 8"},
        // A 700 MB claim backed by 4 bytes: refused by size, not by running out of memory.
        {"huge_claim_short_data", Bmp{.width = 15000, .height = 15000, .rows = {{1, 2, 3}}}.Build(),
         "pixel data needs 675000000 bytes"},
        {"rle_ends_early", Bmp{.width = 2, .height = 2, .bits = 8, .compression = 1, .palette = kFour, .rle = {2, 1, 0, 0}}.Build(),
         "compressed pixel data ends before the end"},
        {"rle_odd_byte", Bmp{.width = 2, .height = 1, .bits = 8, .compression = 1, .palette = kFour, .rle = {2}}.Build(),
         "compressed pixel data ends"},
        {"rle_literal_truncated",
         Bmp{.width = 8, .height = 1, .bits = 8, .compression = 1, .palette = kFour, .rle = {0, 8, 1, 2}}.Build(),
         "ends inside a literal run"},
        {"rle_delta_truncated", Bmp{.width = 8, .height = 1, .bits = 8, .compression = 1, .palette = kFour, .rle = {0, 2, 1}}.Build(),
         "ends inside a delta code"},
    };
}

class BmpRefuse : public ::testing::TestWithParam<BadCase> {};

TEST_P(BmpRefuse, WithClearMessage)
{
    const BadCase &c = GetParam();
    try {
        ReadBmp(c.file);
        FAIL() << "accepted";
    } catch (const Error &e) {
        EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Damaged, BmpRefuse, ::testing::ValuesIn(BadCases()),
                         [](const auto &info) { return std::string(info.param.name); });

TEST(BmpRead, CallerLimitRefusesLargePicture)
{
    const Bytes file = Bmp{.width = 100, .height = 100, .bits = 8, .compression = 1, .palette = kFour, .rle = {0, 1}}.Build();
    EXPECT_NO_THROW(ReadBmp(file));
    try {
        ReadBmp(file, 1000);
        FAIL() << "accepted";
    } catch (const Error &e) {
        // Both sides in pixels: 1000 bytes of 24-bit pixels hold 333 of them.
        EXPECT_STREQ(e.what(), "Picture too large: 100 x 100 is 10000 pixels, more than the limit of 333 pixels");
    }
}

TEST(BmpRead, DepthsTakeTheirArticle)
{
    EXPECT_EQ(TBitmap::DepthText(8), "an 8-bit");
    EXPECT_EQ(TBitmap::DepthText(1), "a 1-bit");
    EXPECT_EQ(TBitmap::DepthText(24), "a 24-bit");
    EXPECT_EQ(TBitmap::DepthText(11), "an 11-bit");
    EXPECT_EQ(TBitmap::DepthText(18), "an 18-bit");
    EXPECT_EQ(TBitmap::DepthText(110), "a 110-bit");
    EXPECT_EQ(TBitmap::DepthText(80), "an 80-bit");
    TBitmap eight(2, 2, 8);
    eight.ColorTable().assign(2, TRGBQuad{});
    try {
        eight.SetPixelFormat(16);
        FAIL() << "converted";
    } catch (const Error &e) {
        EXPECT_NE(std::string(e.what()).find("Cannot convert an 8-bit bitmap"), std::string::npos) << e.what();
    }
}

TEST(BmpRead, EveryPrefixOfAValidFileFailsCleanly)
{
    const std::vector<Bytes> files = {
        Bmp{.width = 3, .height = 2, .bits = 4, .palette = kFour, .rows = {{0x12, 0x30}, {0x01, 0x20}}}.Build(),
        Bmp{.width = 3, .height = 2, .bits = 8, .compression = 1, .palette = kFour,
            .rle = {3, 1, 0, 0, 0, 3, 3, 2, 3, 0, 0, 1}}.Build(),
        Bmp{.header = 124, .width = 1, .height = 2, .bits = 16, .compression = 3, .masks = {0xF800, 0x07E0, 0x001F},
            .rows = {{1, 2}, {3, 4}}}.Build(),
    };
    for (const Bytes &file : files) {
        ASSERT_NO_THROW(ReadBmp(file));
        // The last row may lack only its padding; shorter than that is an error.
        for (std::size_t n = 0; n + 4 < file.size(); ++n)
            EXPECT_THROW(ReadBmp(std::span(file.data(), n)), Error) << n << " bytes";
    }
}

// A bitmap of each depth with every pixel different enough to catch a moved bit.
TBitmap Pattern(int width, int height, int bits)
{
    TBitmap bitmap(width, height, bits);
    for (std::size_t i = 0; i < bitmap.ImageSize(); ++i)
        bitmap.Bits()[i] = static_cast<std::uint8_t>(i * 37 + 11);
    bitmap.ClearPadding();
    if (bits <= 8)
        for (int i = 0; i < std::min(1 << bits, 5); ++i) // a short table
            bitmap.ColorTable().push_back({static_cast<std::uint8_t>(i * 50), static_cast<std::uint8_t>(255 - i),
                                           static_cast<std::uint8_t>(i), 0});
    return bitmap;
}

TEST(BmpWrite, RoundTripsEveryDepth)
{
    for (const int bits : {1, 2, 4, 8, 16, 24, 32}) {
        const TBitmap source = Pattern(7, 5, bits);
        const Bytes file = WriteBmp(source);
        EXPECT_EQ(file.size(), 54 + 4 * source.ColorTable().size() + source.ImageSize()) << bits;
        EXPECT_EQ(file[30], 0) << "BI_RGB for default masks, " << bits;
        const TBitmap back = ReadBmp(file);
        EXPECT_EQ(back, source) << bits << " bits";
        EXPECT_EQ(Colors(back), Colors(source)) << bits << " bits";
    }
}

TEST(BmpWrite, KeepsMasksAsBitfields)
{
    for (const auto &[bits, masks] : {std::pair{16, std::array<std::uint32_t, 3>{0xF800, 0x07E0, 0x001F}},
                                      std::pair{32, std::array<std::uint32_t, 3>{0xFF, 0xFF00, 0xFF0000}}}) {
        TBitmap source = Pattern(3, 2, bits);
        source.Masks() = masks;
        const Bytes file = WriteBmp(source);
        EXPECT_EQ(file[30], 3) << "BI_BITFIELDS";
        EXPECT_EQ(file[10], 14 + 40 + 12);
        const TBitmap back = ReadBmp(file);
        EXPECT_EQ(back.Masks(), masks);
        EXPECT_EQ(back, source);
    }
}

TEST(BmpWrite, PaletteBitmapWithoutTableStaysBlack)
{
    TBitmap source(3, 1, 4);
    source.Bits()[0] = 0x12;
    const TBitmap back = ReadBmp(WriteBmp(source));
    EXPECT_EQ(back.ColorTable().size(), 16u);
    EXPECT_EQ(Colors(back), Colors(source));
    EXPECT_THROW(WriteBmp(TBitmap()), Error);
}

TEST(BmpWrite, TopDownAndCoreFilesComeBackBottomUpV3)
{
    const TBitmap topDown = ReadBmp(ReadCases()[1].file);
    const Bytes file = WriteBmp(topDown);
    EXPECT_EQ(file[14], 40);
    EXPECT_EQ(file[22], 2) << "positive height";
    EXPECT_EQ(Colors(ReadBmp(file)), Colors(topDown));
}

TEST(BmpFile, WritesSafelyAndNamesThePathOnError)
{
    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/shot.bmp";
    const TBitmap source = Pattern(5, 3, 8);
    WriteBmpFile(source, path);
    EXPECT_EQ(ReadBmpFile(path), source);

    const std::string jpeg = dir.path().toStdString() + "/photo.bmp";
    SafeWriteFile(jpeg, Bytes{0xFF, 0xD8, 0xFF, 0xE0});
    try {
        ReadBmpFile(jpeg);
        FAIL();
    } catch (const Error &e) {
        EXPECT_NE(std::string(e.what()).find("photo.bmp"), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find("Not a bitmap file"), std::string::npos) << e.what();
    }
    EXPECT_THROW(WriteBmpFile(source, dir.path().toStdString() + "/missing/x.bmp"), Error);
}

TEST(Bitmap, RefusedResizeKeepsPixels)
{
    TBitmap bitmap = Pattern(4, 3, 24);
    const TBitmap before = bitmap;
    EXPECT_THROW(bitmap.SetSize(-1, 3), Error);
    EXPECT_EQ(bitmap, before);
    EXPECT_EQ(bitmap.PixelColor(3, 2), before.PixelColor(3, 2));
}

TEST(Bitmap, NarrowingSubBytePictureClearsLeftoverBits)
{
    TBitmap bitmap(8, 1, 1);
    bitmap.Bits()[0] = 0xFF;
    bitmap.SetWidth(3);
    EXPECT_EQ(bitmap.Bits()[0], 0xE0);
    bitmap.SetWidth(8);
    EXPECT_EQ(bitmap.Bits()[0], 0xE0) << "the widened pixels are new, hence zero";
}

TEST(Bitmap, ConversionMatchesPixelColor)
{
    for (const int bits : {1, 2, 4, 8, 16, 32}) {
        const TBitmap source = Pattern(9, 4, bits);
        EXPECT_EQ(Colors(source.To24Bit()), Colors(source)) << bits;
    }
    TBitmap tenBits = Pattern(9, 4, 32);
    tenBits.Masks() = {0x3FF00000, 0x000FFC00, 0x000003FF};
    EXPECT_EQ(Colors(tenBits.To24Bit()), Colors(tenBits));
}

} // namespace
