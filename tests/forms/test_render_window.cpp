// SPDX-License-Identifier: GPL-3.0-or-later
// The render window: fit sizes, the render itself, the luminance panel's state
// machine and arithmetic, the filter menu against the settings store, the keys and
// the error path.
#include "forms/Forms.h"
#include "forms/fmRender.h"
#include "forms/fmSettings.h"
#include "imageview/view/QloImage.h"
#include "platform/Services.h"
#include "render/RenderTestUtil.h"
#include "render/Resample.h"
#include "FakeMessages.h"

#include <QAction>
#include <QCoreApplication>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

using namespace quillo;
using quillo::test::FakeMessages;
using quillo::test::MakeBitmap;
using quillo::test::RandomBitmap;
using quillo::test::TBgr;

namespace {

TPicture PictureOf(TBitmap bitmap)
{
    TPicture p;
    p.AssignBitmap(std::move(bitmap));
    return p;
}

TBitmap Uniform(int w, int h, int value)
{
    return MakeBitmap(w, h, [&](int, int) { return TBgr{value, value, value}; });
}

bool SameBytes(const TBitmap &a, const TBitmap &b)
{
    if (a.Width() != b.Width() || a.Height() != b.Height())
        return false;
    for (int y = 0; y < a.Height(); ++y)
        if (std::memcmp(a.ScanLine(y), b.ScanLine(y), 3 * std::size_t(a.Width())) != 0)
            return false;
    return true;
}

TBitmap Rendered(const TBitmap &source, int w, int h, int filter)
{
    TBitmap target;
    Resample(w, h, static_cast<TFilterKind>(filter), 0.0f, source, target);
    return target;
}

// The window with its modal run replaced: it is shown at a fixed size, the loop
// turns so that the first activation renders, then the test's script runs.
class TestRender : public TfRender {
public:
    QSize Client{1024, 768};
    QSize FitClient; // when valid, the client size the picture is fitted into
    std::function<void(TestRender &)> WhileOpen;

    const TBitmap &Result() const { return QloImage2->Picture().DrawBitmap(); }

protected:
    int RunModal() override
    {
        resize(Client);
        show();
        // The label goes once the first render has ended, well or not.
        EXPECT_TRUE(QTest::qWaitFor([this] { return Label1->isHidden(); }, 10000));
        if (WhileOpen)
            WhileOpen(*this);
        hide();
        return 0;
    }
    QSize ClientSize() const override
    {
        if (FitClient.isValid())
            return FitClient;
        return OwnClientSize ? TfRender::ClientSize() : Client;
    }

public:
    bool OwnClientSize = false; // fit into what the window itself takes as its final size
};

// A settings store of its own for every test, in place of the program's.
class RenderWindow : public ::testing::Test {
protected:
    RenderWindow() : previous_(fSettings) { fSettings = &settings; }
    ~RenderWindow() override
    {
        fSettings = previous_;
        SetMessageService(nullptr);
    }

    TfSettings settings;

private:
    TfSettings *previous_;
};

} // namespace

// One handler serves several items, so the tags and the menu's order are what
// the handlers rely on.
TEST_F(RenderWindow, MenuAndButtonsCarryTheirTags)
{
    TfRender w;
    const QPushButton *buttons[] = {w.Button1, w.Button2, w.Button3};
    const char *captions[] = {"Increase light", "Cancel correction", "Decrease light"};
    const int tags[] = {1, 0, -1};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(buttons[i]->text(), captions[i]);
        EXPECT_EQ(buttons[i]->property("Tag").toInt(), tags[i]);
    }

    QStringList top;
    for (const QAction *a : w.PopupMenu1->actions())
        top << a->objectName();
    EXPECT_EQ(top, QStringList({"Kopiermodus1", "Belichtingpaneel1", "", "N1", "Sluiten1"}));
    EXPECT_EQ(w.PopupMenu1->actions()[2]->menu(), w.Renderfilter1);
    EXPECT_EQ(w.QloImage2->contextMenuPolicy(), Qt::CustomContextMenu);

    const char *names[] = {"Box1", "riangle1", "Hermite1", "Bell1", "Spline1", "Lancros31", "Mitchell1", "Vennick1"};
    const char *texts[] = {"Box", "Triangle", "Hermite", "Bell", "Spline", "Lancros3", "Mitchell", "Vennick"};
    const QList<QAction *> filters = w.Renderfilter1->actions();
    ASSERT_EQ(filters.size(), 8);
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(filters[i]->objectName(), names[i]);
        EXPECT_EQ(filters[i]->text(), texts[i]);
        EXPECT_EQ(filters[i]->property("Tag").toInt(), i);
        EXPECT_EQ(filters[i]->isChecked(), i == 7) << names[i];
    }
}

