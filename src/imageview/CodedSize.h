// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a decoder's header pass reports: the size the picture has once shown
// (its orientation applied), checked against the pixel limit.
namespace quillo {

struct TCodedSize {
    int Width = 0;
    int Height = 0;
};

} // namespace quillo
