#include "catalogue/song_list.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "catalogue/song_columns.h"

namespace tv {
namespace {

const std::string kEmptyCell;

constexpr std::uint64_t kOnes = 0x0101010101010101ull;
constexpr std::uint64_t kHighBits = 0x8080808080808080ull;

// Upper-cases the bytes 'a'..'z' of eight bytes at once; other bytes stay.
std::uint64_t FoldChunk(std::uint64_t x) noexcept {
    const std::uint64_t low7 = x & ~kHighBits;
    const std::uint64_t atLeastA = low7 + (0x80 - 'a') * kOnes;
    const std::uint64_t aboveZ = low7 + (0x80 - 'z' - 1) * kOnes;
    const std::uint64_t lower = atLeastA & ~aboveZ & ~x & kHighBits;
    return x ^ (lower >> 2);
}

std::uint64_t LoadChunk(const char* data, std::size_t size) noexcept {
    std::uint64_t chunk = 0;
    std::memcpy(&chunk, data, size);
    return chunk;
}

std::uint64_t Mix(std::uint64_t h, std::uint64_t chunk) noexcept {
    h ^= chunk;
    h *= 0x9E3779B97F4A7C15ull;
    return h ^ (h >> 29);
}

std::size_t FoldedHash(std::string_view text) noexcept {
    std::uint64_t h = 0xCBF29CE484222325ull ^ text.size();
    std::size_t pos = 0;
    for (; pos + 8 <= text.size(); pos += 8) h = Mix(h, FoldChunk(LoadChunk(text.data() + pos, 8)));
    if (pos < text.size()) h = Mix(h, FoldChunk(LoadChunk(text.data() + pos, text.size() - pos)));
    return static_cast<std::size_t>(h ^ (h >> 32));
}

// Makes room for cell index in a row: rows of usual lists get all their columns
// at once, rows of very wide lists grow as their cells are set.
void GrowCells(std::vector<std::string>& cells, std::size_t index, int columnCount) {
    constexpr std::size_t kAtOnce = 16;
    if (cells.capacity() <= index) {
        const std::size_t wanted =
            std::max({index + 1, 2 * cells.capacity(),
                      std::min<std::size_t>(kAtOnce, static_cast<std::size_t>(columnCount))});
        cells.reserve(std::min<std::size_t>(wanted, static_cast<std::size_t>(columnCount)));
    }
    cells.resize(index + 1);
}

}  // namespace

const std::string& SongRow::Cell(std::size_t column) const noexcept {
    return column < Cells.size() ? Cells[column] : kEmptyCell;
}

char FoldAsciiLetter(char c) noexcept {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 32) : c;
}

bool EqualFoldingAsciiLetters(std::string_view a, std::string_view b) noexcept {
    if (a.size() != b.size()) return false;
    std::size_t pos = 0;
    for (; pos + 8 <= a.size(); pos += 8) {
        if (FoldChunk(LoadChunk(a.data() + pos, 8)) != FoldChunk(LoadChunk(b.data() + pos, 8)))
            return false;
    }
    const std::size_t rest = a.size() - pos;
    return rest == 0 ||
           FoldChunk(LoadChunk(a.data() + pos, rest)) == FoldChunk(LoadChunk(b.data() + pos, rest));
}

std::size_t SongList::RowHash::operator()(int row) const {
    return FoldedHash(list->FileNameOf(row));
}
std::size_t SongList::RowHash::operator()(std::string_view text) const {
    return FoldedHash(text);
}

bool SongList::RowEqual::operator()(int a, int b) const {
    return EqualFoldingAsciiLetters(list->FileNameOf(a), list->FileNameOf(b));
}
bool SongList::RowEqual::operator()(int row, std::string_view text) const {
    return EqualFoldingAsciiLetters(list->FileNameOf(row), text);
}
bool SongList::RowEqual::operator()(std::string_view text, int row) const {
    return EqualFoldingAsciiLetters(text, list->FileNameOf(row));
}

SongList::SongList(int columnCount)
    : columnCount_(std::max(columnCount, 0)), index_(0, RowHash{this}, RowEqual{this}) {
    SongRow header;
    header.Cells.resize(static_cast<std::size_t>(columnCount_));
    for (int c = 0; c < columnCount_; ++c)
        header.Cells[static_cast<std::size_t>(c)] = std::string(SongColumnCaption(c));
    rows_.push_back(std::move(header));
    rows_.push_back(SongRow{});
}

bool SongList::IsEmpty() const {
    return DataRowCount() == 1 && FileNameOf(1).empty();
}

const std::string& SongList::Cell(int row, int column) const {
    if (row < 0 || row >= RowCount() || column < 0 || column >= columnCount_) return kEmptyCell;
    return rows_[static_cast<std::size_t>(row)].Cell(static_cast<std::size_t>(column));
}

