// SPDX-License-Identifier: GPL-3.0-or-later
// Reading ahead with a fake decoder whose decodes the test lets finish one by one.
#include "CatalogueFixtures.h"
#include "catalogue/ReadAhead.h"
#include "imageview/QloImageHolder.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstring>
#include <map>
#include <mutex>

using namespace quillo;

namespace {

using namespace std::chrono_literals;

// Decodes only what the test releases; counts decodes per file and posted calls.
struct FakeWorld {
    std::mutex lock;
    std::condition_variable changed;
    std::map<std::string, int> decodes;
    std::map<std::string, bool> released;
    std::map<std::string, TFileIdentity> files;
    int posted = 0;

    FakeWorld()
    {
        for (const char *name : {"a", "b", "c"})
            files[name] = {1, static_cast<std::uint64_t>(name[0]), 100, 1};
    }
    std::unique_ptr<TReadAhead> Make(std::size_t ceiling = 1000)
    {
        const auto decoder = [this](const TReadAheadSource &source, const std::function<bool(std::size_t)> &admit)
            -> std::optional<TPicture> {
            if (!admit(60))
                return std::nullopt;
            std::unique_lock l(lock);
            ++decodes[source.FileName];
            changed.notify_all();
            changed.wait(l, [&] { return released[source.FileName]; });
            TPicture picture;
            picture.AssignBitmap(TBitmap(2, 1));
            return picture;
        };
        return std::make_unique<TReadAhead>(
            [this](std::function<void()>) {
                std::lock_guard l(lock);
                ++posted;
                changed.notify_all();
            },
            decoder, ceiling, [this](const std::string &path) {
                std::lock_guard l(lock);
                return files.count(path) ? files[path] : TFileIdentity{};
            });
    }
    void Release(std::initializer_list<const char *> names)
    {
        std::lock_guard l(lock);
        for (const char *name : names)
            released[name] = true;
        changed.notify_all();
    }
    bool WaitFor(const std::function<bool()> &condition)
    {
        std::unique_lock l(lock);
        return changed.wait_for(l, 5s, condition);
    }
    int Decodes(const std::string &name)
    {
        std::lock_guard l(lock);
        return decodes[name];
    }
};

std::vector<TReadAheadSource> Files(std::initializer_list<const char *> names)
{
    std::vector<TReadAheadSource> sources;
    for (const char *name : names)
        sources.push_back({name, std::nullopt});
    return sources;
}

} // namespace

TEST(ReadAheadRows, NextInTheDirectionOfTravelThenTheOneBehindWrappingAround)
{
    EXPECT_EQ(ReadAheadRows(0, -1, 5), (std::vector<int>{1, 4}));
    EXPECT_EQ(ReadAheadRows(3, 2, 5), (std::vector<int>{4, 2}));
    EXPECT_EQ(ReadAheadRows(2, 3, 5), (std::vector<int>{1, 3}));
    EXPECT_EQ(ReadAheadRows(0, 4, 5), (std::vector<int>{1, 4})); // past the last row to the first
    EXPECT_EQ(ReadAheadRows(1, 0, 2), (std::vector<int>{0}));
    EXPECT_TRUE(ReadAheadRows(0, -1, 1).empty());
}

TEST(ReadAhead, AStepWaitsForTheDecodeInProgressAndNeverDecodesTwice)
{
    FakeWorld world;
    auto readAhead = world.Make();
    readAhead->Want(Files({"b", "a"}));
    ASSERT_TRUE(world.WaitFor([&] { return world.decodes["b"] == 1; }));
    // The direction turns and turns back while b is decoded: b is not started again.
    readAhead->Want(Files({"a"}));
    readAhead->Want(Files({"b", "a"}));
    std::thread later([&] {
        std::this_thread::sleep_for(50ms);
        world.Release({"b"});
    });
    const std::optional<TReadAheadPicture> b = readAhead->Take("b");
    later.join();
    ASSERT_TRUE(b);
    EXPECT_EQ(b->LoadedFrom, world.files["b"]);
    EXPECT_EQ(world.Decodes("b"), 1);
    EXPECT_FALSE(readAhead->Take("b")); // handed over once
    // Two steps before the first says what it wants next: the second still gets a.
    world.Release({"a"});
    EXPECT_TRUE(readAhead->Take("a"));
}

