// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/JpegImage.h"
#include "imageview/JpegSamples.h"
#include "platform/Errors.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace quillo;
using namespace quillo::test;

namespace {

std::string ErrorText(const std::vector<std::uint8_t> &data)
{
    try {
        TJPEGImage jpeg;
        jpeg.LoadFromBytes(data);
        (void)jpeg.Bitmap();
    } catch (const Error &e) {
        return e.what();
    }
    return {};
}

} // namespace

TEST(Jpeg, EncodeThenDecodeKeepsColoursSizeAndZeroPadding)
{
    // 37 pixels make 111 bytes a row, padded to 112.
    const TBitmap source = QuadrantBitmap(37, 22);
    const std::vector<std::uint8_t> data = EncodeJpeg(source, 100);
    const TBitmap decoded = DecodeJpeg(data);
    ASSERT_EQ(decoded.Width(), 37);
    ASSERT_EQ(decoded.Height(), 22);
    EXPECT_EQ(decoded.BitsPerPixel(), 24);
    EXPECT_TRUE(HasQuadrants(decoded));
    EXPECT_TRUE(Near(decoded.PixelColor(0, 0), kRed));
    EXPECT_TRUE(Near(decoded.PixelColor(36, 21), kWhite));
    for (int y = 0; y < decoded.Height(); ++y)
        EXPECT_EQ(decoded.ScanLine(y)[111], 0) << "row " << y;
}

TEST(Jpeg, EncoderWritesBaselineAtTheGivenQuality)
{
    const TBitmap source = QuadrantBitmap(64, 64);
    const std::vector<std::uint8_t> q90 = EncodeJpeg(source, 90);
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(q90);
    EXPECT_FALSE(jpeg.ProgressiveEncoding());
    EXPECT_FALSE(jpeg.Grayscale());
    // Baseline frames start with SOF0 (FF C0).
    bool sof0 = false;
    for (std::size_t i = 0; i + 1 < q90.size(); ++i)
        sof0 = sof0 || (q90[i] == 0xFF && q90[i + 1] == 0xC0);
    EXPECT_TRUE(sof0);
    EXPECT_LT(EncodeJpeg(source, 20).size(), q90.size());
    EXPECT_THROW(EncodeJpeg(TBitmap(), 90), Error);
    EXPECT_THROW(EncodeJpeg(source, 0), Error);
    // Palette pictures are encoded through their colours.
    TBitmap palette(4, 4, 8);
    palette.ColorTable().assign(256, TRGBQuad{0, 0, 255, 0});
    EXPECT_TRUE(Near(DecodeJpeg(EncodeJpeg(palette, 95)).PixelColor(2, 2), kRed));
}

struct VariantCase {
    const char *name;
    JpegVariant variant;
    bool invertedCmyk = true;
};

class JpegVariants : public ::testing::TestWithParam<VariantCase> {};

