// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/PageBlocks.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <mutex>
#include <new>
#include <utility>
#include <vector>

#include <sys/mman.h>

namespace quillo {

namespace {

constexpr std::size_t kHugePage = std::size_t(2) << 20;
constexpr std::size_t kBlockAlignment = 64;
constexpr std::size_t kArenaBytes = std::size_t(32) << 20;
// The cache holds what a step through a folder frees and the next step needs
// (a decoded picture, its file, a resampler pass), not a whole folder.
constexpr std::size_t kCacheBlocks = 8;
constexpr std::size_t kCacheBytes = std::size_t(256) << 20;

std::size_t RoundUp(std::size_t n, std::size_t unit)
{
    return (n + unit - 1) / unit * unit;
}

struct TArena {
    std::uint8_t *Base = nullptr;
    std::size_t Length = 0; // of its mapping: a reused one may be a little longer
    std::size_t Used = 0;  // bytes handed out from the start
    std::size_t Dirty = 0; // bytes from the start that may hold old data
    std::size_t Live = 0;  // blocks handed out and not yet given back
};

struct TMapping {
    std::uint8_t *Data;
    std::size_t Length;
};

class TBlockPool {
public:
    std::mutex Lock;
    TArena *Current = nullptr;
    std::vector<TArena *> Arenas;
    std::deque<TMapping> Cache; // oldest first
    std::size_t CachedBytes = 0;
    std::size_t LiveBytes = 0; // own mappings handed out

    // A mapping of `length` bytes (a multiple of the huge page): from the cache
    // when one fits without much waste, else fresh (and then all zero).
    TMapping Take(std::size_t length, bool &fresh)
    {
        auto best = Cache.end();
        for (auto it = Cache.begin(); it != Cache.end(); ++it)
            if (it->Length >= length && it->Length <= length + length / 4 + kHugePage &&
                (best == Cache.end() || it->Length < best->Length))
                best = it;
        if (best != Cache.end()) {
            const TMapping m = *best;
            CachedBytes -= m.Length;
            Cache.erase(best);
            fresh = false;
            return m;
        }
        fresh = true;
        return {MapFresh(length), length};
    }

    void Give(TMapping m)
    {
        if (m.Length > kCacheBytes) {
            ::munmap(m.Data, m.Length);
            return;
        }
        Cache.push_back(m);
        CachedBytes += m.Length;
        while (Cache.size() > kCacheBlocks || CachedBytes > kCacheBytes) {
            ::munmap(Cache.front().Data, Cache.front().Length);
            CachedBytes -= Cache.front().Length;
            Cache.pop_front();
        }
    }

