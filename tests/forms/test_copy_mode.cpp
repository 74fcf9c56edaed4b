// SPDX-License-Identifier: GPL-3.0-or-later
// Copy mode on the offscreen platform with a window of known size: scale and
// mapping, the drag rules, the smoothing of a clip, the whole-picture key, the
// preview, and saving a selection.
#include "forms/Forms.h"
#include "forms/fmCopyMode.h"
#include "forms/fmCopyPreview.h"
#include "forms/fmRender.h"
#include "forms/fmSettings.h"
#include "imageview/BmpCodec.h"
#include "imageview/JpegImage.h"
#include "imageview/view/QloImage.h"
#include "platform/Files.h"
#include "platform/Services.h"
#include "render/PixelOps.h"
#include "render/RenderTestUtil.h"
#include "render/Resample.h"
#include "FakeMessages.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <vector>

using namespace quillo;
using quillo::test::FakeMessages;
using quillo::test::MakeBitmap;
using quillo::test::PixelAt;
using quillo::test::RandomBitmap;
using quillo::test::TBgr;

namespace {

struct FakeClipboard : IClipboardService {
    std::optional<TBitmap> last;
    int writes = 0;
    void SetBitmap(const TBitmap &bitmap) override
    {
        last = bitmap;
        ++writes;
    }
};

// Copy mode with its modal run replaced: the window takes a fixed client size,
// the first activation is run, then the test's script, then Esc.
class TestCopyMode : public TfCopyMode {
public:
    QSize Client{1280, 1024};
    int Extent = 1280 + 1024;
    std::function<void(TestCopyMode &)> WhileOpen;
    Qt::WindowStates StateAtOpen;

protected:
    int RunModal() override
    {
        StateAtOpen = windowState();
        setWindowState(Qt::WindowNoState);
        resize(Client);
        show();
        FormActivate();
        if (WhileOpen)
            WhileOpen(*this);
        FormKeyDown(Qt::Key_Escape, Qt::NoModifier);
        hide();
        return result();
    }
    int ScreenExtent() const override { return Extent; }
};

class TestPreview : public TfCopyPreview {
public:
    QString Name;
    int Filter = kSaveAsJpeg;
    bool Cancel = false;
    QString AskedFolder;

protected:
    bool AskSaveName(const QString &AFolder, QString &AFileName, int &AFilterIndex) override
    {
        AskedFolder = AFolder;
        AFileName = Name;
        AFilterIndex = Filter;
        return !Cancel;
    }
};

// A view holding a copy of the bitmap, as the viewer or the render window hands it over.
struct ViewOf : TQloImage {
    explicit ViewOf(const TBitmap &bitmap)
    {
        TPicture picture;
        picture.AssignBitmap(bitmap);
        SetPicture(picture);
    }
};

// A cheap picture whose every pixel differs from its neighbours.
TBitmap Pattern(int w, int h)
{
    return MakeBitmap(w, h, [](int x, int y) { return TBgr{x & 255, y & 255, (x * 7 + y * 13) & 255}; });
}

TBitmap Cut(const TBitmap &source, const TRect &r)
{
    return MakeBitmap(r.Width(), r.Height(), [&](int x, int y) {
        return PixelAt(source, r.Left + x, r.Top + y);
    });
}

// What a clip of r must give: rendered at twice its size with the filter, halved.
TBitmap Smoothed(const TBitmap &source, const TRect &r, int filter)
{
    TBitmap twice;
    Resample(2 * r.Width(), 2 * r.Height(), static_cast<TFilterKind>(filter), 0.0f, Cut(source, r), twice);
    return HalveBitmap(twice);
}

void Drag(TfCopyMode &w, QPoint from, QPoint to, Qt::KeyboardModifiers keys = Qt::ControlModifier)
{
    w.QloImage1MouseDown(Qt::LeftButton, keys, from.x(), from.y());
    w.QloImage1MouseMove(keys, to.x(), to.y());
    w.QloImage1MouseUp(Qt::LeftButton, keys, to.x(), to.y());
}

class CopyMode : public ::testing::Test {
protected:
    CopyMode() : previousSettings_(fSettings), previousPreview_(fCopyPreview)
    {
        fSettings = &settings;
        fCopyPreview = &preview;
        settings.SetFilterIndex(6); // Mitchell, not the default
        SetMessageService(&messages);
        SetClipboardService(&clipboard);
    }
    ~CopyMode() override
    {
        fSettings = previousSettings_;
        fCopyPreview = previousPreview_;
        SetMessageService(nullptr);
        SetClipboardService(nullptr);
    }

