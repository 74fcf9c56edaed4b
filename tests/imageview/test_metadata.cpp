// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/ExifMetadata.h"
#include "imageview/ExifSamples.h"
#include "imageview/Orientation.h"
#include "imageview/QloImageHolder.h"
#include "platform/Files.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstring>

using namespace quillo;
using namespace quillo::test;

namespace {

// An upright 64 x 32 quadrant picture stored as a camera with orientation o stores
// it: stored pixel (x, y) of w x h appears upright at the position the table gives.
std::vector<std::uint8_t> StoredQuadrants(int o)
{
    const int w = o >= 5 ? 32 : 64, h = o >= 5 ? 64 : 32;
    TBitmap stored(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int at[9][2] = {{x, y}, {x, y}, {w - 1 - x, y}, {w - 1 - x, h - 1 - y}, {x, h - 1 - y},
                                  {y, x}, {h - 1 - y, x}, {h - 1 - y, w - 1 - x}, {y, w - 1 - x}};
            const Rgb c = QuadrantColour(at[o][0], at[o][1], 64, 32);
            const std::uint8_t bgr[3] = {c.b, c.g, c.r};
            std::memcpy(stored.ScanLine(y) + 3 * x, bgr, 3);
        }
    return EncodeJpeg(stored, 95);
}

TPicture Load(const QTemporaryDir &dir, const std::vector<std::uint8_t> &bytes)
{
    const std::string path = dir.filePath("photo.jpg").toStdString();
    SafeWriteFile(path, bytes);
    TQloImageHolder holder; // registers the JPEG extensions
    holder.LoadFromFile(path);
    return holder.Picture;
}

// A little-endian TIFF block whose IFD0 at 8 holds the entries (tag, type, count, value).
std::vector<std::uint8_t> Tiff(const std::vector<std::array<std::uint32_t, 4>> &entries, std::uint32_t next)
{
    std::vector<std::uint8_t> t{'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put = [&t](std::uint32_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            t.push_back(std::uint8_t(v >> (8 * i)));
    };
    put(std::uint32_t(entries.size()), 2);
    for (const auto &e : entries)
        put(e[0], 2), put(e[1], 2), put(e[2], 4), put(e[3], 4);
    put(next, 4);
    return t;
}

} // namespace

TEST(Orientation, EveryOrientationIsShownUprightAndTheFileKeptAsItIs)
{
    QTemporaryDir dir;
    for (int o = 1; o <= 8; ++o) {
        const std::vector<std::uint8_t> file = WithPhoneMetadata(StoredQuadrants(o), o);
        const TPicture picture = Load(dir, file);
        // The header-only load already reports the upright size.
        EXPECT_EQ(picture.Width(), 64) << o;
        EXPECT_EQ(picture.Height(), 32) << o;
        EXPECT_TRUE(HasQuadrants(picture.DrawBitmap())) << o;
        EXPECT_TRUE(HasQuadrants(picture.ToBitmap())) << o;
        EXPECT_EQ(picture.SaveToBytes(), file) << o;
    }
    for (int o : {0, 9, 0xFFFF}) // missing, zero and out of range: shown as stored
        EXPECT_TRUE(HasQuadrants(Load(dir, WithPhoneMetadata(StoredQuadrants(1), o)).DrawBitmap())) << o;
}

TEST(Orientation, LargePicturesTurnAlikeInEveryBand)
{
    // Over a megapixel two threads share the rows: every pixel still lands where it belongs.
    TBitmap big(1500, 800, 24);
    for (int y = 0; y < 800; ++y)
        for (int x = 0; x < 1500; ++x)
            big.ScanLine(y)[3 * x] = std::uint8_t(x * 7 + y * 13), big.ScanLine(y)[3 * x + 2] = std::uint8_t(x + y);
    const TBitmap turned = ApplyOrientation(big, kOrientationTurn90);
    for (int y = 0; y < 1500; y += 7)
        for (int x = 0; x < 800; x += 3)
            ASSERT_EQ(turned.PixelColor(x, y), big.PixelColor(y, 799 - x)) << x << "," << y;
}

TEST(Orientation, DamagedExifBlocksReadAsStored)
{
    const std::array<std::uint32_t, 4> sideways{0x112, 3, 1, 6};
    ASSERT_EQ(ExifOrientation(Tiff({sideways}, 0)), 6);
    std::vector<std::uint8_t> truncated = Tiff({sideways}, 0);
    truncated.resize(15);
    const std::vector<std::vector<std::uint8_t>> damaged{
        truncated,
        Tiff({sideways}, 8),                            // IFD0 names itself as the next IFD
        Tiff({{0x8769, 4, 1, 8}, sideways}, 0),         // the EXIF sub-IFD is IFD0 again
        Tiff({{0x112, 3, 0xFFFFFFFF, 8}}, 0),           // absurd count
        Tiff({{0x10F, 2, 0x7FFFFFFF, 8}, sideways}, 0), // a make of 2 GB
        Tiff(std::vector<std::array<std::uint32_t, 4>>(5, sideways), 0xFFFFFFF0),
    };
    QTemporaryDir dir;
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        const int o = ExifOrientation(damaged[i]);
        EXPECT_TRUE(o == 1 || o == 6) << i;
        std::vector<std::uint8_t> file = EncodeJpeg(QuadrantBitmap(64, 32), 90);
        std::vector<std::uint8_t> app1{0xFF, 0xE1, 0, std::uint8_t(damaged[i].size() + 8), 'E', 'x', 'i', 'f', 0, 0};
        app1.insert(app1.end(), damaged[i].begin(), damaged[i].end());
        file.insert(file.begin() + 2, app1.begin(), app1.end());
        const TBitmap shown = Load(dir, file).DrawBitmap();
        EXPECT_EQ(shown.Width() * shown.Height(), 64 * 32) << i;
    }
}

TEST(ColourProfile, ProfiledPictureIsDrawnInDisplayColoursAndKeepsItsOwnValues)
{
    // A muted orange: inside both gamuts, so the conversion shows.
    TBitmap orange(32, 16, 24);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x)
            std::memcpy(orange.ScanLine(y) + 3 * x, "\x3C\x64\x96", 3);
    const std::vector<std::uint8_t> file = WithPhoneMetadata(EncodeJpeg(orange, 95), 1, true);
    QTemporaryDir dir;
    const TPicture picture = Load(dir, file);
    const TBitmap own = picture.ToBitmap();
    EXPECT_EQ(own, DecodeJpeg(file));
    // The profile's red lies beyond sRGB's: in sRGB the orange is redder.
    EXPECT_GT(picture.DrawBitmap().PixelColor(8, 8).Red, own.PixelColor(8, 8).Red + 5);
    EXPECT_EQ(picture.SaveToBytes(), file);
    // A file without a profile is drawn from its decoded pixels, without a copy.
    const TPicture plain = Load(dir, EncodeJpeg(orange, 95));
    EXPECT_EQ(&plain.DrawBitmap(), &plain.AsJpeg()->Bitmap());
}
