// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/QtImageCodec.h"

#include "imageview/AlphaMatte.h"
#include "imageview/ExifChunks.h"
#include "imageview/ExifMetadata.h"
#include "imageview/Orientation.h"
#include "platform/Errors.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>
#include <QTransform>

#include <algorithm>
#include <bit>
#include <climits>
#include <cstring>
#include <string>

namespace quillo {

namespace {

static_assert(std::endian::native == std::endian::little, "QImage's 32-bit pixels are read as blue, green, red, alpha");

// The widest pixel a reader may produce on the way (16 bits for each of four channels).
constexpr std::uint64_t kWidestPixelBytes = 8;

class Reader {
public:
    Reader(const char *format, std::span<const std::uint8_t> data)
        : bytes_(QByteArray::fromRawData(reinterpret_cast<const char *>(data.data()),
                                         static_cast<qsizetype>(data.size()))),
          buffer_(&bytes_)
    {
        if (data.empty())
            throw Error("The file is empty");
        // The plugins present do not change while the program runs.
        static const QList<QByteArray> installed = QImageReader::supportedImageFormats();
        if (!installed.contains(QByteArray(format)))
            throw Error(std::string("no reader for this format is installed (Qt's \"") + format +
                        "\" image plugin; TIFF and WebP come with Debian's qt6-image-formats-plugins)");
        buffer_.open(QIODevice::ReadOnly);
        reader_.setDevice(&buffer_);
        reader_.setFormat(format);
        // Never let another reader guess at the bytes: the extension chose this one.
        reader_.setAutoDetectImageFormat(false);
        reader_.setAutoTransform(true);
        // Qt applies a TIFF's orientation itself, but not the EXIF of PNG and WebP.
        if (std::strcmp(format, "png") == 0)
            exifOrientation_ = ExifOrientation(PngExifData(data));
        else if (std::strcmp(format, "webp") == 0)
            exifOrientation_ = ExifOrientation(WebPExifData(data));
    }

    // The stored size checked against the limit, and the shown size returned.
    TCodedSize Size()
    {
        const QSize stored = reader_.size();
        if (!stored.isValid() || stored.isEmpty())
            Fail("no picture size in the header");
        TBitmap::CheckDimensions(stored.width(), stored.height(), 24);
        // Nothing a reader allocates for this picture may exceed what its header promised.
        const std::uint64_t bytes = std::uint64_t(stored.width()) * std::uint64_t(stored.height()) * kWidestPixelBytes;
        reader_.setAllocationLimit(static_cast<int>(std::min<std::uint64_t>((bytes >> 20) + 1, INT_MAX)));
        const bool turned = (reader_.transformation() & QImageIOHandler::TransformationRotate90) ||
                            OrientationSwapsSides(exifOrientation_);
        return turned ? TCodedSize{stored.height(), stored.width()} : TCodedSize{stored.width(), stored.height()};
    }

    QImage Read()
    {
        QImage image;
        if (!reader_.read(&image) || image.isNull())
            Fail("the picture data is damaged");
        return Oriented(std::move(image));
    }

private:
    [[noreturn]] void Fail(const char *fallback) const
    {
        const QString why = reader_.errorString();
        // Qt's generic texts say less than our own.
        if (reader_.error() == QImageReader::UnknownError || why.isEmpty() || why == QLatin1String("Unknown error"))
            throw Error(fallback);
        throw Error(why.toStdString());
    }

    // Mirrored first (2, 4, 5, 7), then turned clockwise.
    QImage Oriented(QImage image) const
    {
        static const int turns[9] = {0, 0, 0, 180, 180, 270, 90, 90, 270};
        const int o = exifOrientation_;
        if (o == 2 || o == 4 || o == 5 || o == 7)
            image = image.mirrored(true, false);
        if (turns[o] != 0)
            image = image.transformed(QTransform().rotate(turns[o]));
        if (image.isNull())
            throw Error("Not enough memory to turn the picture");
        return image;
    }

    QByteArray bytes_;
    QBuffer buffer_;
    QImageReader reader_;
    int exifOrientation_ = 1;
};

void CopyInto(const QImage &image, TBitmap &bitmap)
{
    const int width = image.width();
    const TRGBQuad matte = AlphaMatte();
    const QImage::Format format = image.format();
    for (int y = 0; y < image.height(); ++y) {
        const std::uint8_t *s = image.constScanLine(y);
        std::uint8_t *d = bitmap.ScanLine(y);
        switch (format) {
        case QImage::Format_RGB32:
        case QImage::Format_ARGB32:
            ComposeRow(s, TPixelOrder::Bgra, false, d, width, matte);
            break;
        case QImage::Format_ARGB32_Premultiplied:
            ComposeRow(s, TPixelOrder::Bgra, true, d, width, matte);
            break;
        case QImage::Format_RGB888:
            SwapRgbRow(s, d, width);
            break;
        default: // BGR888, the only other format handed in
            std::memcpy(d, s, static_cast<std::size_t>(width) * 3);
            break;
        }
    }
}

} // namespace

TCodedSize ReadQtImageSize(const char *format, std::span<const std::uint8_t> data)
{
    Reader reader(format, data);
    return reader.Size();
}

TBitmap DecodeQtImage(const char *format, std::span<const std::uint8_t> data)
{
    Reader reader(format, data);
    reader.Size();
    QImage image = reader.Read();
    switch (image.format()) {
    case QImage::Format_RGB32:
    case QImage::Format_ARGB32:
    case QImage::Format_ARGB32_Premultiplied:
    case QImage::Format_RGB888:
    case QImage::Format_BGR888:
        break;
    default:
        // Palettes, grey, 16-bit channels and the rest: Qt's own conversion rounds
        // them to 8 bits; alpha is kept for the composition.
        image = image.convertToFormat(image.hasAlphaChannel() ? QImage::Format_ARGB32 : QImage::Format_RGB888);
        if (image.isNull())
            throw Error("Not enough memory to convert the picture");
        break;
    }
    TBitmap bitmap = TBitmap::Uninitialized(image.width(), image.height(), 24);
    CopyInto(image, bitmap);
    bitmap.ClearPadding();
    return bitmap;
}

} // namespace quillo
