#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/row_text_store.h"

namespace tv {

// Windows colour value (low byte red, then green, then blue) painted behind a row,
// for example the playing row of the playlist; empty for the normal colours.
using RowColour = std::optional<std::int32_t>;

// One row of a list as it is read: its text cells and its colour. A row keeps
// only its leading cells up to the last one that is not empty; a cell it does not
// have reads as empty. The cells are views into the list's text and stay valid
// until the list changes.
class SongRow {
  public:
    SongRow() = default;

    std::string_view Cell(std::size_t column) const noexcept {
        return RowTextStore::Cell(text_, column);
    }
    std::size_t CellCount() const noexcept { return RowTextStore::CellCount(text_); }

    RowColour Colour;

  private:
    friend class SongList;
    SongRow(const char* text, RowColour colour) : Colour(colour), text_(text) {}

    const char* text_ = nullptr;
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
// FindFileName constant-time on average. The rows' text lives in large blocks
// (RowTextStore); a changed row takes new space there, and the space rows left
// behind is reclaimed once it outgrows what is in use.
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
    std::string_view Cell(int row, int column) const;
    // Sets a cell of an existing row and column; others are ignored.
    void SetCell(int row, int column, std::string_view text);

    // A row; throws std::out_of_range for a row outside the list.
    SongRow Row(int row) const;
    void SetRowColour(int row, RowColour colour);

    // Appends an empty data row and returns its number.
    int AppendRow();
    // Appends empty columns until the list has at least count columns.
    void EnsureColumnCount(int count);
    // Empties every cell of a row (its colour stays).
    void ClearRow(int row);
    // Replaces the cells of a data row by the leading cells of source (as many as
    // this list has columns); cells source does not have become empty. Source may
    // be a row of this list or of another one.
    void AssignRow(int row, const SongRow& source);
    // Removes the given data rows (ascending, no repeats). When every data row is
    // removed, the first of them stays as the one empty data row. The current row
    // stays on its song, or, when that song went, moves to the row that follows the
    // removed ones; a selected range that lost rows shrinks to the current row.
    void RemoveRows(std::span<const int> rows);
    // Orders the data rows by the bytes of one cell, stably: each row's key is
    // taken once and the rows' places are sorted, not their text.
    void SortDataRowsByCell(int column, bool ascending);

    // Bulk access for reading a list file: makes sure the row exists (rows are
    // added at the end) and sets leading cells, growing the columns. Must be used
    // between BeginBulkChange and EndBulkChange; cells set so are read after
    // EndBulkChange. Setting a row's cells from left to right costs no copying.
    void BeginBulkChange();
    void EnsureRowInBulk(int row);
    void SetCellInBulk(int row, int column, std::string_view text);
    // Sets a row's leading cells at once, as SetCellInBulk for each from left to
    // right would; a row met for the first time is stored without copying twice.
    // The cells may be shortened.
    void SetRowCellsInBulk(int row, std::vector<std::string_view>& cells);
    void EndBulkChange();
    // Within a bulk change: the list becomes a fresh one of columnCount columns
    // again (captions, one empty data row), as after a read that failed part-way.
    void ResetInBulk(int columnCount);

    // Current row and selected range (data rows, top <= bottom).
    int CurrentRow() const noexcept { return currentRow_; }
    int SelectionTop() const noexcept { return selectionTop_; }
    int SelectionBottom() const noexcept { return selectionBottom_; }
    void SetCurrentRow(int row);
    void SetSelection(int top, int bottom);

    // The first data row whose "Dateiname" is name, byte for byte (a path names
    // one file); 0 when none is, -1 when the list has no such column.
    int FindFileName(std::string_view name) const;

    void SetObserver(SongListObserver* observer) noexcept { observer_ = observer; }

    // Grows with every change of rows or cells, so that derived values (such as the
    // size of the files in a status bar) can tell when to be computed again.
    std::uint64_t Revision() const noexcept { return revision_; }

  private:
    // A row: where its text is stored, and its colour.
    struct RowRecord {
        const char* Text = nullptr;
        std::int32_t Colour = 0;
        bool HasColour = false;
    };

    SongRow ViewOf(const RowRecord& record) const {
        return SongRow(record.Text,
                       record.HasColour ? RowColour(record.Colour) : RowColour(std::nullopt));
    }
    std::string_view FileNameOf(int row) const;
    // Gives a row new cells (at most as many as the list has columns; trailing
    // empty cells are not stored), keeping the file-name index and telling the
    // observer.
    void ReplaceRowCells(int row, std::vector<std::string_view>& cells);
    void StoreRow(RowRecord& record, std::vector<std::string_view>& cells);
    // Copies the live rows into a new store once garbage outgrows them.
    void CompactIfWasteful();
    void FlushBulkRow();
    void ClampCursor();
    void MoveCursorAfterRemoval(const std::vector<int>& removed);
    void InvalidateIndex() noexcept { indexValid_ = false; }
    void RebuildIndex() const;
    void IndexBeforeFileNameChange(int row);
    void IndexAfterFileNameChange(int row, std::string_view oldName);
    void IndexAppendedRow(int row);

    // The file-name index: an open-addressing table (linear probing) of slots
    // holding a name's 32-bit hash and the first row carrying it; 0 is free.
    std::size_t SlotOf(std::string_view name, std::uint32_t hash) const;
    int IndexFind(std::string_view name) const;
    void IndexInsert(int row) const;  // unless a row with its name is in already
    void IndexErase(int row);         // the slot of this very row, if it has one
    void IndexGrow() const;

    std::vector<RowRecord> rows_;
    RowTextStore text_;
    std::vector<std::string_view> scratch_;  // the cells of a row being rewritten
    int columnCount_;
    std::uint64_t revision_ = 0;
    int currentRow_ = 1;
    int selectionTop_ = 1;
    int selectionBottom_ = 1;
    bool inBulkChange_ = false;
    SongListObserver* observer_ = nullptr;

    // The row whose cells are being set in bulk, and its cells so far.
    int bulkRow_ = -1;
    std::string bulkText_;
    std::vector<std::size_t> bulkEnds_;

    mutable std::vector<std::uint64_t> slots_;
    mutable std::size_t slotsUsed_ = 0;
    mutable bool indexValid_ = false;
};

// Upper-cases the letters a-z only, as the file-name comparison does.
char FoldAsciiLetter(char c) noexcept;
bool EqualFoldingAsciiLetters(std::string_view a, std::string_view b) noexcept;

}  // namespace tv
