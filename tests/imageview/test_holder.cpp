// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/BmpCodec.h"
#include "imageview/JpegSamples.h"
#include "imageview/QloImageHolder.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Services.h"
#include "FakeMessages.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>

using namespace quillo;
using namespace quillo::test;

namespace {

const std::string kOnlyBmpAndJpeg = "Kan alleen Bitmap en JPEG afbeeldingen roteren.";
const std::string kNoGraphic = "Unable to rotate. No graphic loaded.";
const std::string kCannotSave = "Kan de geroteerde afbeelding niet opslaan.\rControleer of het bestand niet op "
                                "\"Alleen-lezen\" staat.\r\rDe uitgevoerde rotatie is niet permanent!";

class FakeClipboard final : public IClipboardService {
public:
    void SetBitmap(const TBitmap &bitmap) override { bitmaps.push_back(bitmap); }
    std::vector<TBitmap> bitmaps;
};

// Installs the fakes for one test and puts the defaults back afterwards.
class HolderTest : public ::testing::Test {
protected:
    HolderTest()
    {
        SetClipboardService(&clipboard);
        SetMessageService(&messages);
        holder.OnError = [this](const std::string &origin, const std::string &message) {
            errors.emplace_back(origin, message);
        };
    }
    ~HolderTest() override
    {
        SetClipboardService(nullptr);
        SetMessageService(nullptr);
    }
    std::string Write(const std::string &name, const std::vector<std::uint8_t> &bytes) const
    {
        const std::string path = dir.path().toStdString() + "/" + name;
        SafeWriteFile(path, bytes);
        return path;
    }

    QTemporaryDir dir;
    FakeClipboard clipboard;
    FakeMessages messages;
    TQloImageHolder holder;
    std::vector<std::pair<std::string, std::string>> errors;
};

void SetPixel(TBitmap &b, int x, int y, Rgb c)
{
    std::uint8_t *p = b.ScanLine(y) + 3 * x;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
}

Rgb Distinct(int x, int y) { return {std::uint8_t(40 * x + 1), std::uint8_t(60 * y + 2), std::uint8_t(x + 7 * y)}; }

TBitmap DistinctBitmap(int w, int h)
{
    TBitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            SetPixel(b, x, y, Distinct(x, y));
    return b;
}

bool Is(const TRGBQuad &q, Rgb c) { return q.Red == c.r && q.Green == c.g && q.Blue == c.b; }

} // namespace

struct PlaceCase {
    int w, h, cw, ch;
    bool stretch, proportional, center;
    TRect expected;
};

class PlaceRectCases : public ::testing::TestWithParam<PlaceCase> {};