std::string_view SongList::FileNameOf(int row) const {
    return Cell(row, colFileName);
}

void SongList::SetCell(int row, int column, std::string text) {
    if (row < 0 || row >= RowCount() || column < 0 || column >= columnCount_) return;
    std::vector<std::string>& cells = rows_[static_cast<std::size_t>(row)].Cells;
    const auto index = static_cast<std::size_t>(column);
    if (index >= cells.size()) {
        if (text.empty()) return;  // reads as empty already
        GrowCells(cells, index, columnCount_);
    }
    std::string& cell = cells[index];
    if (cell == text) return;
    const bool keyChanges = row > 0 && column == colFileName && indexValid_ && !inBulkChange_ &&
                            !EqualFoldingAsciiLetters(cell, text);
    if (keyChanges) IndexBeforeFileNameChange(row);
    ++revision_;
    std::string oldText = std::exchange(cell, std::move(text));
    if (keyChanges) {
        // The row no longer carries its old name: the next row with that name, if
        // any, becomes the first one.
        if (!index_.contains(oldText)) {
            for (int r = row + 1; r < RowCount(); ++r) {
                if (EqualFoldingAsciiLetters(FileNameOf(r), oldText)) {
                    index_.insert(r);
                    break;
                }
            }
        }
        IndexAfterFileNameChange(row);
    }
    if (observer_ && !inBulkChange_) observer_->RowsChanged(row, row);
}

void SongList::IndexBeforeFileNameChange(int row) {
    const auto it = index_.find(row);
    if (it != index_.end() && *it == row) index_.erase(it);
}

void SongList::IndexAfterFileNameChange(int row) {
    const auto it = index_.find(row);
    if (it == index_.end()) {
        index_.insert(row);
    } else if (*it > row) {
        index_.erase(it);
        index_.insert(row);
    }
}

void SongList::IndexAppendedRow(int row) {
    if (indexValid_) index_.insert(row);  // keeps an earlier row with the same name
}

void SongList::SetRowColour(int row, RowColour colour) {
    if (row < 1 || row >= RowCount()) return;
    rows_[static_cast<std::size_t>(row)].Colour = colour;
    ++revision_;
    if (observer_) observer_->RowsChanged(row, row);
}

int SongList::AppendRow() {
    const int row = RowCount();
    if (observer_) observer_->BeginAppendRows(row, row);
    rows_.push_back(SongRow{});
    ++revision_;
    IndexAppendedRow(row);
    if (observer_) observer_->EndAppendRows();
    return row;
}

void SongList::EnsureColumnCount(int count) {
    if (count <= columnCount_) return;
    const int first = columnCount_;
    if (observer_ && !inBulkChange_) observer_->BeginAppendColumns(first, count - 1);
    columnCount_ = count;  // rows get cells when one is set
    ++revision_;
    if (observer_ && !inBulkChange_) observer_->EndAppendColumns();
}

void SongList::ClearRow(int row) {
    if (row < 0 || row >= RowCount()) return;
    const int cells = static_cast<int>(rows_[static_cast<std::size_t>(row)].Cells.size());
    for (int c = std::min(cells, columnCount_) - 1; c >= 0; --c) SetCell(row, c, std::string());
}

void SongList::AssignRow(int row, const SongRow& source) {
    if (row < 1 || row >= RowCount()) return;
    const int shared = std::min(columnCount_, static_cast<int>(source.Cells.size()));
    for (int c = 0; c < columnCount_; ++c)
        SetCell(row, c, c < shared ? source.Cells[static_cast<std::size_t>(c)] : std::string());
}

void SongList::RemoveRows(std::span<const int> rows) {
    std::vector<int> valid;
    valid.reserve(rows.size());
    for (const int r : rows) {
        if (r >= 1 && r < RowCount() && (valid.empty() || r > valid.back())) valid.push_back(r);
    }
    if (valid.empty()) return;
    ++revision_;

    if (static_cast<int>(valid.size()) == DataRowCount()) {
        // Every data row goes: the list keeps one empty data row.
        const int keep = valid.front();
        if (observer_ && DataRowCount() > 1) observer_->BeginRemoveRows(2, RowCount() - 1);
        SongRow kept = std::move(rows_[static_cast<std::size_t>(keep)]);
        rows_.resize(1);
        kept.Cells.clear();
        rows_.push_back(std::move(kept));
        InvalidateIndex();
        currentRow_ = selectionTop_ = selectionBottom_ = 1;
        if (observer_) {
            if (valid.size() > 1) observer_->EndRemoveRows();
            observer_->RowsChanged(1, 1);
            observer_->CursorChanged();
        }
        return;
    }

    // One contiguous run is reported as such; scattered rows as a reset.
    const bool contiguous = valid.back() - valid.front() + 1 == static_cast<int>(valid.size());
    if (observer_) {
        if (contiguous)
            observer_->BeginRemoveRows(valid.front(), valid.back());
        else
            observer_->BeginReset();
    }
    std::size_t next = 0;
    std::size_t out = 1;
    for (std::size_t r = 1; r < rows_.size(); ++r) {
        if (next < valid.size() && static_cast<std::size_t>(valid[next]) == r) {
            ++next;
            continue;
        }
        if (out != r) rows_[out] = std::move(rows_[r]);
        ++out;
    }
    rows_.resize(out);
    InvalidateIndex();
    MoveCursorAfterRemoval(valid);
    if (observer_) {
        if (contiguous)
            observer_->EndRemoveRows();
        else
            observer_->EndReset();
        observer_->CursorChanged();
    }
}

