// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Number texts in the style of "#,##0.00" picture formats, and the user's
// separators. The formatting is pure: callers pass the separators, so results do
// not depend on the machine's locale.
#include <string>

namespace quillo {

struct TFormatSettings {
    std::string ThousandSeparator = ",";
    std::string DecimalSeparator = ".";
    std::string TimeSeparator = ":";
};

// The separators of QLocale::system(); the time separator is taken from its
// short time format (":" when that format shows none).
TFormatSettings SystemFormatSettings();

// `value` with `decimals` digits after the decimal separator, at least one digit
// before it, grouped by thousands: FormatNumber(1234.5, 2, ",", ".") is "1,234.50".
// Rounds half away from zero on the value's shortest decimal form, so 0.125 gives
// "0.13" and 0.285 gives "0.29". A value that rounds to zero has no minus sign.
std::string FormatNumber(double value, int decimals, const std::string &thousandsSep,
                         const std::string &decimalSep);

} // namespace quillo
