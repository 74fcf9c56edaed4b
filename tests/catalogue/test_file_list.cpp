// SPDX-License-Identifier: GPL-3.0-or-later
// The file list: name order, header-click sorting and what views see.
#include "catalogue/FileListModel.h"
#include "catalogue/QloClasses.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QDate>
#include <QPersistentModelIndex>
#include <QSignalSpy>
#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

using namespace quillo;

namespace {

using Strings = std::vector<std::string>;

class FileListTest : public ::testing::Test {
protected:
    FileListTest() { list.FormatSettings = TFormatSettings{".", ",", ":"}; }

    void Add(const std::string &name, const std::string &date = "01-01-24 00:00:00",
             const std::string &size = "1,00 Mb")
    {
        TListItem item(name, nullptr);
        item.AddSubItem(date);
        item.AddSubItem(size);
        list.AddItem(std::move(item));
    }
    Strings Column(int c) const
    {
        Strings out;
        for (int i = 0; i < list.Count(); ++i) {
            const TListItem &item = list.Item(i);
            const std::string *text = c == 0 ? &item.Caption : item.SubItem(c - 1);
            out.push_back(text ? *text : "<none>");
        }
        return out;
    }
    // Three files whose dates run opposite to their names.
    void FillDated()
    {
        list.BeginUpdate();
        Add("a.jpg", "03-01-24 00:00:00");
        Add("b.jpg", "02-01-24 00:00:00");
        Add("c.jpg", "01-01-24 00:00:00");
        list.EndUpdate();
    }

