#pragma once

#include <string>
#include <vector>

namespace tv {

// The cells of a catalogue row for an audio file, as the window stores them when
// it adds the file ("AutoAdding"): time and bitrate from the MPEG analysis ("  :  "
// and empty when it fails); title, artist and album from the tag in capitalised
// words, a compilation's "Singer / Song" split; comment and year as tagged; the
// genre as the genre list names it. When title or artist stay empty (no tag, or an
// empty field), they, the year if it has no digit, and the genre come from the
// path instead. Year and time read as the window's masked boxes show them. No
// play count, no picture. The file is read, never written. As many cells as the
// catalogue has columns.
std::vector<std::string> SongCellsOfFile(const std::string& path);

// The year box's text for a value: its four places filled with the value's digits
// and blanks in order (other characters are skipped), blanks after them.
std::string MaskedYear(const std::string& value);

}  // namespace tv
