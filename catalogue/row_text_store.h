#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string_view>
#include <vector>

#include "base/large_buffer.h"

namespace tv {

// The text of a list's rows, kept in large blocks: each stored row is one run of
// bytes (its cell count, the end of each cell, then the cells' text), so a row
// costs its text and four bytes a cell instead of a string object a cell. Stored
// rows never move; a row that is replaced leaves its old bytes behind as garbage,
// which the owner reclaims by copying the live rows into a new store.
class RowTextStore {
  public:
    RowTextStore() = default;
    RowTextStore(RowTextStore&&) noexcept = default;
    RowTextStore& operator=(RowTextStore&&) noexcept = default;

    // Stores the cells of a row; the address of the stored row, or nullptr when
    // there are no cells. The views may point into this store.
    const char* Store(std::span<const std::string_view> cells);
    // The bytes of a stored row count as garbage from now on.
    void Release(const char* row) noexcept;

    std::size_t LiveBytes() const noexcept { return live_; }
    std::size_t GarbageBytes() const noexcept { return garbage_; }

    static std::size_t CellCount(const char* row) noexcept;
    // The text of a cell of a stored row; empty for a cell the row does not have.
    static std::string_view Cell(const char* row, std::size_t column) noexcept;

  private:
    static std::size_t SizeOf(const char* row) noexcept;
    char* Allocate(std::size_t bytes);

    std::vector<LargeBuffer> blocks_;
    std::size_t nextBlockBytes_ = 0;
    char* cursor_ = nullptr;
    char* end_ = nullptr;
    std::size_t live_ = 0;
    std::size_t garbage_ = 0;
};

}  // namespace tv