TEST_P(PlaceRectCases, MatchTheRule)
{
    const PlaceCase &c = GetParam();
    EXPECT_EQ(TQloImageHolder::PlaceRect(c.w, c.h, c.cw, c.ch, c.stretch, c.proportional, c.center), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Placement, PlaceRectCases,
    ::testing::Values(
        // Larger than the client: shrunk to fit whether or not Stretch is on.
        PlaceCase{400, 300, 200, 200, false, true, true, {0, 25, 200, 175}},
        PlaceCase{400, 300, 200, 200, true, true, true, {0, 25, 200, 175}},
        PlaceCase{300, 400, 200, 200, false, true, false, {0, 0, 150, 200}},
        // Smaller: own size unless stretched, then enlarged.
        PlaceCase{100, 50, 200, 200, false, true, false, {0, 0, 100, 50}},
        PlaceCase{100, 50, 200, 200, false, true, true, {50, 75, 150, 125}},
        PlaceCase{100, 50, 200, 200, true, true, false, {0, 0, 200, 100}},
        PlaceCase{100, 50, 200, 200, true, true, true, {0, 50, 200, 150}},
        // Neither: own size, centred with a negative shift when larger.
        PlaceCase{1000, 500, 200, 200, false, false, true, {-400, -150, 600, 350}},
        PlaceCase{1000, 500, 200, 200, false, false, false, {0, 0, 1000, 500}},
        // Stretch without Proportional fills the client; so does no picture.
        PlaceCase{100, 50, 300, 120, true, false, false, {0, 0, 300, 120}},
        PlaceCase{0, 0, 300, 120, true, false, false, {0, 0, 300, 120}},
        PlaceCase{0, 0, 300, 120, true, true, true, {0, 0, 300, 120}},
        // Square pictures take the height first, then the width is checked.
        PlaceCase{50, 50, 300, 120, true, true, false, {0, 0, 120, 120}},
        PlaceCase{50, 50, 120, 300, true, true, false, {0, 0, 120, 120}},
        // Wide picture in a flat client: the height limits, the width follows.
        PlaceCase{400, 200, 400, 100, false, true, false, {0, 0, 200, 100}},
        // Odd remainders of the centring shift truncate toward zero.
        PlaceCase{101, 51, 200, 200, false, false, true, {49, 74, 150, 125}},
        PlaceCase{201, 10, 200, 10, false, false, true, {0, 0, 201, 10}},
        // Extended precision: 10 / (5/3 as a double) is just below 6, 3 x (1/3) just
        // below 1; double arithmetic would give 6 and 1.
        PlaceCase{5, 3, 10, 10, true, true, false, {0, 0, 10, 5}},
        PlaceCase{1, 3, 3, 3, true, true, false, {0, 0, 0, 3}},
        PlaceCase{300, 900, 30, 30, false, true, false, {0, 0, 9, 30}}));

TEST_F(HolderTest, PictureRectUsesTheHeldPicture)
{
    holder.Picture.AssignBitmap(TBitmap(400, 300));
    holder.Proportional = true;
    holder.Center = true;
    EXPECT_EQ(holder.PictureRect(200, 200), (TRect{0, 25, 200, 175}));
}

TEST_F(HolderTest, ClipCopiesOneToOneAndBlackOutside)
{
    holder.Picture.AssignBitmap(DistinctBitmap(6, 4));
    holder.Clip({1, 1, 4, 3});
    ASSERT_EQ(clipboard.bitmaps.size(), 1u);
    const TBitmap &inside = clipboard.bitmaps[0];
    ASSERT_EQ(inside.Width(), 3);
    ASSERT_EQ(inside.Height(), 2);
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x)
            EXPECT_TRUE(Is(inside.PixelColor(x, y), Distinct(x + 1, y + 1))) << x << "," << y;

    holder.Clip({-2, -1, 7, 2});
    ASSERT_EQ(clipboard.bitmaps.size(), 2u);
    const TBitmap &over = clipboard.bitmaps[1];
    ASSERT_EQ(over.Width(), 9);
    ASSERT_EQ(over.Height(), 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 9; ++x) {
            const int sx = x - 2, sy = y - 1;
            const bool inPicture = sx >= 0 && sx < 6 && sy >= 0;
            EXPECT_TRUE(Is(over.PixelColor(x, y), inPicture ? Distinct(sx, sy) : Rgb{0, 0, 0})) << x << "," << y;
        }
}

TEST_F(HolderTest, EmptyClipDoesNothing)
{
    holder.Picture.AssignBitmap(DistinctBitmap(6, 4));
    int calls = 0;
    holder.OnClip = [&calls](TBitmap &) { ++calls; };
    holder.Clip({2, 1, 2, 3});
    holder.Clip({0, 3, 6, 3});
    EXPECT_EQ(calls, 0);
    EXPECT_TRUE(clipboard.bitmaps.empty());
}

TEST_F(HolderTest, OnClipMayReplaceWhatGoesToTheClipboard)
{
    holder.Picture.AssignBitmap(DistinctBitmap(6, 4));
    TBitmap seen;
    holder.OnClip = [&seen](TBitmap &clipped) {
        seen = clipped;
        clipped = QuadrantBitmap(10, 10);
    };
    holder.Clip({0, 0, 2, 2});
    EXPECT_EQ(seen.Width(), 2);
    ASSERT_EQ(clipboard.bitmaps.size(), 1u);
    EXPECT_EQ(clipboard.bitmaps[0], QuadrantBitmap(10, 10));
}