    TfSettings settings;
    TestPreview preview;
    TestCopyMode window;
    FakeMessages messages;
    FakeClipboard clipboard;

private:
    TfSettings *previousSettings_;
    TfCopyPreview *previousPreview_;
};

} // namespace

// The worked example: a large picture opens fitted, and a frame in window pixels
// becomes a rectangle of picture pixels, rounded half up.
TEST_F(CopyMode, LargePictureStartsFittedAndMapsTheFrameWithItsScale)
{
    const TBitmap source = Pattern(4000, 3000);
    const ViewOf view(source);
    window.WhileOpen = [&](TestCopyMode &w) {
        EXPECT_TRUE(w.QloImage1->Stretch());
        EXPECT_EQ(w.QloImage1->PictureRect(), (TRect{0, 0, 1280, 960}));
        EXPECT_EQ(w.Scale, 3.125L);
        EXPECT_EQ(w.MapToPicture(TRect{100, 100, 200, 150}), (TRect{313, 313, 625, 469}));
        Drag(w, {100, 100}, {200, 150});
        EXPECT_FALSE(w.Selecting);
        EXPECT_FALSE(w.Frame->Shown());
        EXPECT_TRUE(preview.isVisible());
    };
    window.ShowPicture(view);

    ASSERT_TRUE(clipboard.last);
    EXPECT_EQ(clipboard.last->Width(), 312);
    EXPECT_EQ(clipboard.last->Height(), 156);
    EXPECT_EQ(clipboard.last->BitsPerPixel(), 24);
    EXPECT_EQ(*clipboard.last, Smoothed(source, TRect{313, 313, 625, 469}, 6));
    // The preview shows the same result, fitted, and closes with copy mode.
    EXPECT_EQ(preview.QloImage1->Picture().DrawBitmap(), *clipboard.last);
    EXPECT_TRUE(preview.QloImage1->Stretch());
    EXPECT_FALSE(preview.isVisible());
    EXPECT_EQ(window.StateAtOpen & (Qt::WindowFullScreen | Qt::WindowMaximized), Qt::WindowFullScreen);
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_EQ(messages.texts[0], TfCopyMode::kOpeningMessage);
}

TEST_F(CopyMode, OwnSizeClipHasTheFrameSizeAndOddWidthsSurviveTheHalving)
{
    const TBitmap source = RandomBitmap(300, 200, 5);
    const ViewOf view(source);
    window.WhileOpen = [&](TestCopyMode &w) {
        EXPECT_FALSE(w.QloImage1->Stretch());
        EXPECT_EQ(w.Scale, 1.0L);
        Drag(w, {10, 20}, {60, 45});
        ASSERT_TRUE(clipboard.last);
        EXPECT_EQ(*clipboard.last, Smoothed(source, TRect{10, 20, 60, 45}, 6));
        // 2k + 1 wide is rendered at 4k + 2 and halved back to 2k + 1.
        Drag(w, {3, 4}, {10, 9});
        EXPECT_EQ(clipboard.last->Width(), 7);
        EXPECT_EQ(clipboard.last->Height(), 5);
        EXPECT_EQ(*clipboard.last, Smoothed(source, TRect{3, 4, 10, 9}, 6));
    };
    window.ShowPicture(view);
    EXPECT_EQ(clipboard.writes, 2);
}

