#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tv {

// The texts of an ID3v2 tag that the catalogue shows, in UTF-8: title (TIT2),
// artist (TPE1), album (TALB), year (of TDRC, TYER or TYE), comment (COMM) and
// genre (TCON, "(17)" and "17" given as the genre's name). Empty where the tag
// has no such frame.
struct ID3v2Texts {
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;
    std::string Comment;
    std::string Genre;
    int Version = 4;  // 2, 3 or 4
};

// The size in bytes of the ID3v2 tag whose 10-byte header is given (header,
// frames, padding and a footer), or 0 when the bytes are no ID3v2 header of
// version 2.2, 2.3 or 2.4.
std::size_t ID3v2TagSize(std::string_view header);

// Reads an ID3v2 tag (2.2, 2.3 or 2.4; all four text encodings,
// unsynchronisation, extended headers) from its bytes at the start of data,
// through TagLib. Nothing when data does not begin with one.
std::optional<ID3v2Texts> ParseID3v2(std::string_view data);

// Reads the ID3v2 tag at the start of an open file (only the tag's bytes are
// read). Nothing when the file has none. Throws std::system_error when the file
// cannot be read.
std::optional<ID3v2Texts> ReadID3v2(int fd, const std::string& fileName);

// Sets the frames of the ID3v2 tag of a file to texts, keeping the tag's version
// (2.2 is written as 2.4, which TagLib writes instead) and every other frame; the
// audio bytes stay as they are. Throws std::system_error when the file cannot be
// read or written.
void UpdateID3v2(const std::filesystem::path& file, const ID3v2Texts& texts);

}  // namespace tv
