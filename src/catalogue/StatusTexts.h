// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The status bar's texts of a folder change, as pure functions of byte counts,
// tick counts and the user's separators.
#include "platform/Format.h"
#include "platform/SafeWrite.h"

#include <cstdint>
#include <string>

namespace quillo {

// Milliseconds from `start` to `now` on the wrapping 32-bit tick counter.
inline std::uint32_t TicksSince(std::uint32_t now, std::uint32_t start) { return now - start; }

// Panel 4 before the first folder change (literally, whatever the locale).
inline const char *kInitialRateText = "0,00 KB/s";
// Panel 4 while a folder change runs: 0 in "#,##0.00 Mb/s".
std::string StatusZeroRateText(const TFormatSettings &fs);
// Panel 6 when a folder change starts: the previous folder's total being released.
std::string StatusReleasingText(std::int64_t totalBytes, const TFormatSettings &fs);
// Panel 6 when the search has finished.
std::string StatusSearchDoneText(std::uint32_t elapsedMs, std::int64_t totalBytes, const TFormatSettings &fs);
// Panel 6 when the load has finished.
std::string StatusLoadedText(std::uint32_t elapsedMs, const TFormatSettings &fs);
// Panel 4 after the load: the folder's size and the load's data rate. `elapsedMs`
// of 0 is taken as 1, so a load shorter than a tick still gets a finite rate.
std::string StatusRateText(std::int64_t totalBytes, std::int64_t loadedBytes, std::uint32_t elapsedMs,
                           const TFormatSettings &fs);

// Panel 6 after a listing that put back files whose rewrite a kill interrupted;
// empty when there were none.
std::string StatusRolledBackText(const TRollBack &rolledBack);

} // namespace quillo