    void DropArena(TArena *arena)
    {
        if (arena == Current)
            Current = nullptr;
        Arenas.erase(std::find(Arenas.begin(), Arenas.end(), arena));
        Give({arena->Base, arena->Length});
        delete arena;
    }

private:
    // A huge-page aligned mapping: a little extra is mapped and the ends that
    // fall outside the alignment are unmapped again.
    static std::uint8_t *MapFresh(std::size_t length)
    {
        void *raw = ::mmap(nullptr, length + kHugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (raw == MAP_FAILED)
            throw std::bad_alloc();
        auto *start = static_cast<std::uint8_t *>(raw);
        auto *aligned = reinterpret_cast<std::uint8_t *>(RoundUp(reinterpret_cast<std::uintptr_t>(start), kHugePage));
        if (aligned > start)
            ::munmap(start, static_cast<std::size_t>(aligned - start));
        const std::size_t tail = static_cast<std::size_t>(start + length + kHugePage - (aligned + length));
        if (tail > 0)
            ::munmap(aligned + length, tail);
#ifdef MADV_HUGEPAGE
        ::madvise(aligned, length, MADV_HUGEPAGE); // a hint; a refusal changes nothing
#endif
        return aligned;
    }
};

TBlockPool &Pool()
{
    static TBlockPool *pool = new TBlockPool; // outlives every static that holds a block
    return *pool;
}

} // namespace

TPageBlock TPageBlock::Allocate(std::size_t bytes, bool zeroed)
{
    TPageBlock block;
    if (bytes == 0)
        return block;
    if (bytes < kArenaMinimum) {
        // malloc aligns to 16 only; the rows and vector loops count on 64.
        void *p = std::aligned_alloc(kBlockAlignment, RoundUp(bytes, kBlockAlignment));
        if (!p)
            throw std::bad_alloc();
        if (zeroed)
            std::memset(p, 0, bytes);
        block.data_ = static_cast<std::uint8_t *>(p);
        block.size_ = bytes;
        block.kind_ = TKind::Heap;
        return block;
    }
    if (bytes >= kOwnMappingMinimum) {
        const std::size_t length = RoundUp(bytes, kHugePage);
        bool fresh = false;
        TMapping m;
        {
            std::lock_guard guard(Pool().Lock);
            m = Pool().Take(length, fresh);
            Pool().LiveBytes += m.Length;
        }
        if (zeroed && !fresh)
            std::memset(m.Data, 0, bytes);
        block.data_ = m.Data;
        block.size_ = bytes;
        block.reserved_ = m.Length;
        block.kind_ = TKind::Mapping;
        return block;
    }
    const std::size_t need = RoundUp(bytes, kBlockAlignment);
    std::size_t offset = 0, clearEnd = 0;
    TArena *arena = nullptr;
    {
        TBlockPool &pool = Pool();
        std::lock_guard guard(pool.Lock);
        if (pool.Current && pool.Current->Used + need > kArenaBytes) {
            // Full: the arena lives on until its last block is given back.
            TArena *full = pool.Current;
            pool.Current = nullptr;
            if (full->Live == 0)
                pool.DropArena(full);
        }
        if (!pool.Current) {
            bool fresh = false;
            const TMapping m = pool.Take(kArenaBytes, fresh);
            auto *made = new TArena;
            made->Base = m.Data;
            made->Length = m.Length;
            made->Dirty = fresh ? 0 : m.Length;
            pool.Arenas.push_back(made);
            pool.Current = made;
        }
        arena = pool.Current;
        offset = arena->Used;
        arena->Used += need;
        ++arena->Live;
        clearEnd = std::min(offset + bytes, arena->Dirty);
        arena->Dirty = std::max(arena->Dirty, offset + need);
    }
    block.data_ = arena->Base + offset;
    if (zeroed && clearEnd > offset)
        std::memset(block.data_, 0, clearEnd - offset); // the block is ours alone now
    block.size_ = bytes;
    block.reserved_ = reinterpret_cast<std::uintptr_t>(arena);
    block.kind_ = TKind::Arena;
    return block;
}

TPageBlock::TPageBlock(TPageBlock &&other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      reserved_(std::exchange(other.reserved_, 0)), kind_(std::exchange(other.kind_, TKind::None))
{
}

TPageBlock &TPageBlock::operator=(TPageBlock &&other) noexcept
{
    if (this != &other) {
        Reset();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        reserved_ = std::exchange(other.reserved_, 0);
        kind_ = std::exchange(other.kind_, TKind::None);
    }
    return *this;
}

void TPageBlock::Shrink(std::size_t bytes)
{
    size_ = std::min(size_, bytes);
}

void TPageBlock::Reset()
{
    switch (kind_) {
    case TKind::None:
        break;
    case TKind::Heap:
        std::free(data_);
        break;
    case TKind::Mapping: {
        std::lock_guard guard(Pool().Lock);
        Pool().LiveBytes -= reserved_;
        Pool().Give({data_, reserved_});
        break;
    }
    case TKind::Arena: {
        TBlockPool &pool = Pool();
        std::lock_guard guard(pool.Lock);
        auto *arena = reinterpret_cast<TArena *>(reserved_);
        if (--arena->Live == 0) {
            if (arena == pool.Current)
                arena->Used = 0; // start over; what was written stays dirty
            else
                pool.DropArena(arena);
        }
        break;
    }
    }
    data_ = nullptr;
    size_ = 0;
    reserved_ = 0;
    kind_ = TKind::None;
}

void ReleaseCachedPageBlocks()
{
    TBlockPool &pool = Pool();
    std::lock_guard guard(pool.Lock);
    if (pool.Current && pool.Current->Live == 0) {
        TArena *idle = pool.Current;
        pool.Current = nullptr;
        pool.Arenas.erase(std::find(pool.Arenas.begin(), pool.Arenas.end(), idle));
        ::munmap(idle->Base, idle->Length);
        delete idle;
    }
    for (const TMapping &m : pool.Cache)
        ::munmap(m.Data, m.Length);
    pool.Cache.clear();
    pool.CachedBytes = 0;
}

TPageBlockStats PageBlockStats()
{
    TBlockPool &pool = Pool();
    std::lock_guard guard(pool.Lock);
    return {pool.Cache.size(), pool.CachedBytes, pool.Arenas.size(), pool.LiveBytes};
}

} // namespace quillo