TEST_F(CopyMode, FitToggleSwitchesScaleAndTheFirstActivationRecomputesIt)
{
    const ViewOf view(Pattern(400, 300));
    window.Client = QSize(128, 102);
    window.Extent = 100; // 400 + 300 exceeds it: opens fitted
    window.WhileOpen = [&](TestCopyMode &w) {
        // Fitted into 128 x 96 after the activation, whatever size the window had before.
        EXPECT_EQ(w.Scale, 3.125L);
        EXPECT_FALSE(w.FirstActivate);
        w.QloImage1DblClick();
        EXPECT_FALSE(w.QloImage1->Stretch());
        EXPECT_FALSE(w.QloImage1->Proportional());
        EXPECT_EQ(w.Scale, 1.0L);
        w.QloImage1DblClick();
        EXPECT_TRUE(w.QloImage1->Proportional());
        EXPECT_EQ(w.Scale, 3.125L);
    };
    window.ShowPicture(view);

    // Every opening starts afresh: a small picture at its own size.
    window.Extent = 10000;
    window.WhileOpen = [&](TestCopyMode &w) {
        EXPECT_FALSE(w.QloImage1->Stretch());
        EXPECT_EQ(w.Scale, 1.0L);
    };
    window.ShowPicture(view);
    EXPECT_EQ(messages.texts.size(), 2u);
}