// The picture is fitted into the client area, enlarged or reduced, and the result
// shown at 1:1 exactly where the stretched preview was.
TEST_F(RenderWindow, RendersToTheFittedSizeAndSwapsTheViews)
{
    struct Case {
        int pw, ph, w, h;
    };
    // 1 x 3: 768 / 3 lands a hair below 256 in the view's extended arithmetic; the
    // result follows the preview rather than the rounded double.
    const Case cases[] = {{4000, 3000, 1024, 768}, {3000, 4000, 576, 768}, {100, 50, 1024, 512},
                          {500, 500, 768, 768},    {1, 3, 255, 768}};
    for (const Case &c : cases) {
        SCOPED_TRACE(std::to_string(c.pw) + " x " + std::to_string(c.ph));
        TestRender w;
        TRect preview;
        w.WhileOpen = [&](TestRender &r) {
            preview = r.QloImage1->PictureRect();
            EXPECT_EQ(r.size(), QSize(1024, 768));
            EXPECT_EQ(r.Result().Width(), c.w);
            EXPECT_EQ(r.Result().Height(), c.h);
            EXPECT_EQ(r.Result().BitsPerPixel(), 24);
            EXPECT_TRUE(r.QloImage1->isHidden());
            EXPECT_TRUE(r.QloImage2->isVisible());
            EXPECT_TRUE(r.Label1->isHidden());
            EXPECT_EQ(r.QloImage2->PictureRect(), preview);
            EXPECT_EQ(r.Label1->geometry(), QRect(0, 384, 1024, 33));
            EXPECT_EQ(r.Panel1->pos(), QPoint(512 - 236, 768 - 128));
        };
        EXPECT_TRUE(w.RenderPicture(PictureOf(TBitmap(c.pw, c.ph, 24))));
        EXPECT_EQ(preview.Width(), c.w);
        EXPECT_EQ(preview.Height(), c.h);
    }
}

// Under a window manager the maximised size arrives after the first activation:
// the window, still at its old size, renders for the work area it will cover and
// places the views, the label and the panel from that.
TEST_F(RenderWindow, RendersForTheMaximisedSizeBeforeTheWindowHasIt)
{
    TestRender w;
    w.Client = QSize(400, 300); // the size before maximising
    w.OwnClientSize = true;
    const QSize area = w.screen()->availableGeometry().size();
    ASSERT_GT(area.width(), 2 * 300);
    // A 2:1 picture: full width when the height allows it, else full height.
    const int fw = area.height() * 2 < area.width() ? area.height() * 2 : area.width();
    const int fh = fw / 2;
    w.WhileOpen = [&](TestRender &r) {
        EXPECT_EQ(r.Result().Width(), fw);
        EXPECT_EQ(r.Result().Height(), fh);
        EXPECT_EQ(r.QloImage2->geometry(), QRect(QPoint(0, 0), area));
        const TRect shown = r.QloImage2->PictureRect();
        EXPECT_EQ(shown.Left, (area.width() - fw) / 2);
        EXPECT_EQ(shown.Top, (area.height() - fh) / 2);
        EXPECT_EQ(r.Label1->geometry(), QRect(0, area.height() / 2, area.width(), 33));
        EXPECT_EQ(r.Panel1->pos(), QPoint(area.width() / 2 - 236, area.height() - 128));
    };
    EXPECT_TRUE(w.RenderPicture(PictureOf(TBitmap(400, 200, 24))));
}