TEST_P(JpegVariants, DecodeToTheRightColours)
{
    const VariantCase &c = GetParam();
    const int w = 64, h = 48;
    const std::vector<std::uint8_t> data =
        EncodeWithLibjpeg(w, h, QuadrantSamples(w, h, c.variant.components, c.invertedCmyk), c.variant);
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(data);
    EXPECT_EQ(jpeg.Width(), w);
    EXPECT_EQ(jpeg.Height(), h);
    EXPECT_EQ(jpeg.ProgressiveEncoding(), c.variant.progressive);
    EXPECT_EQ(jpeg.Grayscale(), c.variant.components == 1);
    const TBitmap &b = jpeg.Bitmap();
    ASSERT_EQ(b.Width(), w);
    ASSERT_EQ(b.Height(), h);
    if (c.variant.components == 1) {
        const int expected[4] = {76, 150, 29, 255};
        for (int q = 0; q < 4; ++q) {
            const TRGBQuad p = b.PixelColor((q % 2) * w / 2 + w / 4, (q / 2) * h / 2 + h / 4);
            EXPECT_NEAR(p.Red, expected[q], 3);
            EXPECT_EQ(p.Red, p.Green);
            EXPECT_EQ(p.Red, p.Blue);
        }
    } else {
        EXPECT_TRUE(HasQuadrants(b));
    }
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, JpegVariants,
    ::testing::Values(
        VariantCase{"Greyscale", {.components = 1, .inSpace = JCS_GRAYSCALE, .fileSpace = JCS_GRAYSCALE}},
        VariantCase{"Rgb", {.fileSpace = JCS_RGB}},
        VariantCase{"AdobeCmyk", {.components = 4, .inSpace = JCS_CMYK, .fileSpace = JCS_CMYK}},
        VariantCase{"AdobeYcck", {.components = 4, .inSpace = JCS_CMYK, .fileSpace = JCS_YCCK}},
        VariantCase{"PlainCmyk",
                    {.components = 4, .inSpace = JCS_CMYK, .fileSpace = JCS_CMYK, .adobeMarker = false},
                    false},
        VariantCase{"Progressive", {.progressive = true}},
        VariantCase{"Arithmetic", {.arithmetic = true}},
        VariantCase{"ProgressiveArithmetic", {.progressive = true, .arithmetic = true}},
        VariantCase{"RestartMarkers", {.restartInterval = 1}},
        VariantCase{"FullChroma", {.fullChroma = true}}),
    [](const ::testing::TestParamInfo<VariantCase> &info) { return std::string(info.param.name); });

TEST(Jpeg, UntouchedPictureSavesItsBytesAndCopiesAreIndependent)
{
    const std::vector<std::uint8_t> original =
        EncodeWithLibjpeg(32, 32, QuadrantSamples(32, 32, 3), {.progressive = true});
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(original);
    EXPECT_EQ(jpeg.SaveToBytes(), original);
    (void)jpeg.Bitmap(); // decoding is not a change
    EXPECT_EQ(jpeg.SaveToBytes(), original);
    EXPECT_FALSE(jpeg.PixelsReplaced());

    TJPEGImage copy = jpeg;
    copy.Assign(QuadrantBitmap(16, 8));
    EXPECT_TRUE(copy.PixelsReplaced());
    EXPECT_EQ(copy.Width(), 16);
    EXPECT_EQ(jpeg.Width(), 32);
    EXPECT_EQ(jpeg.SaveToBytes(), original);
    const std::vector<std::uint8_t> fresh = copy.SaveToBytes();
    EXPECT_NE(fresh, original);
    const TBitmap again = DecodeJpeg(fresh);
    EXPECT_EQ(again.Width(), 16);
    EXPECT_TRUE(HasQuadrants(again));

    // Giving the bytes back keeps the pixels and refuses to save rather than encode
    // anew; a picture never decoded keeps its bytes.
    TJPEGImage browsed = jpeg, undecoded;
    undecoded.LoadFromBytes(original);
    undecoded.ReleaseBytes();
    EXPECT_EQ(undecoded.SaveToBytes(), original);
    browsed.ReleaseBytes();
    EXPECT_FALSE(browsed.PixelsReplaced());
    EXPECT_THROW(browsed.SaveToBytes(), Error);
    EXPECT_EQ(browsed.Bitmap(), jpeg.Bitmap());
}

TEST(Jpeg, NotJpegDataIsAnErrorWithLibjpegsMessage)
{
    EXPECT_NE(ErrorText({}), "");
    EXPECT_EQ(ErrorText({'B', 'M', 0, 0, 0, 0}).rfind("Not a JPEG file", 0), 0u) << ErrorText({'B', 'M', 0});
    EXPECT_NE(ErrorText({0xFF, 0xD8, 0xFF, 0xD9}), ""); // no image in it
}

