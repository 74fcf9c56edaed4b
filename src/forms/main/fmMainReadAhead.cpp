// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's reading ahead: a selected row shows the picture decoded ahead
// for it when there is one, and the rows around it are read ahead in the direction
// of travel. The viewer and the slideshow step through the same selection, so they
// read ahead too. A picture named on the command line is decoded during the start-up.
#include "forms/main/fmMain.h"

#include "imageview/view/QloImage.h"
#include "platform/Files.h"
#include "platform/System.h"

#include <QCoreApplication>
#include <QTimer>

#include <utility>

namespace quillo {

namespace {

// The splash is up at least this long when a named picture is ready sooner.
constexpr int kNamedPictureSplashMs = 100;
// Memory kept for the next decode is given back once stepping rests this long.
constexpr int kTrimAfterMs = 1000;

} // namespace

std::unique_ptr<TReadAhead> MakeReadAhead(TReadAhead::TDecoder decoder)
{
    return std::make_unique<TReadAhead>(
        [](std::function<void()> call) {
            // The application outlives every window; the call itself checks that its
            // read-ahead still exists.
            QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(call), Qt::QueuedConnection);
        },
        std::move(decoder));
}

void TfMain::AdoptReadAhead(std::unique_ptr<TReadAhead> readAhead)
{
    FReadAhead = std::move(readAhead);
    FReadAhead->OnDone = [this](const std::string &fileName) { ReadAheadDone(fileName); };
    if (!FReadAheadTrim) {
        FReadAheadTrim = new QTimer(this);
        FReadAheadTrim->setSingleShot(true);
        FReadAheadTrim->setInterval(kTrimAfterMs);
        connect(FReadAheadTrim, &QTimer::timeout, this, [this] {
            if (FReadAhead->Idle())
                TrimWorkingSet();
        });
    }
}

void TfMain::OpenAtStart(const std::string &folder, const std::string &fileName)
{
    FStartFolder = folder;
    FStartFile = fileName;
    FNamedPicture = fileName.empty() ? std::string() : IncludeTrailingPathDelimiter(folder) + fileName;
    if (FNamedPicture.empty())
        return;
    // Decoded while the splash is up (main() may have started it already). The
    // start-up wait lets the splash show while the program starts; with a picture
    // named, the window comes up soon and shows the picture once it is decoded.
    FReadAhead->Want({{FNamedPicture, std::nullopt}});
    if (tmrStartup->isActive())
        tmrStartup->start(kNamedPictureSplashMs);
}

void TfMain::ReadAheadDone(const std::string &fileName)
{
    if (FReadAhead->Idle())
        FReadAheadTrim->start();
    if (!FShowWhenDecoded || !FCurrentEntry || FCurrentEntry->FileName != fileName)
        return;
    FShowWhenDecoded = false;
    try {
        ShowEntry(FCurrentEntry);
    } catch (const std::exception &) {
        // As for any selection: an unreadable picture leaves the view empty.
    }
    // The picture taken, the worker waits to hear what comes next.
    ReadAheadAfterPaint();
}

int TfMain::FirstRowToShow() const
{
    if (!FNamedPicture.empty())
        for (int row = 0; row < lvFilesModel->Count(); ++row)
            if (const TCallbackLoadData *entry = lvFilesModel->Item(row).Data; entry && entry->FileName == FNamedPicture)
                return row;
    return 0;
}

void TfMain::ShowEntry(TCallbackLoadData *entry)
{
    TQloImageHolder &holder = *entry->Image;
    FShowWhenDecoded = false;
    if (entry->FileName == FNamedPicture && FReadAhead->InProgress(FNamedPicture)) {
        // The window comes up meanwhile; the picture follows when decoded.
        SetViewPicture(nullptr);
        FShowWhenDecoded = true;
        return;
    }
    FNamedPicture.clear(); // shown now, or passed over
    std::optional<TReadAheadPicture> ready =
        FReadAhead->Take(entry->FileName, entry->Loaded ? holder.Picture.ContentId() : 0);
    if (entry->Loaded) {
        // A preloaded entry keeps its bytes only; the decoded pixels live in the view.
        SetViewPicture(ready ? &ready->Picture : &holder.Picture);
        return;
    }
    if (ready) {
        holder.AdoptLoaded(std::move(ready->Picture), entry->FileName, ready->LoadedFrom);
    } else {
        // Decoded here rather than when the view paints, so that the file's bytes can
        // go before any copy shares them: browsing needs the pixels only, and a turn
        // reads the file again.
        holder.LoadFromFile(entry->FileName);
        holder.Picture.DrawBitmap();
        holder.Picture.ReleaseFileBytes();
    }
    SetViewPicture(&holder.Picture);
}

void TfMain::ReadAheadAfterPaint()
{
    // Steps that outrun the decodes start the next one at once: it takes far longer
    // than the paint it shares the cores with.
    if (FReadAhead->Hurried() && FCurrentEntry) {
        ReadAheadAround(FCurrentEntry);
        return;
    }
    // Else queued behind the repaint the selection asked for: a decode started now
    // would take the cores the paint needs. Steps faster than that read ahead once,
    // for the row they end on.
    if (FReadAheadQueued)
        return;
    FReadAheadQueued = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            FReadAheadQueued = false;
            ReadAheadAround(FCurrentEntry);
        },
        Qt::QueuedConnection);
}

void TfMain::ReadAheadAround(const TCallbackLoadData *entry)
{
    const int row = entry ? lvFilesModel->IndexOfData(entry) : -1;
    std::vector<TReadAheadSource> sources;
    if (!FNamedPicture.empty())
        sources.push_back({FNamedPicture, std::nullopt}); // still to be shown at start-up
    for (const int near : ReadAheadRows(row, FReadAheadRow, lvFilesModel->Count())) {
        const TCallbackLoadData *other = lvFilesModel->Item(near).Data;
        if (!other)
            continue;
        if (!other->Loaded)
            sources.push_back({other->FileName, std::nullopt});
        else if (const TGraphicKind kind = other->Image->Picture.Kind();
                 kind != TGraphicKind::Bitmap && kind != TGraphicKind::None) // a bitmap has its pixels
            sources.push_back({other->FileName, other->Image->Picture});
    }
    FReadAheadRow = row;
    FReadAheadTrim->stop();
    FReadAhead->Want(std::move(sources));
}

} // namespace quillo