TEST_F(HolderTest, ClipOfAJpegOrPaletteHoldsTheirColours)
{
    holder.LoadFromFile(Write("photo.jpg", EncodeJpeg(QuadrantBitmap(32, 16), 95)));
    holder.Clip({0, 0, 32, 16});
    ASSERT_EQ(clipboard.bitmaps.size(), 1u);
    EXPECT_EQ(clipboard.bitmaps[0].BitsPerPixel(), 24);
    EXPECT_TRUE(HasQuadrants(clipboard.bitmaps[0]));

    TBitmap palette(4, 2, 8);
    palette.ColorTable() = {TRGBQuad{0, 0, 255, 0}, TRGBQuad{255, 0, 0, 0}};
    palette.ScanLine(1)[3] = 1;
    holder.Picture.AssignBitmap(palette);
    holder.Clip({2, 0, 4, 2});
    ASSERT_EQ(clipboard.bitmaps.size(), 2u);
    EXPECT_TRUE(Is(clipboard.bitmaps[1].PixelColor(0, 0), kRed));
    EXPECT_TRUE(Is(clipboard.bitmaps[1].PixelColor(1, 1), kBlue));
}

TEST_F(HolderTest, FailedLoadKeepsPictureAndFileName)
{
    int changes = 0;
    holder.OnChange = [&changes] { ++changes; };
    const std::string good = Write("good.JPEG", EncodeJpeg(QuadrantBitmap(8, 8), 90));
    holder.LoadFromFile(good);
    EXPECT_EQ(holder.FileName, good);
    EXPECT_EQ(holder.Picture.Kind(), TGraphicKind::Jpeg);
    EXPECT_EQ(changes, 1);
    EXPECT_THROW(holder.LoadFromFile(Write("other.gif", {1, 2, 3})), Error);
    EXPECT_THROW(holder.LoadFromFile(Write("bad.jpg", {1, 2, 3})), Error);
    EXPECT_EQ(holder.FileName, good);
    EXPECT_EQ(holder.Picture.Width(), 8);
    EXPECT_EQ(changes, 1);

    TQloImageHolder empty;
    EXPECT_THROW(empty.SaveToFile(dir.path().toStdString() + "/nothing.bmp"), Error);
}

TEST_F(HolderTest, RotateRefusesOtherKindsAndEmptyHolders)
{
    holder.AutoSave = true;
    holder.Picture.AssignBitmap(DistinctBitmap(3, 2));
    // Names in the test's own folder: a refusal that slipped must not write elsewhere.
    const std::string in = dir.path().toStdString() + "/";
    for (const std::string &name : {std::string(), in + "anim.gif", in + "noext", in + "dir.jpg/file"}) {
        holder.FileName = name;
        holder.Rotate(0);
    }
    EXPECT_EQ(messages.texts, std::vector<std::string>(4, kOnlyBmpAndJpeg));
    EXPECT_EQ(holder.Picture.Width(), 3);

    messages.texts.clear();
    holder.Picture.Clear();
    holder.FileName = in + "x.Jpeg";
    holder.Rotate(1);
    EXPECT_EQ(messages.texts, std::vector<std::string>{kNoGraphic});
    EXPECT_TRUE(errors.empty());
}