void SongList::SortDataRows(const std::function<bool(const SongRow&, const SongRow&)>& less) {
    if (DataRowCount() < 2) return;
    if (observer_) observer_->BeginReorder();
    ++revision_;
    std::stable_sort(rows_.begin() + 1, rows_.end(), less);
    InvalidateIndex();
    if (observer_) observer_->EndReorder();
}

void SongList::BeginBulkChange() {
    if (inBulkChange_) return;
    if (observer_) observer_->BeginReset();
    inBulkChange_ = true;
}

void SongList::EnsureRowInBulk(int row) {
    if (row >= RowCount()) rows_.resize(static_cast<std::size_t>(row) + 1);
}

void SongList::SetCellInBulk(int row, int column, std::string_view text) {
    if (row < 0 || column < 0) return;
    if (column >= columnCount_) EnsureColumnCount(column + 1);
    EnsureRowInBulk(row);
    std::vector<std::string>& cells = rows_[static_cast<std::size_t>(row)].Cells;
    const auto index = static_cast<std::size_t>(column);
    if (index >= cells.size()) {
        if (text.empty()) return;  // reads as empty already: no memory for it
        GrowCells(cells, index, columnCount_);
    }
    cells[index].assign(text);
}

void SongList::EndBulkChange() {
    if (!inBulkChange_) return;
    inBulkChange_ = false;
    ++revision_;
    InvalidateIndex();
    ClampCursor();
    if (observer_) {
        observer_->EndReset();
        observer_->CursorChanged();
    }
}

void SongList::SetCurrentRow(int row) {
    row = std::clamp(row, 1, DataRowCount());
    if (row == currentRow_) return;
    currentRow_ = row;
    if (observer_) observer_->CursorChanged();
}

void SongList::SetSelection(int top, int bottom) {
    if (top > bottom) std::swap(top, bottom);
    top = std::clamp(top, 1, DataRowCount());
    bottom = std::clamp(bottom, 1, DataRowCount());
    if (top == selectionTop_ && bottom == selectionBottom_) return;
    selectionTop_ = top;
    selectionBottom_ = bottom;
    if (observer_) observer_->CursorChanged();
}

// The cursor stays on its song; when that song went, it moves to the row that now
// stands where the first removed row stood. A selected range that lost rows
// shrinks to the current row, so it never takes in rows that were not selected.
void SongList::MoveCursorAfterRemoval(const std::vector<int>& removed) {
    const auto removedAbove = [&](int row) {
        return static_cast<int>(std::lower_bound(removed.begin(), removed.end(), row) -
                                removed.begin());
    };
    const auto wasRemoved = [&](int row) {
        return std::binary_search(removed.begin(), removed.end(), row);
    };
    bool selectionHit = false;
    for (int row = selectionTop_; row <= selectionBottom_ && !selectionHit; ++row)
        selectionHit = wasRemoved(row);
    currentRow_ = wasRemoved(currentRow_) ? removed.front() - removedAbove(removed.front())
                                          : currentRow_ - removedAbove(currentRow_);
    if (selectionHit) {
        selectionTop_ = selectionBottom_ = currentRow_;
    } else {
        selectionTop_ -= removedAbove(selectionTop_);
        selectionBottom_ -= removedAbove(selectionBottom_);
    }
    ClampCursor();
}

void SongList::ClampCursor() {
    const int last = DataRowCount();
    currentRow_ = std::clamp(currentRow_, 1, last);
    selectionTop_ = std::clamp(selectionTop_, 1, last);
    selectionBottom_ = std::clamp(selectionBottom_, 1, last);
}

void SongList::RebuildIndex() const {
    index_.clear();
    index_.reserve(rows_.size());
    for (int r = 1; r < RowCount(); ++r) index_.insert(r);
    indexValid_ = true;
}

int SongList::FindFileName(std::string_view name) const {
    if (columnCount_ <= colFileName) return -1;
    if (!indexValid_) RebuildIndex();
    const auto it = index_.find(name);
    return it == index_.end() ? 0 : *it;
}

}  // namespace tv