TEST(Jpeg, EveryTruncationIsAnErrorOrAPictureOfTheHeadersSize)
{
    const std::vector<std::uint8_t> full = EncodeJpeg(QuadrantBitmap(48, 32), 90);
    const std::size_t scanStart = ScanDataStart(full);
    ASSERT_LT(scanStart, full.size());
    for (std::size_t n = 0; n < full.size(); ++n) {
        const std::vector<std::uint8_t> cut(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(n));
        TJPEGImage jpeg;
        if (n + 12 < scanStart) {
            // Without its first scan header there is no picture at all.
            EXPECT_THROW(jpeg.LoadFromBytes(cut), Error) << n;
            continue;
        }
        try {
            jpeg.LoadFromBytes(cut);
            const TBitmap &b = jpeg.Bitmap();
            EXPECT_EQ(b.Width(), 48);
            EXPECT_EQ(b.Height(), 32);
        } catch (const Error &) {
            // Cut inside the scan header: refused at load or at decode.
            EXPECT_LT(n, scanStart) << n;
        }
    }
    // Cut inside the scan data: shown as far as it goes, the rest grey.
    TJPEGImage part;
    part.LoadFromBytes(std::vector<std::uint8_t>(full.begin(), full.begin() + static_cast<std::ptrdiff_t>(scanStart + 40)));
    EXPECT_TRUE(Near(part.Bitmap().PixelColor(2, 2), kRed));
    EXPECT_TRUE(Near(part.Bitmap().PixelColor(47, 31), {128, 128, 128}));
}

TEST(Jpeg, RandomDamageNeverCrashes)
{
    const std::vector<std::uint8_t> good = EncodeWithLibjpeg(40, 24, QuadrantSamples(40, 24, 3),
                                                             {.progressive = true, .restartInterval = 2});
    std::mt19937 rng(7);
    int failures = 0;
    for (int round = 0; round < 300; ++round) {
        std::vector<std::uint8_t> bad = good;
        const int flips = 1 + static_cast<int>(rng() % 8);
        for (int i = 0; i < flips; ++i)
            bad[rng() % bad.size()] = static_cast<std::uint8_t>(rng());
        try {
            TJPEGImage jpeg;
            jpeg.LoadFromBytes(bad);
            const TBitmap &b = jpeg.Bitmap();
            EXPECT_EQ(b.Width(), jpeg.Width());
            EXPECT_EQ(b.Height(), jpeg.Height());
        } catch (const Error &) {
            ++failures;
        }
    }
    EXPECT_GT(failures, 0);
}

TEST(Jpeg, AbsurdDimensionsAreRefusedWhenDecodedNotWhenTheHeaderIsRead)
{
    // A preloaded picture parses only its header; the pixel limit waits for the pixels.
    std::vector<std::uint8_t> data = EncodeJpeg(QuadrantBitmap(16, 16), 90);
    SetFrameSize(data, 65000, 65000);
    TJPEGImage jpeg;
    jpeg.LoadFromBytes(data);
    EXPECT_EQ(jpeg.Width(), 65000);
    EXPECT_EQ(jpeg.Height(), 65000);
    try {
        (void)jpeg.Bitmap();
        FAIL() << "decoded a 65000 x 65000 picture";
    } catch (const Error &e) {
        EXPECT_STREQ(e.what(), "Cannot decode the JPEG picture: Picture too large: 65000 x 65000 is 4225000000 "
                               "pixels, more than the limit of 357913941 pixels");
    }
    EXPECT_THROW(jpeg.ToBitmap(), Error);
    EXPECT_THROW(DecodeJpeg(data), Error);
    EXPECT_EQ(jpeg.SaveToBytes(), data); // still written back as it was
    // A progressive file is read in full when decoding starts: the limit must come
    // before that, not after libjpeg has set out to buffer 1.2 GB of coefficients.
    std::vector<std::uint8_t> progressive =
        EncodeWithLibjpeg(16, 16, QuadrantSamples(16, 16, 3), {.progressive = true});
    SetFrameSize(progressive, 20000, 20000);
    EXPECT_NE(ErrorText(progressive).find("Picture too large: 20000 x 20000"), std::string::npos)
        << ErrorText(progressive);
}

