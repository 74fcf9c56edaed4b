// SPDX-License-Identifier: GPL-3.0-or-later
// PNG, GIF, TIFF, WebP, HEIF and AVIF files made here (by Qt's writers, libheif's
// encoders, or as tiny byte strings made once with Pillow) read back as the pixels
// they hold.
#include "imageview/AlphaMatte.h"
#include "imageview/Picture.h"
#include "platform/Errors.h"
#include "platform/Files.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <libheif/heif.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace quillo;

namespace {

using Bytes = std::vector<std::uint8_t>;

// 3 x 2: red, green, blue / white, black, transparent (palette index 5).
const Bytes kGif = {
    71, 73, 70, 56, 57, 97, 3, 0, 2, 0, 130, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255, 255, 255, 255, 0, 0, 0, 0,
    0, 0, 0, 0, 0, 0, 0, 0, 33, 249, 4, 1, 0, 0, 5, 0, 44, 0, 0, 0, 0, 3, 0, 2, 0, 0, 8, 9, 0, 1, 4, 16, 48,
    128, 64, 129, 128, 0, 59};
// 2 x 1 CMYK: full magenta and yellow (red), then half black.
const Bytes kCmykTiff = {
    73, 73, 42, 0, 8, 0, 0, 0, 10, 0, 0, 1, 4, 0, 1, 0, 0, 0, 2, 0, 0, 0, 1, 1, 4, 0, 1, 0, 0, 0, 1, 0, 0, 0, 2,
    1, 3, 0, 4, 0, 0, 0, 134, 0, 0, 0, 3, 1, 3, 0, 1, 0, 0, 0, 1, 0, 0, 0, 6, 1, 3, 0, 1, 0, 0, 0, 5, 0, 0, 0,
    17, 1, 4, 0, 1, 0, 0, 0, 142, 0, 0, 0, 21, 1, 3, 0, 1, 0, 0, 0, 4, 0, 0, 0, 22, 1, 4, 0, 1, 0, 0, 0, 1, 0,
    0, 0, 23, 1, 4, 0, 1, 0, 0, 0, 8, 0, 0, 0, 28, 1, 3, 0, 1, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 8, 0, 8, 0, 8,
    0, 8, 0, 0, 255, 255, 0, 0, 0, 0, 128};
// 3 x 2 stored red, green, blue / white, black, grey, with EXIF orientation 6.
const Bytes kTurnedPng = {
    137, 80, 78, 71, 13, 10, 26, 10, 0, 0, 0, 13, 73, 72, 68, 82, 0, 0, 0, 3, 0, 0, 0, 2, 8, 2, 0, 0, 0, 18, 22,
    241, 77, 0, 0, 0, 26, 101, 88, 73, 102, 77, 77, 0, 42, 0, 0, 0, 8, 0, 1, 1, 18, 0, 3, 0, 0, 0, 1, 0, 6, 0,
    0, 0, 0, 0, 0, 214, 103, 75, 105, 0, 0, 0, 26, 73, 68, 65, 84, 120, 156, 5, 193, 129, 1, 0, 32, 8, 192, 32,
    236, 114, 189, 124, 129, 16, 122, 202, 216, 189, 15, 62, 242, 6, 128, 28, 248, 231, 206, 0, 0, 0, 0, 73, 69,
    78, 68, 174, 66, 96, 130};
const Bytes kTurnedWebP = {
    82, 73, 70, 70, 108, 0, 0, 0, 87, 69, 66, 80, 86, 80, 56, 88, 10, 0, 0, 0, 8, 0, 0, 0, 2, 0, 0, 1, 0, 0, 86,
    80, 56, 76, 43, 0, 0, 0, 47, 2, 64, 0, 0, 47, 32, 16, 32, 72, 87, 110, 67, 64, 80, 116, 221, 114, 2, 1, 130,
    116, 229, 230, 63, 64, 108, 114, 108, 21, 40, 72, 219, 128, 197, 221, 83, 178, 136, 254, 199, 213, 1, 0, 69,
    88, 73, 70, 26, 0, 0, 0, 77, 77, 0, 42, 0, 0, 0, 8, 0, 1, 1, 18, 0, 3, 0, 0, 0, 1, 0, 6, 0, 0, 0, 0, 0, 0};

const TRGBQuad kRed{0, 0, 255, 0}, kGreen{0, 255, 0, 0}, kBlue{255, 0, 0, 0}, kWhite{255, 255, 255, 0},
    kBlack{0, 0, 0, 0};

// Four flat quadrants, so lossy encoders keep each quadrant's centre exact enough.
QImage Quadrants(int w, int h, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(w, h, format);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            image.setPixelColor(x, y, x < w / 2 ? (y < h / 2 ? Qt::red : Qt::blue) : (y < h / 2 ? Qt::green : Qt::white));
    return image;
}

Bytes Encode(const QImage &image, const char *format, int quality = -1, QImageIOHandler::Transformations turn = {})
{
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(quality);
    writer.setTransformation(turn);
    EXPECT_TRUE(writer.write(image)) << format << ": " << writer.errorString().toStdString();
    return {buffer.data().begin(), buffer.data().end()};
}

void EncodeHeif(heif_compression_format compression, int w, int h, const std::string &path)
{
    const QImage source = Quadrants(w, h);
    heif_context *context = heif_context_alloc();
    heif_encoder *encoder = nullptr;
    ASSERT_EQ(heif_context_get_encoder_for_format(context, compression, &encoder).code, heif_error_Ok);
    heif_encoder_set_lossy_quality(encoder, 90);
    heif_image *image = nullptr;
    heif_image_create(w, h, heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, w, h, 8);
    int stride = 0;
    std::uint8_t *plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const QColor c = source.pixelColor(x, y);
            std::uint8_t *p = plane + y * stride + x * 3;
            p[0] = c.red(), p[1] = c.green(), p[2] = c.blue();
        }
    ASSERT_EQ(heif_context_encode_image(context, image, encoder, nullptr, nullptr).code, heif_error_Ok);
    ASSERT_EQ(heif_context_write_to_file(context, path.c_str()).code, heif_error_Ok);
    heif_image_release(image);
    heif_encoder_release(encoder);
    heif_context_free(context);
}

