#include "catalogue/song_list.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>
#include <utility>

#include "catalogue/song_columns.h"

namespace tv {
namespace {

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

std::uint32_t NameHash(std::string_view text) noexcept {
    std::uint64_t h = 0xCBF29CE484222325ull ^ text.size();
    std::size_t pos = 0;
    for (; pos + 8 <= text.size(); pos += 8) h = Mix(h, LoadChunk(text.data() + pos, 8));
    if (pos < text.size()) h = Mix(h, LoadChunk(text.data() + pos, text.size() - pos));
    h *= 0x9E3779B97F4A7C15ull;
    return static_cast<std::uint32_t>(h >> 32);
}

constexpr std::uint64_t Slot(std::uint32_t hash, int row) noexcept {
    return (std::uint64_t{hash} << 32) | static_cast<std::uint32_t>(row);
}
constexpr int SlotRow(std::uint64_t slot) noexcept {
    return static_cast<int>(slot & 0xFFFFFFFFu);
}
constexpr std::uint32_t SlotHash(std::uint64_t slot) noexcept {
    return static_cast<std::uint32_t>(slot >> 32);
}

// The first eight bytes of a key, in an order that sorts as the bytes do.
std::uint64_t KeyPrefix(std::string_view key) noexcept {
    unsigned char bytes[8] = {};
    if (!key.empty()) std::memcpy(bytes, key.data(), std::min<std::size_t>(key.size(), 8));
    std::uint64_t prefix = 0;
    for (const unsigned char byte : bytes) prefix = (prefix << 8) | byte;
    return prefix;
}

// The rows' garbage is reclaimed once it is at least this large and larger than
// what is in use.
constexpr std::size_t kWasteBeforeCompacting = std::size_t{16} << 20;

}  // namespace

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

SongList::SongList(int columnCount) : columnCount_(std::max(columnCount, 0)) {
    std::vector<std::string_view> captions;
    for (int c = 0; c < columnCount_; ++c) captions.push_back(SongColumnCaption(c));
    rows_.emplace_back();
    StoreRow(rows_.back(), captions);
    rows_.emplace_back();
}

void SongList::ResetInBulk(int columnCount) {
    bulkRow_ = -1;
    bulkText_.clear();
    bulkEnds_.clear();
    rows_.clear();
    text_ = RowTextStore();
    columnCount_ = std::max(columnCount, 0);
    std::vector<std::string_view> captions;
    for (int c = 0; c < columnCount_; ++c) captions.push_back(SongColumnCaption(c));
    rows_.emplace_back();
    StoreRow(rows_.back(), captions);
    rows_.emplace_back();
    InvalidateIndex();
}

bool SongList::IsEmpty() const {
    return DataRowCount() == 1 && FileNameOf(1).empty();
}

std::string_view SongList::Cell(int row, int column) const {
    if (row < 0 || row >= RowCount() || column < 0 || column >= columnCount_)
        return std::string_view("", 0);
    return RowTextStore::Cell(rows_[static_cast<std::size_t>(row)].Text,
                              static_cast<std::size_t>(column));
}

SongRow SongList::Row(int row) const {
    return ViewOf(rows_.at(static_cast<std::size_t>(row)));
}

std::string_view SongList::FileNameOf(int row) const {
    return Cell(row, colFileName);
}

void SongList::StoreRow(RowRecord& record, std::vector<std::string_view>& cells) {
    if (cells.size() > static_cast<std::size_t>(columnCount_))
        cells.resize(static_cast<std::size_t>(columnCount_));
    while (!cells.empty() && cells.back().empty()) cells.pop_back();
    const char* stored = text_.Store(cells);
    text_.Release(record.Text);
    record.Text = stored;
}

void SongList::SetCell(int row, int column, std::string_view text) {
    if (row < 0 || row >= RowCount() || column < 0 || column >= columnCount_) return;
    if (Cell(row, column) == text) return;
    const SongRow current = ViewOf(rows_[static_cast<std::size_t>(row)]);
    scratch_.clear();
    for (std::size_t c = 0; c < current.CellCount(); ++c) scratch_.push_back(current.Cell(c));
    if (scratch_.size() <= static_cast<std::size_t>(column))
        scratch_.resize(static_cast<std::size_t>(column) + 1);
    scratch_[static_cast<std::size_t>(column)] = text;
    ReplaceRowCells(row, scratch_);
}

void SongList::AssignRow(int row, const SongRow& source) {
    if (row < 1 || row >= RowCount()) return;
    scratch_.clear();
    for (std::size_t c = 0; c < source.CellCount(); ++c) scratch_.push_back(source.Cell(c));
    ReplaceRowCells(row, scratch_);
}

void SongList::ReplaceRowCells(int row, std::vector<std::string_view>& cells) {
    RowRecord& record = rows_[static_cast<std::size_t>(row)];
    const std::string_view newName =
        cells.size() > static_cast<std::size_t>(colFileName) ? cells[colFileName]
                                                              : std::string_view();
    const bool keyChanges = row > 0 && columnCount_ > colFileName && indexValid_ &&
                            !inBulkChange_ && FileNameOf(row) != newName;
    // The old row's bytes stay where they are until the next compaction, so its
    // name can still be read after the row has its new cells.
    const std::string_view oldName = FileNameOf(row);
    if (keyChanges) IndexBeforeFileNameChange(row);
    ++revision_;
    StoreRow(record, cells);
    if (keyChanges) IndexAfterFileNameChange(row, oldName);
    CompactIfWasteful();
    if (observer_ && !inBulkChange_) observer_->RowsChanged(row, row);
}

void SongList::CompactIfWasteful() {
    if (text_.GarbageBytes() < kWasteBeforeCompacting || text_.GarbageBytes() < text_.LiveBytes())
        return;
    RowTextStore compacted;
    std::vector<std::string_view> cells;
    for (RowRecord& record : rows_) {
        const SongRow row = ViewOf(record);
        cells.clear();
        for (std::size_t c = 0; c < row.CellCount(); ++c) cells.push_back(row.Cell(c));
        record.Text = compacted.Store(cells);
    }
    text_ = std::move(compacted);
}

void SongList::IndexBeforeFileNameChange(int row) {
    IndexErase(row);
}

void SongList::IndexAfterFileNameChange(int row, std::string_view oldName) {
    // The row no longer carries its old name: the next row with that name, if
    // any, becomes the first one.
    if (IndexFind(oldName) == 0) {
        for (int r = row + 1; r < RowCount(); ++r) {
            if (FileNameOf(r) == oldName) {
                IndexInsert(r);
                break;
            }
        }
    }
    const int first = IndexFind(FileNameOf(row));
    if (first == 0) {
        IndexInsert(row);
    } else if (first > row) {
        IndexErase(first);
        IndexInsert(row);
    }
}

void SongList::IndexAppendedRow(int row) {
    if (indexValid_) IndexInsert(row);  // keeps an earlier row with the same name
}

void SongList::SetRowColour(int row, RowColour colour) {
    if (row < 1 || row >= RowCount()) return;
    RowRecord& record = rows_[static_cast<std::size_t>(row)];
    record.HasColour = colour.has_value();
    record.Colour = colour.value_or(0);
    ++revision_;
    if (observer_) observer_->RowsChanged(row, row);
}

int SongList::AppendRow() {
    const int row = RowCount();
    if (observer_) observer_->BeginAppendRows(row, row);
    rows_.emplace_back();
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
    if (RowTextStore::CellCount(rows_[static_cast<std::size_t>(row)].Text) == 0) return;
    scratch_.clear();
    ReplaceRowCells(row, scratch_);
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
        // Every data row goes: the list keeps one empty data row (with the colour
        // of the first removed one).
        const RowRecord kept = rows_[static_cast<std::size_t>(valid.front())];
        if (observer_ && DataRowCount() > 1) observer_->BeginRemoveRows(2, RowCount() - 1);
        for (std::size_t r = 1; r < rows_.size(); ++r) text_.Release(rows_[r].Text);
        rows_.resize(1);
        rows_.push_back(RowRecord{nullptr, kept.Colour, kept.HasColour});
        InvalidateIndex();
        CompactIfWasteful();
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
            text_.Release(rows_[r].Text);
            continue;
        }
        if (out != r) rows_[out] = rows_[r];
        ++out;
    }
    rows_.resize(out);
    InvalidateIndex();
    CompactIfWasteful();
    MoveCursorAfterRemoval(valid);
    if (observer_) {
        if (contiguous)
            observer_->EndRemoveRows();
        else
            observer_->EndReset();
        observer_->CursorChanged();
    }
}

