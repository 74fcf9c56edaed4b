// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/QloRotate.h"

#include "imageview/BmpCodec.h"

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace quillo;

namespace {

using Rows = std::vector<std::string>; // one letter per pixel, top row first

// Six colours named A..F, so expected pictures read like the letters they show.
TRGBQuad Letter(char c)
{
    const int i = c - 'A';
    return {static_cast<std::uint8_t>(10 + i), static_cast<std::uint8_t>(100 + 20 * i), static_cast<std::uint8_t>(200 + i), 0};
}

char LetterOf(const TRGBQuad &q)
{
    for (char c = 'A'; c <= 'F'; ++c)
        if (Letter(c) == q)
            return c;
    return '?';
}

Rows Letters(const TBitmap &bitmap)
{
    Rows out;
    for (int y = 0; y < bitmap.Height(); ++y) {
        out.emplace_back();
        for (int x = 0; x < bitmap.Width(); ++x)
            out.back() += LetterOf(bitmap.PixelColor(x, y));
    }
    return out;
}

// A B C over D E F, either true colour or as indices into a table A..F.
TBitmap AbcDef(int bits)
{
    TBitmap bitmap(3, 2, bits);
    const Rows rows = {"ABC", "DEF"};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) {
            const char c = rows[static_cast<std::size_t>(y)][static_cast<std::size_t>(x)];
            std::uint8_t *row = bitmap.ScanLine(y);
            if (bits == 24) {
                const TRGBQuad q = Letter(c);
                row[3 * x] = q.Blue;
                row[3 * x + 1] = q.Green;
                row[3 * x + 2] = q.Red;
            } else {
                row[x] = static_cast<std::uint8_t>(c - 'A');
            }
        }
    if (bits == 8)
        for (char c = 'A'; c <= 'F'; ++c)
            bitmap.ColorTable().push_back(Letter(c));
    return bitmap;
}

struct Turn {
    const char *name;
    std::function<void(TBitmap &)> routine;
    Rows expected;
};

void PrintTo(const Turn &t, std::ostream *os) { *os << t.name; }

class RotateAbcDef : public ::testing::TestWithParam<Turn> {};

TEST_P(RotateAbcDef, TrueColourAndPalette)
{
    for (const int bits : {24, 8}) {
        TBitmap bitmap = AbcDef(bits);
        GetParam().routine(bitmap);
        EXPECT_EQ(Letters(bitmap), GetParam().expected) << bits << " bits";
    }
}

INSTANTIATE_TEST_SUITE_P(Kinds, RotateAbcDef,
                         ::testing::Values(Turn{"kind0_right90", RotateRight90, {"DA", "EB", "FC"}},
                                           Turn{"kind1_rotate180", Rotate180, {"FED", "CBA"}},
                                           Turn{"kind2_left90", RotateLeft90, {"CF", "BE", "AD"}}),
                         [](const auto &info) { return std::string(info.param.name); });

// Pixel bytes that differ from pixel to pixel; at 8 bits a colour table shorter
// than the depth allows (so indices past it occur), at 16 bits non-default masks.
TBitmap Pattern(int width, int height, int bits)
{
    TBitmap bitmap(width, height, bits);
    for (std::size_t i = 0; i < bitmap.ImageSize(); ++i)
        bitmap.Bits()[i] = static_cast<std::uint8_t>(i * 73 + 5);
    bitmap.ClearPadding();
    if (bits <= 8)
        for (int i = 0; i < std::min(1 << bits, 200); ++i)
            bitmap.ColorTable().push_back({static_cast<std::uint8_t>(i * 23), static_cast<std::uint8_t>(i * 7),
                                           static_cast<std::uint8_t>(255 - i), 0});
    if (bits == 16)
        bitmap.Masks() = {0xF800, 0x07E0, 0x001F};
    return bitmap;
}

// Where source pixel (x, y) of a w x h picture lands.
using Place = std::function<std::pair<int, int>(int x, int y, int w, int h)>;

