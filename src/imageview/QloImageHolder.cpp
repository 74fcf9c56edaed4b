// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/QloImageHolder.h"

#include "imageview/JpegTransform.h"
#include "imageview/Orientation.h"
#include "imageview/QloRotate.h"
#include "platform/Errors.h"
#include "platform/Files.h"
#include "platform/Services.h"

#include <algorithm>
#include <atomic>
#include <cstring>
#include <new>

namespace quillo {

namespace {

const char *const kOnlyBmpAndJpeg = "Kan alleen Bitmap en JPEG afbeeldingen roteren.";
const char *const kNoGraphic = "Unable to rotate. No graphic loaded.";
const char *const kCannotSaveRotated = "Kan de geroteerde afbeelding niet opslaan.\r"
                                       "Controleer of het bestand niet op \"Alleen-lezen\" staat.\r\r"
                                       "De uitgevoerde rotatie is niet permanent!";
const char *const kRotateOrigin = "uExtImage component, Rotate procedure";
const char *const kSaveOrigin = "Rotate function, ExtImage component";

bool HoldsPicture(const TPicture &picture)
{
    return !picture.Empty() && picture.Width() > 0 && picture.Height() > 0;
}

// A JPEG that still holds its file's bytes is turned in its compressed form, without
// loss where its size allows, and keeps its metadata; other pictures turn their pixels.
void TurnPicture(TPicture &picture, std::uint8_t kind, const std::string &fileName)
{
    const TJPEGImage *jpeg = picture.AsJpeg();
    if (jpeg && !jpeg->PixelsReplaced()) {
        const int turn = OrientationOfRotateKind(kind);
        TTurnedJpeg turned = TurnJpeg(jpeg->SaveToBytes(), picture.Orientation(), turn, jpeg->CompressionQuality);
        TPicture result;
        result.LoadJpegBytes(std::move(turned.Bytes), fileName);
        picture = std::move(result);
        return;
    }
    TBitmap work = picture.ToBitmap();
    switch (kind) {
    case 0:
        RotateRight90(work);
        break;
    case 1:
        Rotate180(work);
        break;
    case 2:
        RotateLeft90(work);
        break;
    default:
        throw Error("Unknown rotation kind " + std::to_string(kind));
    }
    picture.ReplacePixels(std::move(work));
}

} // namespace

TQloImageHolder::TQloImageHolder()
{
    // Every catalogue entry makes a holder; the registrations are repeated only
    // when the table changed since they were last made (by a caller that re-registered
    // an extension), so the outcome is that of registering every time.
    static std::atomic<std::uint64_t> registeredAt{0};
    if (registeredAt.load() != TPictureFormats::Generation()) {
        TPictureFormats::Register("jpg", "JPEG", TGraphicKind::Jpeg);
        TPictureFormats::Register("jpeg", "JPEG", TGraphicKind::Jpeg);
        registeredAt = TPictureFormats::Generation();
    }
}

void TQloImageHolder::SetPicture(TPicture APicture)
{
    Picture = std::move(APicture);
    Changed();
}

void TQloImageHolder::LoadFromFile(const std::string &AFileName)
{
    // Taken before the read: a change made while reading shows as a change later.
    const TFileIdentity identity = FileIdentityOf(AFileName);
    TPicture loaded;
    loaded.LoadFromFile(AFileName); // throws; the held picture and FileName stay
    Picture = std::move(loaded);
    FileName = AFileName;
    FLoadedFrom = identity;
    Changed();
}

void TQloImageHolder::AdoptLoaded(TPicture loaded, const std::string &AFileName, const TFileIdentity &loadedFrom)
{
    Picture = std::move(loaded);
    FileName = AFileName;
    FLoadedFrom = loadedFrom;
    Changed();
}

void TQloImageHolder::SaveToFile(const std::string &AFileName) const
{
    if (!HoldsPicture(Picture))
        throw Error("Cannot save \"" + AFileName + "\": no picture is held");
    Picture.SaveToFile(AFileName);
}

TRect TQloImageHolder::PictureRect(int clientWidth, int clientHeight) const
{
    return PlaceRect(Picture.Width(), Picture.Height(), clientWidth, clientHeight, Stretch, Proportional, Center);
}

TRect TQloImageHolder::PlaceRect(int w, int h, int cw, int ch, bool stretch, bool proportional, bool center)
{
    if (stretch || (proportional && (w > cw || h > ch))) {
        if (proportional && w > 0 && h > 0) {
            // The ratio is a double; the arithmetic with it is extended precision,
            // truncated toward zero, so borderline sizes round as they always have.
            const double ratio = static_cast<double>(w) / static_cast<double>(h);
            const long double r = ratio;
            if (w > h) {
                w = cw;
                h = static_cast<int>(static_cast<long double>(cw) / r);
                if (h > ch) {
                    h = ch;
                    w = static_cast<int>(static_cast<long double>(ch) * r);
                }
            } else {
                h = ch;
                w = static_cast<int>(static_cast<long double>(ch) * r);
                if (w > cw) {
                    w = cw;
                    h = static_cast<int>(static_cast<long double>(cw) / r);
                }
            }
        } else {
            w = cw;
            h = ch;
        }
    }
    TRect rect{0, 0, w, h};
    if (center) {
        const int dx = (cw - w) / 2;
        const int dy = (ch - h) / 2;
        rect = {rect.Left + dx, rect.Top + dy, rect.Right + dx, rect.Bottom + dy};
    }
    return rect;
}

void TQloImageHolder::Clip(const TRect &ARect)
{
    const std::int64_t width = std::int64_t(ARect.Right) - ARect.Left;
    const std::int64_t height = std::int64_t(ARect.Bottom) - ARect.Top;
    if (width <= 0 || height <= 0)
        return;
    TBitmap::CheckDimensions(width, height, 24);

    // Read straight from 24-bit pixels when they are at hand; otherwise a full-size
    // 24-bit copy (a JPEG is decoded, without keeping the pixels in the picture).
    TBitmap converted;
    const TBitmap *source = Picture.AsBitmap();
    if (!source || source->BitsPerPixel() != 24) {
        converted = Picture.ToBitmap();
        if (!converted.Empty() && converted.BitsPerPixel() != 24)
            converted.SetPixelFormat(24);
        source = &converted;
    }

    // Where the rectangle reaches outside the picture the clip stays black.
    TBitmap clipped(static_cast<int>(width), static_cast<int>(height), 24);
    const int x0 = std::max(ARect.Left, 0);
    const int y0 = std::max(ARect.Top, 0);
    const int x1 = std::min(ARect.Right, source->Width());
    const int y1 = std::min(ARect.Bottom, source->Height());
    if (x0 < x1 && y0 < y1) {
        const std::size_t bytes = static_cast<std::size_t>(x1 - x0) * 3;
        for (int y = y0; y < y1; ++y)
            std::memcpy(clipped.ScanLine(y - ARect.Top) + static_cast<std::size_t>(x0 - ARect.Left) * 3,
                        source->ScanLine(y) + static_cast<std::size_t>(x0) * 3, bytes);
    }
    converted.Discard();

    if (OnClip)
        OnClip(clipped);
    ClipboardService().SetBitmap(clipped);
}

void TQloImageHolder::Rotate(std::uint8_t AKind)
{
    const std::string ext = UpperCase(ExtractFileExt(FileName));
    if (ext != ".BMP" && ext != ".JPG" && ext != ".JPEG") {
        ShowMessage(kOnlyBmpAndJpeg);
        return;
    }
    // The disk is the truth: a file edited, replaced or removed since it was read is
    // read again. A picture turned here but not written (a read-only file) is what
    // the file still is, so it stays and is turned further.
    // A picture that gave its file's bytes back is read again too: a turn starts
    // from the file's own bytes.
    const TJPEGImage *jpeg = Picture.AsJpeg();
    if ((AutoSave && FileIdentityOf(FileName) != FLoadedFrom) || (jpeg && jpeg->BytesReleased())) {
        try {
            LoadFromFile(FileName);
        } catch (const Error &e) {
            ShowMessage(e.what());
            return;
        }
    }
    if (!HoldsPicture(Picture)) {
        ShowMessage(kNoGraphic);
        return;
    }

    // A failed turn is reported to the owner only; the picture stays as it was.
    auto reportRotateFailure = [this](const std::string &message) {
        if (OnError)
            OnError(kRotateOrigin, message);
    };
    try {
        TurnPicture(Picture, AKind, FileName);
        Changed();
    } catch (const Error &e) {
        reportRotateFailure(e.what());
    } catch (const std::bad_alloc &) {
        reportRotateFailure("Not enough memory to rotate the picture");
    }

    if (!AutoSave)
        return;
    try {
        SaveToFile(FileName);
        FLoadedFrom = FileIdentityOf(FileName);
    } catch (const Error &e) {
        // The fixed text, then the file and the system's reason on lines of their own.
        const auto *fileError = dynamic_cast<const FileError *>(&e);
        ShowMessage(std::string(kCannotSaveRotated) + "\r\r" + (fileError ? fileError->Path() : FileName) + "\r" +
                    (fileError ? fileError->Reason() : std::string(e.what())));
        if (OnError)
            OnError(kSaveOrigin, "Cannot save to " + FileName + "\r" + e.what());
    }
}

} // namespace quillo
