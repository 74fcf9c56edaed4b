// SPDX-License-Identifier: GPL-3.0-or-later
#include "catalogue/FileListModel.h"

#include "catalogue/QloClasses.h"
#include "platform/Errors.h"

#include <QCollatorSortKey>
#include <QDate>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numeric>

namespace quillo {

namespace {

constexpr std::int64_t kMsPerDay = 86400000;
// Days from 30 December 1899 to 1 January 1970.
constexpr std::int64_t kUnixEpochDays = 25569;

// Proleptic Gregorian calendar conversions around 1 January 1970.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, std::int64_t &y, unsigned &m, unsigned &d)
{
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
}

bool IsLeap(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned DaysInMonth(std::int64_t y, unsigned m)
{
    static constexpr unsigned kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

bool IsBlank(const std::string &s)
{
    return std::all_of(s.begin(), s.end(), [](char c) { return static_cast<unsigned char>(c) <= 32; });
}

// Ordinal comparison: bytes as unsigned values; a prefix sorts first.
int CompareOrdinal(const std::string &a, const std::string &b)
{
    const std::size_t n = std::min(a.size(), b.size());
    const int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
    if (c != 0)
        return c < 0 ? -1 : 1;
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

// Reads digits at `pos`; false when there are none.
bool ReadNumber(const std::string &s, std::size_t &pos, int &value, int &digits)
{
    value = 0;
    digits = 0;
    while (pos < s.size() && s[pos] >= '0' && s[pos] <= '9') {
        if (digits >= 6)
            return false;
        value = value * 10 + (s[pos] - '0');
        ++digits;
        ++pos;
    }
    return digits > 0;
}

bool ReadLiteral(const std::string &s, std::size_t &pos, const std::string &lit)
{
    if (lit.empty() || s.compare(pos, lit.size(), lit) != 0)
        return false;
    pos += lit.size();
    return true;
}

int CurrentYear() { return QDate::currentDate().year(); }

} // namespace

// ---- texts -----------------------------------------------------------------

std::string FormatListDate(double ADateTime, const std::string &ATimeSep)
{
    if (!std::isfinite(ADateTime) || std::fabs(ADateTime) > 1e8)
        return std::string();
    const auto total = static_cast<std::int64_t>(std::llround(ADateTime * kMsPerDay));
    const std::int64_t days = total / kMsPerDay; // toward zero, as date-times count
    const std::int64_t ms = std::abs(total) % kMsPerDay;
    std::int64_t y = 0;
    unsigned m = 0;
    unsigned d = 0;
    CivilFromDays(days - kUnixEpochDays, y, m, d);
    const std::int64_t secs = ms / 1000;
    // Built on the stack and copied once, so the row's text gets an exact-size
    // buffer and the only allocation (a growing string would double its
    // capacity; there is one per file).
    char small[64];
    std::string large;
    const std::size_t length = 15 + 2 * ATimeSep.size(); // "dd-mm-yy hh" "nn" "ss" and two separators
    char *out = small;
    if (length > sizeof small) {
        large.resize(length);
        out = large.data();
    }
    char *p = out;
    const auto put2 = [&p](std::int64_t v) {
        v = std::abs(v) % 100;
        *p++ = static_cast<char>('0' + v / 10);
        *p++ = static_cast<char>('0' + v % 10);
    };
    const auto putSep = [&p, &ATimeSep] {
        std::memcpy(p, ATimeSep.data(), ATimeSep.size());
        p += ATimeSep.size();
    };
    put2(d);
    *p++ = '-';
    put2(m);
    *p++ = '-';
    put2(y);
    *p++ = ' ';
    put2(secs / 3600);
    putSep();
    put2(secs / 60 % 60);
    putSep();
    put2(secs % 60);
    return out == small ? std::string(small, static_cast<std::size_t>(p - small)) : large;
}

std::string FormatListSize(std::int64_t ASize, const TFormatSettings &ASettings)
{
    return FormatNumber(static_cast<double>(ASize) / 1048576.0, 2, ASettings.ThousandSeparator,
                        ASettings.DecimalSeparator) +
           " Mb";
}

int ExpandTwoDigitYear(int AYear, int ACurrentYear)
{
    const int threshold = ACurrentYear - 50;
    int year = threshold - ((threshold % 100) + 100) % 100 + AYear;
    if (year < threshold)
        year += 100;
    return year;
}

std::optional<double> ReadListDate(const std::string &AText, const std::string &ATimeSep, int ACurrentYear)
{
    std::size_t pos = 0;
    const auto skipBlanks = [&] {
        while (pos < AText.size() && static_cast<unsigned char>(AText[pos]) <= 32)
            ++pos;
    };
    int day = 0, month = 0, year = 0, digits = 0, yearDigits = 0;
    skipBlanks();
    if (!ReadNumber(AText, pos, day, digits) || !ReadLiteral(AText, pos, "-") ||
        !ReadNumber(AText, pos, month, digits) || !ReadLiteral(AText, pos, "-") ||
        !ReadNumber(AText, pos, year, yearDigits))
        return std::nullopt;
    if (yearDigits <= 2)
        year = ExpandTwoDigitYear(year, ACurrentYear);
    if (month < 1 || month > 12 || day < 1 || static_cast<unsigned>(day) > DaysInMonth(year, static_cast<unsigned>(month)))
        return std::nullopt;

    int hour = 0, minute = 0, second = 0;
    skipBlanks();
    if (pos < AText.size()) {
        if (!ReadNumber(AText, pos, hour, digits) || !ReadLiteral(AText, pos, ATimeSep) ||
            !ReadNumber(AText, pos, minute, digits))
            return std::nullopt;
        if (ReadLiteral(AText, pos, ATimeSep) && !ReadNumber(AText, pos, second, digits))
            return std::nullopt;
        skipBlanks();
        if (pos != AText.size() || hour > 23 || minute > 59 || second > 59)
            return std::nullopt;
    }
    const std::int64_t days = DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) + kUnixEpochDays;
    const double time = (hour * 3600 + minute * 60 + second) / 86400.0;
    // Before 30 December 1899 the fraction still counts forward from midnight.
    return days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time;
}

void TListItem::AddSubItem(std::string AText)
{
    if (FSubItemCount >= kMaxSubItems)
        throw Error("A file list row holds at most two sub-items");
    FSubItems[FSubItemCount++] = std::move(AText);
}

// ---- model -----------------------------------------------------------------

TFileListModel::TFileListModel(QObject *parent)
    : QAbstractTableModel(parent), FormatSettings(SystemFormatSettings())
{
    SetCollationLocale(QLocale::system());
}

void TFileListModel::SetCollationLocale(const QLocale &ALocale)
{
    // Qt collates the C locale by code points, which puts "Zebra" before "apple";
    // the list wants a real alphabetical order there too.
    const QLocale locale = ALocale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : ALocale;
    FCollator = QCollator(locale);
    FCollator.setCaseSensitivity(Qt::CaseSensitive);
    FCaseBlindCollator = QCollator(locale);
    FCaseBlindCollator.setCaseSensitivity(Qt::CaseInsensitive);

    // English collation has no contractions or expansions among printable ASCII
    // and gives each such character one weight, so a name of them orders as the
    // sequence of its characters' ranks. Other languages may join letters
    // ("ch", "aa") and keep to the sort keys.
    FAsciiRank.fill(0);
    FAsciiRanked = locale.language() == QLocale::English;
    if (!FAsciiRanked)
        return;
    std::vector<char16_t> chars;
    for (char16_t c = 0x20; c < 0x7f; ++c)
        chars.push_back(c);
    const auto compare = [this](char16_t a, char16_t b) {
        return FCaseBlindCollator.compare(QStringView(&a, 1), QStringView(&b, 1));
    };
    std::stable_sort(chars.begin(), chars.end(), [&](char16_t a, char16_t b) { return compare(a, b) < 0; });
    std::uint8_t rank = 0;
    for (std::size_t i = 0; i < chars.size(); ++i) {
        if (i == 0 || compare(chars[i - 1], chars[i]) != 0)
            ++rank;
        FAsciiRank[chars[i]] = rank;
    }
}

bool TFileListModel::AllAsciiRanked() const
{
    if (!FAsciiRanked)
        return false;
    for (const TListItem &item : FItems)
        for (const char c : item.Caption)
            if (static_cast<unsigned char>(c) >= 0x80 || FAsciiRank[static_cast<unsigned char>(c)] == 0)
                return false;
    return true;
}

int TFileListModel::CompareAsciiRanks(const std::string &A, const std::string &B) const
{
    const std::size_t n = std::min(A.size(), B.size());
    for (std::size_t i = 0; i < n; ++i) {
        if (A[i] == B[i])
            continue; // the common case: names share long prefixes
        const std::uint8_t a = FAsciiRank[static_cast<unsigned char>(A[i])];
        const std::uint8_t b = FAsciiRank[static_cast<unsigned char>(B[i])];
        if (a != b)
            return a < b ? -1 : 1;
    }
    return A.size() < B.size() ? -1 : (A.size() > B.size() ? 1 : 0);
}

int TFileListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : Count();
}

int TFileListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : kColumnCount;
}

QVariant TFileListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= Count() || index.column() >= kColumnCount)
        return {};
    const TListItem &item = FItems[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole: {
        if (index.column() == 0)
            return QString::fromUtf8(item.Caption);
        const std::string *text = item.SubItem(index.column() - 1);
        return text ? QString::fromUtf8(*text) : QString();
    }
    case Qt::TextAlignmentRole:
        return index.column() == 2 ? int(Qt::AlignRight | Qt::AlignVCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
    case EntryRole:
        return QVariant::fromValue(item.Data);
    default:
        return {};
    }
}