    TFileListModel list;
    const Strings byDateAsc{"c.jpg", "b.jpg", "a.jpg"};
    const Strings byDateDesc{"a.jpg", "b.jpg", "c.jpg"};
};

TEST_F(FileListTest, KeepsNameOrderWithLowerCaseFirst)
{
    Add("Zebra.jpg");
    Add("banana.jpg");
    Add("Apple.jpg");
    Add("apple.jpg");
    EXPECT_EQ(Column(0), (Strings{"apple.jpg", "Apple.jpg", "banana.jpg", "Zebra.jpg"}));
    // A header click on File is ordinal instead: upper case first.
    list.ColumnClick(0);
    EXPECT_EQ(Column(0), (Strings{"Apple.jpg", "Zebra.jpg", "apple.jpg", "banana.jpg"}));
}

TEST_F(FileListTest, LowerCaseFirstEvenWhereTheLocalePutsUpperCaseFirst)
{
    list.SetCollationLocale(QLocale(QLocale::Danish, QLocale::Denmark));
    list.BeginUpdate();
    for (const char *name : {"Apple.jpg", "banana.jpg", "APPLE.jpg", "apple.jpg", "aPple.jpg", "\xc3\xa6" "ble.jpg"})
        Add(name);
    list.EndUpdate();
    // Danish sorts "æ" after "z", and by case within equal letters only.
    EXPECT_EQ(Column(0), (Strings{"apple.jpg", "aPple.jpg", "Apple.jpg", "APPLE.jpg", "banana.jpg", "\xc3\xa6" "ble.jpg"}));
}

TEST_F(FileListTest, FillsInOneResetAndSortsOnce)
{
    QSignalSpy resets(&list, &QAbstractItemModel::modelReset);
    QSignalSpy layouts(&list, &QAbstractItemModel::layoutChanged);
    list.BeginUpdate();
    list.reserve(3);
    Add("c.jpg");
    Add("a.jpg");
    Add("b.jpg");
    EXPECT_EQ(resets.count(), 0);
    list.EndUpdate();
    EXPECT_EQ(resets.count(), 1);
    EXPECT_EQ(layouts.count(), 0);
    EXPECT_EQ(Column(0), (Strings{"a.jpg", "b.jpg", "c.jpg"}));
}

TEST_F(FileListTest, DateClickedThriceTogglesAscDescAsc)
{
    FillDated();
    list.ColumnClick(1);
    EXPECT_EQ(Column(0), byDateAsc);
    EXPECT_EQ(list.LastSortedColumn(), 1);
    list.ColumnClick(1);
    EXPECT_EQ(Column(0), byDateDesc);
    EXPECT_EQ(list.LastSortedColumn(), -1);
    list.ColumnClick(1);
    EXPECT_EQ(Column(0), byDateAsc);
}

TEST_F(FileListTest, AnotherColumnBetweenClicksStartsAscendingAgain)
{
    FillDated();
    list.ColumnClick(1);
    EXPECT_EQ(Column(0), byDateAsc);
    list.ColumnClick(0);
    EXPECT_EQ(Column(0), byDateDesc); // names ascending
    list.ColumnClick(1);
    EXPECT_EQ(Column(0), byDateAsc);
}

TEST_F(FileListTest, LastSortedColumnSurvivesAFolderChange)
{
    FillDated();
    list.ColumnClick(1);
    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    FillDated();
    EXPECT_EQ(Column(0), byDateDesc); // name order after the refill
    list.ColumnClick(1);
    EXPECT_EQ(Column(0), byDateDesc); // descending: the same column as before the change
}

TEST_F(FileListTest, RenameRestoresNameOrder)
{
    FillDated();
    list.ColumnClick(1);
    ASSERT_EQ(Column(0), byDateAsc);
    EXPECT_EQ(list.SetCaption(0, "c.jpg"), 0); // same text: nothing moves
    EXPECT_EQ(Column(0), byDateAsc);
    const int row = list.SetCaption(0, "d.jpg"); // c.jpg renamed
    EXPECT_EQ(Column(0), (Strings{"a.jpg", "b.jpg", "d.jpg"}));
    EXPECT_EQ(row, 2);
}

TEST_F(FileListTest, SizeSortsByTextAndBlankOrMissingTextsFirst)
{
    list.BeginUpdate();
    Add("a.jpg", "01-01-24 00:00:00", "9,00 Mb");
    Add("b.jpg", "01-01-24 00:00:00", "10,00 Mb");
    Add("c.jpg", "01-01-24 00:00:00", "1.234,00 Mb");
    Add("d.jpg", "01-01-24 00:00:00", "2,00 Mb");
    Add("e.jpg", "01-01-24 00:00:00", "  ");
    list.AddItem(TListItem("f.jpg", nullptr)); // no sub-items at all
    list.EndUpdate();
    list.ColumnClick(2);
    EXPECT_EQ(Column(2), (Strings{"<none>", "  ", "1.234,00 Mb", "10,00 Mb", "2,00 Mb", "9,00 Mb"}));
    list.ColumnClick(2);
    EXPECT_EQ(Column(2), (Strings{"9,00 Mb", "2,00 Mb", "10,00 Mb", "1.234,00 Mb", "  ", "<none>"}));
}

TEST_F(FileListTest, DatesOrderAcrossTheCenturyWindow)
{
    const int year = QDate::currentDate().year();
    const auto yy = [](int y) { return QString::asprintf("%02d", y % 100).toStdString(); };
    list.BeginUpdate();
    Add("future.jpg", "01-01-" + yy(year + 49) + " 00:00:00");
    Add("past.jpg", "01-01-" + yy(year - 49) + " 00:00:00");
    Add("now.jpg", "01-01-" + yy(year) + " 12:00:00");
    Add("now-early.jpg", "01-01-" + yy(year) + " 11:59:59");
    list.EndUpdate();
    list.ColumnClick(1);
    EXPECT_EQ(Column(0), (Strings{"past.jpg", "now-early.jpg", "now.jpg", "future.jpg"}));
}

TEST_F(FileListTest, HeaderClickComparesBytesBlanksAndNonDates)
{
    // Names: bytes as unsigned values (so UTF-8 after ASCII), a prefix first.
    list.BeginUpdate();
    Add("z.jpg", "yesterday", "xy");
    Add("\xc3\xa9.jpg", "\t ", "x");
    Add("a.jpg", "01-01-24 00:00:01", "x ");
    Add("ab.jpg", "01-01-24 00:00:00", "");
    Add("b.jpg", "01-01-24 00:00:00", "X");
    list.EndUpdate();
    list.ColumnClick(0);
    EXPECT_EQ(Column(0), (Strings{"a.jpg", "ab.jpg", "b.jpg", "z.jpg", "\xc3\xa9.jpg"}));
    // Dates: blank (tab and space) first, then a text that is no date, then by
    // time to the second; equal dates keep the order they had.
    list.ColumnClick(1);
    EXPECT_EQ(Column(0), (Strings{"\xc3\xa9.jpg", "z.jpg", "ab.jpg", "b.jpg", "a.jpg"}));
    // Sizes by text: blank, upper case before lower case, a prefix first.
    list.ColumnClick(2);
    EXPECT_EQ(Column(2), (Strings{"", "X", "x", "x ", "xy"}));
}

TEST_F(FileListTest, AutoSortHookChoosesTheComparison)
{
    // By text "09-01-24" comes first; by date 2023 does.
    list.BeginUpdate();
    Add("a.jpg", "10-01-23 00:00:00");
    Add("b.jpg", "09-01-24 00:00:00");
    list.EndUpdate();
    std::vector<int> asked;
    list.OnAutoSort = [&](int column) {
        asked.push_back(column);
        return TJvSortMethod::smAlphabetic;
    };
    list.ColumnClick(1);
    EXPECT_EQ(Column(0), (Strings{"b.jpg", "a.jpg"}));
    ASSERT_FALSE(asked.empty());
    EXPECT_EQ(asked.front(), 1);
    list.OnAutoSort = nullptr;
    list.ColumnClick(0);
    list.ColumnClick(1);
    EXPECT_EQ(Column(0), (Strings{"a.jpg", "b.jpg"}));
}

TEST_F(FileListTest, ViewsSeeColumnsAlignmentAndEntries)
{
    const TCallbackSearchData hit("/x/b.jpg", 1, 1.0);
    TCallbackLoadData entry(hit.FileName, hit, false);
    TListItem item("b.jpg", &entry);
    item.AddSubItem("01-01-24 00:00:00");
    item.AddSubItem("0,00 Mb");
    EXPECT_THROW(item.AddSubItem("three"), std::exception);
    list.AddItem(std::move(item));
    Add("a.jpg");

    EXPECT_EQ(list.rowCount(), 2);
    EXPECT_EQ(list.columnCount(), 3);
    EXPECT_EQ(list.headerData(0, Qt::Horizontal).toString(), "File:");
    EXPECT_EQ(list.headerData(1, Qt::Horizontal).toString(), "Date:");
    EXPECT_EQ(list.headerData(2, Qt::Horizontal).toString(), "Size:");
    EXPECT_TRUE(list.headerData(2, Qt::Horizontal, Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
    EXPECT_TRUE(list.data(list.index(0, 2), Qt::TextAlignmentRole).toInt() & Qt::AlignRight);
    EXPECT_TRUE(list.data(list.index(0, 0), Qt::TextAlignmentRole).toInt() & Qt::AlignLeft);

    EXPECT_EQ(list.data(list.index(1, 0)).toString(), "b.jpg");
    EXPECT_EQ(list.data(list.index(1, 2)).toString(), "0,00 Mb");
    EXPECT_EQ(TFileListModel::EntryOf(list.index(1, 0)), &entry);
    EXPECT_EQ(TFileListModel::EntryOf(list.index(0, 0)), nullptr);
    EXPECT_EQ(list.IndexOfData(&entry), 1);
    EXPECT_FALSE(list.data(list.index(5, 0)).isValid());
}

TEST_F(FileListTest, SelectionFollowsItsRowThroughASort)
{
    FillDated();
    const QPersistentModelIndex selected(list.index(0, 0)); // a.jpg
    QSignalSpy layouts(&list, &QAbstractItemModel::layoutChanged);
    list.ColumnClick(1);
    EXPECT_EQ(layouts.count(), 1);
    EXPECT_EQ(selected.row(), 2);
    EXPECT_EQ(selected.data().toString(), "a.jpg");
}

TEST_F(FileListTest, NamesThatAreNotUtf8StillSortAndShow)
{
    Add("b\xff.jpg");
    Add("a.jpg");
    Add("b\xfe.jpg");
    EXPECT_EQ(list.Count(), 3);
    EXPECT_EQ(Column(0)[0], "a.jpg");
    EXPECT_FALSE(list.data(list.index(2, 0)).toString().isEmpty());
}

// Plain-ASCII names in English are ordered without sort keys; the order must be
// the collator's own, over every printable character and over names that share
// long prefixes, differ only in length or mix punctuation, digits and letters.
// Lists with control bytes too (which the collator ignores) must come out in the
// collator's order as well.
TEST_F(FileListTest, AsciiNamesOrderExactlyAsTheCollatorDoes)
{
    std::mt19937 rng(20240607);
    for (const bool controls : {false, true})
    for (const QLocale &locale : {QLocale::c(), QLocale(QLocale::English, QLocale::UnitedStates),
                                  QLocale(QLocale::English, QLocale::UnitedKingdom)}) {
        const std::string common = controls ? "aAbBzZ09_-. ~\x01\t\x1f\x7f" : "aAbBzZ09_-. ~";
        const int first = controls ? 0x01 : 0x20, last = 0x7E + controls;
        QCollator reference(locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale);
        reference.setCaseSensitivity(Qt::CaseInsensitive);
        std::vector<std::pair<std::string, QCollatorSortKey>> drawn;
        for (int n = 0; n < 3000; ++n) {
            std::string name;
            const int length = static_cast<int>(rng() % 9);
            const bool anyChar = rng() % 2 == 0;
            for (int i = 0; i < length; ++i)
                name += anyChar ? static_cast<char>(first + rng() % (last - first + 1)) : common[rng() % common.size()];
            drawn.emplace_back(name, reference.sortKey(QString::fromUtf8(name)));
        }
        std::sort(drawn.begin(), drawn.end(), [](const auto &a, const auto &b) { return a.second.compare(b.second) < 0; });
        // Names the collator holds equal (but for case, or for ignored bytes) go by
        // the tie rule instead: one of each is kept.
        Strings expected;
        for (std::size_t i = 0; i < drawn.size(); ++i)
            if (i == 0 || drawn[i - 1].second.compare(drawn[i].second) != 0)
                expected.push_back(drawn[i].first);
        Strings names = expected;
        std::shuffle(names.begin(), names.end(), rng);

        list.SetCollationLocale(locale);
        list.Clear();
        list.BeginUpdate();
        for (const std::string &name : names)
            Add(name);
        list.EndUpdate();
        EXPECT_EQ(Column(0), expected) << locale.name().toStdString() << (controls ? " with control bytes" : "");
    }
}

// One name outside plain ASCII sends the whole list through the collator: the
// ASCII names keep the same order around it.
TEST_F(FileListTest, ANonAsciiNameKeepsTheAsciiOrder)
{
    list.SetCollationLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    list.BeginUpdate();
    for (const char *name : {"b-2.jpg", "B_1.jpg", "a~.jpg", "a.jpg", "A.JPG", "10.jpg", "9.jpg", " z.jpg"})
        Add(name);
    list.EndUpdate();
    const Strings ascii = Column(0);
    Add("\xc3\xa9t\xc3\xa9.jpg"); // "été"
    Strings withAccent = Column(0);
    withAccent.erase(std::find(withAccent.begin(), withAccent.end(), "\xc3\xa9t\xc3\xa9.jpg"));
    EXPECT_EQ(withAccent, ascii);
    EXPECT_EQ(ascii.front(), " z.jpg");
    EXPECT_EQ(Column(0).back(), "\xc3\xa9t\xc3\xa9.jpg");
}

} // namespace
