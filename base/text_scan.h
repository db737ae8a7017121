#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace tv {

namespace text_scan_detail {

// Marks the bytes of eight that equal `c`. The lowest mark is exact (a borrow only
// marks bytes above a matching one), which is all a search for the first needs.
constexpr std::uint64_t MarkBytesEqualTo(std::uint64_t chunk, char c) noexcept {
    constexpr std::uint64_t kOnes = 0x0101010101010101ull;
    constexpr std::uint64_t kHigh = 0x8080808080808080ull;
    const std::uint64_t x = chunk ^ (kOnes * static_cast<unsigned char>(c));
    return (x - kOnes) & ~x & kHigh;
}

// Where the first byte of `needles` at or after `from` stands, or the text's size.
// Eight bytes are tested at once: lines and cells are short and many, so a library
// search call per byte or per cell would cost more than the search.
template <char... Needles>
std::size_t FindFirstOf(std::string_view text, std::size_t from) noexcept {
    const char* data = text.data();
    const std::size_t size = text.size();
    if constexpr (std::endian::native == std::endian::little) {
        for (; from + 8 <= size; from += 8) {
            std::uint64_t chunk;
            std::memcpy(&chunk, data + from, 8);
            const std::uint64_t marks = (MarkBytesEqualTo(chunk, Needles) | ...);
            if (marks != 0) return from + static_cast<std::size_t>(std::countr_zero(marks) / 8);
        }
    }
    for (; from < size; ++from) {
        if (((data[from] == Needles) || ...)) return from;
    }
    return size;
}

}  // namespace text_scan_detail

// Where the first TAB, CR or LF at or after `from` stands, or the text's size.
inline std::size_t FindTabOrLineEnd(std::string_view text, std::size_t from = 0) noexcept {
    return text_scan_detail::FindFirstOf<'\t', '\r', '\n'>(text, from);
}

// Where the first CR or LF at or after `from` stands, or the text's size.
inline std::size_t FindLineEnd(std::string_view text, std::size_t from = 0) noexcept {
    return text_scan_detail::FindFirstOf<'\r', '\n'>(text, from);
}

}  // namespace tv
