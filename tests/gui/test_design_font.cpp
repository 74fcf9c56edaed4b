// SPDX-License-Identifier: GPL-3.0-or-later
// The design font: Tahoma at a pixel height of 11, found on the system or loaded
// from fonts-wine, and the design widths of the file list fit their texts in it.
#include "catalogue/FileListModel.h"
#include "gui/DesignFont.h"
#include "forms/Forms.h"
#include "forms/main/fmMain.h"
#include "platform/Format.h"

#include <QApplication>
#include <QFile>
#include <QFontDatabase>
#include <QFontInfo>
#include <QHeaderView>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <gtest/gtest.h>

using namespace quillo;

namespace {

bool TahomaAvailable()
{
    return QFontDatabase::families().contains(QStringLiteral("Tahoma")) ||
           QFile::exists(WineTahomaFiles().front());
}

class DesignFontWindows : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TahomaAvailable()) << "no Tahoma: scripts/setup.sh installs fonts-wine";
        ApplyDesignFont();
        ASSERT_TRUE(dir.isValid());
        CreateApplicationWindows((dir.path() + "/quillo.ini").toUtf8().constData());
        fMain->tmrStartup->stop();
    }
    void TearDown() override
    {
        DestroyApplicationWindows();
        QApplication::setFont(previous);
    }

    QFont previous = QApplication::font();
    QTemporaryDir dir;
};

} // namespace

TEST(DesignFont, IsTahomaAtElevenPixels)
{
    ASSERT_TRUE(TahomaAvailable()) << "no Tahoma: scripts/setup.sh installs fonts-wine";
    const QFont font = DesignFont();
    EXPECT_EQ(font.pixelSize(), 11);
    // What the font machinery really hands out, not only what was asked for.
    const QFontInfo info(font);
    EXPECT_EQ(info.family().toStdString(), "Tahoma");
    EXPECT_EQ(info.pixelSize(), 11);
    EXPECT_EQ(LoadDesignFontFamily({}), QStringLiteral("Tahoma")); // loaded once, found from then on
}

// The Date and Size columns keep their design widths (110 and 100 pixels), so the
// longest texts they show must fit without being cut off.
TEST_F(DesignFontWindows, DateAndSizeColumnsFitTheirLongestTexts)
{
    const double dates[] = {46993.37428240741, 73049.99998842593, 40858.466099537036, 36819.86157407407};
    const TFormatSettings fs; // "," and "."
    for (const double date : dates) {
        TListItem item("picture.jpg", nullptr);
        item.AddSubItem(FormatListDate(date, fs.TimeSeparator));
        // Sizes up to 10 GB less a byte: "9,999.99 Mb" is the widest of them.
        item.AddSubItem(FormatListSize(std::int64_t(10485759999), fs));
        fMain->lvFilesModel->AddItem(std::move(item));
    }
    QHeaderView *header = fMain->lvFiles->horizontalHeader();
    ASSERT_EQ(header->sectionSize(1), 110);
    ASSERT_EQ(header->sectionSize(2), 100);
    EXPECT_EQ(fMain->lvFiles->font().family().toStdString(), "Tahoma");
    EXPECT_LE(static_cast<QAbstractItemView *>(fMain->lvFiles)->sizeHintForColumn(1), 110)
        << fMain->lvFilesModel->data(fMain->lvFilesModel->index(0, 1)).toString().toStdString();
    EXPECT_LE(static_cast<QAbstractItemView *>(fMain->lvFiles)->sizeHintForColumn(2), 100)
        << fMain->lvFilesModel->data(fMain->lvFilesModel->index(0, 2)).toString().toStdString();
}
