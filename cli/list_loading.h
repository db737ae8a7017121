#pragma once

#include <string>

#include "catalogue/song_list.h"

namespace tv::cli {

// Loads a list file for a command; false after a message on standard error when
// it cannot be read (a zero byte inside it is named with its position).
bool LoadListFile(SongList& list, const std::string& path);

}  // namespace tv::cli
