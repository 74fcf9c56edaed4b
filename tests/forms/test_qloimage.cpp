// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/DesktopServices.h"
#include "imageview/JpegImage.h"
#include "imageview/view/QloImage.h"
#include "platform/Files.h"

#include <QAbstractButton>
#include <QApplication>
#include <QClipboard>
#include <QMessageBox>
#include <QMouseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quillo;

namespace {

const QColor kBackground(255, 0, 255);

// Red, green / blue, white quadrants.
TBitmap Quadrants(int w, int h)
{
    TBitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const bool right = x >= w / 2, bottom = y >= h / 2;
            const QColor c = bottom ? (right ? Qt::white : Qt::blue) : (right ? Qt::green : Qt::red);
            std::uint8_t *p = b.ScanLine(y) + 3 * x;
            p[0] = std::uint8_t(c.blue());
            p[1] = std::uint8_t(c.green());
            p[2] = std::uint8_t(c.red());
        }
    return b;
}

TPicture BitmapPicture(TBitmap b)
{
    TPicture p;
    p.AssignBitmap(std::move(b));
    return p;
}

class View : public ::testing::Test {
protected:
    View()
    {
        QPalette pal = view.palette();
        pal.setColor(QPalette::Window, kBackground);
        view.setPalette(pal);
    }
    QColor At(int x, int y) { return view.grab().toImage().pixelColor(x, y); }

    TQloImage view;
};

} // namespace

TEST_F(View, PaintsThePictureAtItsOwnSize)
{
    view.resize(60, 30);
    view.SetPicture(BitmapPicture(Quadrants(40, 20)));
    EXPECT_EQ(At(5, 5), QColor(Qt::red));
    EXPECT_EQ(At(35, 5), QColor(Qt::green));
    EXPECT_EQ(At(5, 15), QColor(Qt::blue));
    EXPECT_EQ(At(35, 15), QColor(Qt::white));
    EXPECT_EQ(At(50, 10), kBackground);
    EXPECT_EQ(At(10, 25), kBackground);
}

TEST_F(View, StretchesIntoPictureRectWithoutFiltering)
{
    TBitmap two(2, 1, 24);
    two.ScanLine(0)[2] = 255; // red, then blue
    two.ScanLine(0)[3] = 255;
    view.resize(100, 100);
    view.SetStretch(true);
    view.SetProportional(true);
    view.SetCenter(true);
    view.SetPicture(BitmapPicture(two));
    EXPECT_EQ(view.PictureRect(), (TRect{0, 25, 100, 75}));
    EXPECT_EQ(At(49, 50), QColor(Qt::red));
    EXPECT_EQ(At(50, 50), QColor(Qt::blue));
    EXPECT_EQ(At(50, 10), kBackground);
    EXPECT_EQ(At(50, 80), kBackground);
}

TEST_F(View, AutoSizeFollowsThePicture)
{
    view.resize(10, 10);
    view.SetAutoSize(true);
    view.SetPicture(BitmapPicture(Quadrants(40, 20)));
    EXPECT_EQ(view.size(), QSize(40, 20));

    QTemporaryDir dir;
    const std::string path = dir.path().toStdString() + "/tall.jpg";
    SafeWriteFile(path, EncodeJpeg(Quadrants(16, 48), 90));
    view.LoadFromFile(path);
    EXPECT_EQ(view.size(), QSize(16, 48));
    EXPECT_EQ(view.FileName(), path);
    const QColor c = At(2, 2);
    EXPECT_GT(c.red(), 240);
    EXPECT_LT(c.green(), 16);
}

TEST_F(View, ShowsTheTurnedPictureAtOnce)
{
    view.resize(40, 40);
    view.SetPicture(BitmapPicture(Quadrants(40, 20)));
    EXPECT_EQ(At(35, 5), QColor(Qt::green));
    view.SetFileName("/nowhere/turn.bmp"); // AutoSave is off: nothing is written
    view.Rotate(0);
    // Turned clockwise: blue top left, red top right.
    EXPECT_EQ(view.Picture().Width(), 20);
    EXPECT_EQ(At(5, 5), QColor(Qt::blue));
    EXPECT_EQ(At(15, 5), QColor(Qt::red));
    EXPECT_EQ(At(30, 5), kBackground);
}

TEST_F(View, ReportsTheMouse)
{
    view.resize(50, 50);
    QSignalSpy doubles(&view, &TQloImage::doubleClicked);
    int presses = 0, moves = 0, releases = 0;
    QPoint pressedAt;
    QObject::connect(&view, &TQloImage::mousePressed, [&](QMouseEvent *e) {
        ++presses;
        pressedAt = e->position().toPoint();
    });
    QObject::connect(&view, &TQloImage::mouseMoved, [&](QMouseEvent *) { ++moves; });
    QObject::connect(&view, &TQloImage::mouseReleased, [&](QMouseEvent *) { ++releases; });
    QTest::mousePress(&view, Qt::LeftButton, {}, QPoint(10, 12));
    QTest::mouseMove(&view, QPoint(20, 20));
    QTest::mouseRelease(&view, Qt::LeftButton, {}, QPoint(20, 20));
    EXPECT_EQ(presses, 1);
    EXPECT_EQ(pressedAt, QPoint(10, 12));
    EXPECT_EQ(moves, 1);
    EXPECT_EQ(releases, 1);
    EXPECT_EQ(doubles.count(), 0);
    QTest::mouseDClick(&view, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(doubles.count(), 1);
}

TEST(DesktopServices, ClipboardGetsTheClip)
{
    InstallDesktopServices();
    TQloImage view;
    view.SetPicture(BitmapPicture(Quadrants(40, 20)));
    view.Clip({15, 5, 25, 15});
    const QImage image = QGuiApplication::clipboard()->image();
    ASSERT_EQ(image.size(), QSize(10, 10));
    EXPECT_EQ(image.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(9, 0), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(9, 9), QColor(Qt::white));
    SetClipboardService(nullptr);
    SetMessageService(nullptr);
}

TEST(DesktopServices, MessageBoxesBreakLinesAndAnswer)
{
    EXPECT_EQ(MessageText("a\rb\r\rc\r\nd"), QStringLiteral("a\nb\n\nc\nd"));
    TDesktopMessages messages;
    QString shown;
    QTimer::singleShot(0, [&shown] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shown = box->text();
        box->button(QMessageBox::No)->click();
    });
    EXPECT_EQ(messages.Show("Really?\rSure?", "Quillo", TMsgButtons::YesNo, TMsgIcon::Question), TMsgResult::No);
    EXPECT_EQ(shown, QStringLiteral("Really?\nSure?"));
    QTimer::singleShot(0, [] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        box->button(QMessageBox::Ok)->click();
    });
    EXPECT_EQ(messages.Show("Done", "Quillo", TMsgButtons::Ok, TMsgIcon::Information), TMsgResult::Ok);
}
