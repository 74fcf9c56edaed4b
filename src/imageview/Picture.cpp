// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/Picture.h"

#include "imageview/BmpCodec.h"
#include "imageview/ColourProfile.h"
#include "imageview/ExifMetadata.h"
#include "imageview/JpegSegments.h"
#include "imageview/Orientation.h"
#include "platform/Errors.h"
#include "platform/Files.h"

#include <atomic>
#include <mutex>
#include <utility>

namespace quillo {

namespace {

struct FormatTable {
    std::mutex lock;
    std::vector<TFileFormat> formats{
        {"bmp", "Bitmap", TGraphicKind::Bitmap}, {"png", "PNG", TGraphicKind::Png},
        {"gif", "GIF", TGraphicKind::Gif},       {"tif", "TIFF", TGraphicKind::Tiff},
        {"tiff", "TIFF", TGraphicKind::Tiff},    {"webp", "WebP", TGraphicKind::WebP},
        {"heic", "HEIF", TGraphicKind::Heif},    {"heif", "HEIF", TGraphicKind::Heif},
        {"avif", "AVIF", TGraphicKind::Avif}};
    std::atomic<std::uint64_t> generation{1};
};

FormatTable &Formats()
{
    // Never destroyed: a read-ahead thread may still load a picture while the
    // program's statics are torn down.
    static FormatTable *table = new FormatTable;
    return *table;
}

std::string NormalisedExtension(const std::string &extension)
{
    return LowerCase(!extension.empty() && extension.front() == '.' ? extension.substr(1) : extension);
}

const TBitmap &EmptyBitmap()
{
    static const TBitmap empty;
    return empty;
}

std::atomic<std::uint64_t> gLastContentId{0};

} // namespace

void TPicture::NewContent()
{
    id_ = (bitmap_ || jpeg_ || coded_) ? ++gLastContentId : 0;
}

void TPictureFormats::Register(const std::string &extension, const std::string &description, TGraphicKind kind)
{
    const std::string ext = NormalisedExtension(extension);
    if (ext.empty())
        throw Error("A picture format needs a file extension");
    FormatTable &table = Formats();
    std::lock_guard guard(table.lock);
    for (TFileFormat &f : table.formats) {
        if (f.Extension == ext) {
            if (f.Description != description || f.Kind != kind) {
                f.Description = description;
                f.Kind = kind;
                ++table.generation;
            }
            return;
        }
    }
    table.formats.push_back({ext, description, kind});
    ++table.generation;
}

std::uint64_t TPictureFormats::Generation()
{
    return Formats().generation.load();
}

std::optional<TFileFormat> TPictureFormats::Find(const std::string &extension)
{
    const std::string ext = NormalisedExtension(extension);
    FormatTable &table = Formats();
    std::lock_guard guard(table.lock);
    for (const TFileFormat &f : table.formats)
        if (f.Extension == ext)
            return f;
    return std::nullopt;
}

// The JPEG and coded objects are copied rather than shared: they cache decoded
// pixels, and those belong to one picture. Their bytes are shared by the copy all the same.
TPicture::TPicture(const TPicture &other)
    : bitmap_(other.bitmap_), jpeg_(other.jpeg_ ? std::make_shared<TJPEGImage>(*other.jpeg_) : nullptr),
      coded_(other.coded_ ? std::make_shared<TCodedImage>(*other.coded_) : nullptr), id_(other.id_),
      orientation_(other.orientation_), profile_(other.profile_), shown_(other.shown_)
{
}

TPicture::TPicture(TPicture &&other) noexcept
    : bitmap_(std::move(other.bitmap_)), jpeg_(std::move(other.jpeg_)), coded_(std::move(other.coded_)),
      id_(std::exchange(other.id_, 0)), orientation_(std::exchange(other.orientation_, 1)),
      profile_(std::move(other.profile_)), shown_(std::move(other.shown_))
{
}

TPicture &TPicture::operator=(TPicture &&other) noexcept
{
    if (this != &other) {
        bitmap_ = std::move(other.bitmap_);
        jpeg_ = std::move(other.jpeg_);
        coded_ = std::move(other.coded_);
        id_ = std::exchange(other.id_, 0);
        orientation_ = std::exchange(other.orientation_, 1);
        profile_ = std::move(other.profile_);
        shown_ = std::move(other.shown_);
        other.bitmap_.reset();
        other.jpeg_.reset();
        other.coded_.reset();
        other.profile_.reset();
        other.shown_.reset();
    }
    return *this;
}

TPicture &TPicture::operator=(const TPicture &other)
{
    if (this != &other) {
        TPicture copy(other);
        *this = std::move(copy);
    }
    return *this;
}

TGraphicKind TPicture::Kind() const
{
    if (bitmap_)
        return TGraphicKind::Bitmap;
    if (jpeg_)
        return TGraphicKind::Jpeg;
    if (coded_)
        return coded_->Kind();
    return TGraphicKind::None;
}

int TPicture::Width() const
{
    if (bitmap_)
        return bitmap_->Width();
    if (jpeg_)
        return OrientationSwapsSides(orientation_) ? jpeg_->Height() : jpeg_->Width();
    return coded_ ? coded_->Width() : 0;
}

int TPicture::Height() const
{
    if (bitmap_)
        return bitmap_->Height();
    if (jpeg_)
        return OrientationSwapsSides(orientation_) ? jpeg_->Width() : jpeg_->Height();
    return coded_ ? coded_->Height() : 0;
}

void TPicture::Clear()
{
    bitmap_.reset();
    jpeg_.reset();
    coded_.reset();
    id_ = 0;
    orientation_ = 1;
    profile_.reset();
    shown_.reset();
}

void TPicture::ReadJpegMetadata(std::span<const std::uint8_t> bytes)
{
    orientation_ = ExifOrientation(JpegExifData(bytes));
    std::vector<std::uint8_t> profile = JpegIccProfile(bytes);
    profile_.reset();
    if (!profile.empty()) {
        auto made = std::make_shared<Profile>();
        made->Bytes = std::move(profile);
        profile_ = std::move(made);
    }
    shown_.reset();
}

void TPicture::AssignBitmap(TBitmap bitmap)
{
    Clear();
    bitmap_ = std::make_shared<const TBitmap>(std::move(bitmap));
    NewContent();
}

void TPicture::AssignJpeg(const TJPEGImage &jpeg)
{
    Clear();
    jpeg_ = std::make_shared<TJPEGImage>(jpeg);
    if (!jpeg.PixelsReplaced() && !jpeg.BytesReleased() && !jpeg.Empty())
        ReadJpegMetadata(jpeg.SaveToBytes());
    NewContent();
}

void TPicture::LoadJpegBytes(std::vector<std::uint8_t> bytes, const std::string &sourceName)
{
    auto jpeg = std::make_shared<TJPEGImage>();
    TPicture loaded;
    loaded.ReadJpegMetadata(bytes);
    jpeg->LoadFromBytes(std::move(bytes));
    jpeg->SourceName = sourceName;
    loaded.jpeg_ = std::move(jpeg);
    loaded.NewContent();
    *this = std::move(loaded);
}

void TPicture::ReplacePixels(TBitmap bitmap)
{
    if (coded_)
        throw Error(std::string("Cannot write a ") + CodedKindName(coded_->Kind()) + " picture anew");
    if (jpeg_) {
        jpeg_->Assign(std::move(bitmap));
        orientation_ = 1;
        shown_.reset();
        NewContent();
    } else {
        AssignBitmap(std::move(bitmap));
    }
}

TBitmap TPicture::ToBitmap() const
{
    if (bitmap_)
        return *bitmap_;
    if (coded_)
        return coded_->ToBitmap();
    if (!jpeg_)
        return TBitmap();
    if (orientation_ == kOrientationUpright)
        return jpeg_->ToBitmap();
    // The pixels drawn are these when no colour conversion changed them.
    if (shown_ && !(profile_ && !profile_->Unused))
        return *shown_;
    return jpeg_->ToBitmap(orientation_);
}

const TBitmap &TPicture::DrawBitmap() const
{
    if (bitmap_)
        return *bitmap_;
    if (coded_)
        return coded_->Bitmap();
    if (!jpeg_)
        return EmptyBitmap();
    if (shown_)
        return *shown_;
    std::unique_ptr<TColourConversion> conversion;
    if (profile_ && !profile_->Unused) {
        conversion = TColourConversion::ToDisplay(profile_->Bytes);
        profile_->Unused = !conversion;
    }
    if (orientation_ == kOrientationUpright && !conversion)
        return jpeg_->Bitmap();
    // Only the shown pixels are kept: the stored ones are decoded without keeping them.
    TBitmap shown = ToBitmap();
    if (conversion)
        conversion->Apply(shown);
    shown_ = std::make_shared<const TBitmap>(std::move(shown));
    return *shown_;
}

void TPicture::ReleaseFileBytes()
{
    if (jpeg_)
        jpeg_->ReleaseBytes();
}

void TPicture::LoadFromFile(const std::string &path)
{
    const std::string ext = ExtractFileExt(path);
    const std::optional<TFileFormat> format = TPictureFormats::Find(ext);
    if (!format) {
        if (ext.empty() || ext == ".")
            throw Error("Cannot load \"" + path + "\": a file without an extension has no known picture format");
        throw Error("Cannot load \"" + path + "\": unknown picture file extension \"" + ext + "\"");
    }
    TPageBlock bytes = ReadFileBlock(path);
    TPicture loaded;
    // The codec's own message says what is wrong with the data; the file and the
    // format its name promised say where.
    try {
        switch (format->Kind) {
        case TGraphicKind::Bitmap:
            loaded.AssignBitmap(ReadBmp({bytes.Data(), bytes.Size()}));
            break;
        case TGraphicKind::Jpeg: {
            auto jpeg = std::make_shared<TJPEGImage>();
            loaded.ReadJpegMetadata({bytes.Data(), bytes.Size()});
            jpeg->LoadFromBlock(std::move(bytes));
            jpeg->SourceName = path;
            loaded.jpeg_ = std::move(jpeg);
            loaded.NewContent();
            break;
        }
        case TGraphicKind::None:
            throw Error("no reader for this format");
        default: {
            auto coded = std::make_shared<TCodedImage>();
            coded->LoadFromBlock(format->Kind, std::move(bytes));
            coded->SourceName = path;
            loaded.coded_ = std::move(coded);
            loaded.NewContent();
            break;
        }
        }
    } catch (const Error &e) {
        throw Error("Cannot load \"" + path + "\" as " + format->Description + ": " + e.what());
    }
    *this = std::move(loaded);
}

std::vector<std::uint8_t> TPicture::SaveToBytes() const
{
    if (bitmap_)
        return WriteBmp(*bitmap_);
    if (jpeg_)
        return jpeg_->SaveToBytes();
    if (coded_)
        return coded_->SaveToBytes();
    throw Error("No picture to save");
}

void TPicture::SaveToFile(const std::string &path) const
{
    SafeWriteFile(path, SaveToBytes());
}

} // namespace quillo
