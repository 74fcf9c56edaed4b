// SPDX-License-Identifier: GPL-3.0-or-later
#include "imageview/ColourProfile.h"

#include <lcms2.h>

#include <cmath>
#include <cstring>
#include <mutex>

namespace quillo {

namespace {

// The profile's own description says nothing reliable; a profile is taken as sRGB
// when its colorants and white point are those of sRGB.
bool SameColorants(cmsHPROFILE a, cmsHPROFILE b)
{
    for (cmsTagSignature tag : {cmsSigRedColorantTag, cmsSigGreenColorantTag, cmsSigBlueColorantTag}) {
        const auto *x = static_cast<const cmsCIEXYZ *>(cmsReadTag(a, tag));
        const auto *y = static_cast<const cmsCIEXYZ *>(cmsReadTag(b, tag));
        if (!x || !y)
            return false;
        const double tolerance = 0.0005;
        if (std::abs(x->X - y->X) > tolerance || std::abs(x->Y - y->Y) > tolerance || std::abs(x->Z - y->Z) > tolerance)
            return false;
    }
    return true;
}

void Quieten()
{
    // A damaged profile is simply not used; the library need not say so on stderr.
    static std::once_flag once;
    std::call_once(once, [] { cmsSetLogErrorHandler(nullptr); });
}

} // namespace

std::unique_ptr<TColourConversion> TColourConversion::ToDisplay(std::span<const std::uint8_t> iccProfile)
{
    if (iccProfile.size() < 132) // an ICC header is 128 bytes, a tag count follows
        return nullptr;
    Quieten();
    cmsHPROFILE source = cmsOpenProfileFromMem(iccProfile.data(), static_cast<cmsUInt32Number>(iccProfile.size()));
    if (!source)
        return nullptr;
    cmsHPROFILE srgb = cmsCreate_sRGBProfile();
    cmsHTRANSFORM transform = nullptr;
    if (srgb && cmsGetColorSpace(source) == cmsSigRgbData && !SameColorants(source, srgb) &&
        (cmsGetDeviceClass(source) == cmsSigDisplayClass || cmsGetDeviceClass(source) == cmsSigInputClass ||
         cmsGetDeviceClass(source) == cmsSigColorSpaceClass))
        transform = cmsCreateTransform(source, TYPE_BGR_8, srgb, TYPE_BGR_8, INTENT_PERCEPTUAL, 0);
    if (srgb)
        cmsCloseProfile(srgb);
    cmsCloseProfile(source);
    if (!transform)
        return nullptr;
    return std::unique_ptr<TColourConversion>(new TColourConversion(transform));
}

TColourConversion::~TColourConversion()
{
    cmsDeleteTransform(static_cast<cmsHTRANSFORM>(transform_));
}

void TColourConversion::Apply(TBitmap &bitmap) const
{
    if (bitmap.Empty())
        return;
    if (bitmap.BitsPerPixel() != 24)
        bitmap.SetPixelFormat(24);
    const auto transform = static_cast<cmsHTRANSFORM>(transform_);
    for (int y = 0; y < bitmap.Height(); ++y)
        cmsDoTransform(transform, bitmap.ScanLine(y), bitmap.ScanLine(y), static_cast<cmsUInt32Number>(bitmap.Width()));
}

} // namespace quillo
