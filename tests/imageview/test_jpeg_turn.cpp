// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/ExifSamples.h"
#include "imageview/JpegSegments.h"
#include "imageview/JpegTransform.h"
#include "imageview/Orientation.h"
#include "imageview/QloImageHolder.h"
#include "platform/Files.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <algorithm>

using namespace quillo;
using namespace quillo::test;

namespace {

// F6's quarter turn clockwise, written back; the file's new bytes.
std::vector<std::uint8_t> TurnFile(const std::string &path)
{
    TQloImageHolder holder;
    holder.AutoSave = true;
    holder.OnError = [](const std::string &, const std::string &message) { ADD_FAILURE() << message; };
    holder.LoadFromFile(path);
    holder.Rotate(0);
    return ReadFileBytes(path);
}

} // namespace

TEST(JpegTurn, PhonePhotoTurnsWithoutLossAndKeepsItsMetadata)
{
    // The 48 x 64 quadrant picture stored as 64 x 48 with orientation 6.
    QTemporaryDir dir;
    const std::string path = dir.filePath("IMG_0001.JPG").toStdString();
    const TBitmap stored = ApplyOrientation(QuadrantBitmap(48, 64), kOrientationTurn270);
    const std::vector<std::uint8_t> original = WithPhoneMetadata(EncodeJpeg(stored, 100), 6, true);
    SafeWriteFile(path, original);

    const std::vector<std::uint8_t> turned = TurnFile(path);
    EXPECT_EQ(Tag(turned, "Exif.Image.Make"), "Lumafone");
    EXPECT_EQ(Tag(turned, "Exif.Photo.DateTimeOriginal"), "2026:07:14 18:03:22");
    EXPECT_EQ(Tag(turned, "Exif.Image.Orientation"), "1");
    EXPECT_EQ(Tag(turned, "Exif.Thumbnail.JPEGInterchangeFormat"), ""); // it showed the old way
    const std::string comment = "holiday";
    EXPECT_NE(std::search(turned.begin(), turned.end(), comment.begin(), comment.end()), turned.end());
    EXPECT_EQ(JpegIccProfile(turned), JpegIccProfile(original));
    // Shown 64 x 48 now, a quarter clockwise from upright: blue top left, red top right.
    const TBitmap shown = DecodeJpeg(turned);
    ASSERT_EQ(shown.Width(), 64);
    ASSERT_EQ(shown.Height(), 48);
    EXPECT_TRUE(Near(shown.PixelColor(8, 8), kBlue));
    EXPECT_TRUE(Near(shown.PixelColor(56, 8), kRed));
    EXPECT_TRUE(Near(shown.PixelColor(56, 40), kGreen));
    // Four more turns: the very same picture, pixel for pixel.
    for (int i = 0; i < 4; ++i)
        TurnFile(path);
    EXPECT_EQ(DecodeJpeg(ReadFileBytes(path)), shown);
}

TEST(JpegTurn, OffGridSizeIsEncodedAnewWithoutLosingARowOrColumn)
{
    // 61 x 35 leaves partial blocks at the right and bottom; shown upside down (3).
    const std::vector<std::uint8_t> original = WithPhoneMetadata(EncodeJpeg(QuadrantBitmap(61, 35), 95), 3);
    const TTurnedJpeg turned = TurnJpeg(original, 3, kOrientationTurn90, 90);
    EXPECT_FALSE(turned.Lossless);
    const TBitmap shown = DecodeJpeg(turned.Bytes);
    ASSERT_EQ(shown.Width(), 35);
    ASSERT_EQ(shown.Height(), 61);
    // The edge pixels are there: green in the top-left corner, blue in the bottom-right.
    EXPECT_TRUE(Near(shown.PixelColor(0, 0), kGreen));
    EXPECT_TRUE(Near(shown.PixelColor(34, 60), kBlue));
    EXPECT_EQ(Tag(turned.Bytes, "Exif.Image.Make"), "Lumafone");
    EXPECT_EQ(Tag(turned.Bytes, "Exif.Image.Orientation"), "1");
    EXPECT_TRUE(TurnJpeg(EncodeJpeg(QuadrantBitmap(64, 32), 95), 1, kOrientationTurn180, 90).Lossless);
}
