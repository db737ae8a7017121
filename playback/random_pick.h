#pragma once

#include <random>

#include "catalogue/song_list.h"

namespace tv {

// Appends up to count randomly picked catalogue rows to the playlist, each a song
// whose "Dateiname" (letters a-z without case) the playlist does not hold yet,
// every such row equally likely at each pick. Stops early when no such row is
// left. Returns the number of rows appended.
int AppendRandomSongs(const SongList& catalogue, SongList& playlist, int count,
                      std::mt19937& random);

}  // namespace tv
