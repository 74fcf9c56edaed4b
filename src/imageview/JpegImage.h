// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A JPEG picture: the compressed bytes as read, with only the header parsed at
// load; pixels are decoded on first use. Copies share the compressed bytes.
#include "imageview/Bitmap.h"
#include "imageview/Orientation.h"

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

namespace quillo {

// Decodes a whole JPEG into a 24-bit bitmap (greyscale, CMYK and inverted YCCK
// included), turned upright from `orientation` as it is decoded: the bytes of
// ApplyOrientation(DecodeJpeg(data), orientation). Throws Error with libjpeg's
// message; never ends the process.
TBitmap DecodeJpeg(std::span<const std::uint8_t> data, int orientation = kOrientationUpright);
// Threads that decode one large baseline picture: 1, or 2 (the rows split between
// them; the bytes are those of one thread). 0 restores the default: 2 on a machine
// with two or more cores.
void SetJpegDecodeThreads(int threads);
// The same for decodes on the calling thread only, ahead of the process-wide choice;
// 0 follows that choice again.
void SetJpegDecodeThreadsHere(int threads);
// Test seam for the two-thread decode. While a probe is set the bands are not
// raced for: the calling thread decodes the rows above the split and the second
// thread the rest, so both threads' work is in every split picture. Each split
// decode then reports here; nullptr restores the race.
struct JpegSplitProbe {
    int upperRows = 0;         // rows the calling thread decoded
    int lowerRows = 0;         // rows the second thread decoded
    bool decodedAgain = false; // damage sent the picture through one thread again
};
void SetJpegSplitProbe(JpegSplitProbe *probe);
// True when this picture is large enough, and of a kind (baseline, not CMYK), for
// two threads to share its rows. Throws Error for damaged headers.
bool JpegDecodeSplits(std::span<const std::uint8_t> data);
// Encodes a baseline colour JPEG (any bitmap depth; converted to 24 bits), Huffman
// tables not optimised. `smoothing` asks libjpeg to smooth the input lightly first.
std::vector<std::uint8_t> EncodeJpeg(const TBitmap &bitmap, int quality, bool smoothing = false);

class TJPEGImage {
public:
    static constexpr int kDefaultQuality = 90;

    TJPEGImage() = default;

    // Keeps the bytes and parses the header only. Throws Error for damaged data.
    void LoadFromBytes(std::vector<std::uint8_t> bytes);
    void LoadFromBlock(TPageBlock bytes);
    void LoadFromFile(const std::string &path);

    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Grayscale() const { return grayscale_; }
    bool ProgressiveEncoding() const { return progressive_; }
    bool Empty() const { return width_ == 0 || height_ == 0; }

    int CompressionQuality = kDefaultQuality;
    bool Smoothing = false;
    // The file the bytes came from, named by errors raised when the pixels are decoded.
    std::string SourceName;

    // The decoded pixels, decoded on the first call and kept by this object.
    const TBitmap &Bitmap() const;
    // A full-size copy turned upright from `orientation`; decodes without keeping the
    // pixels when they were never decoded.
    TBitmap ToBitmap(int orientation = kOrientationUpright) const;
    // Replaces the pixels: the compressed bytes are dropped and the picture is
    // encoded anew (baseline colour, CompressionQuality) when it is next written.
    void Assign(const TBitmap &bitmap);
    void Assign(TBitmap &&bitmap);
    // True once Assign replaced the pixels.
    bool PixelsReplaced() const { return !bytes_ && decoded_ && !bytesReleased_; }
    // Gives the file's bytes back once the pixels are decoded and kept: a picture
    // browsed from disk needs only its pixels, and anything written is read from the
    // file again. Nothing happens while the pixels are not kept.
    void ReleaseBytes();
    // True once ReleaseBytes dropped the bytes: saving is refused (Error) rather
    // than writing a new encoding in their place.
    bool BytesReleased() const { return bytesReleased_; }

    // The stored bytes unchanged while the pixels were never replaced, else a new encoding.
    std::vector<std::uint8_t> SaveToBytes() const;

private:
    TBitmap Decode(int orientation = kOrientationUpright) const;
    std::span<const std::uint8_t> Bytes() const { return {bytes_->Data(), bytes_->Size()}; }

    std::shared_ptr<const TPageBlock> bytes_;
    mutable std::shared_ptr<const TBitmap> decoded_;
    int width_ = 0;
    int height_ = 0;
    bool grayscale_ = false;
    bool progressive_ = false;
    bool bytesReleased_ = false;
};

} // namespace quillo