void SongList::SortDataRowsByCell(int column, bool ascending) {
    if (DataRowCount() < 2 || column < 0 || column >= columnCount_) return;
    if (observer_) observer_->BeginReorder();
    ++revision_;
    // Each row's key once, with its first bytes as a number: most comparisons
    // end there without reading the text.
    struct Key {
        std::uint64_t Prefix;
        std::string_view Text;
        std::uint32_t Row;
    };
    std::vector<Key> keys;
    keys.reserve(rows_.size() - 1);
    for (std::size_t r = 1; r < rows_.size(); ++r) {
        const std::string_view text =
            RowTextStore::Cell(rows_[r].Text, static_cast<std::size_t>(column));
        keys.push_back(Key{KeyPrefix(text), text, static_cast<std::uint32_t>(r)});
    }
    const auto before = [](const Key& a, const Key& b) {
        if (a.Prefix != b.Prefix) return a.Prefix < b.Prefix;
        return a.Text < b.Text;
    };
    if (ascending)
        std::stable_sort(keys.begin(), keys.end(), before);
    else
        std::stable_sort(keys.begin(), keys.end(),
                         [&](const Key& a, const Key& b) { return before(b, a); });
    std::vector<RowRecord> sorted;
    sorted.reserve(rows_.size());
    sorted.push_back(rows_.front());
    for (const Key& key : keys) sorted.push_back(rows_[key.Row]);
    rows_ = std::move(sorted);
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

void SongList::FlushBulkRow() {
    if (bulkRow_ < 0) return;
    scratch_.clear();
    std::size_t begin = 0;
    for (const std::size_t end : bulkEnds_) {
        scratch_.emplace_back(bulkText_.data() + begin, end - begin);
        begin = end;
    }
    StoreRow(rows_[static_cast<std::size_t>(bulkRow_)], scratch_);
    bulkRow_ = -1;
    bulkText_.clear();
    bulkEnds_.clear();
}

void SongList::SetRowCellsInBulk(int row, std::vector<std::string_view>& cells) {
    if (row < 0) return;
    if (cells.size() > static_cast<std::size_t>(columnCount_))
        EnsureColumnCount(static_cast<int>(cells.size()));
    EnsureRowInBulk(row);
    RowRecord& record = rows_[static_cast<std::size_t>(row)];
    if (row == bulkRow_ || RowTextStore::CellCount(record.Text) > cells.size()) {
        // Cells beyond the given ones stay (a header line shorter than the captions).
        for (std::size_t c = 0; c < cells.size(); ++c)
            SetCellInBulk(row, static_cast<int>(c), cells[c]);
        return;
    }
    StoreRow(record, cells);
}

void SongList::SetCellInBulk(int row, int column, std::string_view text) {
    if (row < 0 || column < 0) return;
    if (column >= columnCount_) EnsureColumnCount(column + 1);
    EnsureRowInBulk(row);
    if (row != bulkRow_) {
        FlushBulkRow();
        // The row's cells so far, to be added to.
        bulkRow_ = row;
        const SongRow current = ViewOf(rows_[static_cast<std::size_t>(row)]);
        for (std::size_t c = 0; c < current.CellCount(); ++c) {
            bulkText_ += current.Cell(c);
            bulkEnds_.push_back(bulkText_.size());
        }
    }
    const auto index = static_cast<std::size_t>(column);
    if (index >= bulkEnds_.size()) {
        // Cells in order (the usual case): appended, with empty ones in between.
        bulkEnds_.resize(index, bulkText_.size());
        bulkText_ += text;
        bulkEnds_.push_back(bulkText_.size());
        return;
    }
    // A cell set again: the row is put together anew.
    std::vector<std::string> cells;
    std::size_t begin = 0;
    for (const std::size_t end : bulkEnds_) {
        cells.emplace_back(bulkText_, begin, end - begin);
        begin = end;
    }
    cells[index] = std::string(text);
    bulkText_.clear();
    bulkEnds_.clear();
    for (const std::string& cell : cells) {
        bulkText_ += cell;
        bulkEnds_.push_back(bulkText_.size());
    }
}

void SongList::EndBulkChange() {
    if (!inBulkChange_) return;
    FlushBulkRow();
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

std::size_t SongList::SlotOf(std::string_view name, std::uint32_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const std::uint64_t slot = slots_[i];
        if (slot == 0) return i;
        if (SlotHash(slot) == hash && FileNameOf(SlotRow(slot)) == name) return i;
    }
}

int SongList::IndexFind(std::string_view name) const {
    if (slots_.empty()) return 0;
    return SlotRow(slots_[SlotOf(name, NameHash(name))]);
}

void SongList::IndexGrow() const {
    const std::size_t capacity = std::max<std::size_t>(16, slots_.size() * 2);
    std::vector<std::uint64_t> old(capacity, 0);
    old.swap(slots_);
    const std::size_t mask = slots_.size() - 1;
    for (const std::uint64_t slot : old) {
        if (slot == 0) continue;
        std::size_t i = SlotHash(slot) & mask;
        while (slots_[i] != 0) i = (i + 1) & mask;
        slots_[i] = slot;
    }
}

void SongList::IndexInsert(int row) const {
    if ((slotsUsed_ + 1) * 2 > slots_.size()) IndexGrow();
    const std::string_view name = FileNameOf(row);
    const std::uint32_t hash = NameHash(name);
    const std::size_t i = SlotOf(name, hash);
    if (slots_[i] != 0) return;
    slots_[i] = Slot(hash, row);
    ++slotsUsed_;
}

void SongList::IndexErase(int row) {
    if (slots_.empty()) return;
    const std::string_view name = FileNameOf(row);
    std::size_t i = SlotOf(name, NameHash(name));
    if (slots_[i] == 0 || SlotRow(slots_[i]) != row) return;
    // Backward-shift deletion keeps every later slot of a probe run reachable.
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t j = (i + 1) & mask; slots_[j] != 0; j = (j + 1) & mask) {
        const std::size_t home = SlotHash(slots_[j]) & mask;
        // The slot at j may move to i when its home is not in (i, j].
        if (((j - home) & mask) >= ((j - i) & mask)) {
            slots_[i] = slots_[j];
            i = j;
        }
    }
    slots_[i] = 0;
    --slotsUsed_;
}

void SongList::RebuildIndex() const {
    std::size_t capacity = 16;
    while (capacity < rows_.size() * 2) capacity *= 2;
    slots_.assign(capacity, 0);
    slotsUsed_ = 0;
    for (int r = 1; r < RowCount(); ++r) IndexInsert(r);
    indexValid_ = true;
}

int SongList::FindFileName(std::string_view name) const {
    if (columnCount_ <= colFileName) return -1;
    if (!indexValid_) RebuildIndex();
    return IndexFind(name);
}

}  // namespace tv
