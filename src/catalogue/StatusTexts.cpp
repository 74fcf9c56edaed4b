// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/StatusTexts.h"

namespace quillo {

namespace {

constexpr double kMB = 1048576.0;

std::string Num(double value, int decimals, const TFormatSettings &fs)
{
    return FormatNumber(value, decimals, fs.ThousandSeparator, fs.DecimalSeparator);
}

double Seconds(std::uint32_t ms) { return static_cast<double>(ms) / 1000.0; }

} // namespace

std::string StatusZeroRateText(const TFormatSettings &fs) { return Num(0, 2, fs) + " Mb/s"; }

std::string StatusReleasingText(std::int64_t totalBytes, const TFormatSettings &fs)
{
    return "Releasing memory (" + Num(static_cast<double>(totalBytes) / kMB, 2, fs) + " Mb)...";
}

std::string StatusSearchDoneText(std::uint32_t elapsedMs, std::int64_t totalBytes, const TFormatSettings &fs)
{
    return "Memory released in " + Num(Seconds(elapsedMs), 2, fs) +
           " seconden... Bestanden worden ingeladen - [ " + Num(static_cast<double>(totalBytes) / kMB, 2, fs) +
           " Mb ].";
}

std::string StatusLoadedText(std::uint32_t elapsedMs, const TFormatSettings &fs)
{
    return "Files loaded in " + Num(Seconds(elapsedMs), 2, fs) + " seconds.";
}

std::string StatusRateText(std::int64_t totalBytes, std::int64_t loadedBytes, std::uint32_t elapsedMs,
                           const TFormatSettings &fs)
{
    const double seconds = Seconds(elapsedMs == 0 ? 1 : elapsedMs);
    const double rate = static_cast<double>(loadedBytes) / kMB / seconds;
    return Num(static_cast<double>(totalBytes) / kMB, 1, fs) + " Mb - [ " + Num(rate, 2, fs) + " Mb/s ]";
}

std::string StatusRolledBackText(const TRollBack &rolledBack)
{
    std::string text;
    const auto list = [](const std::vector<std::string> &items, const char *separator) {
        std::string joined;
        for (const std::string &item : items)
            joined += (joined.empty() ? "" : separator) + item;
        return joined;
    };
    if (!rolledBack.Restored.empty())
        text = "Restored after an interrupted write: " + list(rolledBack.Restored, ", ");
    if (!rolledBack.Failed.empty())
        text += (text.empty() ? "" : "; ") + list(rolledBack.Failed, "; ");
    return text;
}

} // namespace quillo