// Activations after the first one (returning from the copy mode, for instance)
// leave the result and its correction as they are.
TEST_F(RenderWindow, RendersOncePerOpeningAndCopyModeSeesTheCorrectedResult)
{
    TestRender w;
    w.Client = QSize(64, 48);
    int copyModeCalls = 0;
    w.OnCopyMode = [&](TQloImage &view) {
        ++copyModeCalls;
        EXPECT_EQ(&view, w.QloImage2);
        EXPECT_EQ(quillo::test::GreyAt(view.Picture().DrawBitmap(), 10, 10), 40);
        QDialog modal(&w);
        QTimer::singleShot(0, &modal, &QDialog::accept);
        modal.exec();
    };
    w.WhileOpen = [&](TestRender &r) {
        r.Button1->click();
        const std::uint64_t shown = r.QloImage2->Picture().ContentId();
        r.Kopiermodus1->trigger();
        QEvent activate(QEvent::WindowActivate);
        QCoreApplication::sendEvent(&r, &activate);
        QCoreApplication::processEvents();
        EXPECT_EQ(r.QloImage2->Picture().ContentId(), shown);
        EXPECT_EQ(r.Panel1->Tag, 1);
    };
    w.RenderPicture(PictureOf(Uniform(32, 24, 0)));
    EXPECT_EQ(copyModeCalls, 1);
}

TEST_F(RenderWindow, LightButtonsAllowOneStepPerRender)
{
    TestRender w;
    w.Client = QSize(40, 30);
    w.WhileOpen = [&](TestRender &r) {
        EXPECT_TRUE(r.Button1->isEnabled());
        EXPECT_TRUE(r.Button3->isEnabled());
        EXPECT_FALSE(r.Button2->isEnabled());

        r.Button1->click(); // black becomes 40 inside, 37 in the band
        EXPECT_EQ(r.Panel1->Tag, 1);
        EXPECT_FALSE(r.Button1->isEnabled());
        EXPECT_FALSE(r.Button3->isEnabled());
        EXPECT_TRUE(r.Button2->isEnabled());
        const TBitmap &lit = r.Result();
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x) {
                const bool inner = x >= 3 && x <= 37 && y >= 3 && y <= 27;
                ASSERT_EQ(quillo::test::PixelAt(lit, x, y), (inner ? TBgr{40, 40, 40} : TBgr{37, 37, 37}))
                    << x << "," << y;
            }

        // A filter choice renders afresh but keeps the correction state.
        r.Box1->trigger();
        EXPECT_TRUE(SameBytes(r.Result(), Uniform(40, 30, 0)));
        EXPECT_EQ(r.Panel1->Tag, 1);
        EXPECT_TRUE(r.Button2->isEnabled());
        EXPECT_FALSE(r.Button1->isEnabled());

        r.Button2->click();
        EXPECT_EQ(r.Panel1->Tag, 0);
        EXPECT_TRUE(SameBytes(r.Result(), Uniform(40, 30, 0)));
        EXPECT_TRUE(r.Button1->isEnabled());
        EXPECT_TRUE(r.Button3->isEnabled());
        EXPECT_FALSE(r.Button2->isEnabled());

        // White, as the result view shows it: 226 inside, 228 in the band; darker 239.
        r.QloImage2->SetPicture(PictureOf(Uniform(10, 8, 255)));
        r.Button1->click();
        EXPECT_EQ(quillo::test::GreyAt(r.Result(), 3, 3), 226);
        EXPECT_EQ(quillo::test::GreyAt(r.Result(), 7, 5), 226);
        EXPECT_EQ(quillo::test::GreyAt(r.Result(), 8, 5), 228);
        EXPECT_EQ(quillo::test::GreyAt(r.Result(), 2, 5), 228);
        EXPECT_EQ(quillo::test::GreyAt(r.Result(), 5, 6), 228);
        r.Button2->click();
        r.QloImage2->SetPicture(PictureOf(Uniform(10, 8, 255)));
        r.Button3->click();
        EXPECT_EQ(r.Panel1->Tag, -1);
        EXPECT_TRUE(SameBytes(r.Result(), Uniform(10, 8, 239)));
    };
    w.RenderPicture(PictureOf(Uniform(20, 15, 0)));
}

TEST_F(RenderWindow, LuminancePanelFollowsTheMenuAndEachOpeningResetsIt)
{
    TestRender w;
    w.Client = QSize(64, 48);
    w.WhileOpen = [](TestRender &r) {
        r.Belichtingpaneel1Click();
        EXPECT_TRUE(r.Belichtingpaneel1->isChecked());
        EXPECT_TRUE(r.Panel1->isVisible());
        r.Button3->click();
        r.Belichtingpaneel1->trigger(); // as the menu chooses it
        EXPECT_FALSE(r.Belichtingpaneel1->isChecked());
        EXPECT_TRUE(r.Panel1->isHidden());
        r.Belichtingpaneel1->trigger();
    };
    w.RenderPicture(PictureOf(Uniform(8, 6, 90)));
    w.WhileOpen = [](TestRender &r) {
        EXPECT_FALSE(r.Belichtingpaneel1->isChecked());
        EXPECT_TRUE(r.Panel1->isHidden());
        EXPECT_EQ(r.Panel1->Tag, 0);
        EXPECT_TRUE(r.Button1->isEnabled());
    };
    w.RenderPicture(PictureOf(Uniform(8, 6, 90)));
}

