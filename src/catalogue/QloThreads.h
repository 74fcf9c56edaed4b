// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The catalogue's jobs. They have the shape of worker threads (created suspended,
// an end notification, a terminated flag), but their owner calls RunJob directly
// on its own thread, and Synchronize runs its step at once.
#include "catalogue/QloClasses.h"

#include <functional>

namespace quillo {

class TJobThread {
public:
    using TNotifyEvent = std::function<void(TJobThread *Sender)>;

    // Jobs never start a thread; the flag only records how they were asked for.
    explicit TJobThread(bool ACreateSuspended = true) : FSuspended(ACreateSuspended) {}
    virtual ~TJobThread() = default;
    TJobThread(const TJobThread &) = delete;
    TJobThread &operator=(const TJobThread &) = delete;

    // The job's body; the owner calls it once.
    virtual void RunJob() = 0;

    // End notification, called by RunJob after the work.
    TNotifyEvent OnTerminate;
    bool Terminated() const { return FTerminated; }
    bool Suspended() const { return FSuspended; }

protected:
    template <typename F>
    void Synchronize(F &&AMethod)
    {
        AMethod();
    }
    void DoTerminate()
    {
        if (OnTerminate)
            Synchronize([this] { OnTerminate(this); });
    }
    void Terminate() { FTerminated = true; }

private:
    bool FSuspended;
    bool FTerminated = false;
};

// Lists one folder (no recursion) with each pattern in turn. Hits come grouped by
// pattern in pattern order and in file-system order within a pattern; a name that
// matches two patterns is reported twice; matching sub-folders are reported too.
class TSearchThread final : public TJobThread {
public:
    TSearchThread(bool ACreateSuspended, TSearchData AData);
    // Scan, then the end notification, then the terminated flag.
    void RunJob() override;
    void Scan();

private:
    TSearchData FData;
};

// Turns every hit into a catalogue entry, reading the pictures when preloading.
// The first failure ends the pass silently; the entries made so far stay.
class TLoadThread final : public TJobThread {
public:
    TLoadThread(bool ACreateSuspended, TLoadData AData, bool APreload);
    // LoadAll, then the end notification, then the terminated flag.
    void RunJob() override;
    void LoadAll();

private:
    TLoadData FData;
    bool FPreload;
};

} // namespace quillo
