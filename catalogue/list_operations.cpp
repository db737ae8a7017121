#include "catalogue/list_operations.h"

#include <algorithm>
#include <string>
#include <unordered_map>
#include <vector>

#include "catalogue/song_columns.h"

namespace tv {

int FindSongRow(const SongList& list, std::string_view value, int column) {
    if (column < 0 || column >= list.ColumnCount()) return -1;
    if (column == colFileName) return list.FindFileName(value);
    for (int row = 1; row < list.RowCount(); ++row) {
        if (EqualFoldingAsciiLetters(list.Cell(row, column), value)) return row;
    }
    return 0;
}

int RowForNewEntry(SongList& list) {
    if (list.IsEmpty()) return 1;
    return list.AppendRow();
}

int AppendUniqueRows(const SongList& source, SongList& target, int firstRow, int lastRow,
                     const CopyProgress& progress) {
    firstRow = std::max(firstRow, 1);
    lastRow = std::min(lastRow, source.DataRowCount());
    int copied = 0;
    for (int row = firstRow; row <= lastRow; ++row) {
        const std::string_view name = source.Cell(row, colFileName);
        if (name.empty() || FindSongRow(target, name, colFileName) > 0) continue;
        target.AssignRow(RowForNewEntry(target), source.Row(row));
        ++copied;
        if (progress) progress(copied);
    }
    return copied;
}

void DeleteListRow(SongList& list, int row) {
    if (row < 1 || row > list.DataRowCount()) return;
    if (list.DataRowCount() == 1) {
        list.ClearRow(row);
        return;
    }
    const int rows[] = {row};
    list.RemoveRows(rows);
}

void DeleteListRows(SongList& list, int top, int bottom) {
    top = std::max(top, 1);
    bottom = std::min(bottom, list.DataRowCount());
    if (top > bottom) return;
    if (top == bottom && list.DataRowCount() == 1) {
        list.ClearRow(top);
        return;
    }
    std::vector<int> rows;
    rows.reserve(static_cast<std::size_t>(bottom - top + 1));
    for (int row = top; row <= bottom; ++row) rows.push_back(row);
    list.RemoveRows(rows);
}

namespace {

// Removes from a list, for each given name, the first row carrying it that has not
// been removed for an earlier name.
void DeleteFirstRowsNamed(SongList& list, const std::vector<std::string>& names) {
    if (list.ColumnCount() <= colFileName) return;
    std::unordered_map<std::string_view, int> wanted;  // name -> rows still to remove
    for (const std::string& name : names) ++wanted[name];
    std::vector<int> rows;
    for (int row = 1; row <= list.DataRowCount() && !wanted.empty(); ++row) {
        const auto it = wanted.find(list.Cell(row, colFileName));
        if (it == wanted.end()) continue;
        rows.push_back(row);
        if (--it->second == 0) wanted.erase(it);
    }
    list.RemoveRows(rows);
}

}  // namespace

void DeleteCatalogueRows(SongList& catalogue, int top, int bottom,
                         std::span<SongList* const> otherLists) {
    top = std::max(top, 1);
    bottom = std::min(bottom, catalogue.DataRowCount());
    if (top > bottom) return;
    // A row without a file name names no song, so it has no copies elsewhere.
    std::vector<std::string> names;
    for (int row = bottom; row >= top; --row) {
        const std::string_view name = catalogue.Cell(row, colFileName);
        if (!name.empty()) names.emplace_back(name);
    }
    for (SongList* other : otherLists) {
        if (other != nullptr && !names.empty()) DeleteFirstRowsNamed(*other, names);
    }
    DeleteListRows(catalogue, top, bottom);
}

void ClearRows(SongList& list, int top, int bottom) {
    top = std::max(top, 1);
    bottom = std::min(bottom, list.DataRowCount());
    for (int row = top; row <= bottom; ++row) list.ClearRow(row);
}

void SelectAllRows(SongList& list) {
    list.SetSelection(1, list.DataRowCount());
}

void SortListByColumn(SongList& list, int column, bool ascending) {
    if (column < 0 || column >= list.ColumnCount()) return;
    list.SortDataRowsByCell(column, ascending);
}

}  // namespace tv
