#include "playback/play_count.h"

#include <charconv>
#include <string>

#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"

namespace tv {

int CountPlay(SongList& catalogue, std::string_view file, std::string_view today) {
    const int row = FindSongRow(catalogue, file, colFileName);
    if (row <= 0) return 0;
    catalogue.EnsureColumnCount(kSongColumnCount);
    const std::string_view played = catalogue.Cell(row, colPlayCount);
    long long count = 0;
    const auto [end, error] = std::from_chars(played.data(), played.data() + played.size(), count);
    const bool number = !played.empty() && error == std::errc() &&
                        end == played.data() + played.size() && count >= 0 && count < 2147483647;
    catalogue.SetCell(row, colPlayCount, std::to_string(number ? count + 1 : 1));
    catalogue.SetCell(row, colLastPlayed, std::string(today));
    return row;
}

}  // namespace tv
