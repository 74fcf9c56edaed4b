// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small pictures and JPEG files made at run time for the image view tests.
#include "imageview/Bitmap.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace quillo::test {

struct Rgb {
    std::uint8_t r, g, b;
};

inline constexpr Rgb kRed{255, 0, 0}, kGreen{0, 255, 0}, kBlue{0, 0, 255}, kWhite{255, 255, 255};

// Four solid quadrants: red top left, green top right, blue bottom left, white
// bottom right. An upright and a turned picture tell each other apart.
inline Rgb QuadrantColour(int x, int y, int w, int h)
{
    const bool right = x >= w / 2, bottom = y >= h / 2;
    return bottom ? (right ? kWhite : kBlue) : (right ? kGreen : kRed);
}

inline TBitmap QuadrantBitmap(int w, int h)
{
    TBitmap b(w, h, 24);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = QuadrantColour(x, y, w, h);
            std::uint8_t *p = b.ScanLine(y) + 3 * x;
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
        }
    return b;
}

inline bool Near(const TRGBQuad &q, Rgb c, int tolerance = 12)
{
    return std::abs(q.Red - c.r) <= tolerance && std::abs(q.Green - c.g) <= tolerance &&
           std::abs(q.Blue - c.b) <= tolerance;
}

// Each quadrant's middle pixel has the quadrant's colour (within JPEG's loss).
inline bool HasQuadrants(const TBitmap &b)
{
    const int w = b.Width(), h = b.Height();
    for (int qy = 0; qy < 2; ++qy)
        for (int qx = 0; qx < 2; ++qx) {
            const int x = qx * w / 2 + w / 4, y = qy * h / 2 + h / 4;
            if (!Near(b.PixelColor(x, y), QuadrantColour(x, y, w, h)))
                return false;
        }
    return true;
}

// What libjpeg itself is asked to write, beyond Quillo's own baseline encoder.
struct JpegVariant {
    int components = 3;             // samples per pixel handed to libjpeg
    J_COLOR_SPACE inSpace = JCS_RGB;
    J_COLOR_SPACE fileSpace = JCS_YCbCr;
    bool adobeMarker = true;        // libjpeg writes one for CMYK and YCCK unless told not to
    bool progressive = false;
    bool arithmetic = false;
    unsigned restartInterval = 0;   // in MCUs
    int restartRows = 0;            // in MCU rows
    bool fullChroma = false;        // 4:4:4 instead of 4:2:0
    int lumaH = 0, lumaV = 0;       // luma sampling (chroma then 1 x 1); 0 keeps the default
    int quality = 95;
    const jpeg_scan_info *scans = nullptr;
    int scanCount = 0;
};

// `samples` holds `components` bytes a pixel, rows top-down. Test input is always
// valid, so libjpeg's default error handling (which ends the process) is enough.
inline std::vector<std::uint8_t> EncodeWithLibjpeg(int w, int h, const std::vector<std::uint8_t> &samples,
                                                   const JpegVariant &v)
{
    jpeg_compress_struct cinfo{};
    jpeg_error_mgr jerr{};
    cinfo.err = jpeg_std_error(&jerr);
    jpeg_create_compress(&cinfo);
    unsigned char *buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(w);
    cinfo.image_height = static_cast<JDIMENSION>(h);
    cinfo.input_components = v.components;
    cinfo.in_color_space = v.inSpace;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, v.fileSpace);
    if (!v.adobeMarker)
        cinfo.write_Adobe_marker = FALSE;
    jpeg_set_quality(&cinfo, v.quality, TRUE);
    if (v.fullChroma || v.lumaH)
        for (int i = 0; i < cinfo.num_components; ++i)
            cinfo.comp_info[i].h_samp_factor = cinfo.comp_info[i].v_samp_factor = 1;
    if (v.lumaH) {
        cinfo.comp_info[0].h_samp_factor = v.lumaH;
        cinfo.comp_info[0].v_samp_factor = v.lumaV;
    }
    if (v.progressive)
        jpeg_simple_progression(&cinfo);
    if (v.scans) {
        cinfo.scan_info = v.scans;
        cinfo.num_scans = v.scanCount;
    }
    cinfo.arith_code = v.arithmetic ? TRUE : FALSE;
    cinfo.restart_interval = v.restartInterval;
    cinfo.restart_in_rows = v.restartRows;
    jpeg_start_compress(&cinfo, TRUE);
    const std::size_t stride = static_cast<std::size_t>(w) * static_cast<std::size_t>(v.components);
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(samples.data() + cinfo.next_scanline * stride);
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    std::vector<std::uint8_t> out(buffer, buffer + size);
    std::free(buffer);
    return out;
}

// Quadrant samples in RGB (3), grey (1: red, green, blue, white as their luma) or
// CMYK (4), the latter stored inverted as Adobe files do when `invertedCmyk`.
inline std::vector<std::uint8_t> QuadrantSamples(int w, int h, int components, bool invertedCmyk = true)
{
    std::vector<std::uint8_t> s;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const Rgb c = QuadrantColour(x, y, w, h);
            if (components == 1) {
                s.push_back(static_cast<std::uint8_t>((299 * c.r + 587 * c.g + 114 * c.b + 500) / 1000));
            } else if (components == 3) {
                s.insert(s.end(), {c.r, c.g, c.b});
            } else {
                // Pure colours need no black ink: the ink is the complement.
                const std::uint8_t ink[4] = {std::uint8_t(255 - c.r), std::uint8_t(255 - c.g),
                                             std::uint8_t(255 - c.b), 0};
                for (std::uint8_t i : ink)
                    s.push_back(invertedCmyk ? std::uint8_t(255 - i) : i);
            }
        }
    return s;
}

// Position of the first byte after the first SOS segment's header.
inline std::size_t ScanDataStart(const std::vector<std::uint8_t> &jpeg)
{
    for (std::size_t i = 2; i + 3 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA)
            return i + 2 + ((std::size_t(jpeg[i + 2]) << 8) | jpeg[i + 3]);
    return jpeg.size();
}

// Renumbers the restart markers from `from` on out of sequence: libjpeg warns at
// each one and resynchronises, so enough of them make a flood of warnings.
inline void RenumberRestartMarkers(std::vector<std::uint8_t> &jpeg, std::size_t from)
{
    for (std::size_t i = from; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] >= 0xD0 && jpeg[i + 1] <= 0xD7)
            jpeg[i + 1] = static_cast<std::uint8_t>(0xD0 + ((jpeg[i + 1] - 0xD0 + 4) & 7));
}

// Rewrites the size in the first SOF segment.
inline void SetFrameSize(std::vector<std::uint8_t> &jpeg, unsigned w, unsigned h)
{
    for (std::size_t i = 2; i + 8 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] >= 0xC0 && jpeg[i + 1] <= 0xCF && jpeg[i + 1] != 0xC4 &&
            jpeg[i + 1] != 0xC8 && jpeg[i + 1] != 0xCC) {
            jpeg[i + 5] = std::uint8_t(h >> 8);
            jpeg[i + 6] = std::uint8_t(h);
            jpeg[i + 7] = std::uint8_t(w >> 8);
            jpeg[i + 8] = std::uint8_t(w);
            return;
        }
}

} // namespace quillo::test