bool Near(TRGBQuad a, TRGBQuad b, int tolerance)
{
    return std::abs(a.Red - b.Red) <= tolerance && std::abs(a.Green - b.Green) <= tolerance &&
           std::abs(a.Blue - b.Blue) <= tolerance;
}

class CodedFiles : public ::testing::Test {
protected:
    std::string Write(const std::string &name, const Bytes &bytes) const
    {
        const std::string path = dir.path().toStdString() + "/" + name;
        SafeWriteFile(path, bytes);
        return path;
    }
    // Loads, checks the header's size before any decoding, and decodes.
    TBitmap Load(const std::string &path, TGraphicKind kind, int w, int h) const
    {
        TPicture p;
        p.LoadFromFile(path);
        EXPECT_EQ(p.Kind(), kind) << path;
        EXPECT_EQ(p.Width(), w) << path;
        EXPECT_EQ(p.Height(), h) << path;
        EXPECT_EQ(p.SaveToBytes(), ReadFileBytes(path)) << "kept byte for byte: " << path;
        return p.ToBitmap();
    }
    std::string LoadError(const std::string &path) const
    {
        try {
            TPicture p;
            p.LoadFromFile(path);
            (void)p.DrawBitmap();
        } catch (const Error &e) {
            return e.what();
        }
        return {};
    }

    QTemporaryDir dir;
};

} // namespace

TEST_F(CodedFiles, EveryFormatShowsItsPixels)
{
    const QImage quadrants = Quadrants(8, 6);
    for (const auto &[name, bytes, kind] : {std::tuple{"q.png", Encode(quadrants, "png"), TGraphicKind::Png},
                                            {"q.TIF", Encode(quadrants, "tiff"), TGraphicKind::Tiff},
                                            {"q.webp", Encode(quadrants, "webp", 100), TGraphicKind::WebP}}) {
        const TBitmap b = Load(Write(name, bytes), kind, 8, 6);
        EXPECT_EQ(b.PixelColor(0, 0), kRed) << name;
        EXPECT_EQ(b.PixelColor(7, 0), kGreen) << name;
        EXPECT_EQ(b.PixelColor(0, 5), kBlue) << name;
        EXPECT_EQ(b.PixelColor(7, 5), kWhite) << name;
    }
    const TBitmap gif = Load(Write("a.gif", kGif), TGraphicKind::Gif, 3, 2);
    EXPECT_EQ(gif.PixelColor(0, 0), kRed);
    EXPECT_EQ(gif.PixelColor(2, 0), kBlue);
    EXPECT_EQ(gif.PixelColor(1, 1), kBlack);

    for (const auto &[name, compression, kind] : {std::tuple{"h.heic", heif_compression_HEVC, TGraphicKind::Heif},
                                                  {"a.avif", heif_compression_AV1, TGraphicKind::Avif}}) {
        const std::string path = dir.path().toStdString() + "/" + name;
        EncodeHeif(compression, 64, 48, path);
        const TBitmap b = Load(path, kind, 64, 48);
        EXPECT_TRUE(Near(b.PixelColor(16, 12), kRed, 12)) << name;
        EXPECT_TRUE(Near(b.PixelColor(48, 12), kGreen, 12)) << name;
        EXPECT_TRUE(Near(b.PixelColor(16, 36), kBlue, 12)) << name;
        EXPECT_TRUE(Near(b.PixelColor(48, 36), kWhite, 12)) << name;
    }
}

