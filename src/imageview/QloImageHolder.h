// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The holding half of the picture view: picture, file name, autosave, load, save,
// clip, rotate and the placement arithmetic. Catalogue entries own one each
// without any widget; the TQloImage widget paints and handles events on top of one.
#include "imageview/Picture.h"
#include "platform/Files.h"

#include <cstdint>
#include <functional>
#include <string>

namespace quillo {

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    int Width() const { return Right - Left; }
    int Height() const { return Bottom - Top; }
    friend bool operator==(const TRect &, const TRect &) = default;
};

using TOnError = std::function<void(const std::string &AOrigin, const std::string &AMessage)>;
// The handler may process the cut-out and may replace it; what AClipped holds on
// return goes to the clipboard.
using TOnClip = std::function<void(TBitmap &AClipped)>;

class TQloImageHolder {
public:
    TQloImageHolder();
    virtual ~TQloImageHolder() = default;

    TPicture Picture;
    std::string FileName;
    bool AutoSave = false;
    bool Stretch = false;
    bool Proportional = false;
    bool Center = false;
    bool AutoSize = false;
    TOnError OnError;
    TOnClip OnClip;
    // Called when the held picture changed and a view should repaint at once.
    std::function<void()> OnChange;

    // Assigns a copy of a picture and tells the view; FileName stays as it is.
    void SetPicture(TPicture APicture);
    // Loads by extension; on failure the old picture and FileName stay. Throws Error.
    void LoadFromFile(const std::string &AFileName);
    // Takes a picture another holder loaded from AFileName (read ahead), as if loaded
    // here; `loadedFrom` is the state of the file when it was read.
    void AdoptLoaded(TPicture loaded, const std::string &AFileName, const TFileIdentity &loadedFrom);
    // Writes the held picture in its own format through the safe-write routine.
    void SaveToFile(const std::string &AFileName) const;
    // Where the picture is drawn in a client area of cw x ch (right/bottom exclusive).
    TRect PictureRect(int clientWidth, int clientHeight) const;
    // Cuts ARect (picture pixels) out, lets OnClip process it, puts it on the clipboard.
    void Clip(const TRect &ARect);
    // 0: 90° clockwise, 1: 180°, 2: 270° clockwise; writes back when AutoSave.
    // A file that changed on disk since it was loaded is loaded again first, so
    // the turn never writes an old picture over another program's edit.
    void Rotate(std::uint8_t AKind);

    // The placement rule on its own, for callers that have no holder.
    static TRect PlaceRect(int w, int h, int cw, int ch, bool stretch, bool proportional, bool center);

protected:
    // The state of FileName when the picture was read from it or last written to it.
    TFileIdentity FLoadedFrom;

    void Changed() const
    {
        if (OnChange)
            OnChange();
    }
};

} // namespace quillo
