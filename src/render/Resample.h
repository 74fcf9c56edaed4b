// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Separable two-pass resampler on 24-bit pixels with fixed-point weights (256 =
// 1.0): every row is resampled to the new width into an intermediate picture,
// then every column of that to the new height.
//
// Sizes the plain two-pass rule cannot take are defined here:
// - a target of 0 pixels in either direction gives an empty 24-bit bitmap of
//   exactly that size;
// - an empty source (0 pixels in either direction) gives a black target of the
//   asked size;
// - a one-pixel source line has scale = target / 1; a one-pixel target from a
//   longer line has scale = 1 / source and its pixel centred on the middle of the
//   source line, so it is the filtered average around the line's centre;
// - a pixel index outside a line is reflected at both ends (without repeating
//   pixel 0, repeating the last pixel) as often as needed to land inside it, so
//   lines shorter than the kernel's window are read only inside the line;
// - a radius must be finite and not negative; 0 selects the filter's default.
#include "imageview/Bitmap.h"
#include "render/Filters.h"

#include <cstdint>
#include <vector>

namespace quillo {

class TPicture;

// One weighted source pixel; Weight is never 0 in a stored entry.
struct TContributor {
    std::int32_t Weight = 0;
    std::int32_t Pixel = 0; // index along the line, after reflection
};
using TContributors = std::vector<TContributor>;

// The contributors of one target pixel; Count equals Contributors.size().
struct TContributorEntry {
    std::int32_t Count = 0;
    TContributors Contributors;
};
using TContributorList = std::vector<TContributorEntry>;

// The scale that maps the first and last pixel centres of a line of
// sourceLength pixels onto those of a line of targetLength pixels.
float ResampleScale(int sourceLength, int targetLength);

// The weights of every target pixel of one axis (targetLength entries).
// Throws Error for a radius that is negative or not finite.
TContributorList BuildContributorList(int sourceLength, int targetLength, TFilterKernel kernel, float radius);

// Resamples source into target, which becomes a 24-bit bitmap of newWidth x
// newHeight. Any depth is accepted as source; source and target may be the same
// bitmap. A radius of 0 takes FilterRadii; a filter outside 0..7 is Vennick. On an
// error (negative or too large size, bad radius) the target is left unchanged.
void Resample(int newWidth, int newHeight, TFilterKind filter, float radius, const TBitmap &source,
              TBitmap &target);
// The same for any picture, through a full-size bitmap copy of it.
void Resample(int newWidth, int newHeight, TFilterKind filter, float radius, const TPicture &source,
              TBitmap &target);
void ResampleInPlace(int newWidth, int newHeight, TFilterKind filter, float radius, TBitmap &bitmap);

// The two passes from a 24-bit source into a 24-bit target whose size is already
// set. Throws Error when either is not 24 bits per pixel.
void ResamplePasses(TFilterKernel kernel, float radius, const TBitmap &source, TBitmap &target);
// The same arithmetic written plainly, one pixel and one channel at a time with
// a per-thread line cache; the fast passes must give exactly its bytes.
void ResamplePassesReference(TFilterKernel kernel, float radius, const TBitmap &source, TBitmap &target);

// Worker threads for one resample: rows are split in the horizontal pass and
// columns in the vertical pass, and the bytes do not depend on the count. 1 keeps
// all work on the calling thread; 0 or less restores the default (the hardware's
// thread count, at most kMaxResampleThreads).
inline constexpr int kMaxResampleThreads = 8;
void SetResampleThreads(int threads);
int ResampleThreads();

// Test seam: false forces the portable code where vector instructions would be
// used, so both can be checked against the reference on one machine.
void SetResampleVectorCode(bool enabled);
bool ResampleVectorCode();

} // namespace quillo
