#pragma once

#include <string_view>

namespace tv {

// Cell index of a song row. The captions are the texts of a list's header row and
// of the first line of its list file.
enum SongColumn : int {
    colTitle = 0,
    colArtist = 1,
    colTime = 2,
    colAlbum = 3,
    colGenre = 4,
    colYear = 5,
    colBitrate = 6,
    colFileName = 7,
    colComment = 8,
    colPlayCount = 9,
    colLastPlayed = 10,
    colImage = 11,
};

// Columns of the catalogue, and of the lists that hold copies of its rows.
inline constexpr int kSongColumnCount = 12;
inline constexpr int kCopyColumnCount = 9;

// Caption of a column ("Titel" ... "Image"); empty beyond the twelve song columns.
std::string_view SongColumnCaption(int column);

// Initial width of a column in pixels; columns beyond the twelve get 64.
int SongColumnWidth(int column);

}  // namespace tv
