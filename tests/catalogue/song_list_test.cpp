// The list's rows in shared text blocks, checked against a plain table of strings
// through random changes (long cells make the list reclaim its garbage many times
// over), cells set in bulk in any order, and sorting by keys that share their
// first bytes.

#include "catalogue/song_list.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"

namespace tv {
namespace {

using Table = std::vector<std::vector<std::string>>;  // data rows, kCopyColumnCount cells

void ExpectSame(const SongList& list, const Table& table, int step) {
    ASSERT_EQ(list.DataRowCount(), static_cast<int>(table.size())) << "step " << step;
    for (int r = 1; r <= list.DataRowCount(); ++r) {
        for (int c = 0; c < list.ColumnCount(); ++c)
            ASSERT_EQ(list.Cell(r, c), table[static_cast<std::size_t>(r - 1)][static_cast<std::size_t>(c)])
                << "step " << step << " row " << r << " column " << c;
    }
}

TEST(SongListRows, AgreeWithAPlainTableThroughEditsThatReclaimSpace) {
    std::mt19937 random(77);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const auto text = [&] {
        switch (pick(4)) {
            case 0: return std::string();
            case 1: return std::string(1 + pick(20), static_cast<char>('a' + pick(26)));
            case 2: return std::string(40000 + pick(30000), static_cast<char>('A' + pick(26)));
            default: return "/m/" + std::to_string(pick(30)) + ".mp3";
        }
    };
    SongList list(kCopyColumnCount);
    Table table(1, std::vector<std::string>(kCopyColumnCount));
    for (int step = 0; step < 4000; ++step) {
        const int row = 1 + pick(list.DataRowCount());
        const int column = pick(kCopyColumnCount);
        switch (pick(7)) {
            case 0:
            case 1: {
                const std::string value = text();
                list.SetCell(row, column, value);
                table[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column)] = value;
                break;
            }
            case 2: {
                // A cell set from a cell of the same list (a view into its own text).
                const int from = 1 + pick(list.DataRowCount());
                list.SetCell(row, column, list.Cell(from, column));
                table[static_cast<std::size_t>(row - 1)][static_cast<std::size_t>(column)] =
                    table[static_cast<std::size_t>(from - 1)][static_cast<std::size_t>(column)];
                break;
            }
            case 3: {
                const int from = 1 + pick(list.DataRowCount());
                list.AssignRow(row, list.Row(from));
                table[static_cast<std::size_t>(row - 1)] = table[static_cast<std::size_t>(from - 1)];
                break;
            }
            case 4:
                list.AppendRow();
                table.emplace_back(kCopyColumnCount);
                break;
            case 5:
                if (list.DataRowCount() > 1) {
                    const int rows[] = {row};
                    list.RemoveRows(rows);
                    table.erase(table.begin() + (row - 1));
                }
                break;
            default:
                list.SortDataRowsByCell(column, pick(2) == 0);
                std::stable_sort(table.begin(), table.end(), [&](const auto& a, const auto& b) {
                    return a[static_cast<std::size_t>(column)] < b[static_cast<std::size_t>(column)];
                });
                if (list.DataRowCount() > 1 && list.Cell(1, column) != table.front()[static_cast<std::size_t>(column)])
                    std::stable_sort(table.begin(), table.end(), [&](const auto& a, const auto& b) {
                        return b[static_cast<std::size_t>(column)] < a[static_cast<std::size_t>(column)];
                    });
                break;
        }
        ExpectSame(list, table, step);
        const std::string wanted = "/m/" + std::to_string(pick(30)) + ".mp3";
        int first = 0;
        for (std::size_t r = 0; r < table.size() && first == 0; ++r)
            if (table[r][colFileName] == wanted) first = static_cast<int>(r) + 1;
        ASSERT_EQ(list.FindFileName(wanted), first) << "step " << step;
    }
}

TEST(SongListRows, CellsSetInBulkInAnyOrderReadBack) {
    SongList list(3);
    list.BeginBulkChange();
    list.SetCellInBulk(2, 3, "d");  // a new column, cells before it empty
    list.SetCellInBulk(2, 1, "b");  // set before the last one
    list.SetCellInBulk(1, 0, "x");
    list.SetCellInBulk(2, 0, "a");  // the row again after another one
    list.SetCellInBulk(2, 3, "D");
    list.EndBulkChange();
    EXPECT_EQ(list.ColumnCount(), 4);
    EXPECT_EQ(list.Cell(1, 0), "x");
    EXPECT_EQ(list.Cell(2, 0), "a");
    EXPECT_EQ(list.Cell(2, 1), "b");
    EXPECT_EQ(list.Cell(2, 2), "");
    EXPECT_EQ(list.Cell(2, 3), "D");
    EXPECT_EQ(list.Row(2).CellCount(), 4u);
    EXPECT_EQ(list.Row(1).CellCount(), 1u);  // trailing empty cells are not kept
}

TEST(SongListRows, SortingComparesWholeKeysBehindEqualFirstBytes) {
    SongList list(kCopyColumnCount);
    const std::vector<std::string> titles = {"abcdefgh2", "abcdefgh1", "abcdefgh", "abcdefg",
                                             std::string("abcdefgh\0", 9), "\xC3\x84", "Z", "",
                                             "abcdefgh1"};
    for (const std::string& title : titles) {
        const int row = RowForNewEntry(list);
        list.SetCell(row, colFileName, "/" + std::to_string(row) + ".mp3");
        list.SetCell(row, colTitle, title);
        list.SetCell(row, colComment, std::to_string(row));
    }
    std::vector<std::string> expected = titles;
    std::stable_sort(expected.begin(), expected.end());
    list.SortDataRowsByCell(colTitle, true);
    for (int r = 1; r <= list.DataRowCount(); ++r)
        EXPECT_EQ(list.Cell(r, colTitle), expected[static_cast<std::size_t>(r - 1)]) << r;
    // The two equal keys keep their order.
    EXPECT_EQ(list.Cell(6, colComment), "2");
    EXPECT_EQ(list.Cell(7, colComment), "9");
}

}  // namespace
}  // namespace tv
