// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The file list: three columns (name, date, size) over the catalogue entries.
// It keeps itself in name order (locale collation, case-sensitive, lower case
// first) whenever a caption is set, and sorts by a column when its header is
// clicked, alternating ascending and descending. A QTreeView shows it directly.
#include "platform/Format.h"

#include <QAbstractTableModel>
#include <QCollator>

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quillo {

class TCallbackLoadData;

// How a column's texts are compared after a header click.
enum class TJvSortMethod { smAlphabetic, smDateTime };

// One row: the caption (column 0), up to two sub-items (columns 1 and 2) and the
// catalogue entry it shows.
class TListItem {
public:
    static constexpr int kMaxSubItems = 2;

    TListItem() = default;
    TListItem(std::string ACaption, TCallbackLoadData *AData) : Caption(std::move(ACaption)), Data(AData) {}

    std::string Caption;
    TCallbackLoadData *Data = nullptr;

    int SubItemCount() const { return FSubItemCount; }
    // Sub-item `AIndex` (0-based: column AIndex + 1); nullptr when the item lacks it.
    const std::string *SubItem(int AIndex) const
    {
        return AIndex >= 0 && AIndex < FSubItemCount ? &FSubItems[static_cast<std::size_t>(AIndex)] : nullptr;
    }
    // Appends a sub-item; an item holds at most kMaxSubItems (more throw Error).
    void AddSubItem(std::string AText);

private:
    std::array<std::string, kMaxSubItems> FSubItems;
    std::uint8_t FSubItemCount = 0;
};

class TFileListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kColumnCount = 3;
    // data() with this role gives the row's TCallbackLoadData* (value<TCallbackLoadData *>()).
    static constexpr int EntryRole = Qt::UserRole;

    explicit TFileListModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    static TCallbackLoadData *EntryOf(const QModelIndex &index);

    // Removes every row; the last sorted column stays.
    void Clear();
    // Between BeginUpdate and EndUpdate rows are only collected; EndUpdate puts
    // them in name order once and tells the views in one reset.
    void BeginUpdate();
    void EndUpdate();
    void reserve(std::size_t ACount);
    // Adds a row and returns its index after the list has ordered itself.
    int AddItem(TListItem AItem);
    // Sets a row's caption (a rename); a different text puts the list back in
    // name order. Returns the row's new index.
    int SetCaption(int ARow, std::string ACaption);

    int Count() const { return static_cast<int>(FItems.size()); }
    const TListItem &Item(int ARow) const { return FItems.at(static_cast<std::size_t>(ARow)); }
    TListItem &Item(int ARow) { return FItems.at(static_cast<std::size_t>(ARow)); }
    // The row showing `AData`, or -1.
    int IndexOfData(const TCallbackLoadData *AData) const;

    // Header click on column AColumn: ascending, or descending when it was the
    // last column sorted (which then resets, so the next click is ascending).
    void ColumnClick(int AColumn);
    int LastSortedColumn() const { return FLastSorted; }

    // Selection change: called by the view for real selection changes, and by the
    // controller with (nullptr, false) before it releases the entries.
    std::function<void(TListItem *AItem, bool ASelected)> OnSelectItem;
    // Comparison kind per column; unset: smDateTime for column 1, else smAlphabetic.
    std::function<TJvSortMethod(int AColumn)> OnAutoSort;

    // Separators used to write and read back the texts; QLocale::system()'s by default.
    TFormatSettings FormatSettings;
    // Collation of the name order, for the given locale (the C locale has no
    // collation of its own and gets the English one); case-sensitive, with lower
    // case first for names that differ only in case, whatever the locale says.
    void SetCollationLocale(const QLocale &ALocale);

private:
    TJvSortMethod SortKindOf(int AColumn) const;
    // Returns order[newRow] = oldRow.
    std::vector<int> SortByName();
    void SortByColumn(int AColumn, bool ADescending);
    // order[newRow] = oldRow; moves the rows and keeps views' persistent indexes.
    void ApplyOrder(const std::vector<int> &AOrder);
    static int NewRowOf(const std::vector<int> &AOrder, int AOldRow);

    std::vector<TListItem> FItems;
    bool NameTieLess(const std::string &A, const std::string &B) const;
    bool AllAsciiRanked() const;
    int CompareAsciiRanks(const std::string &A, const std::string &B) const;

    QCollator FCollator;
    QCollator FCaseBlindCollator;
    // Where the collation orders printable ASCII letter by letter (English), the
    // rank of each such character under the case-blind collator (0: not ranked).
    // Names made only of ranked characters then compare without sort keys.
    std::array<std::uint8_t, 128> FAsciiRank{};
    bool FAsciiRanked = false;
    int FLastSorted = -1;
    int FUpdateCount = 0;
    bool FNameSortPending = false;
};

// "dd-mm-yy hh:nn:ss" with ATimeSep between the time fields.
std::string FormatListDate(double ADateTime, const std::string &ATimeSep);
// Bytes in MB of 1,048,576 bytes: "#,##0.00 Mb" with the given separators.
std::string FormatListSize(std::int64_t ASize, const TFormatSettings &ASettings);
// The full year of a two-digit year: the one within 50 years of ACurrentYear
// (from ACurrentYear - 50 to ACurrentYear + 49).
int ExpandTwoDigitYear(int AYear, int ACurrentYear);
// Reads a text written by FormatListDate back (seconds and the time part may be
// missing); nullopt when it is not such a date.
std::optional<double> ReadListDate(const std::string &AText, const std::string &ATimeSep, int ACurrentYear);

} // namespace quillo
