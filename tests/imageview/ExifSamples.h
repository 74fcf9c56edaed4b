// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Phone-style JPEG files for the tests: a picture stored on its side with the
// camera's EXIF block (make, date taken, orientation, GPS, a thumbnail), a colour
// profile and a comment, written with the metadata library.
#include "imageview/JpegImage.h"
#include "imageview/JpegSamples.h"

#include <exiv2/exiv2.hpp>
#include <lcms2.h>

#include <string>
#include <vector>

namespace quillo::test {

struct PhoneMetadata {
    int orientation = 6; // 0: no tag
    bool thumbnail = true;
    bool wideGamutProfile = false;
    std::string comment = "holiday";
};

// A profile whose red lies well outside sRGB's, so converted colours differ.
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

inline std::vector<std::uint8_t> WithPhoneMetadata(const std::vector<std::uint8_t> &jpeg, const PhoneMetadata &m)
{
    auto image = Exiv2::ImageFactory::open(jpeg.data(), static_cast<long>(jpeg.size()));
    image->readMetadata();
    Exiv2::ExifData &exif = image->exifData();
    exif["Exif.Image.Make"] = "Lumafone";
    exif["Exif.Image.Model"] = "LF 12";
    exif["Exif.Photo.DateTimeOriginal"] = "2026:07:14 18:03:22";
    exif["Exif.GPSInfo.GPSLatitudeRef"] = "N";
    exif["Exif.GPSInfo.GPSLatitude"] = "52/1 5/1 30/1";
    if (m.orientation)
        exif["Exif.Image.Orientation"] = static_cast<std::uint16_t>(m.orientation);
    if (m.thumbnail) {
        const std::vector<std::uint8_t> thumb = EncodeJpeg(QuadrantBitmap(16, 8), 80);
        Exiv2::ExifThumb(exif).setJpegThumbnail(thumb.data(), static_cast<long>(thumb.size()));
    }
    if (m.wideGamutProfile) {
        const std::vector<std::uint8_t> icc = WideGamutProfile();
        Exiv2::DataBuf buffer(icc.data(), static_cast<long>(icc.size()));
        image->setIccProfile(buffer);
    }
    image->setComment(m.comment);
    image->writeMetadata();
    Exiv2::BasicIo &io = image->io();
    io.seek(0, Exiv2::BasicIo::beg);
    Exiv2::DataBuf all = io.read(static_cast<long>(io.size()));
    return {all.pData_, all.pData_ + all.size_};
}

// The metadata as the library reads it back from a file's bytes.
inline Exiv2::Image::AutoPtr ReadMetadata(const std::vector<std::uint8_t> &jpeg)
{
    auto image = Exiv2::ImageFactory::open(jpeg.data(), static_cast<long>(jpeg.size()));
    image->readMetadata();
    return image;
}

inline std::string Tag(Exiv2::Image &image, const char *key)
{
    const auto found = image.exifData().findKey(Exiv2::ExifKey(key));
    return found == image.exifData().end() ? std::string() : found->toString();
}

} // namespace quillo::test
