#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace tv {

// Windows colour value (low byte red, then green, then blue) painted behind a row,
// for example the playing row of the playlist; empty for the normal colours.
using RowColour = std::optional<std::int32_t>;

// One row of a list: its text cells and its colour. A row keeps only the leading
// cells that were ever set (at most as many as the list has columns); a cell it
// does not have reads as empty, so a list's memory follows its content.
struct SongRow {
    std::vector<std::string> Cells;
    RowColour Colour;

    // The text of cell column; empty when the row does not have it.
    const std::string& Cell(std::size_t column) const noexcept;
};

// Told about every change of a SongList, in the order a Qt item model needs:
// "Begin" before the change, "End" after it. Row numbers count the header as 0.
class SongListObserver {
  public:
    virtual ~SongListObserver() = default;
    virtual void BeginReset() {}
    virtual void EndReset() {}
    virtual void BeginAppendRows(int /*first*/, int /*last*/) {}
    virtual void EndAppendRows() {}
    virtual void BeginRemoveRows(int /*first*/, int /*last*/) {}
    virtual void EndRemoveRows() {}
    virtual void BeginAppendColumns(int /*first*/, int /*last*/) {}
    virtual void EndAppendColumns() {}
    virtual void BeginReorder() {}
    virtual void EndReorder() {}
    virtual void RowsChanged(int /*first*/, int /*last*/) {}
    virtual void CursorChanged() {}
};

// An ordered table of text rows: row 0 holds the column captions, rows 1 ... n are
// data rows with n >= 1 at all times (an empty list has one data row of empty
// cells). The column count only grows. The list also keeps a current row and a
// selected range of whole rows, and an index of the "Dateiname" column that makes
// FindFileName constant-time on average.
class SongList {
  public:
    // A list with the captions of the first columnCount song columns and one empty
    // data row.
    explicit SongList(int columnCount);
    SongList(const SongList&) = delete;
    SongList& operator=(const SongList&) = delete;

    int ColumnCount() const noexcept { return columnCount_; }
    int RowCount() const noexcept { return static_cast<int>(rows_.size()); }
    int DataRowCount() const noexcept { return RowCount() - 1; }

    // True when the list holds one data row and its "Dateiname" cell is empty.
    bool IsEmpty() const;

    // The text of a cell; empty for a row or column outside the list.
    const std::string& Cell(int row, int column) const;
    // Sets a cell of an existing row and column; others are ignored.
    void SetCell(int row, int column, std::string text);

    const SongRow& Row(int row) const { return rows_.at(static_cast<std::size_t>(row)); }
    void SetRowColour(int row, RowColour colour);

    // Appends an empty data row and returns its number.
    int AppendRow();
    // Appends empty columns until the list has at least count columns.
    void EnsureColumnCount(int count);
    // Empties every cell of a row (its colour stays).
    void ClearRow(int row);
    // Replaces the cells of a data row by the leading cells of source (as many as
    // this list has columns); cells source does not have become empty.
    void AssignRow(int row, const SongRow& source);
    // Removes the given data rows (ascending, no repeats). When every data row is
    // removed, the first of them stays as the one empty data row. The current row
    // stays on its song, or, when that song went, moves to the row that follows the
    // removed ones; a selected range that lost rows shrinks to the current row.
    void RemoveRows(std::span<const int> rows);
    // Orders the data rows by a strict weak order; rows that compare equal keep
    // their order.
    void SortDataRows(const std::function<bool(const SongRow&, const SongRow&)>& less);

    // Bulk access for reading a list file: makes sure the row exists (rows are
    // added at the end) and sets leading cells, growing the columns. Must be used
    // between BeginBulkChange and EndBulkChange.
    void BeginBulkChange();
    void EnsureRowInBulk(int row);
    void SetCellInBulk(int row, int column, std::string_view text);
    void EndBulkChange();

    // Current row and selected range (data rows, top <= bottom).
    int CurrentRow() const noexcept { return currentRow_; }
    int SelectionTop() const noexcept { return selectionTop_; }
    int SelectionBottom() const noexcept { return selectionBottom_; }
    void SetCurrentRow(int row);
    void SetSelection(int top, int bottom);

    // The first data row whose "Dateiname" equals name when the letters a-z of both
    // are taken as A-Z; 0 when none does, -1 when the list has no such column.
    int FindFileName(std::string_view name) const;

    void SetObserver(SongListObserver* observer) noexcept { observer_ = observer; }

    // Grows with every change of rows or cells, so that derived values (such as the
    // size of the files in a status bar) can tell when to be computed again.
    std::uint64_t Revision() const noexcept { return revision_; }

  private:
    struct RowHash {
        using is_transparent = void;
        const SongList* list;
        std::size_t operator()(int row) const;
        std::size_t operator()(std::string_view text) const;
    };
    struct RowEqual {
        using is_transparent = void;
        const SongList* list;
        bool operator()(int a, int b) const;
        bool operator()(int row, std::string_view text) const;
        bool operator()(std::string_view text, int row) const;
    };
    using FileNameIndex = std::unordered_set<int, RowHash, RowEqual>;

    std::string_view FileNameOf(int row) const;
    void ClampCursor();
    void MoveCursorAfterRemoval(const std::vector<int>& removed);
    void InvalidateIndex() noexcept { indexValid_ = false; }
    void RebuildIndex() const;
    void IndexBeforeFileNameChange(int row);
    void IndexAfterFileNameChange(int row);
    void IndexAppendedRow(int row);

    std::vector<SongRow> rows_;
    int columnCount_;
    std::uint64_t revision_ = 0;
    int currentRow_ = 1;
    int selectionTop_ = 1;
    int selectionBottom_ = 1;
    bool inBulkChange_ = false;
    SongListObserver* observer_ = nullptr;

    mutable FileNameIndex index_;
    mutable bool indexValid_ = false;
};

// Upper-cases the letters a-z only, as the file-name comparison does.
char FoldAsciiLetter(char c) noexcept;
bool EqualFoldingAsciiLetters(std::string_view a, std::string_view b) noexcept;

}  // namespace tv
