// SPDX-License-Identifier: GPL-3.0-or-later
// The view paints a copy made at the painted size. What it paints must be, pixel
// for pixel, what drawing the whole picture stretched into PictureRect without
// filtering paints: the reference here does exactly that with a full-size copy.
#include "imageview/JpegImage.h"
#include "imageview/NoiseBitmap.h"
#include "imageview/view/QloImage.h"

#include <QImage>
#include <QPainter>
#include <QRegion>
#include <QtMath>
#include <gtest/gtest.h>

#include <string>

using namespace quillo;
using quillo::test::Noise;

namespace {

const QRgb kUnpainted = qRgb(1, 2, 3);

// The view painted into an image of its size, over a colour nothing paints.
QImage Painted(TQloImage &view, const QRegion &region = {})
{
    QImage out(view.size(), QImage::Format_RGB32);
    out.fill(kUnpainted);
    // A region is rendered with its corner at the offset: keep it where it lies.
    view.render(&out, region.boundingRect().topLeft(), region, QWidget::RenderFlags());
    return out;
}

// The old way: a full-size copy drawn stretched into PictureRect.
QImage Reference(const TQloImage &view, const TBitmap &pixels)
{
    QImage out(view.size(), QImage::Format_RGB32);
    out.fill(kUnpainted);
    const TRect r = view.PictureRect();
    QPainter painter(&out);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, false);
    painter.drawImage(QRect(r.Left, r.Top, r.Width(), r.Height()), ToQImage(pixels, QImage::Format_RGB32));
    return out;
}

std::string Describe(const TQloImage &view, const TBitmap &b)
{
    const TRect r = view.PictureRect();
    return std::to_string(b.Width()) + "x" + std::to_string(b.Height()) + " (" + std::to_string(b.BitsPerPixel()) +
           " bits) in " + std::to_string(view.width()) + "x" + std::to_string(view.height()) + " at " +
           std::to_string(r.Left) + "," + std::to_string(r.Top) + " " + std::to_string(r.Width()) + "x" +
           std::to_string(r.Height());
}

int Differences(const QImage &a, const QImage &b)
{
    int n = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            n += a.pixel(x, y) != b.pixel(x, y);
    return n;
}

} // namespace

TEST(ViewDisplay, StretchedAndOwnSizePaintingMatchesTheFullSizeReference)
{
    struct Case {
        int w, h, bits, cw, ch;
        bool stretch, proportional, center;
    };
    const Case cases[] = {
        {600, 400, 24, 128, 80, true, true, false},    // exact fifth
        {601, 397, 24, 127, 85, true, true, true},     // odd sizes, fitted and centred
        {397, 601, 24, 130, 90, true, true, true},     // portrait
        {333, 211, 24, 333, 211, true, true, false},   // fitted at its own size
        {37, 23, 24, 200, 131, true, true, true},      // enlarged
        {37, 23, 24, 150, 40, true, false, false},     // filling, aspect ignored
        {1001, 13, 24, 97, 97, false, true, true},     // shrunk to fit only because too wide
        {211, 97, 8, 103, 77, true, true, false},      // palette picture
        {211, 97, 32, 103, 77, true, false, true},     // 32-bit picture
        {150, 90, 24, 100, 70, false, false, true},    // own size, overhanging both sides
        {61, 41, 24, 100, 70, false, true, false},     // smaller than the view: own size
        {61, 41, 8, 100, 70, false, false, true},      // own size, centred, palette
    };
    for (const Case &c : cases) {
        const TBitmap pixels = Noise(c.w, c.h, c.bits, static_cast<unsigned>(c.w * 7 + c.h));
        TQloImage view;
        view.resize(c.cw, c.ch);
        view.SetStretch(c.stretch);
        view.SetProportional(c.proportional);
        view.SetCenter(c.center);
        TPicture picture;
        picture.AssignBitmap(pixels);
        view.SetPicture(picture);
        const QImage painted = Painted(view);
        EXPECT_EQ(Differences(painted, Reference(view, pixels)), 0) << Describe(view, pixels);
        EXPECT_EQ(Painted(view), painted) << "a second paint from the kept copy " << Describe(view, pixels);
    }
}

TEST(ViewDisplay, ACopyFollowsResizesAndNewPictures)
{
    TQloImage view;
    view.SetStretch(true);
    view.SetProportional(true);
    const TBitmap first = Noise(640, 480, 24, 1), second = Noise(640, 480, 24, 2);
    TPicture picture;
    picture.AssignBitmap(first);
    view.SetPicture(picture);
    for (const QSize size : {QSize(160, 120), QSize(161, 119), QSize(333, 250)}) {
        view.resize(size);
        EXPECT_EQ(Differences(Painted(view), Reference(view, first)), 0) << Describe(view, first);
    }
    // Same size, new pixels: the kept buffer must be filled anew.
    picture.AssignBitmap(second);
    view.SetPicture(picture);
    EXPECT_EQ(Differences(Painted(view), Reference(view, second)), 0) << Describe(view, second);
    // The placement changes, the pixels stay.
    view.SetStretch(false);
    view.SetProportional(false);
    EXPECT_EQ(Differences(Painted(view), Reference(view, second)), 0) << Describe(view, second);
}

