// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/ReadAhead.h"

#include "imageview/JpegImage.h"
#include "imageview/QloImageHolder.h"

#include <algorithm>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <utility>

namespace quillo {

namespace {

bool Reachable(const TFileIdentity &file)
{
    return file != TFileIdentity{};
}

} // namespace

struct TReadAhead::TSlot {
    enum class TState { Waiting, Decoding, Ready, Failed, NoRoom };
    TReadAheadSource Source;
    TState State = TState::Waiting;
    bool Wanted = true;
    std::optional<TPicture> Picture;
    TFileIdentity Identity; // of the file as it was read
    std::size_t Bytes = 0;

    bool Matches(const TReadAheadSource &other) const
    {
        const auto content = [](const TReadAheadSource &s) { return s.Held ? s.Held->ContentId() : 0; };
        return Source.FileName == other.FileName && content(Source) == content(other);
    }
};

// Everything the worker and the owner share; the worker keeps it alive on its own
// when the owner goes while a decode runs.
struct TReadAhead::TShared {
    std::mutex Lock;
    std::condition_variable_any Changed;
    std::vector<std::shared_ptr<TSlot>> Slots; // the wanted ones first, in order
    TPost Post;                                // cleared when the owner goes
    TDecoder Decoder;
    TIdentityOf IdentityOf;
    std::size_t Ceiling = 0;
    TReadAhead *Owner = nullptr; // read on the owner's thread only
    bool Stopping = false;
    // From a Take to the next Want: the step that took a picture has not said yet
    // what it wants next, and a picture behind, started now, would hold up the one ahead.
    bool AwaitingWant = false;
    // The last step had to wait for its picture: the person is outrunning the decodes.
    bool Hurried = false;

    std::size_t Held() const
    {
        std::size_t bytes = 0;
        for (const auto &slot : Slots)
            if (slot->State == TSlot::TState::Ready || slot->State == TSlot::TState::Decoding)
                bytes += slot->Bytes;
        return bytes;
    }

    // Room freed: pictures that did not fit may fit now.
    void RetryRefused()
    {
        for (const auto &slot : Slots)
            if (slot->State == TSlot::TState::NoRoom)
                slot->State = TSlot::TState::Waiting;
    }

