// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The picture container (a bitmap, a JPEG picture, a picture of a format Quillo
// only reads, or none) and the process-wide table of picture file formats by extension.
#include "imageview/Bitmap.h"
#include "imageview/CodedImage.h"
#include "imageview/JpegImage.h"

#include <atomic>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quillo {

// Png to Avif are held as TCodedImage: read and shown, written only as the bytes read.
enum class TGraphicKind { None, Bitmap, Jpeg, Png, Gif, Tiff, WebP, Heif, Avif };

struct TFileFormat {
    std::string Extension;   // without the dot, lower case
    std::string Description;
    TGraphicKind Kind;
};

// "bmp" and the formats Quillo only reads (png, gif, tif, tiff, webp, heic, heif,
// avif) are known from the start; the view registers "jpg" and "jpeg" ("JPEG").
class TPictureFormats {
public:
    static void Register(const std::string &extension, const std::string &description, TGraphicKind kind);
    // Looked up without regard to case; the extension may carry its dot.
    static std::optional<TFileFormat> Find(const std::string &extension);
    // Counts the changes to the table, so a caller can tell that its own
    // registrations still stand without taking the table's lock.
    static std::uint64_t Generation();
};

class TPicture {
public:
    TPicture() = default;
    // Copies share unchanged data; a later change to one does not show in the other.
    TPicture(const TPicture &other);
    TPicture &operator=(const TPicture &other);
    TPicture(TPicture &&other) noexcept;
    TPicture &operator=(TPicture &&other) noexcept;

    TGraphicKind Kind() const;
    bool Empty() const { return Kind() == TGraphicKind::None; }
    // The upright size: a JPEG stored on its side by a camera reports its sides swapped.
    int Width() const;
    int Height() const;
    // How the stored pixels are turned to be seen upright (a JPEG's EXIF
    // orientation, 1 to 8); 1 for bitmaps and once the pixels were replaced.
    int Orientation() const { return orientation_; }

    void Clear();
    void Assign(const TPicture &other) { *this = other; }
    // Makes this a bitmap picture.
    void AssignBitmap(TBitmap bitmap);
    void AssignJpeg(const TJPEGImage &jpeg);
    // Makes this a JPEG picture of the file's bytes, its metadata read. Throws Error.
    void LoadJpegBytes(std::vector<std::uint8_t> bytes, const std::string &sourceName);
    // Replaces the pixels (upright) and keeps the kind: a JPEG picture drops its
    // compressed bytes and will be encoded anew. An empty picture becomes a bitmap picture.
    // A picture of a read-only format cannot be written anew: Error.
    void ReplacePixels(TBitmap bitmap);

    // A full-size, upright bitmap copy (a JPEG picture is decoded), in the file's own colours.
    TBitmap ToBitmap() const;
    // The pixels to draw, upright and in the display's colours, without a copy (a
    // JPEG picture is decoded once and kept).
    const TBitmap &DrawBitmap() const;
    // A JPEG picture whose pixels are decoded and kept gives its file's bytes back
    // (copies sharing them too); see TJPEGImage::ReleaseBytes.
    void ReleaseFileBytes();

    // Equal for two pictures only while they hold the same, unchanged pixels; a view
    // keys its display copy on it. 0 for an empty picture.
    std::uint64_t ContentId() const { return id_; }

    const TBitmap *AsBitmap() const { return bitmap_.get(); }
    const TJPEGImage *AsJpeg() const { return jpeg_.get(); }
    const TCodedImage *AsCoded() const { return coded_.get(); }

    // Kind chosen by the extension through the format table. Throws Error.
    void LoadFromFile(const std::string &path);
    // The picture in its own format; through SafeWriteFile. Throws Error.
    void SaveToFile(const std::string &path) const;
    std::vector<std::uint8_t> SaveToBytes() const;

private:
    void NewContent();
    void ReadJpegMetadata(std::span<const std::uint8_t> bytes);

    std::shared_ptr<const TBitmap> bitmap_;
    std::shared_ptr<TJPEGImage> jpeg_;
    std::shared_ptr<TCodedImage> coded_;
    std::uint64_t id_ = 0;
    int orientation_ = 1;
    // The JPEG's embedded colour profile, when it has one, and whether it asks for
    // a conversion to the display's colours (found out when first drawn).
    struct Profile {
        std::vector<std::uint8_t> Bytes;
        // Copies on the GUI and read-ahead threads share it.
        mutable std::atomic<bool> Unused{false};
    };
    std::shared_ptr<const Profile> profile_;
    // What DrawBitmap shows when it differs from the decoded pixels (turned upright
    // or converted to the display's colours); made on first use.
    mutable std::shared_ptr<const TBitmap> shown_;
};

} // namespace quillo