TEST(ViewDisplay, APartialRepaintAtOwnSizePaintsThatPartAsTheWholeWould)
{
    TQloImage view;
    view.resize(90, 70);
    view.SetCenter(true);
    const TBitmap pixels = Noise(120, 80, 24, 9);
    TPicture picture;
    picture.AssignBitmap(pixels);
    view.SetPicture(picture);
    const QRect part(13, 7, 31, 22);
    const QImage painted = Painted(view, QRegion(part));
    const QImage whole = Reference(view, pixels);
    for (int y = 0; y < view.height(); ++y)
        for (int x = 0; x < view.width(); ++x)
            ASSERT_EQ(painted.pixel(x, y), part.contains(x, y) ? whole.pixel(x, y) : kUnpainted) << x << "," << y;
}

TEST(ViewDisplay, AJpegPictureIsDecodedOnceAndPaintedAsItsPixels)
{
    const std::vector<std::uint8_t> data = EncodeJpeg(Noise(300, 200, 24, 4), 85);
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(data);
    TPicture picture;
    picture.AssignJpeg(jpeg);
    TQloImage view;
    view.resize(123, 77);
    view.SetStretch(true);
    view.SetProportional(true);
    view.SetPicture(picture);
    const TBitmap decoded = DecodeJpeg(data);
    EXPECT_EQ(Differences(Painted(view), Reference(view, decoded)), 0) << Describe(view, decoded);
    // The shown picture keeps its pixels for the next paint at another size.
    ASSERT_NE(view.Picture().AsJpeg(), nullptr);
    view.resize(200, 150);
    EXPECT_EQ(Differences(Painted(view), Reference(view, decoded)), 0) << Describe(view, decoded);
}

TEST(ViewDisplay, PixelsThatCannotBeDecodedPaintNothing)
{
    // A valid header claiming more pixels than a picture may have: it loads, and
    // fails when decoded.
    std::vector<std::uint8_t> data = EncodeJpeg(Noise(16, 16, 24, 5), 85);
    std::size_t sof = 0;
    while (sof + 9 < data.size() && !(data[sof] == 0xFF && data[sof + 1] == 0xC0))
        ++sof;
    ASSERT_LT(sof + 9, data.size());
    for (const std::size_t at : {sof + 5, sof + 7}) {
        data[at] = 0xEA; // 60,000 rows and columns
        data[at + 1] = 0x60;
    }
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(data);
    TPicture picture;
    picture.AssignJpeg(jpeg);
    TQloImage view;
    view.resize(50, 40);
    view.SetStretch(true);
    view.SetPicture(picture);
    QImage blank(view.size(), QImage::Format_RGB32);
    blank.fill(kUnpainted);
    EXPECT_EQ(Differences(Painted(view), blank), 0);
    EXPECT_EQ(Differences(Painted(view), blank), 0) << "and again, without a second try";
}

// Own size is one picture pixel per device pixel and a fitted picture is sampled at
// every device pixel, on any scale. The program also runs this test on a screen
// at scale factor 2 (ctest: forms_scale2), where a view that worked in logical
// pixels would draw each picture pixel as a 2 x 2 block.
TEST(ViewDisplay, OwnSizeAndFittedPicturesUseEveryDevicePixel)
{
    const TBitmap pixels = Noise(101, 67, 24, 12);
    TPicture picture;
    picture.AssignBitmap(pixels);
    TQloImage view;
    view.resize(120, 90);
    view.SetCenter(true);
    view.SetPicture(picture);
    const qreal ratio = view.devicePixelRatioF();
    const QImage reference = ToQImage(pixels, QImage::Format_RGB32);

    const TRect own = view.PictureRect();
    ASSERT_EQ(own.Width(), 101);
    ASSERT_EQ(own.Height(), 67);
    QImage shot = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(shot.size(), QSize(qRound(120 * ratio), qRound(90 * ratio)));
    for (int y = 0; y < 67; ++y)
        for (int x = 0; x < 101; ++x)
            ASSERT_EQ(shot.pixel(own.Left + x, own.Top + y), reference.pixel(x, y)) << x << "," << y;
    EXPECT_EQ(view.sizeHint(), QSize(qCeil(101 / ratio), qCeil(67 / ratio)));

    view.SetStretch(true);
    view.SetProportional(true);
    const TRect fitted = view.PictureRect();
    EXPECT_EQ(fitted.Width(), qRound(120 * ratio));
    shot = view.grab().toImage().convertToFormat(QImage::Format_RGB32);
    QImage expected(shot.size(), QImage::Format_RGB32);
    expected.fill(kUnpainted);
    QPainter painter(&expected);
    painter.drawImage(QRect(fitted.Left, fitted.Top, fitted.Width(), fitted.Height()), reference);
    painter.end();
    const QRect inside(fitted.Left, fitted.Top, fitted.Width(), fitted.Height());
    EXPECT_EQ(shot.copy(inside), expected.copy(inside));
}
