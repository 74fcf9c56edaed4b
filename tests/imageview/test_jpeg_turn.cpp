// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/ExifSamples.h"
#include "imageview/JpegSegments.h"
#include "imageview/JpegTransform.h"
#include "imageview/Orientation.h"
#include "imageview/QloImageHolder.h"
#include "platform/Files.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace quillo;
using namespace quillo::test;

namespace {

// Turns the file once by F6's 90° clockwise, written back, and answers its new bytes.
std::vector<std::uint8_t> TurnFile(const std::string &path)
{
    TQloImageHolder holder;
    holder.AutoSave = true;
    std::string error;
    holder.OnError = [&error](const std::string &, const std::string &message) { error = message; };
    holder.LoadFromFile(path);
    holder.Rotate(0);
    EXPECT_EQ(error, "");
    return ReadFileBytes(path);
}

} // namespace

TEST(JpegTurn, PhonePhotoTurnsWithoutLossAndKeepsItsMetadata)
{
    // Stored landscape 64 x 48, taken upright (orientation 6): shown 48 x 64, quadrants upright.
    QTemporaryDir dir;
    const std::string path = dir.filePath("IMG_0001.JPG").toStdString();
    const std::vector<std::uint8_t> stored = EncodeJpeg(QuadrantBitmap(48, 64), 95);
    // The quadrant picture as the camera stored it: turned a quarter counter-clockwise.
    const std::vector<std::uint8_t> original = WithPhoneMetadata(
        EncodeJpeg(ApplyOrientation(DecodeJpeg(stored), kOrientationTurn270), 100), {.wideGamutProfile = true});
    SafeWriteFile(path, original);

    const std::vector<std::uint8_t> turned = TurnFile(path);
    auto meta = ReadMetadata(turned);
    EXPECT_EQ(Tag(*meta, "Exif.Image.Make"), "Lumafone");
    EXPECT_EQ(Tag(*meta, "Exif.Photo.DateTimeOriginal"), "2026:07:14 18:03:22");
    EXPECT_EQ(Tag(*meta, "Exif.GPSInfo.GPSLatitudeRef"), "N");
    EXPECT_EQ(Tag(*meta, "Exif.Image.Orientation"), "1");
    EXPECT_EQ(Exiv2::ExifThumbC(meta->exifData()).copy().size_, 0); // it showed the old way
    EXPECT_EQ(meta->comment(), "holiday");
    EXPECT_EQ(JpegIccProfile(turned), JpegIccProfile(original));
    // Shown 64 x 48 now, turned a quarter clockwise: blue top left, red top right.
    const TBitmap shown = DecodeJpeg(turned);
    ASSERT_EQ(shown.Width(), 64);
    ASSERT_EQ(shown.Height(), 48);
    EXPECT_TRUE(Near(shown.PixelColor(8, 8), kBlue));
    EXPECT_TRUE(Near(shown.PixelColor(56, 8), kRed));
    EXPECT_TRUE(Near(shown.PixelColor(56, 40), kGreen));

    // Four more turns: the very same picture again, pixel for pixel.
    for (int i = 0; i < 4; ++i)
        TurnFile(path);
    EXPECT_EQ(DecodeJpeg(ReadFileBytes(path)), shown);
}

TEST(JpegTurn, OffGridSizeIsEncodedAnewWithoutLosingARowOrColumn)
{
    // 61 x 35 leaves partial blocks at the right and bottom edges.
    const std::vector<std::uint8_t> original = WithPhoneMetadata(EncodeJpeg(QuadrantBitmap(61, 35), 95), {.orientation = 3});
    const TTurnedJpeg turned = TurnJpeg(original, 3, kOrientationTurn90, 90);
    EXPECT_FALSE(turned.Lossless);
    const TBitmap shown = DecodeJpeg(turned.Bytes);
    ASSERT_EQ(shown.Width(), 35);
    ASSERT_EQ(shown.Height(), 61);
    // Shown upside down, then turned clockwise: white top right... rows and columns all there.
    EXPECT_TRUE(Near(shown.PixelColor(0, 0), kGreen));
    EXPECT_TRUE(Near(shown.PixelColor(34, 0), kWhite));
    EXPECT_TRUE(Near(shown.PixelColor(0, 60), kRed));
    EXPECT_TRUE(Near(shown.PixelColor(34, 60), kBlue));
    auto meta = ReadMetadata(turned.Bytes);
    EXPECT_EQ(Tag(*meta, "Exif.Image.Make"), "Lumafone");
    EXPECT_EQ(Tag(*meta, "Exif.Image.Orientation"), "1");
    EXPECT_TRUE(TurnJpeg(EncodeJpeg(QuadrantBitmap(64, 32), 95), 1, kOrientationTurn180, 90).Lossless);
}