TCallbackLoadData *TFileListModel::EntryOf(const QModelIndex &index)
{
    return index.data(EntryRole).value<TCallbackLoadData *>();
}

QVariant TFileListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole) {
        static const char *const kCaptions[kColumnCount] = {"File:", "Date:", "Size:"};
        return QString::fromLatin1(kCaptions[section]);
    }
    if (role == Qt::TextAlignmentRole)
        return section == 2 ? int(Qt::AlignRight | Qt::AlignVCenter) : int(Qt::AlignLeft | Qt::AlignVCenter);
    return {};
}

void TFileListModel::Clear()
{
    if (FUpdateCount > 0) {
        FItems.clear();
        return;
    }
    beginResetModel();
    FItems.clear();
    FItems.shrink_to_fit();
    endResetModel();
}

void TFileListModel::BeginUpdate()
{
    if (FUpdateCount++ == 0)
        beginResetModel();
}

void TFileListModel::EndUpdate()
{
    if (FUpdateCount == 0)
        return;
    if (--FUpdateCount > 0)
        return;
    // The views are told in the reset below, so the sort moves rows silently.
    if (FNameSortPending) {
        FNameSortPending = false;
        ++FUpdateCount;
        SortByName();
        --FUpdateCount;
    }
    endResetModel();
}