// The choice becomes the settings' filter; a new window marks Vennick again but
// renders with the settings' choice.
TEST_F(RenderWindow, FilterMenuWritesTheSettingsFilter)
{
    const TBitmap source = RandomBitmap(40, 30, 7);
    settings.SetFilterIndex(7);
    {
        TestRender w;
        w.Client = QSize(64, 48);
        w.WhileOpen = [&](TestRender &r) {
            EXPECT_TRUE(SameBytes(r.Result(), Rendered(source, 64, 48, 7)));
            r.Mitchell1->trigger();
            EXPECT_EQ(settings.FilterIndex(), 6);
            EXPECT_TRUE(r.Mitchell1->isChecked());
            EXPECT_FALSE(r.Vennick1->isChecked());
            EXPECT_TRUE(SameBytes(r.Result(), Rendered(source, 64, 48, 6)));
        };
        w.RenderPicture(PictureOf(source));
    }
    TestRender w;
    w.Client = QSize(64, 48);
    w.WhileOpen = [&](TestRender &r) {
        EXPECT_TRUE(r.Vennick1->isChecked());
        EXPECT_FALSE(r.Mitchell1->isChecked());
        EXPECT_TRUE(SameBytes(r.Result(), Rendered(source, 64, 48, 6)));
    };
    w.RenderPicture(PictureOf(source));
}

// No filter selected (-1, 255 once truncated) and no settings store both render
// with Vennick.
TEST_F(RenderWindow, MissingFilterSelectionRendersWithTheDefault)
{
    const TBitmap source = RandomBitmap(30, 40, 3);
    const TBitmap vennick = Rendered(source, 36, 48, 7);
    ASSERT_FALSE(SameBytes(vennick, Rendered(source, 36, 48, 6)));
    settings.SetFilterIndex(-1);
    ASSERT_EQ(settings.FilterIndex(), -1);
    for (bool withStore : {true, false}) {
        fSettings = withStore ? &settings : nullptr;
        TestRender w;
        w.Client = QSize(64, 48);
        w.WhileOpen = [&](TestRender &r) { EXPECT_TRUE(SameBytes(r.Result(), vennick)) << withStore; };
        w.RenderPicture(PictureOf(source));
    }
}

TEST_F(RenderWindow, EscapeClosesTheRealModalRunWithAnyModifier)
{
    for (QWidget *(*target)(TfRender &) : {+[](TfRender &w) -> QWidget * { return &w; },
                                            +[](TfRender &w) -> QWidget * { return w.Button1; }}) {
        TfRender w;
        bool sent = false;
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, &w, [&] {
            if (!w.QloImage2->isVisible())
                return;
            // With the panel up a button holds the focus; the window still sees the key.
            w.Belichtingpaneel1->trigger();
            w.Button1->setFocus();
            QTest::keyClick(target(w), Qt::Key_Escape, Qt::ShiftModifier);
            sent = true;
        });
        poll.start(10);
        QTimer::singleShot(10000, &w, [&] { w.done(0); }); // safety net only
        EXPECT_TRUE(w.RenderPicture(PictureOf(Uniform(16, 12, 128))));
        EXPECT_TRUE(sent);
        EXPECT_FALSE(w.isVisible());
    }
}