// A second Ctrl+click and an Esc that reach the window while a clip is being
// smoothed (the clip lets the windows paint once) neither start a nested clip nor
// reopen the preview over a closed window: the clip ends, then the window closes.
TEST_F(CopyMode, ASecondClickAndAnEscDuringAClipNeitherNestNorReopen)
{
    const TBitmap source = RandomBitmap(300, 200, 5);
    const ViewOf view(source);
    window.WhileOpen = [&](TestCopyMode &w) {
        const auto post = [&](QEvent::Type type, QPoint at, Qt::MouseButtons buttons) {
            QCoreApplication::postEvent(w.QloImage1, new QMouseEvent(type, QPointF(at), QPointF(w.QloImage1->mapToGlobal(at)),
                                                                     Qt::LeftButton, buttons, Qt::ControlModifier));
        };
        post(QEvent::MouseButtonPress, {100, 100}, Qt::LeftButton);
        post(QEvent::MouseMove, {150, 150}, Qt::LeftButton);
        post(QEvent::MouseButtonRelease, {150, 150}, Qt::NoButton);
        QCoreApplication::postEvent(&w, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
        Drag(w, {10, 20}, {60, 45});
        EXPECT_FALSE(w.isVisible());
        EXPECT_EQ(w.result(), QDialog::Rejected);
        EXPECT_FALSE(preview.isVisible());
        EXPECT_FALSE(w.Selecting);
        EXPECT_FALSE(w.Frame->Shown());
    };
    window.ShowPicture(view);
    EXPECT_EQ(clipboard.writes, 1);
    ASSERT_TRUE(clipboard.last);
    EXPECT_EQ(*clipboard.last, Smoothed(source, TRect{10, 20, 60, 45}, 6));
}

TEST_F(CopyMode, DragsUpOrLeftAndDragsWithoutCtrlClipNothing)
{
    const ViewOf view(Pattern(300, 200));
    window.WhileOpen = [&](TestCopyMode &w) {
        Drag(w, {50, 50}, {20, 80});
        EXPECT_FALSE(w.Frame->Shown());
        Drag(w, {50, 50}, {80, 20});
        Drag(w, {50, 50}, {50, 50}); // a click clips an empty rectangle
        EXPECT_FALSE(w.Frame->Shown());
        Drag(w, {10, 10}, {80, 80}, Qt::NoModifier);
        EXPECT_FALSE(w.Selecting);
        w.QloImage1MouseDown(Qt::RightButton, Qt::ControlModifier, 10, 10);
        EXPECT_FALSE(w.Selecting);
    };
    window.ShowPicture(view);
    EXPECT_EQ(clipboard.writes, 0);
    EXPECT_FALSE(preview.isVisible());
}

TEST_F(CopyMode, ReleasingCtrlFreezesTheFrameAndTheReleaseStillClips)
{
    const ViewOf view(Pattern(300, 200));
    window.WhileOpen = [&](TestCopyMode &w) {
        w.QloImage1MouseDown(Qt::LeftButton, Qt::ControlModifier, 10, 10);
        EXPECT_TRUE(w.Frame->Shown());
        w.QloImage1MouseMove(Qt::ControlModifier, 30, 40);
        w.QloImage1MouseMove(Qt::NoModifier, 90, 90);
        EXPECT_EQ(w.SelRect, (TRect{10, 10, 30, 40}));
        EXPECT_EQ(w.Frame->FrameRect(), (TRect{10, 10, 30, 40}));
        w.QloImage1MouseUp(Qt::LeftButton, Qt::NoModifier, 90, 90);
        EXPECT_FALSE(w.Frame->Shown());
    };
    window.ShowPicture(view);
    ASSERT_TRUE(clipboard.last);
    EXPECT_EQ(clipboard.last->Width(), 20);
    EXPECT_EQ(clipboard.last->Height(), 30);
}

TEST_F(CopyMode, MouseMovesStopAtThePicturesRightAndBottomEdge)
{
    const ViewOf view(Pattern(100, 80));
    window.WhileOpen = [&](TestCopyMode &w) {
        w.QloImage1MouseDown(Qt::LeftButton, Qt::ControlModifier, 90, 70);
        w.QloImage1MouseMove(Qt::ControlModifier, 500, 400);
        EXPECT_EQ(w.SelRect, (TRect{90, 70, 100, 80}));
        // There is no lower limit.
        w.QloImage1MouseMove(Qt::ControlModifier, -5, -7);
        EXPECT_EQ(w.SelRect, (TRect{90, 70, -5, -7}));
        w.QloImage1MouseUp(Qt::LeftButton, Qt::ControlModifier, 0, 0);
    };
    window.ShowPicture(view);
    EXPECT_EQ(clipboard.writes, 0);
}

// The limits act before the mapping rounds, so a fitted frame may reach a pixel
// past the picture; only what lies on the picture is clipped, never black edges.
TEST_F(CopyMode, FittedFramePastTheEdgeIsCutToThePicture)
{
    window.Client = QSize(128, 102);
    window.Extent = 100;
    bool found = false;
    for (int pw = 400; pw < 440 && !found; ++pw) {
        const TBitmap source = MakeBitmap(pw, 300, [](int, int) { return TBgr{200, 200, 200}; });
        const ViewOf view(source);
        window.WhileOpen = [&](TestCopyMode &w) {
            const int limit = static_cast<int>(std::trunc(pw / w.Scale + 0.5L));
            if (w.MapToPicture(TRect{0, 0, limit, 0}).Right <= pw)
                return;
            found = true;
            Drag(w, {limit - 10, 10}, {limit + 50, 20});
            EXPECT_EQ(w.SelRect.Right, limit);
        };
        window.ShowPicture(view);
        if (!found)
            continue;
        ASSERT_TRUE(clipboard.last);
        const int left = static_cast<int>(std::trunc((window.SelRect.Left) * window.Scale + 0.5L));
        EXPECT_EQ(clipboard.last->Width(), pw - left);
        for (int x = 0; x < clipboard.last->Width(); ++x)
            EXPECT_EQ(PixelAt(*clipboard.last, x, 0), (TBgr{200, 200, 200})) << x;
    }
    EXPECT_TRUE(found);
}

TEST_F(CopyMode, CtrlAClipsTheWholeFittedPictureAndLeavesNoFrame)
{
    const TBitmap source = RandomBitmap(400, 300, 9);
    const ViewOf view(source);
    window.Client = QSize(128, 102);
    window.Extent = 100;
    window.WhileOpen = [&](TestCopyMode &w) {
        EXPECT_TRUE(w.FormKeyDown(Qt::Key_A, Qt::ControlModifier));
        EXPECT_FALSE(w.Frame->Shown());
        EXPECT_FALSE(w.Selecting);
        // Also in the middle of a drag.
        w.QloImage1MouseDown(Qt::LeftButton, Qt::ControlModifier, 5, 5);
        w.QloImage1MouseMove(Qt::ControlModifier, 20, 20);
        w.FormKeyDown(Qt::Key_A, Qt::ControlModifier);
        EXPECT_FALSE(w.Frame->Shown());
        EXPECT_FALSE(w.FormKeyDown(Qt::Key_A, Qt::NoModifier));
    };
    window.ShowPicture(view);
    EXPECT_EQ(clipboard.writes, 2);
    ASSERT_TRUE(clipboard.last);
    EXPECT_EQ(*clipboard.last, Smoothed(source, TRect{0, 0, 400, 300}, 6));
}

TEST_F(CopyMode, TheFrameInvertsThePixelsUnderIt)
{
    const ViewOf view(MakeBitmap(200, 100, [](int, int) { return TBgr{0, 0, 0}; }));
    window.WhileOpen = [&](TestCopyMode &w) {
        w.QloImage1MouseDown(Qt::LeftButton, Qt::ControlModifier, 10, 10);
        w.QloImage1MouseMove(Qt::ControlModifier, 50, 40);
        const QImage shot = w.QloImage1->grab().toImage();
        // Every other pixel of the outline is inverted; the right and bottom edges are exclusive.
        for (int x = 10; x < 50; ++x) {
            EXPECT_EQ(qGray(shot.pixel(x, 10)), x % 2 == 0 ? 255 : 0) << x;
            EXPECT_EQ(qGray(shot.pixel(x, 39)), x % 2 == 1 ? 255 : 0) << x;
        }
        for (int y = 10; y < 40; ++y)
            EXPECT_EQ(qGray(shot.pixel(49, y)), y % 2 == 1 ? 255 : 0) << y;
        EXPECT_EQ(qGray(shot.pixel(50, 11)), 0);
        EXPECT_EQ(qGray(shot.pixel(30, 25)), 0);
        w.QloImage1MouseUp(Qt::LeftButton, Qt::ControlModifier, 50, 40);
        const QImage after = w.QloImage1->grab().toImage();
        EXPECT_EQ(qGray(after.pixel(10, 10)), 0);
        EXPECT_EQ(qGray(after.pixel(11, 10)), 0);
    };
    window.ShowPicture(view);
}

// The viewer may hand over no picture (a file that could not be read).
TEST_F(CopyMode, WithoutAPictureNothingIsSelected)
{
    const ViewOf view{TBitmap()};
    window.WhileOpen = [&](TestCopyMode &w) {
        for (int i = 0; i < 2; ++i) {
            w.QloImage1DblClick();
            EXPECT_EQ(w.Scale, 1.0L);
            Drag(w, {10, 10}, {50, 50});
            w.FormKeyDown(Qt::Key_A, Qt::ControlModifier);
            EXPECT_FALSE(w.Frame->Shown());
        }
    };
    window.ShowPicture(view);
    EXPECT_EQ(clipboard.writes, 0);
    EXPECT_FALSE(preview.isVisible());
}

TEST(SelectionSave, ExtensionRules)
{
    EXPECT_EQ(SelectionFileName("/tmp/shot.jpeg", kSaveAsJpeg), "/tmp/shot.jpg");
    EXPECT_EQ(SelectionFileName("/tmp/shot", kSaveAsBitmap), "/tmp/shot.bmp");
    EXPECT_EQ(SelectionFileName("/tmp/SHOT.JPG", kSaveAsJpeg), "/tmp/SHOT.JPG");
    EXPECT_EQ(SelectionFileName("/tmp/shot.Bmp", kSaveAsBitmap), "/tmp/shot.Bmp");
    EXPECT_EQ(SelectionFileName("/tmp/shot.bmp", kSaveAsJpeg), "/tmp/shot.jpg");
    EXPECT_EQ(SelectionFileName("/tmp/shot.jpg", kSaveAsBitmap), "/tmp/shot.bmp");
    // Only the last path component's extension counts.
    EXPECT_EQ(SelectionFileName("/tmp/a.folder/shot", kSaveAsJpeg), "/tmp/a.folder/shot.jpg");
}

TEST_F(CopyMode, SaveWritesAJpegOfQuality100OrA24BitBitmap)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string root = dir.path().toStdString();
    const TBitmap result = RandomBitmap(33, 17, 4);
    preview.ShowResult(result);

    preview.Name = QString::fromStdString(root + "/shot.jpeg");
    preview.Filter = kSaveAsJpeg;
    preview.Opslaannaarschijf1Click();
    const std::vector<std::uint8_t> jpeg = ReadFileBytes(root + "/shot.jpg");
    ASSERT_GT(jpeg.size(), 2u);
    EXPECT_EQ(jpeg[0], 0xFF);
    EXPECT_EQ(jpeg[1], 0xD8);
    EXPECT_EQ(jpeg, EncodeJpeg(result, 100));
    EXPECT_FALSE(QFile::exists(dir.filePath("shot.jpeg")));

    preview.Name = QString::fromStdString(root + "/shot");
    preview.Filter = kSaveAsBitmap;
    preview.Opslaannaarschijf1Click();
    const TBitmap written = ReadBmpFile(root + "/shot.bmp");
    EXPECT_EQ(written.BitsPerPixel(), 24);
    EXPECT_EQ(written, result);

    // An existing file is overwritten; a cancelled dialog writes nothing.
    preview.ShowResult(RandomBitmap(5, 5, 8));
    preview.Opslaannaarschijf1Click();
    EXPECT_EQ(ReadBmpFile(root + "/shot.bmp").Width(), 5);
    preview.Cancel = true;
    preview.Name = QString::fromStdString(root + "/other");
    preview.Opslaannaarschijf1Click();
    EXPECT_FALSE(QFile::exists(dir.filePath("other.bmp")));
    EXPECT_TRUE(messages.texts.empty());
}

