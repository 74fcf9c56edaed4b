// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The catalogue of the current folder. Assigning Path releases the previous
// catalogue and builds the new one before it returns: the folder search, the
// load pass (preloading pictures when the folder fits the budget), the filling
// of the file list, and the events AfterSearch, OnProgress and AfterLoad.
#include "catalogue/FileListModel.h"
#include "catalogue/QloClasses.h"
#include "catalogue/QloThreads.h"
#include "platform/Errors.h"
#include "platform/SafeWrite.h"

#include <QPointer>

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace quillo {

class TQloController;

using TCatalogue = std::vector<std::unique_ptr<TCallbackLoadData>>;
// AfterSearch and AfterLoad: the controller and its TotalSize at the call.
using TOnAfterLoad = std::function<void(TQloController *Sender, std::int64_t ATotalSize)>;

class TQloController {
public:
    TQloController() = default;
    // Clears the list (when it still exists) and frees the entries. The
    // selection handler is not called: its window may already be gone.
    ~TQloController();
    TQloController(const TQloController &) = delete;
    TQloController &operator=(const TQloController &) = delete;

    const std::string &Path() const { return FPath; }
    // Always stores the path; catalogues it unless a run is in progress (a nested
    // assignment from an event handler only stores it). The same path again
    // catalogues the folder anew.
    void SetPath(const std::string &APath);

    std::string Mask;
    // Must be set before Path is assigned. Tracked, so a list destroyed first is
    // not touched again.
    QPointer<TFileListModel> ListView;
    TOnQloProgress OnProgress;
    TOnAfterLoad AfterSearch;
    TOnAfterLoad AfterLoad;
    bool Preload = false;
    int MaxPreload = 0; // MB of 1,048,576 bytes

    void SetOnProgress(TOnQloProgress AHandler) { OnProgress = std::move(AHandler); }
    bool IsIdle() const { return !FSearchJob && !FLoadJob; }
    // Bytes of the files of the current folder.
    std::int64_t TotalSize() const { return FTotalSize; }
    // The entries in the order they were made; empty before the first search.
    const TCatalogue &Catalogue() const;

    // Copies every catalogued file as it is on disk into AFolder (created when
    // missing), asking before a file of the same name is replaced; a file is never
    // copied onto itself. Files that could not be copied (one that vanished since
    // the listing, a full disk) are named with their reasons in one message.
    void CopyToFolder(const std::string &AFolder);
    // The killed in-place writes that the last listing put back (or could not).
    const TRollBack &RolledBack() const { return FRolledBack; }

private:
    void StartSearch();
    void ReleaseCatalogue();
    void SearchFound(std::unique_ptr<TCallbackSearchData> AHit);
    void SearchDone(TJobThread *ASender);
    void EntryLoaded(std::unique_ptr<TCallbackLoadData> AEntry);
    void LoadProgress(std::int64_t AMax, std::int64_t ACurrent, std::uint32_t ATime, const std::string &AFilename);
    void LoadDone(TJobThread *ASender);
    void FillListView();

    std::string FPath;
    std::unique_ptr<TSearchThread> FSearchJob;
    std::unique_ptr<TLoadThread> FLoadJob;
    std::unique_ptr<TSearchHits> FSearchHits;
    std::unique_ptr<TCatalogue> FCatalogue;
    std::int64_t FTotalSize = 0;
    TRollBack FRolledBack;
    // Counts released catalogues, so a long copy notices that its entries went.
    std::uint64_t FGeneration = 0;
};

// The message for the files CopyToFolder could not copy: each file and its reason
// on lines of their own, the first ten of them.
std::string CopyFailureText(const std::string &AFolder, const std::vector<FileError> &AFailures);

} // namespace quillo
