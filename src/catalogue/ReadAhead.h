// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading ahead: while one picture is shown, a worker thread loads and decodes the
// next ones (at most two, within a memory ceiling), so that a step paints at once.
//
// The owner says which files it wants next, most wanted first (Want); a file no
// longer wanted is dropped, or its decode discarded when it ends. Take hands a
// finished picture over, waiting for one in progress rather than decoding it again,
// and only when the file on disk is still the one that was read. The worker touches
// nothing of the owner's: it works on its own picture holder, and tells the owner
// that a decode ended through one posted call on the owner's thread.
#include "imageview/Picture.h"
#include "platform/Files.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

namespace quillo {

// One picture to read ahead: a file, or a picture whose bytes are held already (a
// preloaded entry), which then only needs its pixels decoded.
struct TReadAheadSource {
    std::string FileName;
    std::optional<TPicture> Held;
};

// A picture handed over, with the state of its file when it was read (all zero for
// held bytes).
struct TReadAheadPicture {
    TPicture Picture;
    TFileIdentity LoadedFrom;
};

class TReadAhead {
public:
    static constexpr std::size_t kMaxPictures = 2;
    // Decoded pixels and file bytes of the pictures read ahead, besides the one shown:
    // one 24-megapixel picture (72 MB decoded) fits, two do not; two of 12 megapixels do.
    static constexpr std::size_t kDefaultCeiling = std::size_t(128) << 20;

    // Loads and decodes the source. Calls admit(bytes) once the cost is known and,
    // when it answers false, stops and returns nothing. Throws on a bad picture.
    using TDecoder = std::function<std::optional<TPicture>(const TReadAheadSource &source,
                                                           const std::function<bool(std::size_t)> &admit)>;
    // Runs a call later on the owner's thread (queued, never at once).
    using TPost = std::function<void(std::function<void()> call)>;
    // All zero for a file that cannot be reached.
    using TIdentityOf = std::function<TFileIdentity(const std::string &path)>;

    TReadAhead(TPost post, TDecoder decoder = DecodeSource, std::size_t ceiling = kDefaultCeiling,
               TIdentityOf identityOf = FileIdentityOf);
    // Returns at once even while a decode runs: the worker then finishes on its own,
    // discards its picture and frees what it holds.
    ~TReadAhead();
    TReadAhead(const TReadAhead &) = delete;
    TReadAhead &operator=(const TReadAhead &) = delete;

    // The pictures wanted next, most wanted first; only the first kMaxPictures count.
    // Everything else held is dropped, a decode in progress for anything else discarded.
    void Want(std::vector<TReadAheadSource> sources);
    // Wants nothing (a folder change, a new list order).
    void Clear() { Want({}); }
    // The picture of `fileName` when it was read ahead from the file as it is now;
    // waits for its decode when one is running or about to start on an idle worker.
    // Nothing otherwise: the caller loads
    // it itself. The worker then starts nothing new until the next Want, which says
    // what the step wants next; a taken picture no longer counts against the ceiling.
    // A picture read
    // ahead from held bytes is handed over only while the holder still holds that
    // content (`heldContent`, its ContentId): a turned picture is decoded anew.
    std::optional<TReadAheadPicture> Take(const std::string &fileName, std::uint64_t heldContent = 0);
    // Whether `fileName` is wanted and its decode not yet ended.
    bool InProgress(const std::string &fileName) const;
    // Whether no decode runs and none waits for the worker.
    bool Idle() const;
    // Whether the last Take had to wait for its picture: the steps outrun the decodes.
    bool Hurried() const;
    std::size_t HeldBytes() const;

    // On the owner's thread, after each decode that ended (well or not).
    std::function<void(const std::string &fileName)> OnDone;

    // The real decoder: the holder's load, then its pixels decoded.
    static std::optional<TPicture> DecodeSource(const TReadAheadSource &source,
                                                const std::function<bool(std::size_t)> &admit);

private:
    struct TShared;
    struct TSlot;
    static void Run(const std::shared_ptr<TShared> &shared, std::stop_token stop);

    std::shared_ptr<TShared> shared_;
    std::jthread worker_;
};

// The rows to read ahead around `current`, most wanted first: the next one in the
// direction of travel (from `previous`; forwards when there was none or it is the
// same row), then the one behind. The list wraps around, as the viewer steps.
std::vector<int> ReadAheadRows(int current, int previous, int count);

} // namespace quillo
