// SPDX-License-Identifier: GPL-3.0-or-later
// The splash and about windows and the windows made once at start.
#include "forms/ProductArt.h"
#include "forms/fmAbout.h"
#include "forms/fmSplash.h"

#include <QCoreApplication>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <gtest/gtest.h>

#include <memory>
#include <vector>

using namespace quillo;

namespace {

QStringList LabelTexts(const QWidget &w)
{
    QStringList texts;
    for (const QLabel *label : w.findChildren<QLabel *>())
        texts << label->text();
    return texts;
}

TEST(SplashWindow, SuspendsActionsWhileUpAndResumesOnceWhenClosed)
{
    TfSplash splash;
    std::vector<bool> calls;
    splash.OnSuspendActions = [&](bool suspended) { calls.push_back(suspended); };
    EXPECT_TRUE(calls.empty()); // made hidden, nothing suspended yet

    splash.show();
    splash.activateWindow();
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, std::vector<bool>{true});

    splash.close();
    QCoreApplication::processEvents();
    EXPECT_EQ(calls, (std::vector<bool>{true, false}));
    splash.close();
    EXPECT_EQ(calls.size(), 2u);
}

TEST(SplashWindow, ShowsProductTextsAsLabels)
{
    TfSplash splash;
    EXPECT_EQ(splash.windowTitle(), "Starting up...");
    EXPECT_TRUE(splash.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_TRUE(splash.windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(splash.Panel1->height(), 41);
    const QStringList texts = LabelTexts(splash);
    for (const char *text : {"Product:", "Updates:", "Brackwater Quillo III", "Update pack 2",
                             "Starting up..."})
        EXPECT_TRUE(texts.contains(QString::fromLatin1(text))) << text;
}

TEST(ProductPicture, IsPaintedAt350By200)
{
    TProductPicture picture;
    EXPECT_EQ(picture.size(), QSize(350, 200));
    const QImage image = picture.grab().toImage();
    ASSERT_EQ(image.size(), QSize(350, 200));
    // Not a blank widget: the gradient's top and bottom differ.
    EXPECT_NE(image.pixel(5, 5), image.pixel(5, 130));
}

TEST(AboutWindow, OkClosesIt)
{
    TfAbout about;
    EXPECT_EQ(about.windowTitle(), "About Brackwater Quillo III...");
    EXPECT_TRUE(about.windowFlags() & Qt::WindowStaysOnTopHint);
    const QStringList texts = LabelTexts(about);
    EXPECT_TRUE(texts.contains("Product:"));
    EXPECT_TRUE(texts.contains("Update pack 2"));
    EXPECT_EQ(about.Button1->text(), "OK");
    QTimer::singleShot(0, &about, [&] { about.Button1->click(); });
    EXPECT_EQ(about.exec(), QDialog::Accepted);
    EXPECT_FALSE(about.isVisible());
}

} // namespace
