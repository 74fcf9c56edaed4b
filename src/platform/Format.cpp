// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Format.h"

#include <QLocale>

#include <algorithm>
#include <charconv>
#include <cmath>
#include <string_view>
#include <system_error>

namespace quillo {

namespace {

// The separator a time format puts after its hour field, e.g. ":" in "HH:mm".
std::string TimeSeparatorOf(const QString &format)
{
    qsizetype i = format.indexOf(QLatin1Char('h'), 0, Qt::CaseInsensitive);
    if (i < 0)
        return ":";
    while (i < format.size() && (format[i] == QLatin1Char('h') || format[i] == QLatin1Char('H')))
        ++i;
    qsizetype end = i;
    while (end < format.size() && !format[end].isLetter() && format[end] != QLatin1Char('\''))
        ++end;
    const QString sep = format.mid(i, end - i);
    if (sep.trimmed().isEmpty())
        return ":";
    return sep.toStdString();
}

} // namespace

TFormatSettings SystemFormatSettings()
{
    const QLocale locale = QLocale::system();
    TFormatSettings settings;
    settings.ThousandSeparator = locale.groupSeparator().toStdString();
    settings.DecimalSeparator = locale.decimalPoint().toStdString();
    settings.TimeSeparator = TimeSeparatorOf(locale.timeFormat(QLocale::ShortFormat));
    return settings;
}

std::string FormatNumber(double value, int decimals, const std::string &thousandsSep,
                         const std::string &decimalSep)
{
    decimals = std::clamp(decimals, 0, 18);
    if (std::isnan(value))
        return "NAN";
    if (std::isinf(value))
        return value < 0 ? "-INF" : "INF";

    const bool negative = std::signbit(value);
    // Shortest fixed-point text that reads back as the same double: its digits are
    // "the decimal value" that is rounded.
    char buf[400];
    const auto res = std::to_chars(buf, buf + sizeof buf, std::fabs(value), std::chars_format::fixed);
    // Read in place: a small value has a long tail of digits past the kept ones,
    // and this runs once per listed file.
    const std::string_view text = res.ec == std::errc() ? std::string_view(buf, static_cast<std::size_t>(res.ptr - buf))
                                                        : std::string_view("0");
    const std::size_t dot = text.find('.');
    const std::string_view allFrac = dot == std::string_view::npos ? std::string_view() : text.substr(dot + 1);
    std::string intDigits(text.substr(0, dot));
    const auto kept = static_cast<std::size_t>(decimals);
    std::string fracDigits(allFrac.substr(0, kept));

    const bool roundUp = allFrac.size() > kept && allFrac[kept] >= '5';
    fracDigits.resize(kept, '0');
    if (roundUp) {
        // Carry through the kept decimals into the integer digits.
        std::string all = intDigits + fracDigits;
        std::size_t i = all.size();
        while (i > 0) {
            --i;
            if (all[i] == '9') {
                all[i] = '0';
            } else {
                ++all[i];
                break;
            }
            if (i == 0)
                all.insert(all.begin(), '1');
        }
        intDigits = all.substr(0, all.size() - fracDigits.size());
        fracDigits = all.substr(all.size() - fracDigits.size());
    }
    const std::size_t firstNonZero = intDigits.find_first_not_of('0');
    intDigits = firstNonZero == std::string::npos ? std::string("0") : intDigits.substr(firstNonZero);

    const bool isZero = intDigits == "0" && fracDigits.find_first_not_of('0') == std::string::npos;
    std::string out;
    if (negative && !isZero)
        out += '-';
    for (std::size_t i = 0; i < intDigits.size(); ++i) {
        if (i > 0 && (intDigits.size() - i) % 3 == 0)
            out += thousandsSep;
        out += intDigits[i];
    }
    if (decimals > 0) {
        out += decimalSep;
        out += fracDigits;
    }
    return out;
}

} // namespace quillo
