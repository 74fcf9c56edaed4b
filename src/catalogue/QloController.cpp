// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/QloController.h"

#include "platform/Directory.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Services.h"
#include "platform/System.h"

#include <sys/stat.h>

#include <exception>
#include <utility>

namespace quillo {

namespace {

constexpr std::int64_t kBytesPerMB = 1048576;
constexpr std::int64_t kNeverPreloadFrom = std::int64_t(2048) * kBytesPerMB;

// Runs a clean-up when the scope ends, whether by return or by a failure.
template <typename F>
class TScopeExit {
public:
    explicit TScopeExit(F f) : FAction(std::move(f)) {}
    ~TScopeExit() { FAction(); }
    TScopeExit(const TScopeExit &) = delete;
    TScopeExit &operator=(const TScopeExit &) = delete;

private:
    F FAction;
};

// Two names for one file (same device and inode).
bool SameFile(const std::string &a, const std::string &b)
{
    struct stat sa {};
    struct stat sb {};
    return ::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0 && sa.st_dev == sb.st_dev &&
           sa.st_ino == sb.st_ino;
}

} // namespace

TQloController::~TQloController()
{
    ReleaseCatalogue();
}

const TCatalogue &TQloController::Catalogue() const
{
    static const TCatalogue kNone;
    return FCatalogue ? *FCatalogue : kNone;
}

void TQloController::SetPath(const std::string &APath)
{
    FPath = APath;
    if (IsIdle())
        StartSearch();
}

void TQloController::ReleaseCatalogue()
{
    // The list goes first, so no row ever points at a freed entry.
    if (ListView)
        ListView->Clear();
    FCatalogue.reset();
}

void TQloController::StartSearch()
{
    // Whatever happens below, the controller is idle again afterwards, so a
    // failure in the search or in AfterSearch does not block later folders.
    const TScopeExit idleAgain([this] {
        FSearchJob.reset();
        FLoadJob.reset();
        FSearchHits.reset();
    });

    FTotalSize = 0;
    FSearchHits = std::make_unique<TSearchHits>();
    if (FCatalogue) {
        ++FGeneration;
        // The window drops the picture it shows while the entries still exist.
        if (ListView && ListView->OnSelectItem)
            ListView->OnSelectItem(nullptr, false);
        ReleaseCatalogue();
    }
    FCatalogue = std::make_unique<TCatalogue>();
    FRolledBack = {};

    TSearchData data;
    data.Path = FPath;
    data.Masks = std::make_shared<const std::vector<std::string>>(SplitMask(Mask));
    data.OnFound = [this](std::unique_ptr<TCallbackSearchData> hit) { SearchFound(std::move(hit)); };
    // A rewrite killed half-way is put back from the search's own reading of the
    // folder, before any file is examined or read.
    data.OnListed = [this](int dirFd, std::vector<std::string> &names) {
        FRolledBack = RollBackInterruptedWrites(dirFd, FPath, names);
    };
    FSearchJob = std::make_unique<TSearchThread>(true, std::move(data));
    FSearchJob->OnTerminate = [this](TJobThread *sender) { SearchDone(sender); };
    FSearchJob->RunJob();
}

void TQloController::SearchFound(std::unique_ptr<TCallbackSearchData> AHit)
{
    FTotalSize += AHit->Size;
    FSearchHits->push_back(std::move(AHit));
}

void TQloController::SearchDone(TJobThread *)
{
    TLoadData data;
    data.List = FSearchHits.get();
    data.OnLoaded = [this](std::unique_ptr<TCallbackLoadData> entry) { EntryLoaded(std::move(entry)); };
    data.OnProgress = [this](std::int64_t max, std::int64_t current, std::uint32_t time, const std::string &name) {
        LoadProgress(max, current, time, name);
    };

    if (AfterSearch)
        AfterSearch(this, FTotalSize);

    // Taken after AfterSearch, which may still change the settings. A total equal
    // to the budget does not preload; a budget of 0 preloads nothing. A folder of
    // 2 GiB or more is never preloaded, whatever budget the settings file holds
    // (the dialog keeps it to 1024 MB, the file is not checked).
    const bool preload = Preload && FTotalSize < kNeverPreloadFrom &&
                         static_cast<std::int64_t>(MaxPreload) * kBytesPerMB > FTotalSize;

    FCatalogue->reserve(FSearchHits->size());
    FLoadJob = std::make_unique<TLoadThread>(true, std::move(data), preload);
    FLoadJob->OnTerminate = [this](TJobThread *sender) { LoadDone(sender); };
    FLoadJob->RunJob();
}

void TQloController::EntryLoaded(std::unique_ptr<TCallbackLoadData> AEntry)
{
    FCatalogue->push_back(std::move(AEntry));
}

void TQloController::LoadProgress(std::int64_t AMax, std::int64_t ACurrent, std::uint32_t ATime,
                                  const std::string &AFilename)
{
    if (OnProgress)
        OnProgress(AMax, ACurrent, ATime, AFilename);
    FTotalSize = AMax;
}

void TQloController::LoadDone(TJobThread *)
{
    // The load pass has made every entry from its hit; freed now, the hits'
    // memory serves the list rows instead of fresh pages.
    FSearchHits.reset();
    try {
        FillListView();
        if (AfterLoad)
            AfterLoad(this, FTotalSize);
        TrimWorkingSet();
    } catch (const std::exception &) {
        // Like the load pass itself: the folder shows what it could, silently.
    }
}

void TQloController::FillListView()
{
    TFileListModel *list = ListView;
    if (!list)
        return;
    list->Clear();
    list->BeginUpdate();
    const TScopeExit endUpdate([list] { list->EndUpdate(); });
    list->reserve(FCatalogue->size());
    const TFormatSettings &format = list->FormatSettings;
    for (const auto &entry : *FCatalogue) {
        TListItem item(ExtractFileName(entry->FileName), entry.get());
        item.AddSubItem(FormatListDate(entry->Date, format.TimeSeparator));
        item.AddSubItem(FormatListSize(entry->Size, format));
        list->AddItem(std::move(item));
    }
}

void TQloController::CopyToFolder(const std::string &AFolder)
{
    const std::string folder = IncludeTrailingPathDelimiter(AFolder);
    ForceDirectories(folder);
    if (!FCatalogue)
        return;
    std::vector<FileError> failures;
    // A question box runs a nested event loop; should anything catalogue another
    // folder meanwhile, these entries are gone and the copy stops.
    const std::uint64_t generation = FGeneration;
    for (std::size_t i = 0; FCatalogue && generation == FGeneration && i < FCatalogue->size(); ++i) {
        const TCallbackLoadData &entry = *(*FCatalogue)[i];
        const std::string target = folder + ExtractFileName(entry.FileName);
        if (FileExists(target)) {
            const TMsgResult answer = MessageService().Show(
                "Het bestand " + target +
                    " bestaat reeds.\rWilt u het bestand overschrijven?\r\rEnglish: This file already exists. Overwrite?",
                "Bevestig overschrijven...", TMsgButtons::YesNo, TMsgIcon::Exclamation);
            if (answer != TMsgResult::Yes)
                continue;
            if (generation != FGeneration)
                break;
        }
        // A file copied onto itself stays as it is.
        if (SameFile(entry.FileName, target))
            continue;
        // The file's bytes as they are on disk now, never a picture in memory that
        // another program's edit may have made stale (nor one re-encoded).
        try {
            SafeCopyFile(entry.FileName, target);
        } catch (const FileError &e) {
            failures.push_back(e);
        }
    }
    if (!failures.empty())
        MessageService().Show(CopyFailureText(folder, failures), ApplicationTitle(), TMsgButtons::Ok,
                              TMsgIcon::Error);
}

std::string CopyFailureText(const std::string &AFolder, const std::vector<FileError> &AFailures)
{
    constexpr std::size_t kListed = 10; // the box stays on the screen
    std::string text = "Not every file could be copied to " + AFolder + ":";
    for (std::size_t i = 0; i < AFailures.size() && i < kListed; ++i)
        text += "\r\r" + AFailures[i].Path() + "\r" + AFailures[i].Reason();
    if (AFailures.size() > kListed)
        text += "\r\r... and " + std::to_string(AFailures.size() - kListed) + " more";
    return text;
}

} // namespace quillo
