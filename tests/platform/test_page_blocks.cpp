// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PageBlocks.h"
#include "platform/System.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using namespace quillo;

namespace {

constexpr std::size_t kMB = std::size_t(1) << 20;

bool AllZero(const TPageBlock &b)
{
    return std::all_of(b.Data(), b.Data() + b.Size(), [](std::uint8_t v) { return v == 0; });
}

// True when any byte of [p, p + n) is mapped in this process.
bool Mapped(const void *p, std::size_t n)
{
    const auto lo = reinterpret_cast<std::uintptr_t>(p), hi = lo + n;
    std::ifstream maps("/proc/self/maps");
    std::string line;
    while (std::getline(maps, line)) {
        std::uintptr_t from = 0, to = 0;
        char dash = 0;
        std::istringstream(line) >> std::hex >> from >> dash >> to;
        if (from < hi && lo < to)
            return true;
    }
    return false;
}

class PageBlocks : public ::testing::Test {
protected:
    void SetUp() override { ReleaseCachedPageBlocks(); }
    void TearDown() override { ReleaseCachedPageBlocks(); }
};

} // namespace

// Reused memory still holds what its last owner wrote: a block asked for zeroed
// must be cleared whichever tier it comes from, and only the bytes asked for.
// Arena and mapping blocks come back at the same place (an emptied arena starts
// over, a freed mapping is cached), so the later rounds do test reused memory.
// Every tier keeps the 64-byte alignment.
TEST_F(PageBlocks, ZeroedBlocksAreZeroEvenWhenTheMemoryIsReused)
{
    for (const std::size_t size : {std::size_t(1), std::size_t(100), TPageBlock::kArenaMinimum - 1,
                                   std::size_t(200) << 10, std::size_t(3) * kMB, std::size_t(20) * kMB + 5}) {
        const std::uint8_t *first = nullptr;
        for (int round = 0; round < 3; ++round) {
            TPageBlock block = TPageBlock::Allocate(size, true);
            ASSERT_EQ(block.Size(), size);
            EXPECT_TRUE(AllZero(block)) << size << " round " << round;
            std::memset(block.Data(), 0xA5, size); // dirty it for the next round
            EXPECT_EQ(reinterpret_cast<std::uintptr_t>(block.Data()) % 64, 0u) << size;
            if (round == 0) {
                first = block.Data();
            } else if (size >= TPageBlock::kArenaMinimum) {
                EXPECT_EQ(block.Data(), first) << size << " round " << round;
            }
        }
    }
}

TEST_F(PageBlocks, FreedLargeBlocksAreHandedOutAgain)
{
    std::uint8_t *first = nullptr;
    {
        TPageBlock block = TPageBlock::Allocate(40 * kMB, false);
        first = block.Data();
        block.Data()[0] = 1;
    }
    EXPECT_EQ(PageBlockStats().CachedBlocks, 1u);
    EXPECT_GE(PageBlockStats().CachedBytes, 40 * kMB);
    // Somewhat smaller still fits the cached block; far smaller does not take it.
    TPageBlock again = TPageBlock::Allocate(36 * kMB, false);
    EXPECT_EQ(again.Data(), first);
    EXPECT_EQ(PageBlockStats().CachedBlocks, 0u);
    again.Reset();
    TPageBlock small = TPageBlock::Allocate(9 * kMB, false);
    EXPECT_NE(small.Data(), first);
    EXPECT_EQ(PageBlockStats().CachedBlocks, 1u);
}

// The cache must not grow with what was freed, and the trim must empty it, or the
// working-set trim would return nothing.
TEST_F(PageBlocks, CacheIsBoundedAndTheTrimEmptiesIt)
{
    {
        std::vector<TPageBlock> many;
        for (int i = 0; i < 20; ++i)
            many.push_back(TPageBlock::Allocate((10 + i) * kMB, false));
        std::vector<TPageBlock> huge;
        huge.push_back(TPageBlock::Allocate(300 * kMB, false)); // larger than the whole cache
    }
    const TPageBlockStats full = PageBlockStats();
    EXPECT_EQ(full.CachedBlocks, 8u) << "the last eight fit the byte bound";
    EXPECT_LE(full.CachedBytes, 256 * kMB);
    TrimWorkingSet();
    EXPECT_EQ(PageBlockStats().CachedBlocks, 0u);
    EXPECT_EQ(PageBlockStats().CachedBytes, 0u);
}

TEST_F(PageBlocks, MiddleSizedBlocksShareArenasThatGoWhenEmpty)
{
    const std::size_t arenasBefore = PageBlockStats().Arenas;
    std::vector<TPageBlock> blocks;
    for (int i = 0; i < 100; ++i) {
        blocks.push_back(TPageBlock::Allocate(kMB, false));
        std::memset(blocks.back().Data(), i, kMB);
    }
    // A hundred megabytes in a handful of arenas, every block its own bytes.
    EXPECT_GE(PageBlockStats().Arenas, arenasBefore + 3);
    EXPECT_LE(PageBlockStats().Arenas, arenasBefore + 5);
    for (int i = 0; i < 100; ++i) {
        EXPECT_EQ(blocks[i].Data()[0], static_cast<std::uint8_t>(i));
        EXPECT_EQ(blocks[i].Data()[kMB - 1], static_cast<std::uint8_t>(i));
    }
    blocks.clear();
    ReleaseCachedPageBlocks();
    EXPECT_EQ(PageBlockStats().Arenas, arenasBefore);
    EXPECT_EQ(PageBlockStats().CachedBlocks, 0u);
}

TEST_F(PageBlocks, MovesHandOverAndShrinkKeepsTheBytes)
{
    TPageBlock a = TPageBlock::Allocate(5 * kMB, true);
    a.Data()[7] = 42;
    TPageBlock b = std::move(a);
    EXPECT_TRUE(a.Empty());
    EXPECT_EQ(a.Data(), nullptr);
    ASSERT_EQ(b.Size(), 5 * kMB);
    b.Shrink(8);
    EXPECT_EQ(b.Size(), 8u);
    EXPECT_EQ(b.Data()[7], 42);
    b.Shrink(100); // never grows
    EXPECT_EQ(b.Size(), 8u);
    TPageBlock none = TPageBlock::Allocate(0, true);
    EXPECT_TRUE(none.Empty());
    b = std::move(none);
    EXPECT_TRUE(b.Empty());
}

// An arena may be cut from a cached mapping somewhat longer than an arena; all of
// that mapping must go back to the system, not just an arena's length of it.
TEST_F(PageBlocks, AnArenaOnALongerReusedMappingIsUnmappedWhole)
{
    std::uint8_t *base = nullptr;
    {
        TPageBlock big = TPageBlock::Allocate(38 * kMB, false);
        base = big.Data();
        std::memset(base, 0xA5, kMB); // what the arena's first block must not show
    }
    ASSERT_TRUE(Mapped(base, 38 * kMB));
    {
        TPageBlock middle = TPageBlock::Allocate(kMB, true); // the arena takes the cached mapping
        EXPECT_EQ(middle.Data(), base);
        EXPECT_TRUE(AllZero(middle));
    }
    ReleaseCachedPageBlocks();
    EXPECT_FALSE(Mapped(base, 38 * kMB));
}
