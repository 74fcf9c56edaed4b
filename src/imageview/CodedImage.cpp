// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/CodedImage.h"

#include "imageview/HeifCodec.h"
#include "imageview/Picture.h"
#include "imageview/QtImageCodec.h"
#include "platform/Errors.h"

namespace quillo {

namespace {

// Qt's reader for a kind, or nullptr for the libheif kinds.
const char *QtFormat(TGraphicKind kind)
{
    switch (kind) {
    case TGraphicKind::Png:
        return "png";
    case TGraphicKind::Gif:
        return "gif";
    case TGraphicKind::Tiff:
        return "tiff";
    case TGraphicKind::WebP:
        return "webp";
    default:
        return nullptr;
    }
}

} // namespace

bool IsCodedKind(TGraphicKind kind)
{
    return QtFormat(kind) || kind == TGraphicKind::Heif || kind == TGraphicKind::Avif;
}

const char *CodedKindName(TGraphicKind kind)
{
    switch (kind) {
    case TGraphicKind::Png:
        return "PNG";
    case TGraphicKind::Gif:
        return "GIF";
    case TGraphicKind::Tiff:
        return "TIFF";
    case TGraphicKind::WebP:
        return "WebP";
    case TGraphicKind::Heif:
        return "HEIF";
    case TGraphicKind::Avif:
        return "AVIF";
    default:
        return "unknown";
    }
}

void TCodedImage::LoadFromBlock(TGraphicKind kind, TPageBlock bytes)
{
    if (!IsCodedKind(kind))
        throw Error("not a format this picture holds");
    const std::span<const std::uint8_t> data{bytes.Data(), bytes.Size()};
    const TCodedSize size = QtFormat(kind) ? ReadQtImageSize(QtFormat(kind), data) : ReadHeifSize(data);
    bytes_ = std::make_shared<const TPageBlock>(std::move(bytes));
    SourceName.clear();
    decoded_.reset();
    kind_ = kind;
    width_ = size.Width;
    height_ = size.Height;
}

TBitmap TCodedImage::Decode() const
{
    try {
        TBitmap bitmap = QtFormat(kind_) ? DecodeQtImage(QtFormat(kind_), Bytes()) : DecodeHeif(Bytes());
        // A header that misstated the size yields to the pixels.
        width_ = bitmap.Width();
        height_ = bitmap.Height();
        return bitmap;
    } catch (const Error &e) {
        if (SourceName.empty())
            throw Error(std::string("Cannot decode the ") + CodedKindName(kind_) + " picture: " + e.what());
        throw Error("Cannot load \"" + SourceName + "\" as " + CodedKindName(kind_) + ": " + e.what());
    }
}

const TBitmap &TCodedImage::Bitmap() const
{
    if (!decoded_) {
        if (!bytes_) {
            static const TBitmap empty;
            return empty;
        }
        decoded_ = std::make_shared<const TBitmap>(Decode());
    }
    return *decoded_;
}

TBitmap TCodedImage::ToBitmap() const
{
    if (decoded_)
        return *decoded_;
    if (bytes_)
        return Decode();
    return TBitmap();
}

std::vector<std::uint8_t> TCodedImage::SaveToBytes() const
{
    if (!bytes_)
        throw Error("No picture to save");
    return {bytes_->Data(), bytes_->Data() + bytes_->Size()};
}

} // namespace quillo
