#pragma once

#include <string_view>

#include "catalogue/song_list.h"

namespace tv {

// Counts a start of a song in the catalogue: the first row whose "Dateiname"
// equals file (letters a-z without case) gets "gespielt" plus one (1 when it is
// empty or not a number) and "zuletzt" = today. Copies in other lists are not
// changed. Returns the row, 0 when the file is not catalogued.
int CountPlay(SongList& catalogue, std::string_view file, std::string_view today);

}  // namespace tv
