#include "catalogue/row_text_store.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <stdexcept>

namespace tv {
namespace {

// Blocks grow from the first size to the largest, so that a short list stays small
// and a long one takes few blocks; a row larger than a quarter of the next block
// gets a block of its own.
constexpr std::size_t kFirstBlockBytes = std::size_t{64} << 10;
constexpr std::size_t kLargestBlockBytes = std::size_t{32} << 20;
constexpr std::size_t kAlignment = alignof(std::uint32_t);

std::uint32_t ReadWord(const char* at) noexcept {
    std::uint32_t word;
    std::memcpy(&word, at, sizeof word);
    return word;
}

std::size_t AlignUp(std::size_t bytes) noexcept {
    return (bytes + kAlignment - 1) & ~(kAlignment - 1);
}

}  // namespace

std::size_t RowTextStore::CellCount(const char* row) noexcept {
    return row == nullptr ? 0 : ReadWord(row);
}

std::string_view RowTextStore::Cell(const char* row, std::size_t column) noexcept {
    const std::size_t count = CellCount(row);
    if (column >= count) return std::string_view("", 0);  // never a null pointer to copy from
    const char* ends = row + sizeof(std::uint32_t);
    const char* text = ends + count * sizeof(std::uint32_t);
    const std::uint32_t begin = column == 0 ? 0 : ReadWord(ends + (column - 1) * sizeof(std::uint32_t));
    const std::uint32_t end = ReadWord(ends + column * sizeof(std::uint32_t));
    return {text + begin, end - begin};
}

std::size_t RowTextStore::SizeOf(const char* row) noexcept {
    const std::size_t count = CellCount(row);
    if (count == 0) return 0;
    const std::size_t text = ReadWord(row + count * sizeof(std::uint32_t));
    return AlignUp((count + 1) * sizeof(std::uint32_t) + text);
}

char* RowTextStore::Allocate(std::size_t bytes) {
    if (static_cast<std::size_t>(end_ - cursor_) < bytes) {
        const std::size_t blockBytes = std::max(nextBlockBytes_, kFirstBlockBytes);
        if (bytes > blockBytes / 4) {
            // A block of its own; the current block stays in use.
            blocks_.emplace_back(bytes);
            return blocks_.back().Data();
        }
        blocks_.emplace_back(blockBytes);
        nextBlockBytes_ = std::min(blockBytes * 2, kLargestBlockBytes);
        cursor_ = blocks_.back().Data();
        end_ = cursor_ + blockBytes;
    }
    char* at = cursor_;
    cursor_ += bytes;
    return at;
}

const char* RowTextStore::Store(std::span<const std::string_view> cells) {
    if (cells.empty()) return nullptr;
    std::size_t text = 0;
    for (const std::string_view cell : cells) text += cell.size();
    if (text > std::numeric_limits<std::uint32_t>::max() ||
        cells.size() > std::numeric_limits<std::uint32_t>::max() / sizeof(std::uint32_t))
        throw std::length_error("Zeile zu lang");
    const std::size_t header = (cells.size() + 1) * sizeof(std::uint32_t);
    const std::size_t bytes = AlignUp(header + text);
    char* row = Allocate(bytes);
    const auto count = static_cast<std::uint32_t>(cells.size());
    std::memcpy(row, &count, sizeof count);
    char* ends = row + sizeof(std::uint32_t);
    char* out = row + header;
    std::uint32_t end = 0;
    for (const std::string_view cell : cells) {
        // memmove: a view may point into a row stored before (never into this one).
        if (!cell.empty()) std::memmove(out + end, cell.data(), cell.size());
        end += static_cast<std::uint32_t>(cell.size());
        std::memcpy(ends, &end, sizeof end);
        ends += sizeof end;
    }
    live_ += bytes;
    return row;
}

void RowTextStore::Release(const char* row) noexcept {
    const std::size_t bytes = SizeOf(row);
    live_ -= std::min(live_, bytes);
    garbage_ += bytes;
}

}  // namespace tv
