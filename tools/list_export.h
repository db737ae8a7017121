#pragma once

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "base/output_file.h"
#include "catalogue/song_list.h"

namespace tv {

enum class ExportFormat { CsvComma = 0, CsvSemicolon = 1, Html = 2 };

// The CSV text of a list: every row (the header included) as each cell followed by
// the separator, then CR LF. A cell holding the separator, a double quote, CR or
// LF is quoted (RFC 4180: in double quotes, a double quote doubled); every other
// cell is written as it is.
std::string CsvText(const SongList& list, char separator);

enum class CellAlignment { Left, Right, Center };

// A font of its own for a cell; colours are RGB (0xRRGGBB).
struct ExportFont {
    std::uint32_t Colour = 0;
    int PointSize = 8;
    bool Bold = false, Italic = false, StrikeOut = false, Underline = false;
};

// How the cells of one kind look in the list.
struct ExportCellLook {
    CellAlignment Alignment = CellAlignment::Left;
    std::optional<std::uint32_t> Background;  // RGB; none: the list's background
    std::optional<ExportFont> Font;           // none: the list's font
};

// How a list looks on screen: its background, its header row and its data cells.
// A data row with a colour of its own (the playing row) takes that colour as its
// background.
struct ExportLook {
    std::uint32_t ListBackground = 0xFFFFFF;
    ExportCellLook Header;
    ExportCellLook Data;
};

// The HTML size of a font size in points (1 ... 7).
int HtmlFontSize(int pointSize);

// Cell text for HTML: "&", "<", ">" as entities, characters 160-255 as their
// HTML 4 named entities, every other character beyond ASCII as a numeric entity
// (bytes that are not UTF-8 are taken as Windows-1252), so the table needs no
// charset declaration.
std::string HtmlEscaped(std::string_view text);

// The list as a bare HTML table (no head, no body), lines ending in CR LF.
std::string HtmlText(const SongList& list, const ExportLook& look);

// The export text of a list in a format.
std::string ExportText(const SongList& list, ExportFormat format, const ExportLook& look);

// The export text of a list in a format, given to write() a slice of about a
// megabyte at a time, so that the text of a large list is never held whole.
void StreamExport(const SongList& list, ExportFormat format, const ExportLook& look,
                  const std::function<void(std::string_view)>& write);

// Writes the export to a file through a temporary name (see OutputFile: a target
// that is not a regular file or is one of the inputs is refused). Throws
// std::system_error.
void WriteExport(const SongList& list, ExportFormat format, const ExportLook& look,
                 const std::filesystem::path& path, const std::vector<FileIdentity>& inputs = {});

}  // namespace tv