void TFileListModel::reserve(std::size_t ACount)
{
    FItems.reserve(ACount);
}

int TFileListModel::AddItem(TListItem AItem)
{
    const bool blankCaption = AItem.Caption.empty();
    const int row = Count();
    if (FUpdateCount > 0) {
        FItems.push_back(std::move(AItem));
        // A new row's caption goes from empty to its text: that re-sorts.
        FNameSortPending = FNameSortPending || !blankCaption;
        return row;
    }
    beginInsertRows(QModelIndex(), row, row);
    FItems.push_back(std::move(AItem));
    endInsertRows();
    return blankCaption ? row : NewRowOf(SortByName(), row);
}

int TFileListModel::SetCaption(int ARow, std::string ACaption)
{
    TListItem &item = FItems.at(static_cast<std::size_t>(ARow));
    if (item.Caption == ACaption)
        return ARow;
    item.Caption = std::move(ACaption);
    if (FUpdateCount > 0) {
        FNameSortPending = true;
        return ARow;
    }
    Q_EMIT dataChanged(index(ARow, 0), index(ARow, 0), {Qt::DisplayRole});
    return NewRowOf(SortByName(), ARow);
}

int TFileListModel::NewRowOf(const std::vector<int> &AOrder, int AOldRow)
{
    const auto it = std::find(AOrder.begin(), AOrder.end(), AOldRow);
    return it == AOrder.end() ? AOldRow : static_cast<int>(it - AOrder.begin());
}

int TFileListModel::IndexOfData(const TCallbackLoadData *AData) const
{
    for (int i = 0; i < Count(); ++i)
        if (FItems[static_cast<std::size_t>(i)].Data == AData)
            return i;
    return -1;
}

TJvSortMethod TFileListModel::SortKindOf(int AColumn) const
{
    if (OnAutoSort)
        return OnAutoSort(AColumn);
    return AColumn == 1 ? TJvSortMethod::smDateTime : TJvSortMethod::smAlphabetic;
}

void TFileListModel::ColumnClick(int AColumn)
{
    if (AColumn < 0 || AColumn >= kColumnCount)
        return;
    if (AColumn == FLastSorted) {
        FLastSorted = -1;
        SortByColumn(AColumn, true);
    } else {
        FLastSorted = AColumn;
        SortByColumn(AColumn, false);
    }
}

bool TFileListModel::NameTieLess(const std::string &A, const std::string &B) const
{
    // Names equal but for case (or for what the collation ignores): lower case
    // first at the first letter whose case differs. Some locales (Danish, for
    // one) would put upper case first; the list does not.
    const QString a = QString::fromUtf8(A);
    const QString b = QString::fromUtf8(B);
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        const bool upperA = a[i].isUpper();
        const bool upperB = b[i].isUpper();
        if (upperA != upperB)
            return upperB;
    }
    // Each step is an order of its own, so together they stay one for the sort.
    if (a.size() != b.size())
        return a.size() < b.size();
    const int c = FCollator.compare(a, b);
    if (c != 0)
        return c < 0;
    return CompareOrdinal(A, B) < 0;
}

