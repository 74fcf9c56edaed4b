// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Phone-style JPEG files: a camera's EXIF block (make, date taken, GPS, orientation,
// a thumbnail), a comment and optionally a wide-gamut colour profile, written with
// the metadata library into a file of the test encoder.
#include "imageview/JpegImage.h"
#include "imageview/JpegSamples.h"

#include <exiv2/exiv2.hpp>
#include <lcms2.h>

#include <string>
#include <vector>

namespace quillo::test {

// A profile whose red primary lies beyond sRGB's, so converted colours differ.
inline std::vector<std::uint8_t> WideGamutProfile()
{
    const cmsCIExyY white{0.3127, 0.3290, 1.0};
    const cmsCIExyYTRIPLE primaries{{0.68, 0.32, 1.0}, {0.265, 0.69, 1.0}, {0.15, 0.06, 1.0}};
    cmsToneCurve *gamma = cmsBuildGamma(nullptr, 2.2);
    cmsToneCurve *curves[3] = {gamma, gamma, gamma};
    cmsHPROFILE profile = cmsCreateRGBProfile(&white, &primaries, curves);
    cmsUInt32Number size = 0;
    cmsSaveProfileToMem(profile, nullptr, &size);
    std::vector<std::uint8_t> bytes(size);
    cmsSaveProfileToMem(profile, bytes.data(), &size);
    cmsCloseProfile(profile);
    cmsFreeToneCurve(gamma);
    return bytes;
}

// `orientation` 0 writes no tag.
inline std::vector<std::uint8_t> WithPhoneMetadata(const std::vector<std::uint8_t> &jpeg, int orientation,
                                                   bool wideGamut = false)
{
    auto image = Exiv2::ImageFactory::open(jpeg.data(), static_cast<long>(jpeg.size()));
    Exiv2::ExifData &exif = image->exifData();
    exif["Exif.Image.Make"] = "Lumafone";
    exif["Exif.Photo.DateTimeOriginal"] = "2026:07:14 18:03:22";
    if (orientation)
        exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(orientation);
    const std::vector<std::uint8_t> thumb = EncodeJpeg(QuadrantBitmap(16, 8), 80);
    Exiv2::ExifThumb(exif).setJpegThumbnail(thumb.data(), static_cast<long>(thumb.size()));
    if (wideGamut) {
        const std::vector<std::uint8_t> icc = WideGamutProfile();
        Exiv2::DataBuf buffer(icc.data(), static_cast<long>(icc.size()));
        image->setIccProfile(buffer);
    }
    image->setComment("holiday");
    image->writeMetadata();
    Exiv2::BasicIo &io = image->io();
    io.seek(0, Exiv2::BasicIo::beg);
    const Exiv2::DataBuf all = io.read(static_cast<long>(io.size()));
    return {all.pData_, all.pData_ + all.size_};
}

// One EXIF tag's value as the library reads it from a file's bytes; empty when missing.
inline std::string Tag(const std::vector<std::uint8_t> &jpeg, const char *key)
{
    auto image = Exiv2::ImageFactory::open(jpeg.data(), static_cast<long>(jpeg.size()));
    image->readMetadata();
    const auto found = image->exifData().findKey(Exiv2::ExifKey(key));
    return found == image->exifData().end() ? std::string() : found->toString();
}

} // namespace quillo::test