TEST_F(HolderTest, RotatedBitmapIsWrittenBack)
{
    // A B C over D E F.
    TBitmap b(3, 2, 24);
    const Rgb A{10, 0, 0}, B{20, 0, 0}, C{30, 0, 0}, D{40, 0, 0}, E{50, 0, 0}, F{60, 0, 0};
    SetPixel(b, 0, 0, A), SetPixel(b, 1, 0, B), SetPixel(b, 2, 0, C);
    SetPixel(b, 0, 1, D), SetPixel(b, 1, 1, E), SetPixel(b, 2, 1, F);
    const std::string path = Write("abc.bmp", WriteBmp(b));
    holder.AutoSave = true;
    holder.LoadFromFile(path);
    int changes = 0;
    holder.OnChange = [&changes] { ++changes; };
    holder.Rotate(2);
    EXPECT_EQ(changes, 1);
    const TBitmap turned = ReadBmpFile(path);
    ASSERT_EQ(turned.Width(), 2);
    ASSERT_EQ(turned.Height(), 3);
    const Rgb expected[3][2] = {{C, F}, {B, E}, {A, D}};
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 2; ++x)
            EXPECT_TRUE(Is(turned.PixelColor(x, y), expected[y][x])) << x << "," << y;
    EXPECT_EQ(holder.Picture.DrawBitmap(), turned);
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_TRUE(errors.empty());
}

TEST_F(HolderTest, FourQuarterTurnsOfAJpegAreLossless)
{
    // 64 x 32 fits the 16 x 16 blocks of a 4:2:0 picture: turned without decoding.
    const std::vector<std::uint8_t> original = EncodeJpeg(QuadrantBitmap(64, 32), 95);
    const std::string path = Write("photo.jpeg", original);
    holder.AutoSave = true;
    holder.LoadFromFile(path);
    holder.Rotate(0);
    TBitmap once = DecodeJpeg(ReadFileBytes(path));
    EXPECT_EQ(once.Width(), 32);
    EXPECT_EQ(once.Height(), 64);
    EXPECT_TRUE(Near(once.PixelColor(24, 8), kRed)); // red now top right
    EXPECT_EQ(holder.Picture.DrawBitmap(), once);
    for (int i = 0; i < 3; ++i) {
        TQloImageHolder fresh;
        fresh.AutoSave = true;
        fresh.LoadFromFile(path);
        // Browsed pictures keep their pixels only: the turn reads the file again.
        fresh.Picture.DrawBitmap();
        fresh.Picture.ReleaseFileBytes();
        fresh.Rotate(0);
    }
    // Pixel for pixel what the file held before (a new encoding would differ).
    EXPECT_EQ(DecodeJpeg(ReadFileBytes(path)), DecodeJpeg(original));
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(HolderTest, ReadOnlyFileKeepsItsContentsAndTheTurnStaysInMemory)
{
    const std::vector<std::uint8_t> original = EncodeJpeg(QuadrantBitmap(40, 20), 90);
    const std::string path = Write("locked.jpg", original);
    ASSERT_EQ(::chmod(path.c_str(), 0444), 0);
    holder.AutoSave = true;
    holder.LoadFromFile(path);
    holder.Rotate(1);
    EXPECT_EQ(ReadFileBytes(path), original);
    EXPECT_EQ(messages.texts, std::vector<std::string>{kCannotSave + "\r\r" + path + "\rThe file is read-only"});
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].first, "Rotate function, ExtImage component");
    EXPECT_EQ(errors[0].second.rfind("Cannot save to " + path + "\r", 0), 0u) << errors[0].second;
    EXPECT_GT(errors[0].second.size(), ("Cannot save to " + path + "\r").size());
    // Upside down in memory: white now top left.
    EXPECT_TRUE(Near(holder.Picture.DrawBitmap().PixelColor(5, 5), kWhite));
}

TEST_F(HolderTest, TurnStartsFromTheFileAsItIsNowAndAFailedWriteSaysWhy)
{
    const std::string path = Write("edited.jpg", EncodeJpeg(QuadrantBitmap(40, 20), 90));
    holder.AutoSave = true;
    holder.LoadFromFile(path);
    // Another program's edit after the load is what gets turned.
    Write("edited.jpg", EncodeJpeg(QuadrantBitmap(30, 64), 90));
    holder.Rotate(0);
    EXPECT_EQ(DecodeJpeg(ReadFileBytes(path)).Width(), 64);
    EXPECT_EQ(holder.Picture.Width(), 64);

    // A full disk: the fixed text, then the file and the reason; the file stays.
    const std::vector<std::uint8_t> before = ReadFileBytes(path);
    SetSafeWriteHook([](TSafeWriteStep step, void *) { return step == TSafeWriteStep::WriteChunk ? ENOSPC : 0; });
    holder.Rotate(1);
    SetSafeWriteHook(nullptr);
    EXPECT_EQ(messages.texts, std::vector<std::string>{kCannotSave + "\r\r" + path + "\rNo space left on device"});
    EXPECT_EQ(ReadFileBytes(path), before);

    // A file removed meanwhile is not made anew from memory.
    ASSERT_EQ(::unlink(path.c_str()), 0);
    holder.Rotate(1);
    ASSERT_EQ(messages.texts.size(), 2u);
    EXPECT_NE(messages.texts[1].find("No such file or directory"), std::string::npos) << messages.texts[1];
    EXPECT_FALSE(QFile::exists(QString::fromStdString(path)));
}