TEST(Jpeg, EmptyDataSaysItIsEmpty)
{
    TJPEGImage jpeg;
    try {
        jpeg.LoadFromBytes({});
        FAIL() << "accepted";
    } catch (const Error &e) {
        EXPECT_STREQ(e.what(), "The file is empty");
    }
}

TEST(Jpeg, ProgressiveCoefficientsStayWithinTheMemoryBound)
{
    // 16000 x 16000 passes the pixel limit, but 4:4:4 progressive coefficients
    // would need 1.5 GB: refused by libjpeg's memory bound, not allocated.
    std::vector<std::uint8_t> data =
        EncodeWithLibjpeg(16, 16, QuadrantSamples(16, 16, 3), {.progressive = true, .fullChroma = true});
    SetFrameSize(data, 16000, 16000);
    EXPECT_NE(ErrorText(data).find("more working memory"), std::string::npos) << ErrorText(data);
}

TEST(Jpeg, ScanFloodIsRefused)
{
    // Legal but absurd: every AC coefficient in its own band, refined bit by bit.
    std::vector<jpeg_scan_info> scans;
    scans.push_back({1, {0}, 0, 0, 0, 0});
    for (int k = 1; k < 64; ++k) {
        scans.push_back({1, {0}, k, k, 0, 10});
        for (int al = 9; al >= 0; --al)
            scans.push_back({1, {0}, k, k, al + 1, al});
    }
    ASSERT_GT(scans.size(), 600u);
    const std::vector<std::uint8_t> data = EncodeWithLibjpeg(
        16, 16, QuadrantSamples(16, 16, 1),
        {.components = 1, .inSpace = JCS_GRAYSCALE, .fileSpace = JCS_GRAYSCALE, .progressive = true,
         .scans = scans.data(), .scanCount = static_cast<int>(scans.size())});
    EXPECT_NE(ErrorText(data).find("too many scans"), std::string::npos) << ErrorText(data);
}

TEST(Jpeg, WarningsDoNotAbortButAFloodDoes)
{
    // Restart markers renumbered out of sequence: libjpeg warns at every one and
    // resynchronises, so the picture still decodes.
    auto renumbered = [](int w, int h) {
        std::vector<std::uint8_t> data = EncodeWithLibjpeg(
            w, h, QuadrantSamples(w, h, 1),
            {.components = 1, .inSpace = JCS_GRAYSCALE, .fileSpace = JCS_GRAYSCALE, .restartInterval = 1});
        RenumberRestartMarkers(data, ScanDataStart(data));
        return data;
    };
    const std::vector<std::uint8_t> some = renumbered(160, 64); // 160 restarts
    const TBitmap b = DecodeJpeg(some);
    EXPECT_NEAR(b.PixelColor(10, 10).Red, 76, 3);
    EXPECT_NEAR(b.PixelColor(150, 60).Red, 255, 3);
    const std::string flood = ErrorText(renumbered(320, 256)); // 1280 restarts
    EXPECT_NE(flood.find("damaged"), std::string::npos) << flood;
}

TEST(Jpeg, UnsupportedColourLayoutFailsAtDecodeNotAtLoad)
{
    // Two components: a valid header, but nothing libjpeg can turn into colour.
    std::vector<std::uint8_t> samples(16 * 16 * 2, 128);
    const std::vector<std::uint8_t> data =
        EncodeWithLibjpeg(16, 16, samples, {.components = 2, .inSpace = JCS_UNKNOWN, .fileSpace = JCS_UNKNOWN});
    TJPEGImage jpeg;
    ASSERT_NO_THROW(jpeg.LoadFromBytes(data));
    EXPECT_THROW((void)jpeg.Bitmap(), Error);
    EXPECT_EQ(jpeg.SaveToBytes(), data);
}
