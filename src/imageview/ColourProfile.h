// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Converting a picture's colours from its embedded ICC profile to the display's
// sRGB. Only what is drawn is converted; the picture's own pixels keep the file's values.
#include "imageview/Bitmap.h"

#include <cstdint>
#include <memory>
#include <span>

namespace quillo {

class TColourConversion {
public:
    // Nothing for a profile that is missing, unusable, not RGB, or already sRGB:
    // such pictures are drawn as they are.
    static std::unique_ptr<TColourConversion> ToDisplay(std::span<const std::uint8_t> iccProfile);
    ~TColourConversion();
    TColourConversion(const TColourConversion &) = delete;
    TColourConversion &operator=(const TColourConversion &) = delete;

    // Converts the 24-bit pixels in place.
    void Apply(TBitmap &bitmap) const;

private:
    explicit TColourConversion(void *transform) : transform_(transform) {}
    void *transform_;
};

} // namespace quillo