    std::shared_ptr<TSlot> NextJob() const
    {
        if (AwaitingWant)
            return nullptr;
        std::size_t busy = 0;
        for (const auto &slot : Slots)
            if (slot->State == TSlot::TState::Ready || slot->State == TSlot::TState::Decoding)
                ++busy;
        if (busy >= kMaxPictures)
            return nullptr;
        for (const auto &slot : Slots)
            if (slot->Wanted && slot->State == TSlot::TState::Waiting)
                return slot;
        return nullptr;
    }
};

TReadAhead::TReadAhead(TPost post, TDecoder decoder, std::size_t ceiling, TIdentityOf identityOf)
    : shared_(std::make_shared<TShared>())
{
    shared_->Post = std::move(post);
    shared_->Decoder = std::move(decoder);
    shared_->IdentityOf = std::move(identityOf);
    shared_->Ceiling = ceiling;
    shared_->Owner = this;
    worker_ = std::jthread([shared = shared_](std::stop_token stop) { Run(shared, std::move(stop)); });
}

TReadAhead::~TReadAhead()
{
    bool decoding = false;
    {
        std::lock_guard guard(shared_->Lock);
        shared_->Stopping = true;
        shared_->Post = nullptr;
        shared_->Owner = nullptr;
        for (const auto &slot : shared_->Slots)
            decoding = decoding || slot->State == TSlot::TState::Decoding;
    }
    worker_.request_stop();
    // A decode cannot be cut short; rather than wait for it, the worker is left to
    // end it on its own, holding the shared state until then.
    if (decoding)
        worker_.detach();
}

void TReadAhead::Want(std::vector<TReadAheadSource> sources)
{
    if (sources.size() > kMaxPictures)
        sources.resize(kMaxPictures);
    std::vector<std::shared_ptr<TSlot>> dropped; // freed outside the lock
    {
        std::lock_guard guard(shared_->Lock);
        std::vector<std::shared_ptr<TSlot>> next;
        for (TReadAheadSource &source : sources) {
            auto &slots = shared_->Slots;
            auto found = std::find_if(slots.begin(), slots.end(), [&](const auto &s) { return s->Matches(source); });
            if (found != slots.end()) {
                (*found)->Wanted = true;
                next.push_back(std::move(*found));
                slots.erase(found);
            } else {
                auto slot = std::make_shared<TSlot>();
                slot->Source = std::move(source);
                next.push_back(std::move(slot));
            }
        }
        for (auto &slot : shared_->Slots) {
            // A decode that runs on is discarded when it ends, unless wanted again by then.
            if (slot->State == TSlot::TState::Decoding) {
                slot->Wanted = false;
                next.push_back(std::move(slot));
            } else {
                dropped.push_back(std::move(slot));
            }
        }
        shared_->Slots = std::move(next);
        shared_->RetryRefused();
        shared_->AwaitingWant = false;
    }
    shared_->Changed.notify_all();
}

std::optional<TReadAheadPicture> TReadAhead::Take(const std::string &fileName, std::uint64_t heldContent)
{
    std::shared_ptr<TSlot> slot;
    {
        std::unique_lock lock(shared_->Lock);
        auto &slots = shared_->Slots;
        auto found = std::find_if(slots.begin(), slots.end(), [&](const auto &s) {
            return s->Source.FileName == fileName && (s->Wanted || s->State == TSlot::TState::Decoding);
        });
        if (found == slots.end()) {
            shared_->AwaitingWant = true;
            return std::nullopt;
        }
        slot = *found;
        const bool busy = std::any_of(slots.begin(), slots.end(),
                                      [](const auto &s) { return s->State == TSlot::TState::Decoding; });
        // A decode running for it is waited for (never decoded twice). So is one about
        // to start on an idle worker; behind another decode, the caller is quicker.
        shared_->Hurried = slot->State != TSlot::TState::Ready;
        if (slot->State == TSlot::TState::Decoding || (slot->State == TSlot::TState::Waiting && !busy)) {
            slot->Wanted = true;
            // First in line, and started even when an earlier step is still to say
            // what it wants next.
            std::rotate(slots.begin(), found, found + 1);
            shared_->AwaitingWant = false;
            shared_->Changed.notify_all();
            shared_->Changed.wait(lock, [&] {
                return slot->State != TSlot::TState::Decoding && slot->State != TSlot::TState::Waiting;
            });
        }
        shared_->AwaitingWant = true;
        slots.erase(std::remove(slots.begin(), slots.end(), slot), slots.end());
    }
    if (slot->State != TSlot::TState::Ready || !slot->Picture)
        return std::nullopt;
    // Bytes held already are the entry's own; a file is used only when it is unchanged.
    if (slot->Source.Held ? slot->Source.Held->ContentId() != heldContent
                          : !Reachable(slot->Identity) || shared_->IdentityOf(fileName) != slot->Identity)
        return std::nullopt;
    return TReadAheadPicture{std::move(*slot->Picture), slot->Identity};
}

bool TReadAhead::InProgress(const std::string &fileName) const
{
    std::lock_guard guard(shared_->Lock);
    return std::any_of(shared_->Slots.begin(), shared_->Slots.end(), [&](const auto &s) {
        return s->Wanted && s->Source.FileName == fileName &&
               (s->State == TSlot::TState::Waiting || s->State == TSlot::TState::Decoding);
    });
}

bool TReadAhead::Idle() const
{
    std::lock_guard guard(shared_->Lock);
    return shared_->NextJob() == nullptr &&
           std::none_of(shared_->Slots.begin(), shared_->Slots.end(),
                        [](const auto &s) { return s->State == TSlot::TState::Decoding; });
}

bool TReadAhead::Hurried() const
{
    std::lock_guard guard(shared_->Lock);
    return shared_->Hurried;
}

std::size_t TReadAhead::HeldBytes() const
{
    std::lock_guard guard(shared_->Lock);
    return shared_->Held();
}

void TReadAhead::Run(const std::shared_ptr<TShared> &shared, std::stop_token stop)
{
    std::unique_lock lock(shared->Lock);
    for (;;) {
        std::shared_ptr<TSlot> slot;
        shared->Changed.wait(lock, stop, [&] { return shared->Stopping || (slot = shared->NextJob()) != nullptr; });
        if (stop.stop_requested() || shared->Stopping)
            return;
        slot->State = TSlot::TState::Decoding;
        slot->Bytes = 0;
        const TReadAheadSource source = slot->Source;
        // Ahead of a person who pauses, one core decodes and the other stays with the
        // GUI thread's paint; a person who waits for each picture gets both.
        SetJpegDecodeThreadsHere(shared->Hurried ? 0 : 1);
        lock.unlock();

        TFileIdentity before;
        if (!source.Held)
            before = shared->IdentityOf(source.FileName);
        bool refused = false;
        const auto admit = [&](std::size_t bytes) {
            std::lock_guard guard(shared->Lock);
            if (shared->Stopping || !slot->Wanted)
                return false;
            if (shared->Held() + bytes > shared->Ceiling) {
                refused = true;
                return false;
            }
            slot->Bytes = bytes;
            return true;
        };
        std::optional<TPicture> picture;
        try {
            if (source.Held || Reachable(before))
                picture = shared->Decoder(source, admit);
        } catch (const std::exception &) {
            // The owner loads it itself and reports what is wrong, as without reading ahead.
        }
        // A file that changed while it was read is not the file that was read.
        if (picture && !source.Held && shared->IdentityOf(source.FileName) != before)
            picture.reset();

        lock.lock();
        if (refused) {
            slot->State = TSlot::TState::NoRoom;
        } else if (picture) {
            slot->State = TSlot::TState::Ready;
            slot->Picture = std::move(picture);
            slot->Identity = before;
        } else {
            slot->State = TSlot::TState::Failed;
        }
        std::optional<TPicture> discarded;
        if (!slot->Wanted) {
            discarded = std::move(slot->Picture);
            auto &slots = shared->Slots;
            slots.erase(std::remove(slots.begin(), slots.end(), slot), slots.end());
        }
        shared->Changed.notify_all();
        if (shared->Post) {
            shared->Post([weak = std::weak_ptr<TShared>(shared), name = source.FileName] {
                const auto alive = weak.lock();
                if (alive && alive->Owner && alive->Owner->OnDone)
                    alive->Owner->OnDone(name);
            });
        }
        lock.unlock();
        discarded.reset();
        slot.reset();
        lock.lock();
    }
}

std::optional<TPicture> TReadAhead::DecodeSource(const TReadAheadSource &source,
                                                 const std::function<bool(std::size_t)> &admit)
{
    const auto pixelBytes = [](const TPicture &p) {
        return TBitmap::RowBytesFor(p.Width(), 24) * static_cast<std::size_t>(std::max(p.Height(), 0));
    };
    if (source.Held) {
        TPicture picture = *source.Held;
        if (!admit(pixelBytes(picture)))
            return std::nullopt;
        picture.DrawBitmap();
        return picture;
    }
    // The same load the owner would make, on a holder of the worker's own.
    TQloImageHolder holder;
    holder.LoadFromFile(source.FileName);
    const TFileIdentity file = FileIdentityOf(source.FileName);
    if (!admit(pixelBytes(holder.Picture) + static_cast<std::size_t>(std::max<std::int64_t>(file.Size, 0))))
        return std::nullopt;
    holder.Picture.DrawBitmap();
    // Browsing needs the pixels only; a turn reads the file again.
    holder.Picture.ReleaseFileBytes();
    return std::move(holder.Picture);
}

std::vector<int> ReadAheadRows(int current, int previous, int count)
{
    if (count <= 1 || current < 0 || current >= count)
        return {};
    bool forwards = true;
    if (previous >= 0 && previous < count && previous != current)
        forwards = (current - previous + count) % count <= count / 2;
    const int step = forwards ? 1 : -1;
    const int ahead = (current + step + count) % count;
    const int behind = (current - step + count) % count;
    std::vector<int> rows{ahead};
    if (behind != ahead)
        rows.push_back(behind);
    return rows;
}

} // namespace quillo