TEST_F(RenderWindow, CtrlCOpensTheCopyModeOnceWhereverTheFocusIs)
{
    TestRender w;
    w.Client = QSize(64, 48);
    int calls = 0;
    w.WhileOpen = [&](TestRender &r) {
        r.activateWindow();
        QTest::keyClick(&r, Qt::Key_C); // without Ctrl: nothing
        EXPECT_EQ(calls, 0);
        r.OnCopyMode = [&](TQloImage &) { ++calls; };
        QTest::keyClick(&r, Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(calls, 1);
        r.Belichtingpaneel1->trigger();
        r.Button1->setFocus();
        QTest::keyClick(r.Button1, Qt::Key_C, Qt::ControlModifier | Qt::ShiftModifier);
        EXPECT_EQ(calls, 2);
        EXPECT_TRUE(r.isVisible());
        r.OnCopyMode = nullptr;
        r.Kopiermodus1->trigger(); // no copy mode yet: nothing happens
        EXPECT_TRUE(r.isVisible());
    };
    w.RenderPicture(PictureOf(Uniform(16, 12, 128)));
}

// A render the resampler refuses (a target beyond the pixel limit) is reported;
// the preview stays, the label goes, and the next choice renders.
TEST_F(RenderWindow, FailedRenderIsReportedAndTheWindowStaysUsable)
{
    FakeMessages messages;
    SetMessageService(&messages);
    TestRender w;
    w.Client = QSize(64, 48);
    w.FitClient = QSize(60000, 60000);
    w.WhileOpen = [&](TestRender &r) {
        ASSERT_EQ(messages.texts.size(), 1u);
        EXPECT_NE(messages.texts[0].find("too large"), std::string::npos) << messages.texts[0];
        EXPECT_EQ(messages.captions[0], ApplicationTitle());
        EXPECT_EQ(messages.icons[0], TMsgIcon::Error);
        EXPECT_TRUE(r.Label1->isHidden());
        EXPECT_TRUE(r.QloImage1->isVisible());
        EXPECT_TRUE(r.QloImage2->isHidden());
        EXPECT_TRUE(r.isVisible());

        // A failed "Cancel correction" keeps the correction state with the picture.
        r.Button1->click();
        r.Button2->click();
        EXPECT_EQ(messages.texts.size(), 2u);
        EXPECT_EQ(r.Panel1->Tag, 1);

        r.FitClient = QSize();
        r.Button2->click();
        EXPECT_EQ(r.Panel1->Tag, 0);
        EXPECT_EQ(r.Result().Width(), 48);
        EXPECT_EQ(r.Result().Height(), 48);
        EXPECT_TRUE(r.QloImage2->isVisible());
        EXPECT_EQ(messages.texts.size(), 2u);
    };
    w.RenderPicture(PictureOf(Uniform(4, 4, 200)));
}

// A fitted side of 0 gives an empty result; no picture at all renders a black one
// of the whole client area. Neither paints nor corrects out of bounds.
TEST_F(RenderWindow, DegenerateSizesGiveDefinedResults)
{
    struct Case {
        TPicture picture;
        int w, h;
    };
    const Case cases[] = {{PictureOf(Uniform(5000, 2, 9)), 1024, 0},
                          {PictureOf(Uniform(1, 4000, 9)), 0, 768},
                          {TPicture(), 1024, 768}};
    for (const Case &c : cases) {
        TestRender w;
        w.WhileOpen = [&](TestRender &r) {
            EXPECT_EQ(r.Result().Width(), c.w);
            EXPECT_EQ(r.Result().Height(), c.h);
            EXPECT_TRUE(r.QloImage2->isVisible());
            r.Button1->click();
            EXPECT_FALSE(r.grab().isNull());
            if (c.w > 0 && c.h > 0) {
                EXPECT_EQ(quillo::test::GreyAt(r.Result(), 512, 384), 40);
            }
        };
        w.RenderPicture(c.picture);
    }
}

// Esc and Ctrl+C in the open popup menu belong to the menu: the items only show
// the keys, so neither the close nor the copy mode runs from there.
TEST_F(RenderWindow, OpenMenuKeepsItsKeys)
{
    TestRender w;
    w.Client = QSize(64, 48);
    int calls = 0;
    w.OnCopyMode = [&](TQloImage &) { ++calls; };
    w.WhileOpen = [&](TestRender &r) {
        r.PopupMenu1->popup(r.mapToGlobal(QPoint(10, 10)));
        ASSERT_TRUE(QTest::qWaitForWindowExposed(r.PopupMenu1));
        // Through the window system, where shortcuts are looked up.
        QTest::keyClick(r.PopupMenu1->windowHandle(), Qt::Key_C, Qt::ControlModifier);
        EXPECT_EQ(calls, 0);
        QTest::keyClick(r.PopupMenu1->windowHandle(), Qt::Key_Escape);
        EXPECT_FALSE(r.PopupMenu1->isVisible());
        EXPECT_TRUE(r.isVisible());
    };
    w.RenderPicture(PictureOf(Uniform(16, 12, 128)));
}
