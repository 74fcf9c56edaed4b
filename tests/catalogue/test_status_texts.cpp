// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/StatusTexts.h"

#include <gtest/gtest.h>

using namespace quillo;

namespace {
TFormatSettings Dutch() { return {".", ",", ":"}; }
TFormatSettings English() { return {",", ".", ":"}; }
} // namespace

TEST(StatusTexts, FolderChangeTextsInTheLocaleForm)
{
    EXPECT_EQ(StatusZeroRateText(Dutch()), "0,00 Mb/s");
    EXPECT_EQ(StatusReleasingText(0, Dutch()), "Releasing memory (0,00 Mb)...");
    EXPECT_EQ(StatusReleasingText(0, English()), "Releasing memory (0.00 Mb)...");
    EXPECT_EQ(StatusSearchDoneText(1250, 1572864, English()),
              "Memory released in 1.25 seconden... Bestanden worden ingeladen - [ 1.50 Mb ].");
    EXPECT_EQ(StatusSearchDoneText(0, 0, Dutch()),
              "Memory released in 0,00 seconden... Bestanden worden ingeladen - [ 0,00 Mb ].");
    EXPECT_EQ(StatusLoadedText(61000, English()), "Files loaded in 61.00 seconds.");
    EXPECT_STREQ(kInitialRateText, "0,00 KB/s");
}

TEST(StatusTexts, RateIsFiniteAndGrouped)
{
    // 1.5 MB loaded in 500 ms.
    EXPECT_EQ(StatusRateText(1572864, 1572864, 500, English()), "1.5 Mb - [ 3.00 Mb/s ]");
    // A load shorter than a tick counts as 1 ms.
    EXPECT_EQ(StatusRateText(1048576, 1048576, 0, English()), "1.0 Mb - [ 1,000.00 Mb/s ]");
    EXPECT_EQ(StatusRateText(0, 0, 0, Dutch()), "0,0 Mb - [ 0,00 Mb/s ]");
    // Totals beyond 2 GiB are shown as they are.
    EXPECT_EQ(StatusRateText(std::int64_t(5) << 30, std::int64_t(5) << 30, 1000, English()),
              "5,120.0 Mb - [ 5,120.00 Mb/s ]");
}

TEST(StatusTexts, TickDifferenceSurvivesWrap)
{
    EXPECT_EQ(TicksSince(5u, 0xFFFFFFFBu), 10u);
    EXPECT_EQ(TicksSince(1000u, 250u), 750u);
}