std::vector<int> TFileListModel::SortByName()
{
    const std::size_t n = FItems.size();
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    // Case is left out of the first comparison and decides only between names
    // that tie without it.
    if (AllAsciiRanked()) {
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
            const std::string &A = FItems[static_cast<std::size_t>(a)].Caption;
            const std::string &B = FItems[static_cast<std::size_t>(b)].Caption;
            const int c = CompareAsciiRanks(A, B);
            return c != 0 ? c < 0 : NameTieLess(A, B);
        });
        ApplyOrder(order);
        return order;
    }
    // One key per row, so the sort costs O(n log n) key comparisons.
    std::vector<QCollatorSortKey> keys;
    keys.reserve(n);
    for (const TListItem &item : FItems)
        keys.push_back(FCaseBlindCollator.sortKey(QString::fromUtf8(item.Caption)));
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = keys[static_cast<std::size_t>(a)].compare(keys[static_cast<std::size_t>(b)]);
        if (c != 0)
            return c < 0;
        return NameTieLess(FItems[static_cast<std::size_t>(a)].Caption, FItems[static_cast<std::size_t>(b)].Caption);
    });
    ApplyOrder(order);
    return order;
}

// The header-click order: a missing text first, then blank texts, then the
// rest, compared as bytes (unsigned) or, for a date column, by the dates read
// back (a text that is no date before every date). Ties keep their order.
void TFileListModel::SortByColumn(int AColumn, bool ADescending)
{
    const TJvSortMethod kind = SortKindOf(AColumn);
    const std::string &timeSep = FormatSettings.TimeSeparator;
    const int year = CurrentYear();
    const std::size_t n = FItems.size();

    // Each row's key once: rank 0 lacks the text, 1 blank, 2 a text to compare.
    struct Key {
        int Rank;
        const std::string *Text;
        double When;
    };
    std::vector<Key> keys(n);
    for (std::size_t i = 0; i < n; ++i) {
        const std::string *text = AColumn == 0 ? &FItems[i].Caption : FItems[i].SubItem(AColumn - 1);
        Key &k = keys[i];
        k.Text = text;
        k.When = 0;
        if (!text) {
            k.Rank = 0;
        } else if (IsBlank(*text)) {
            k.Rank = 1;
        } else {
            k.Rank = 2;
            if (kind == TJvSortMethod::smDateTime)
                k.When = ReadListDate(*text, timeSep, year).value_or(-std::numeric_limits<double>::infinity());
        }
    }
    // -1, 0, 1 as the header-click comparison of two rows gives it.
    const auto compare = [&](const Key &a, const Key &b) {
        if (a.Rank != b.Rank)
            return a.Rank < b.Rank ? -1 : 1;
        if (a.Rank < 2)
            return 0;
        if (kind == TJvSortMethod::smAlphabetic)
            return CompareOrdinal(*a.Text, *b.Text);
        return a.When < b.When ? -1 : (a.When > b.When ? 1 : 0);
    };
    std::vector<int> order(n);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const int c = compare(keys[static_cast<std::size_t>(a)], keys[static_cast<std::size_t>(b)]);
        return ADescending ? c > 0 : c < 0;
    });
    ApplyOrder(order);
}

void TFileListModel::ApplyOrder(const std::vector<int> &AOrder)
{
    const std::size_t n = AOrder.size();
    bool unchanged = true;
    for (std::size_t i = 0; i < n && unchanged; ++i)
        unchanged = AOrder[i] == static_cast<int>(i);
    if (unchanged)
        return;

    const bool tellViews = FUpdateCount == 0;
    if (tellViews)
        Q_EMIT layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);

    std::vector<TListItem> sorted;
    sorted.reserve(n);
    for (int old : AOrder)
        sorted.push_back(std::move(FItems[static_cast<std::size_t>(old)]));
    FItems.swap(sorted);

    if (tellViews) {
        const QModelIndexList from = persistentIndexList();
        if (!from.isEmpty()) {
            std::vector<int> newRowOf(n);
            for (std::size_t i = 0; i < n; ++i)
                newRowOf[static_cast<std::size_t>(AOrder[i])] = static_cast<int>(i);
            QModelIndexList to;
            to.reserve(from.size());
            for (const QModelIndex &idx : from)
                to.append(index(newRowOf[static_cast<std::size_t>(idx.row())], idx.column()));
            changePersistentIndexList(from, to);
        }
        Q_EMIT layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    }
}

} // namespace quillo
