#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <system_error>

#include "catalogue/song_list.h"

namespace tv {

// The list files of the four lists, kept in the program's folder.
inline constexpr std::string_view kCatalogueFileName = "ALL_SONGS.TSV";
inline constexpr std::string_view kSelectionFileName = "SELECTION.TSV";
inline constexpr std::string_view kPlaylistFileName = "PLAYLIST.TSV";
inline constexpr std::string_view kDoublesFileName = "DOUBLES.TSV";

// Fills a list from list-file text (UTF-8): line k fills row k (the first line the
// captions), each line split into cells at TAB bytes. Lines end at CR LF, a lone CR
// or a lone LF; a zero byte ends the text. Rows and columns are added where the text
// needs them; cells and rows the text does not reach keep their content.
void ReadListText(SongList& list, std::string_view text);

// The list-file text of a list: every row, header first, each cell followed by a
// TAB and each row by CR LF. A TAB, CR or LF inside a cell is written as a blank,
// so that it cannot shift cells or rows when the file is read again.
std::string FormatListText(const SongList& list);

// Appends rows first ... last (0 is the captions) in the list-file format to out:
// FormatListText in slices, for a writer that must not hold its thread long.
void AppendListRowsText(const SongList& list, int first, int last, std::string& out);

// The data rows top ... bottom in the list-file line format (for the clipboard).
std::string FormatRowsText(const SongList& list, int top, int bottom);

// Splits text as a list file is read and writes line k into row top + k from the
// first column on, never beyond row bottom or the last column (for the clipboard).
void PasteRowsText(SongList& list, std::string_view text, int top, int bottom);

// A list file whose bytes are no list: a zero byte before the end (a binary
// file, or one cut and mended badly). Reading it would lose every row after it.
class ListFileFormatError : public std::system_error {
  public:
    ListFileFormatError(const std::filesystem::path& path, std::size_t offset);
    // Where the zero byte stands (from 0, in the file as stored).
    std::size_t Offset() const noexcept { return offset_; }

  private:
    std::size_t offset_;
};

// Reads a list file into a list as ReadListText does. The file is UTF-8; a cell
// that is not valid UTF-8 is read as Windows-1252 (files of the old platform),
// except the paths ("Dateiname", "Image"), which are bytes and kept exactly. A
// file with a UTF-16 byte-order mark (a spreadsheet's "Unicode text") is decoded
// from UTF-16. Zero bytes at the very end are ignored; one before the end throws
// ListFileFormatError. A FIFO, device or directory is refused, never waited for.
// Throws std::system_error naming the file when it cannot be opened or read; the
// list is then unchanged.
void LoadList(SongList& list, const std::filesystem::path& path);

// Writes a list file, replacing any old one without ever leaving a half-written
// file. Throws std::system_error naming the file when it cannot be written.
void SaveList(const SongList& list, const std::filesystem::path& path);

// Saves a list beside an existing file that must not be replaced: as path + ".neu",
// or path + ".neu2", ".neu3" ... when that name is taken. An existing file is never
// overwritten. Returns the name written. Throws std::system_error on failure.
std::filesystem::path SaveListBeside(const SongList& list, const std::filesystem::path& path);

}  // namespace tv
