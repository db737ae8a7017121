#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tv {

// The ID3v1 genre table: 126 names, indexed by the genre byte 0..125.
extern const std::array<std::string_view, 126> ID3Genres;

// The names commonly given to the bytes 126..147 beyond the table.
extern const std::array<std::string_view, 22> ID3ExtendedGenres;

inline constexpr std::uint8_t kNoGenre = 255;

// The byte of a genre name, compared with the letters a-z taken as A-Z: an entry
// of ID3Genres (0..125), one of the extended names (126..147), or one of the genre
// list's own spellings "Psychedelic" (67), "Folk/Rock" (81), "Christian Gangs"
// (136); 255 for any other name, "Unknown" and the empty name.
std::uint8_t GenreIndex(std::string_view name);

// The name a genre byte reads as: the table name for 0..147, "Unknown" for
// 148..254, empty for 255.
std::string GenreName(std::uint8_t index);

// The names the genre list offers (besides the empty entry), unsorted: the table
// names but "Folk-Rock" and "Psychadelic", which the list spells its own way, and
// further names of its own.
std::vector<std::string_view> GenreChoices();

// The genre list's entry for a tag's genre name: the name when the list has it,
// the list's own spelling of the same byte ("Psychadelic" is "Psychedelic"), or
// empty when the list has no entry for it.
std::string_view GenreChoiceFor(std::string_view name);

}  // namespace tv
