// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Memory for large buffers: decoded pictures, file bytes, resampler passes.
//
// Memory touched for the first time costs a page fault per page, which on some
// machines dwarfs the work done in it. So large blocks come from their own
// mappings on huge pages (where the system grants them), blocks of middle size
// are cut from shared huge-page arenas, and freed blocks and arenas are kept in a
// small cache to be handed out again, already touched. The cache is bounded in
// count and bytes, and ReleaseCachedPageBlocks (called by the working-set trim)
// gives all of it back to the system.
#include <cstddef>
#include <cstdint>

namespace quillo {

class TPageBlock {
public:
    // Below this a block is plain heap memory.
    static constexpr std::size_t kArenaMinimum = std::size_t(64) << 10;
    // From this size on a block has a mapping of its own.
    static constexpr std::size_t kOwnMappingMinimum = std::size_t(8) << 20;

    TPageBlock() = default;
    // `bytes` usable bytes, 64-byte aligned; zero-filled when `zeroed` (memory
    // fresh from the system is zero already and is not touched). Throws
    // std::bad_alloc when the system refuses.
    static TPageBlock Allocate(std::size_t bytes, bool zeroed);

    TPageBlock(TPageBlock &&other) noexcept;
    TPageBlock &operator=(TPageBlock &&other) noexcept;
    TPageBlock(const TPageBlock &) = delete;
    TPageBlock &operator=(const TPageBlock &) = delete;
    ~TPageBlock() { Reset(); }

    std::uint8_t *Data() const { return data_; }
    std::size_t Size() const { return size_; }
    bool Empty() const { return size_ == 0; }
    // Forgets bytes past `bytes` (a file that turned out shorter); the memory stays.
    void Shrink(std::size_t bytes);
    // Gives the memory back (to the cache, an arena or the heap).
    void Reset();

private:
    enum class TKind : std::uint8_t { None, Heap, Arena, Mapping };
    std::uint8_t *data_ = nullptr;
    std::size_t size_ = 0;
    std::size_t reserved_ = 0; // the mapping's length, or the arena's address
    TKind kind_ = TKind::None;
};

// Unmaps every cached free block and every arena that holds nothing.
void ReleaseCachedPageBlocks();

struct TPageBlockStats {
    std::size_t CachedBlocks = 0; // free mappings kept for reuse
    std::size_t CachedBytes = 0;
    std::size_t Arenas = 0;       // arenas mapped, in use or not
    std::size_t LiveBytes = 0;    // blocks with a mapping of their own, in use
};
TPageBlockStats PageBlockStats();

} // namespace quillo
