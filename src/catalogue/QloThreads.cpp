// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/QloThreads.h"

#include "platform/Files.h"
#include "platform/System.h"

#include <exception>
#include <utility>

namespace quillo {

TSearchThread::TSearchThread(bool ACreateSuspended, TSearchData AData)
    : TJobThread(ACreateSuspended), FData(std::move(AData))
{
}

void TSearchThread::RunJob()
{
    Synchronize([this] { Scan(); });
    DoTerminate();
    Terminate();
}

void TSearchThread::Scan()
{
    if (!FData.OnFound)
        return;
    if (!DirectoryExists(FData.Path))
        return;
    const std::string folder = IncludeTrailingPathDelimiter(FData.Path);
    // An empty pattern names the folder itself, which lists nothing. Without any
    // pattern the folder is still read when someone waits for its names.
    std::vector<std::string> patterns;
    if (FData.Masks)
        for (const std::string &pattern : *FData.Masks)
            if (!pattern.empty())
                patterns.push_back(pattern);
    if (patterns.empty() && !FData.OnListed)
        return;
    // One reading of the folder serves every pattern; the hits come pattern by
    // pattern as before. A folder that cannot be opened (gone, unreadable) gives none.
    const auto found = [&](const TSearchRec &rec) {
        FData.OnFound(std::make_unique<TCallbackSearchData>(folder + rec.Name, rec));
    };
    EnumerateDirectory(folder, patterns, found, FData.OnListed);
}

TLoadThread::TLoadThread(bool ACreateSuspended, TLoadData AData, bool APreload)
    : TJobThread(ACreateSuspended), FData(std::move(AData)), FPreload(APreload)
{
}

void TLoadThread::RunJob()
{
    Synchronize([this] { LoadAll(); });
    DoTerminate();
    Terminate();
}

void TLoadThread::LoadAll()
{
    try {
        if (!FData.List)
            return;
        std::int64_t max = 0;
        for (const auto &hit : *FData.List)
            max += hit->Size;
        std::int64_t current = 0;
        for (const auto &hit : *FData.List) {
            current += hit->Size;
            const std::uint32_t start = GetTickCount();
            std::unique_ptr<TCallbackLoadData> entry;
            if (FPreload) {
                // A picture that cannot be read (damaged, a matching sub-folder, a
                // FIFO, a file gone meanwhile) is listed without its picture, as
                // without preloading, and tried again when it is selected: one bad
                // file must not hide the rest of the folder.
                try {
                    entry = std::make_unique<TCallbackLoadData>(hit->FileName, *hit, true);
                } catch (const std::exception &) {
                }
            }
            if (!entry)
                entry = std::make_unique<TCallbackLoadData>(hit->FileName, *hit, false);
            if (FData.OnLoaded)
                FData.OnLoaded(std::move(entry));
            const std::uint32_t time = GetTickCount() - start;
            if (FData.OnProgress)
                FData.OnProgress(max, current, time, hit->FileName);
        }
    } catch (const std::exception &) {
        // A failing handler ends the pass quietly: the folder still lists what was
        // made so far.
    }
}

} // namespace quillo
