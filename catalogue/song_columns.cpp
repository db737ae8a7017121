#include "catalogue/song_columns.h"

#include <array>

namespace tv {
namespace {

constexpr std::array<std::string_view, kSongColumnCount> kCaptions = {
    "Titel",   "Interpret", "Zeit",      "Album",    "Genre",   "Jahr",
    "Bitrate", "Dateiname", "Kommentar", "gespielt", "zuletzt", "Image"};

constexpr std::array<int, kSongColumnCount> kWidths = {200, 200, 36,  200, 64, 36,
                                                       42,  500, 200, 64,  64, 64};

}  // namespace

std::string_view SongColumnCaption(int column) {
    if (column < 0 || column >= kSongColumnCount) return {};
    return kCaptions[static_cast<std::size_t>(column)];
}

int SongColumnWidth(int column) {
    if (column < 0 || column >= kSongColumnCount) return 64;
    return kWidths[static_cast<std::size_t>(column)];
}

}  // namespace tv