TEST_F(CopyMode, SaveFailureShowsItsTextAndKeepsTheOldFile)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::string root = dir.path().toStdString();
    preview.ShowResult(RandomBitmap(8, 8, 2));

    preview.Name = QString::fromStdString(root + "/missing/shot.bmp");
    preview.Filter = kSaveAsBitmap;
    preview.Opslaannaarschijf1Click();
    ASSERT_EQ(messages.texts.size(), 1u);
    EXPECT_NE(messages.texts[0].find("missing"), std::string::npos) << messages.texts[0];

    // A read-only target keeps its contents (for root as well).
    const std::string target = root + "/locked.jpg";
    WriteBmpFile(RandomBitmap(2, 2, 1), root + "/seed.bmp");
    ASSERT_EQ(std::rename((root + "/seed.bmp").c_str(), target.c_str()), 0);
    const std::vector<std::uint8_t> before = ReadFileBytes(target);
    ASSERT_EQ(::chmod(target.c_str(), 0444), 0);
    preview.Name = QString::fromStdString(target);
    preview.Filter = kSaveAsJpeg;
    preview.Opslaannaarschijf1Click();
    EXPECT_EQ(messages.texts.size(), 2u);
    EXPECT_EQ(ReadFileBytes(target), before);
}

TEST_F(CopyMode, PreviewEscClosesAndANewResultRaisesIt)
{
    preview.ShowResult(RandomBitmap(4, 4, 1));
    EXPECT_TRUE(preview.isVisible());
    preview.ShowResult(RandomBitmap(6, 3, 1));
    EXPECT_TRUE(preview.isVisible());
    EXPECT_EQ(preview.QloImage1->Picture().Width(), 6);
    EXPECT_TRUE(preview.FormKeyDown(Qt::Key_Escape));
    EXPECT_FALSE(preview.isVisible());
    EXPECT_EQ(preview.Opslaannaarschijf1->text(), "Save to disk...");
    EXPECT_EQ(preview.windowTitle(), "Selection preview");
}

// The render window's Ctrl+C and "Copy mode..." open this copy mode on the result.
TEST_F(CopyMode, RenderWindowOpensItOnTheRenderedPicture)
{
    TfCopyMode *previous = fCopyMode;
    fCopyMode = &window;
    int width = 0;
    window.WhileOpen = [&](TestCopyMode &w) { width = w.QloImage1->Picture().Width(); };
    {
        TfRender render;
        TPicture result;
        result.AssignBitmap(Pattern(77, 33));
        render.QloImage2->SetPicture(result);
        render.Kopiermodus1Click();
    }
    fCopyMode = previous;
    EXPECT_EQ(width, 77);
}