TEST_F(HolderTest, FailedTurnIsReportedOnlyToOnErrorAndStillWrittenBack)
{
    // A two-component JPEG: its header loads, its pixels cannot be decoded.
    const std::vector<std::uint8_t> odd = EncodeWithLibjpeg(
        16, 16, std::vector<std::uint8_t>(16 * 16 * 2, 99), {.components = 2, .inSpace = JCS_UNKNOWN, .fileSpace = JCS_UNKNOWN});
    const std::string path = Write("odd.jpg", odd);
    holder.AutoSave = true;
    holder.LoadFromFile(path);
    holder.Rotate(2);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].first, "uExtImage component, Rotate procedure");
    EXPECT_FALSE(errors[0].second.empty());
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_EQ(ReadFileBytes(path), odd); // written back unchanged

    errors.clear();
    holder.Rotate(7);
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].first, "uExtImage component, Rotate procedure");
}

TEST_F(HolderTest, PaletteFilesOfOddWidthAreTurnedAndWrittenInEveryKind)
{
    for (const int bits : {1, 4, 8}) {
        // 7 x 3, every pixel its own index where the depth allows.
        TBitmap b(7, 3, bits);
        const int colours = 1 << bits;
        for (int i = 0; i < colours; ++i)
            b.ColorTable().push_back({std::uint8_t(i * 37), std::uint8_t(255 - i * 11), std::uint8_t(i * 5), 0});
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 7; ++x) {
                const int index = (x + 7 * y) % colours;
                const int perByte = 8 / bits, shift = 8 - bits * (x % perByte + 1);
                std::uint8_t &byte = b.ScanLine(y)[x / perByte];
                byte = static_cast<std::uint8_t>(byte | index << shift);
            }
        for (const std::uint8_t kind : {0, 1, 2}) {
            const std::string what = std::to_string(bits) + " bits, kind " + std::to_string(kind);
            const std::string path = Write("palette.bmp", WriteBmp(b));
            TQloImageHolder h;
            h.AutoSave = true;
            h.LoadFromFile(path);
            h.Rotate(kind);
            const TBitmap turned = ReadBmpFile(path);
            // Only the quarter turn left keeps the depth and the table.
            EXPECT_EQ(turned.BitsPerPixel(), kind == 2 ? bits : 24) << what;
            EXPECT_EQ(turned.ColorTable().size(), kind == 2 ? b.ColorTable().size() : 0u) << what;
            EXPECT_EQ(turned.Width(), kind == 1 ? 7 : 3) << what;
            for (int y = 0; y < 3; ++y)
                for (int x = 0; x < 7; ++x) {
                    const int tx = kind == 0 ? 2 - y : kind == 1 ? 6 - x : y;
                    const int ty = kind == 0 ? x : kind == 1 ? 2 - y : 6 - x;
                    const TRGBQuad want = b.PixelColor(x, y), got = turned.PixelColor(tx, ty);
                    ASSERT_TRUE(want.Red == got.Red && want.Green == got.Green && want.Blue == got.Blue)
                        << what << " pixel " << x << "," << y;
                }
        }
    }
    EXPECT_TRUE(messages.texts.empty());
    EXPECT_TRUE(errors.empty());
}
