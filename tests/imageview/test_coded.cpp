// SPDX-License-Identifier: GPL-3.0-or-later
// PNG, GIF, TIFF, WebP, HEIC and AVIF files made here (by Qt's writers, heif-enc, or
// as tiny byte strings made once with Pillow) read back as the pixels they hold.
#include "imageview/AlphaMatte.h"
#include "imageview/Picture.h"
#include "platform/Errors.h"
#include "platform/Files.h"

#include <QBuffer>
#include <QImage>
#include <QImageWriter>
#include <QProcess>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

using namespace quillo;

namespace {

using Bytes = std::vector<std::uint8_t>;

Bytes Hex(const std::string &hex)
{
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(static_cast<std::uint8_t>(std::stoi(hex.substr(i, 2), nullptr, 16)));
    return out;
}

// 3 x 2: red, green, blue / white, black, transparent.
const Bytes kGif = Hex(
    "47494638396103000200820000ff000000ff000000ffffffff00000000000000000000000021f90401000005002c0000000003000200"
    "000809000104103080408180003b");
// 2 x 1 CMYK: full magenta and yellow (red), then half black.
const Bytes kCmykTiff = Hex(
    "49492a00080000000a000001040001000000020000000101040001000000010000000201030004000000860000000301030001000000"
    "0100000006010300010000000500000011010400010000008e0000001501030001000000040000001601040001000000010000001701"
    "040001000000080000001c010300010000000100000000000000080008000800080000ffff0000000080");
// 3 x 2 stored red, green, blue / white, black, grey, with EXIF orientation 6.
const Bytes kTurnedPng = Hex(
    "89504e470d0a1a0a0000000d49484452000000030000000208020000001216f14d0000001a655849664d4d002a000000080001011200"
    "03000000010006000000000000d6674b690000001a49444154789c05c18101002008c020ec72bd7c81107acad8bd0f3ef206801cf8e7"
    "ce0000000049454e44ae426082");
const Bytes kTurnedWebP = Hex(
    "524946466c00000057454250565038580a000000080000000200000100005650384c2b0000002f024000002f20102048576e43405074"
    "dd7202018274e5e63f406c726c152848db80c5dd53b288fec7d50100455849461a0000004d4d002a0000000800010112000300000001"
    "0006000000000000");

const TRGBQuad kRed{0, 0, 255, 0}, kGreen{0, 255, 0, 0}, kBlue{255, 0, 0, 0}, kWhite{255, 255, 255, 0},
    kBlack{0, 0, 0, 0};

// Four flat quadrants, so lossy encoders keep each quadrant's centre close.
QImage Quadrants(int w, int h)
{
    QImage image(w, h, QImage::Format_RGB32);
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

bool Near(TRGBQuad a, TRGBQuad b, int tolerance)
{
    return std::abs(a.Red - b.Red) <= tolerance && std::abs(a.Green - b.Green) <= tolerance &&
           std::abs(a.Blue - b.Blue) <= tolerance;
}

class CodedFiles : public ::testing::Test {
protected:
    std::string Path(const std::string &name) const { return dir.path().toStdString() + "/" + name; }
    std::string Write(const std::string &name, const Bytes &bytes) const
    {
        SafeWriteFile(Path(name), bytes);
        return Path(name);
    }
    // Loads, checks the header's size before any decoding and the bytes kept, and decodes.
    TBitmap Load(const std::string &path, int w, int h) const
    {
        TPicture p;
        p.LoadFromFile(path);
        EXPECT_EQ(p.Kind(), TPictureFormats::Find(ExtractFileExt(path))->Kind) << path;
        EXPECT_EQ(p.Width(), w) << path;
        EXPECT_EQ(p.Height(), h) << path;
        EXPECT_EQ(p.SaveToBytes(), ReadFileBytes(path)) << path;
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
    const QImage quadrants = Quadrants(64, 48);
    ASSERT_TRUE(quadrants.save(QString::fromStdString(Path("q.png"))));
    const QString png = QString::fromStdString(Path("q.png"));
    ASSERT_EQ(QProcess::execute("heif-enc", {"-q", "90", "-o", QString::fromStdString(Path("h.heic")), png}), 0);
    ASSERT_EQ(QProcess::execute("heif-enc", {"-A", "-q", "90", "-o", QString::fromStdString(Path("a.avif")), png}), 0);
    Write("q.TIF", Encode(quadrants, "tiff"));
    Write("q.webp", Encode(quadrants, "webp", 100));
    for (const auto &[name, tolerance] : {std::pair{"q.png", 0}, {"q.TIF", 0}, {"q.webp", 0}, {"h.heic", 12}, {"a.avif", 12}}) {
        const TBitmap b = Load(Path(name), 64, 48);
        EXPECT_TRUE(Near(b.PixelColor(16, 12), kRed, tolerance)) << name;
        EXPECT_TRUE(Near(b.PixelColor(48, 12), kGreen, tolerance)) << name;
        EXPECT_TRUE(Near(b.PixelColor(16, 36), kBlue, tolerance)) << name;
        EXPECT_TRUE(Near(b.PixelColor(48, 36), kWhite, tolerance)) << name;
    }
    const TBitmap gif = Load(Write("a.gif", kGif), 3, 2);
    EXPECT_EQ(gif.PixelColor(0, 0), kRed);
    EXPECT_EQ(gif.PixelColor(2, 0), kBlue);
    EXPECT_EQ(gif.PixelColor(1, 1), kBlack);
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
        const TBitmap b = Load(Write(std::string("alpha.") + format, Encode(alpha, format, 100)), 3, 1);
        EXPECT_EQ(b.PixelColor(0, 0), (TRGBQuad{40, 80, 120, 0})) << format;
        EXPECT_TRUE(Near(b.PixelColor(1, 0), {20, 40, 188, 0}, 1)) << format;
        EXPECT_EQ(b.PixelColor(2, 0), kBlue) << format;
    }
    EXPECT_EQ(Load(Write("t.gif", kGif), 3, 2).PixelColor(2, 1), (TRGBQuad{40, 80, 120, 0}));
    SetAlphaMatte(before);

    QImage deep(2, 1, QImage::Format_RGBX64);
    deep.setPixelColor(0, 0, QColor::fromRgba64(0x8080, 0xFFFF, 0x0101));
    deep.setPixelColor(1, 0, QColor::fromRgba64(0xFFFF, 0, 0));
    const TBitmap b16 = Load(Write("deep.tiff", Encode(deep, "tiff")), 2, 1);
    EXPECT_EQ(b16.PixelColor(0, 0), (TRGBQuad{1, 255, 128, 0}));
    EXPECT_EQ(b16.PixelColor(1, 0), kRed);
    const TBitmap cmyk = Load(Write("cmyk.tif", kCmykTiff), 2, 1);
    EXPECT_EQ(cmyk.PixelColor(0, 0), kRed);
    EXPECT_TRUE(Near(cmyk.PixelColor(1, 0), {127, 127, 127, 0}, 1));
}

TEST_F(CodedFiles, OrientationTurnsPngWebPAndTiff)
{
    // Some writers keep the JPEG segment's "Exif\0\0" in front of the block.
    Bytes prefixed(kTurnedWebP.begin(), kTurnedWebP.end() - 26);
    prefixed.insert(prefixed.end(), {'E', 'x', 'i', 'f', 0, 0});
    prefixed.insert(prefixed.end(), kTurnedWebP.end() - 26, kTurnedWebP.end());
    prefixed[4] += 6, prefixed[prefixed.size() - 36] += 6; // the file's and the chunk's lengths
    // Stored 3 x 2 (red, green, blue / white, black, grey), shown turned right: 2 x 3.
    for (const auto &[name, bytes] :
         {std::pair{"o.png", kTurnedPng}, {"o.webp", kTurnedWebP}, {"prefixed.webp", prefixed}}) {
        const TBitmap b = Load(Write(name, bytes), 2, 3);
        EXPECT_EQ(b.PixelColor(0, 0), kWhite) << name;
        EXPECT_EQ(b.PixelColor(1, 0), kRed) << name;
        EXPECT_EQ(b.PixelColor(0, 1), kBlack) << name;
        EXPECT_EQ(b.PixelColor(1, 1), kGreen) << name;
    }
    const Bytes tiff = Encode(Quadrants(8, 6), "tiff", -1, QImageIOHandler::TransformationRotate90);
    const TBitmap b = Load(Write("o.tiff", tiff), 6, 8);
    EXPECT_EQ(b.PixelColor(0, 0), kBlue);
    EXPECT_EQ(b.PixelColor(5, 0), kRed);
}

TEST_F(CodedFiles, DamagedOrHugePicturesFailWithTheFileAndTheCause)
{
    const Bytes png = Encode(Quadrants(8, 6), "png");
    const Bytes truncated(png.begin(), png.begin() + static_cast<std::ptrdiff_t>(png.size() / 2));
    for (const auto &[name, bytes] : {std::pair{"cut.png", truncated}, {"empty.gif", Bytes{}}, {"png.webp", png},
                                      {"noise.heic", Bytes(300, 7)}, {"noise.avif", png}, {"x.tiff", Bytes{'I', 'I'}}}) {
        const std::string error = LoadError(Write(name, bytes));
        EXPECT_NE(error.find(name), std::string::npos) << error;
        EXPECT_NE(error.find(TPictureFormats::Find(ExtractFileExt(name))->Description), std::string::npos) << error;
    }
    // A header claiming 65535 x 65535 is refused before any pixel memory is taken.
    Bytes huge = kCmykTiff;
    huge[18] = huge[19] = huge[30] = huge[31] = 0xFF; // the width and height tags' values
    const std::string error = LoadError(Write("huge.tif", huge));
    EXPECT_NE(error.find("huge.tif"), std::string::npos) << error;
    EXPECT_NE(error.find("Picture too large: 65535 x 65535"), std::string::npos) << error;

    TPicture p;
    p.LoadFromFile(Write("ok.gif", kGif));
    EXPECT_THROW(p.ReplacePixels(TBitmap(2, 2)), Error);
}