TEST_F(CodedFiles, AlphaIsComposedOverTheMatteAndDeepOrCmykTiffComesOutRight)
{
    const TRGBQuad before = AlphaMatte();
    SetAlphaMatte({40, 80, 120, 0});
    QImage alpha(3, 1, QImage::Format_ARGB32);
    alpha.setPixel(0, 0, qRgba(255, 255, 255, 0));
    alpha.setPixel(1, 0, qRgba(255, 0, 0, 128));
    alpha.setPixel(2, 0, qRgba(0, 0, 255, 255));
    for (const char *format : {"png", "webp", "tiff"}) {
        const TBitmap b = Load(Write(std::string("alpha.") + format, Encode(alpha, format, 100)),
                               TPictureFormats::Find(format)->Kind, 3, 1);
        EXPECT_EQ(b.PixelColor(0, 0), (TRGBQuad{40, 80, 120, 0})) << format;
        EXPECT_TRUE(Near(b.PixelColor(1, 0), {20, 40, 188, 0}, 1)) << format;
        EXPECT_EQ(b.PixelColor(2, 0), kBlue) << format;
    }
    EXPECT_EQ(Load(Write("t.gif", kGif), TGraphicKind::Gif, 3, 2).PixelColor(2, 1), (TRGBQuad{40, 80, 120, 0}));
    SetAlphaMatte(before);

    QImage deep(2, 1, QImage::Format_RGBX64);
    deep.setPixel(0, 0, qRgb(0, 0, 0));
    deep.setPixelColor(0, 0, QColor::fromRgba64(0x8080, 0xFFFF, 0x0101));
    deep.setPixelColor(1, 0, QColor::fromRgba64(0xFFFF, 0, 0));
    const TBitmap b16 = Load(Write("deep.tiff", Encode(deep, "tiff")), TGraphicKind::Tiff, 2, 1);
    EXPECT_EQ(b16.PixelColor(0, 0), (TRGBQuad{1, 255, 128, 0}));
    EXPECT_EQ(b16.PixelColor(1, 0), kRed);

    const TBitmap cmyk = Load(Write("cmyk.tif", kCmykTiff), TGraphicKind::Tiff, 2, 1);
    EXPECT_EQ(cmyk.PixelColor(0, 0), kRed);
    EXPECT_TRUE(Near(cmyk.PixelColor(1, 0), {127, 127, 127, 0}, 1));
}

TEST_F(CodedFiles, OrientationTurnsPngWebPAndTiff)
{
    // Stored 3 x 2 (red, green, blue / white, black, grey), shown turned right: 2 x 3.
    for (const auto &[name, bytes] : {std::pair{"o.png", kTurnedPng}, {"o.webp", kTurnedWebP}}) {
        const TBitmap b = Load(Write(name, bytes), TPictureFormats::Find(ExtractFileExt(name))->Kind, 2, 3);
        EXPECT_EQ(b.PixelColor(0, 0), kWhite) << name;
        EXPECT_EQ(b.PixelColor(1, 0), kRed) << name;
        EXPECT_EQ(b.PixelColor(0, 1), kBlack) << name;
        EXPECT_EQ(b.PixelColor(1, 1), kGreen) << name;
    }
    const Bytes tiff = Encode(Quadrants(8, 6), "tiff", -1, QImageIOHandler::TransformationRotate90);
    const TBitmap b = Load(Write("o.tiff", tiff), TGraphicKind::Tiff, 6, 8);
    EXPECT_EQ(b.PixelColor(0, 0), kBlue);
    EXPECT_EQ(b.PixelColor(5, 0), kRed);
}

TEST_F(CodedFiles, DamagedOrHugePicturesFailWithTheFileAndTheCause)
{
    Bytes png = Encode(Quadrants(8, 6), "png");
    const Bytes truncated(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2));
    for (const auto &[name, bytes] : {std::pair{"cut.png", truncated}, {"empty.gif", Bytes{}}, {"png.webp", png},
                                      {"noise.heic", Bytes(300, 7)}, {"noise.avif", png}, {"x.tiff", Bytes{'I', 'I'}}}) {
        const std::string error = LoadError(Write(name, bytes));
        EXPECT_NE(error.find(name), std::string::npos) << error;
        EXPECT_NE(error.find(TPictureFormats::Find(ExtractFileExt(name))->Description), std::string::npos) << error;
    }
    // A header claiming 40000 x 40000 is refused before any pixel memory is taken.
    png[16] = png[20] = 0, png[17] = png[21] = 0, png[18] = png[22] = 0x9C, png[19] = png[23] = 0x40;
    std::uint32_t crc = 0xFFFFFFFF;
    for (int i = 12; i < 29; ++i) {
        crc ^= png[static_cast<std::size_t>(i)];
        for (int k = 0; k < 8; ++k)
            crc = crc >> 1 ^ (0xEDB88320 & (0 - (crc & 1)));
    }
    crc = ~crc;
    for (int i = 0; i < 4; ++i)
        png[static_cast<std::size_t>(29 + i)] = static_cast<std::uint8_t>(crc >> (24 - 8 * i));
    const std::string huge = LoadError(Write("huge.png", png));
    EXPECT_NE(huge.find("huge.png"), std::string::npos) << huge;
    EXPECT_NE(huge.find("Picture too large: 40000 x 40000"), std::string::npos) << huge;

    TPicture p;
    p.LoadFromFile(Write("ok.gif", kGif));
    EXPECT_THROW(p.ReplacePixels(TBitmap(2, 2)), Error);
}
