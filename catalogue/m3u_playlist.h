#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "catalogue/song_list.h"

namespace tv {

// One entry of an M3U playlist as the playlist takes it: four cells.
struct M3UEntry {
    std::string Time;      // "mm:ss", or "  :  " when the length is unknown
    std::string Artist;    // "Interpret"
    std::string Title;     // "Titel"
    std::string FileName;  // "Dateiname"
    // The path names a Windows drive ("C:\Musik\a.mp3") and no file here; the
    // name is kept as written.
    bool OnWindowsDrive = false;
};

// The playing time in seconds of a "Zeit" cell ("03:07" -> 187); -1 (the extended
// M3U value for an unknown length) when the cell is not minutes ":" seconds.
int M3USeconds(std::string_view time);

// The extended M3U text of every data row of a list that has a file name:
// "#EXTM3U", then per row "#EXTINF:" seconds "," artist " - " title (only the
// part that is not empty when one is), and the "Dateiname" as stored; CR LF
// after each line. Line breaks inside a cell are written as blanks.
std::string M3UText(const SongList& playlist);

// Writes M3UText to a file through a temporary name; an existing file is replaced
// only when the new one is complete. Throws std::system_error on failure.
void WriteM3U(const SongList& playlist, const std::filesystem::path& path);

// The entries of an M3U or M3U8 text (UTF-8, or UTF-16 by its byte-order mark;
// lines end at CR LF, LF or CR). "#EXTINF:" lines give the length (seconds
// before the first ", " rounded; -1 or a length that is no number gives "  :  ") and
// "artist - title" (split at the first " - "; without one the whole text is the
// title) to the path line that follows; other lines starting with "#" and blank
// lines are skipped; a path without an information line gives an entry with only
// the file name. A relative path is taken relative to folder; "file://" URLs
// become paths. A path that names no file as written is read with its
// backslashes as "/" (playlists of Windows players); a Windows drive path that
// names nothing is kept as written and marked. Lines that are not UTF-8 are read
// as Windows-1252, except a path that names an existing file with its bytes as
// they are.
std::vector<M3UEntry> ParseM3U(std::string_view text, const std::filesystem::path& folder);

// Reads a playlist file (a regular file only). Throws std::system_error when it
// cannot be read.
std::vector<M3UEntry> ReadM3U(const std::filesystem::path& path);

// Appends the entries to a list (the empty list's one row takes the first); only
// the four cells are set. Returns the number of rows added.
int AppendM3UEntries(SongList& playlist, const std::vector<M3UEntry>& entries);

}  // namespace tv