void ExpectMoved(const TBitmap &from, const TBitmap &to, const Place &place, const std::string &what)
{
    const int w = from.Width(), h = from.Height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const auto [tx, ty] = place(x, y, w, h);
            ASSERT_EQ(to.PixelColor(tx, ty), from.PixelColor(x, y)) << what << " pixel " << x << "," << y;
        }
}

const Place kLeft = [](int x, int y, int w, int) { return std::pair{y, w - 1 - x}; };
const Place kHalf = [](int x, int y, int w, int h) { return std::pair{w - 1 - x, h - 1 - y}; };
const Place kRight = [](int x, int y, int, int h) { return std::pair{h - 1 - y, x}; };

TEST(RotateLeft90, KeepsDepthTableAndMasksAtEveryDepth)
{
    for (const int bits : {1, 2, 4, 8, 16, 24, 32}) {
        for (const auto &[w, h] : {std::pair{7, 5}, std::pair{9, 3}, std::pair{1, 13}}) {
            const std::string what = std::to_string(bits) + " bits " + std::to_string(w) + "x" + std::to_string(h);
            const TBitmap source = Pattern(w, h, bits);
            TBitmap turned = source;
            RotateLeft90(turned);
            ASSERT_EQ(turned.Width(), h) << what;
            ASSERT_EQ(turned.Height(), w) << what;
            EXPECT_EQ(turned.BitsPerPixel(), bits) << what;
            EXPECT_EQ(turned.ColorTable(), source.ColorTable()) << what;
            EXPECT_EQ(turned.Masks(), source.Masks()) << what;
            ExpectMoved(source, turned, kLeft, what);
            for (int i = 0; i < 3; ++i)
                RotateLeft90(turned);
            EXPECT_EQ(turned, source) << what << ": four turns";
        }
    }
}

TEST(RotateLeft90, LargerThanOneTile)
{
    const TBitmap source = Pattern(150, 70, 24);
    TBitmap turned = source;
    RotateLeft90(turned);
    ExpectMoved(source, turned, kLeft, "150x70");
}

TEST(Rotate, OddWidthPalettePicturesBecomeTrueColourExceptLeft)
{
    for (const int bits : {1, 4}) {
        const TBitmap source = Pattern(5, 3, bits);
        const struct {
            const char *name;
            void (*routine)(TBitmap &);
            const Place &place;
            int bits;
        } turns[] = {{"left", RotateLeft90, kLeft, bits},
                     {"180", Rotate180, kHalf, TBitmap::kDefaultBitsPerPixel},
                     {"right", RotateRight90, kRight, TBitmap::kDefaultBitsPerPixel}};
        for (const auto &t : turns) {
            const std::string what = std::to_string(bits) + " bits, " + t.name;
            TBitmap turned = source;
            t.routine(turned);
            EXPECT_EQ(turned.BitsPerPixel(), t.bits) << what;
            EXPECT_EQ(turned.ColorTable().empty(), t.bits > 8) << what;
            ExpectMoved(source, turned, t.place, what);
        }
    }
}

TEST(Rotate, TrueColourResultsFromEveryDepth)
{
    for (const int bits : {2, 8, 16, 32}) {
        const TBitmap source = Pattern(6, 4, bits);
        TBitmap half = source, right = source;
        Rotate180(half);
        RotateRight90(right);
        EXPECT_EQ(half.BitsPerPixel(), 24);
        EXPECT_EQ(right.BitsPerPixel(), 24);
        ExpectMoved(source, half, kHalf, std::to_string(bits) + " bits, 180");
        ExpectMoved(source, right, kRight, std::to_string(bits) + " bits, right");
    }
}

