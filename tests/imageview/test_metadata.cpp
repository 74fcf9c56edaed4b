// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/ExifMetadata.h"
#include "imageview/ExifSamples.h"
#include "imageview/QloImageHolder.h"
#include "platform/Files.h"

#include <QTemporaryDir>
#include <cstring>
#include <gtest/gtest.h>

using namespace quillo;
using namespace quillo::test;

namespace {

// Where stored pixel (x, y) of a w x h file appears in the upright picture, as
// cameras define each orientation.
void UprightPosition(int o, int x, int y, int w, int h, int &ux, int &uy)
{
    const int table[9][2] = {{x, y},         {x, y},         {w - 1 - x, y}, {w - 1 - x, h - 1 - y}, {x, h - 1 - y},
                             {y, x},         {h - 1 - y, x}, {h - 1 - y, w - 1 - x}, {y, w - 1 - x}};
    ux = table[o][0];
    uy = table[o][1];
}

// An upright quadrant picture of 64 x 32, stored as a camera with orientation o stores it.
std::vector<std::uint8_t> StoredQuadrants(int o)
{
    const int uw = 64, uh = 32, w = o >= 5 ? uh : uw, h = o >= 5 ? uw : uh;
    TBitmap stored(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            int ux = 0, uy = 0;
            UprightPosition(o, x, y, w, h, ux, uy);
            const Rgb c = QuadrantColour(ux, uy, uw, uh);
            std::uint8_t *p = stored.ScanLine(y) + 3 * x;
            p[0] = c.b, p[1] = c.g, p[2] = c.r;
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

// A little-endian TIFF block with IFD0 at 8 holding the given 12-byte entries.
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
        const std::vector<std::uint8_t> file = WithPhoneMetadata(StoredQuadrants(o), {.orientation = o});
        const TPicture picture = Load(dir, file);
        // The header-only load already reports the upright size.
        EXPECT_EQ(picture.Width(), 64) << o;
        EXPECT_EQ(picture.Height(), 32) << o;
        EXPECT_TRUE(HasQuadrants(picture.DrawBitmap())) << o;
        EXPECT_TRUE(HasQuadrants(picture.ToBitmap())) << o;
        EXPECT_EQ(picture.SaveToBytes(), file) << o;
    }
    // Missing, zero and out-of-range tags: shown as stored.
    for (int o : {0, 9, 0xFFFF}) {
        const std::vector<std::uint8_t> file = WithPhoneMetadata(StoredQuadrants(1), {.orientation = o});
        const TPicture picture = Load(dir, file);
        EXPECT_EQ(picture.Width(), 64) << o;
        EXPECT_TRUE(HasQuadrants(picture.DrawBitmap())) << o;
    }
}

TEST(Orientation, DamagedExifBlocksReadAsUpright)
{
    const std::array<std::uint32_t, 4> sideways{0x112, 3, 1, 6};
    ASSERT_EQ(ExifOrientation(Tiff({sideways}, 0)), 6);
    std::vector<std::uint8_t> truncated = Tiff({sideways}, 0);
    truncated.resize(15);
    const std::vector<std::vector<std::uint8_t>> damaged{
        truncated,
        Tiff({sideways}, 8),                              // IFD0 names itself as the next IFD
        Tiff({{0x8769, 4, 1, 8}, sideways}, 0),           // the EXIF sub-IFD is IFD0 again
        Tiff({{0x112, 3, 0xFFFFFFFF, 8}}, 0),             // absurd count
        Tiff({{0x10F, 2, 0x7FFFFFFF, 8}, sideways}, 0),   // a make of 2 GB
        Tiff(std::vector<std::array<std::uint32_t, 4>>(5, sideways), 0xFFFFFFF0),
    };
    QTemporaryDir dir;
    for (std::size_t i = 0; i < damaged.size(); ++i) {
        const int o = ExifOrientation(damaged[i]);
        EXPECT_TRUE(o == 1 || o == 6) << i;
        (void)UprightExif(damaged[i]);
        // In a file: the picture loads, at a size it has.
        std::vector<std::uint8_t> file = EncodeJpeg(QuadrantBitmap(64, 32), 90);
        std::vector<std::uint8_t> app1{0xFF, 0xE1, 0, 0, 'E', 'x', 'i', 'f', 0, 0};
        app1.insert(app1.end(), damaged[i].begin(), damaged[i].end());
        app1[2] = std::uint8_t((app1.size() - 2) >> 8), app1[3] = std::uint8_t(app1.size() - 2);
        file.insert(file.begin() + 2, app1.begin(), app1.end());
        const TPicture picture = Load(dir, file);
        EXPECT_EQ(picture.DrawBitmap().Width() * picture.DrawBitmap().Height(), 64 * 32) << i;
    }
}

TEST(ColourProfile, ProfiledPictureIsDrawnInDisplayColoursAndKeepsItsOwnValues)
{
    // A muted orange: inside both gamuts, so the conversion shows in every channel.
    TBitmap orange(32, 16, 24);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 32; ++x)
            std::memcpy(orange.ScanLine(y) + 3 * x, "\x3C\x64\x96", 3);
    const std::vector<std::uint8_t> file =
        WithPhoneMetadata(EncodeJpeg(orange, 95), {.orientation = 1, .wideGamutProfile = true});
    QTemporaryDir dir;
    const TPicture picture = Load(dir, file);
    const TBitmap own = picture.ToBitmap();
    EXPECT_EQ(own, DecodeJpeg(file));
    const TRGBQuad stored = own.PixelColor(8, 8), shown = picture.DrawBitmap().PixelColor(8, 8);
    // The profile's red primary lies beyond sRGB's: in sRGB the orange is redder.
    EXPECT_GT(shown.Red, stored.Red + 5);
    EXPECT_EQ(own, picture.ToBitmap()); // drawing changed nothing of the picture's own values
    EXPECT_EQ(picture.SaveToBytes(), file);
    // A plain file is drawn from its decoded pixels, without a copy.
    const TPicture plain = Load(dir, EncodeJpeg(QuadrantBitmap(64, 32), 95));
    EXPECT_EQ(&plain.DrawBitmap(), &plain.AsJpeg()->Bitmap());
}
