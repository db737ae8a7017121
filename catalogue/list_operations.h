#pragma once

#include <functional>
#include <span>
#include <string_view>

#include "catalogue/song_list.h"

namespace tv {

// The first data row (counting from 1) whose cell in the given column equals value:
// byte for byte in "Dateiname" (a path names one file; /m/ABBA.mp3 and
// /m/abba.mp3 are two), in any other column when the letters a-z of both texts are
// taken as A-Z (no other character is folded); 0 when no row matches; -1 when the
// column is not a column of the list.
int FindSongRow(const SongList& list, std::string_view value, int column);

// Called after each copied row with the number of rows copied so far.
using CopyProgress = std::function<void(int copied)>;

// Copies the source rows firstRow ... lastRow, in ascending order, into target,
// each only when its "Dateiname" is not empty and not yet in target. A copied row
// takes as many leading cells as target has columns. An empty target's one empty
// row takes the first copy; every other copy goes into a new row at the end.
// Returns the number of rows copied.
int AppendUniqueRows(const SongList& source, SongList& target, int firstRow, int lastRow,
                     const CopyProgress& progress = {});

// The row the next new entry of a list goes into: the empty list's one data row,
// or a new row at the end.
int RowForNewEntry(SongList& list);

// Removes a data row; the rows below move up. The only data row of a list is
// emptied instead.
void DeleteListRow(SongList& list, int row);

// Removes the data rows top ... bottom at once, as DeleteListRow would one by one.
void DeleteListRows(SongList& list, int top, int bottom);

// Removes the catalogue rows top ... bottom and, for each of them, the first row
// with the same "Dateiname" in each of the other lists.
void DeleteCatalogueRows(SongList& catalogue, int top, int bottom,
                         std::span<SongList* const> otherLists);

// Empties every cell of the data rows top ... bottom.
void ClearRows(SongList& list, int top, int bottom);

// The selected range becomes data row 1 to the last data row.
void SelectAllRows(SongList& list);

// Sorts the data rows by the text of one column, compared byte by byte (unsigned;
// a prefix sorts first; no case folding). Rows move whole, colour included; rows
// with equal texts keep their order.
void SortListByColumn(SongList& list, int column, bool ascending);

}  // namespace tv