// The turns as first written: a quarter turn left through the bitmap-file form in
// memory, the half turn by mirroring into a zeroed true-colour bitmap, the quarter
// turn right as the two one after the other. The faster turns must give the same
// bytes, padding included.
std::uint32_t Get32(const std::uint8_t *p) { return p[0] | p[1] << 8 | p[2] << 16 | std::uint32_t(p[3]) << 24; }
void Put32(std::uint8_t *p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

void ReferenceLeft90(TBitmap &bitmap)
{
    const std::vector<std::uint8_t> file = WriteBmp(bitmap);
    const std::size_t offset = Get32(&file[10]);
    const std::size_t w = Get32(&file[18]), h = Get32(&file[22]);
    const unsigned bits = file[28] | file[29] << 8;
    const std::size_t srcRow = (w * bits + 31) / 32 * 4, dstRow = (h * bits + 31) / 32 * 4;
    std::vector<std::uint8_t> turned(offset + dstRow * w, 0);
    std::memcpy(turned.data(), file.data(), offset);
    for (std::size_t r = 0; r < h; ++r)
        for (std::size_t c = 0; c < w; ++c) {
            const std::size_t t = h - 1 - r;
            if (bits >= 8) {
                std::memcpy(&turned[offset + c * dstRow + t * bits / 8], &file[offset + r * srcRow + c * bits / 8],
                            bits / 8);
            } else {
                const std::size_t per = 8 / bits;
                const unsigned mask = (1u << bits) - 1;
                const unsigned v = (file[offset + r * srcRow + c / per] >> (8 - bits * (c % per + 1))) & mask;
                std::uint8_t &d = turned[offset + c * dstRow + t / per];
                const unsigned shift = 8 - bits * static_cast<unsigned>(t % per + 1);
                d = static_cast<std::uint8_t>((d & ~(mask << shift)) | (v << shift));
            }
        }
    Put32(&turned[2], static_cast<std::uint32_t>(turned.size()));
    Put32(&turned[18], static_cast<std::uint32_t>(h));
    Put32(&turned[22], static_cast<std::uint32_t>(w));
    Put32(&turned[34], 0);
    bitmap = ReadBmp(turned);
}

void Reference180(TBitmap &bitmap)
{
    const int w = bitmap.Width(), h = bitmap.Height();
    const TBitmap src = bitmap.To24Bit();
    TBitmap out(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            std::memcpy(out.ScanLine(h - 1 - y) + 3 * (w - 1 - x), src.ScanLine(y) + 3 * x, 3);
    bitmap = std::move(out);
}

TEST(Rotate, SameBytesAsTheTurnsThroughTheFileForm)
{
    for (const int bits : {1, 2, 4, 8, 16, 24, 32}) {
        for (const auto &[w, h] : {std::pair{7, 5}, std::pair{1, 13}, std::pair{13, 1}, std::pair{67, 45}}) {
            const std::string what = std::to_string(bits) + " bits " + std::to_string(w) + "x" + std::to_string(h);
            const TBitmap source = Pattern(w, h, bits);
            TBitmap left = source, expectLeft = source;
            RotateLeft90(left);
            ReferenceLeft90(expectLeft);
            EXPECT_EQ(left, expectLeft) << what;
            EXPECT_EQ(std::memcmp(left.Bits(), expectLeft.Bits(), left.ImageSize()), 0) << what << ": padding";

            TBitmap half = source, expectHalf = source;
            Rotate180(half);
            Reference180(expectHalf);
            EXPECT_EQ(std::memcmp(half.Bits(), expectHalf.Bits(), half.ImageSize()), 0) << what;

            TBitmap right = source, expectRight = source;
            RotateRight90(right);
            ReferenceLeft90(expectRight);
            Reference180(expectRight);
            ASSERT_EQ(right.ImageSize(), expectRight.ImageSize()) << what;
            EXPECT_EQ(right, expectRight) << what;
            EXPECT_EQ(std::memcmp(right.Bits(), expectRight.Bits(), right.ImageSize()), 0) << what << ": padding";
        }
    }
}

TEST(Rotate, EmptyBitmapsStayEmpty)
{
    TBitmap none;
    RotateLeft90(none);
    Rotate180(none);
    RotateRight90(none);
    EXPECT_TRUE(none.Empty());
    TBitmap flat(4, 0, 8);
    RotateLeft90(flat);
    EXPECT_EQ(flat.Width(), 0);
    EXPECT_EQ(flat.Height(), 4);
    EXPECT_EQ(flat.BitsPerPixel(), 8);
}

} // namespace
