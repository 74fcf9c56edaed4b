// SPDX-License-Identifier: GPL-3.0-or-later
// The texts the file list shows and reads back: numbers, sizes, dates.
#include "catalogue/FileListModel.h"

#include <QDate>
#include <gtest/gtest.h>

using namespace quillo;

namespace {

double DateTime(int y, int m, int d, int hh = 0, int nn = 0, int ss = 0)
{
    return static_cast<double>(QDate(1899, 12, 30).daysTo(QDate(y, m, d))) + (hh * 3600 + nn * 60 + ss) / 86400.0;
}

TEST(FormatNumber, GroupsThousandsAndRoundsHalfAwayFromZero)
{
    EXPECT_EQ(FormatNumber(0, 2, ",", "."), "0.00");
    EXPECT_EQ(FormatNumber(0.5, 0, ",", "."), "1");
    EXPECT_EQ(FormatNumber(0.125, 2, ",", "."), "0.13");   // exact tie
    EXPECT_EQ(FormatNumber(0.285, 2, ",", "."), "0.29");   // binary value just below the tie
    EXPECT_EQ(FormatNumber(2.675, 2, ",", "."), "2.68");
    EXPECT_EQ(FormatNumber(-0.125, 2, ",", "."), "-0.13");
    EXPECT_EQ(FormatNumber(-0.001, 2, ",", "."), "0.00");
    EXPECT_EQ(FormatNumber(999.995, 2, ",", "."), "1,000.00");
    EXPECT_EQ(FormatNumber(999999.999, 2, ",", "."), "1,000,000.00");
    EXPECT_EQ(FormatNumber(1234567.891, 2, ".", ","), "1.234.567,89");
    EXPECT_EQ(FormatNumber(123456, 2, "\xe2\x80\xaf", ","), "123\xe2\x80\xaf" "456,00"); // narrow no-break space
    EXPECT_EQ(FormatNumber(1e20, 0, ",", "."), "100,000,000,000,000,000,000");
}

TEST(FormatListSize, ShowsMegabytesWithTheGivenSeparators)
{
    const TFormatSettings dutch{".", ",", ":"};
    EXPECT_EQ(FormatListSize(0, dutch), "0,00 Mb");
    EXPECT_EQ(FormatListSize(1048576, dutch), "1,00 Mb");
    EXPECT_EQ(FormatListSize(131072, dutch), "0,13 Mb");
    EXPECT_EQ(FormatListSize(5242, dutch), "0,00 Mb");
    EXPECT_EQ(FormatListSize(std::int64_t(3) << 30, dutch), "3.072,00 Mb");
    EXPECT_EQ(FormatListSize(std::int64_t(1) << 40, TFormatSettings{",", ".", ":"}), "1,048,576.00 Mb");
}

TEST(FormatListDate, WritesDayMonthTwoDigitYearAndTime)
{
    EXPECT_EQ(FormatListDate(DateTime(2024, 3, 5, 7, 8, 9), ":"), "05-03-24 07:08:09");
    EXPECT_EQ(FormatListDate(DateTime(1999, 12, 31, 23, 59, 58), "."), "31-12-99 23.59.58");
    EXPECT_EQ(FormatListDate(DateTime(2000, 2, 29), ":"), "29-02-00 00:00:00");
    EXPECT_EQ(FormatListDate(0, ":"), "30-12-99 00:00:00");
    EXPECT_EQ(FormatListDate(DateTime(2107, 12, 31, 12, 0, 0), " h "), "31-12-07 12 h 00 h 00");
    // Separators long enough that the text no longer fits the short buffer, and none at all.
    const std::string sep(40, '~');
    EXPECT_EQ(FormatListDate(DateTime(2024, 3, 5, 7, 8, 9), sep), "05-03-24 07" + sep + "08" + sep + "09");
    EXPECT_EQ(FormatListDate(DateTime(2024, 3, 5, 7, 8, 9), ""), "05-03-24 070809");
}

TEST(ReadListDate, CenturyWindowKeepsFiftyYearsEitherSide)
{
    EXPECT_EQ(ExpandTwoDigitYear(26, 2026), 2026);
    EXPECT_EQ(ExpandTwoDigitYear(76, 2026), 1976); // fifty years back
    EXPECT_EQ(ExpandTwoDigitYear(75, 2026), 2075); // forty-nine ahead
    EXPECT_EQ(ExpandTwoDigitYear(0, 2026), 2000);
    EXPECT_EQ(ExpandTwoDigitYear(99, 2026), 1999);
    EXPECT_EQ(ExpandTwoDigitYear(50, 2000), 1950);
    EXPECT_EQ(ExpandTwoDigitYear(49, 2000), 2049);
    EXPECT_EQ(ExpandTwoDigitYear(0, 2050), 2000);
}

TEST(ReadListDate, ReadsBackWhatTheListWrites)
{
    const int year = 2026;
    for (const double dt : {DateTime(1977, 1, 1, 0, 0, 0), DateTime(2024, 3, 5, 7, 8, 10), DateTime(2075, 12, 31, 23, 59, 58)}) {
        for (const std::string sep : {":", ".", " h "}) {
            const auto back = ReadListDate(FormatListDate(dt, sep), sep, year);
            ASSERT_TRUE(back.has_value()) << FormatListDate(dt, sep);
            EXPECT_NEAR(*back, dt, 1e-9);
        }
    }
    EXPECT_NEAR(ReadListDate("5-3-2024", ":", year).value(), DateTime(2024, 3, 5), 1e-9);
    EXPECT_NEAR(ReadListDate(" 05-03-24 07:08 ", ":", year).value(), DateTime(2024, 3, 5, 7, 8), 1e-9);
    for (const char *bad : {"", "yesterday", "32-01-24 00:00:00", "29-02-23 00:00:00", "01-13-24 00:00:00",
                            "01-01-24 24:00:00", "01-01-24 10.00.00", "01-01-24 10:00:00x", "01/01/24"})
        EXPECT_FALSE(ReadListDate(bad, ":", year).has_value()) << bad;
}

} // namespace