TEST(ReadAhead, WhatIsNoLongerWantedIsDroppedOrDiscarded)
{
    FakeWorld world;
    auto readAhead = world.Make();
    world.Release({"a"});
    readAhead->Want(Files({"a", "b"}));
    ASSERT_TRUE(world.WaitFor([&] { return world.decodes["b"] == 1; }));
    EXPECT_EQ(readAhead->HeldBytes(), 120u);
    // A new folder or order: a's picture goes at once, b's when its decode ends.
    readAhead->Want(Files({"c"}));
    EXPECT_EQ(readAhead->HeldBytes(), 60u);
    world.Release({"b", "c"});
    ASSERT_TRUE(world.WaitFor([&] { return world.posted == 3; }));
    EXPECT_FALSE(readAhead->Take("a"));
    EXPECT_FALSE(readAhead->Take("b"));
    EXPECT_EQ(readAhead->HeldBytes(), 60u);
    readAhead->Clear();
    EXPECT_EQ(readAhead->HeldBytes(), 0u);
}

TEST(ReadAhead, AFileChangedSinceItWasReadIsReadAgainByTheCaller)
{
    FakeWorld world;
    auto readAhead = world.Make();
    world.Release({"a", "b", "c"});
    readAhead->Want(Files({"a", "b"}));
    ASSERT_TRUE(world.WaitFor([&] { return world.posted == 2; }));
    {
        std::lock_guard l(world.lock);
        world.files["a"].MTimeNs = 2; // touched since
        world.files["b"].Size = 100;  // the same file
        world.files.erase("c");       // held bytes below do not depend on the file
    }
    EXPECT_FALSE(readAhead->Take("a"));
    EXPECT_TRUE(readAhead->Take("b"));
    TPicture held;
    held.AssignBitmap(TBitmap(3, 3));
    readAhead->Want({{"c", held}, {"a", held}});
    ASSERT_TRUE(world.WaitFor([&] { return world.posted == 4; }));
    EXPECT_TRUE(readAhead->Take("c", held.ContentId()));
    EXPECT_FALSE(readAhead->Take("a", held.ContentId() + 1)); // the holder's picture was turned since
}

TEST(ReadAhead, AtMostTwoPicturesWithinTheCeilingAndRoomMadeByATakeIsUsedNext)
{
    FakeWorld world;
    auto readAhead = world.Make(100);
    world.Release({"a", "b", "c"});
    readAhead->Want(Files({"a", "b", "c"}));
    ASSERT_TRUE(world.WaitFor([&] { return world.posted == 2; })); // a decoded, b refused
    EXPECT_EQ(world.Decodes("b"), 0);
    EXPECT_TRUE(readAhead->Take("a"));
    readAhead->Want(Files({"b", "c"}));
    ASSERT_TRUE(world.WaitFor([&] { return world.posted >= 3; }));
    EXPECT_TRUE(readAhead->Take("b"));
    EXPECT_EQ(world.Decodes("c"), 0); // no room beside b
}

TEST(ReadAhead, GoingAwayDuringADecodeNeitherWaitsForItNorReportsItLater)
{
    static FakeWorld lasting; // the worker may still use it after the test
    auto readAhead = lasting.Make();
    readAhead->Want(Files({"a"}));
    ASSERT_TRUE(lasting.WaitFor([&] { return lasting.decodes["a"] == 1; }));
    readAhead.reset(); // would never return if it waited: the decode is held up
    lasting.Release({"a"});
    std::this_thread::sleep_for(50ms);
    std::lock_guard l(lasting.lock);
    EXPECT_EQ(lasting.posted, 0);
}

TEST(ReadAhead, TheWorkerMakesTheBytesOfTheOwnersLoad)
{
    QTemporaryDir dir;
    const std::string path = quillo::testing::DirPath(dir) + "/p.jpg";
    TBitmap bitmap(48, 32);
    for (int y = 0; y < bitmap.Height(); ++y)
        std::memset(bitmap.ScanLine(y) + y, 40 + 5 * y, 24); // a stripe that wanders
    quillo::testing::WriteBytes(path, EncodeJpeg(bitmap, 90));
    TReadAhead readAhead([](std::function<void()>) {});
    readAhead.Want({{path, std::nullopt}});
    const std::optional<TReadAheadPicture> read = readAhead.Take(path);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->LoadedFrom, FileIdentityOf(path));
    TQloImageHolder own;
    own.LoadFromFile(path);
    const TBitmap &a = read->Picture.DrawBitmap(), &b = own.Picture.DrawBitmap();
    ASSERT_EQ(a.Height(), b.Height());
    for (int y = 0; y < a.Height(); ++y)
        EXPECT_EQ(std::memcmp(a.ScanLine(y), b.ScanLine(y), static_cast<std::size_t>(a.Width()) * 3), 0);
}
