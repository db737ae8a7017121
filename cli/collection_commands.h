#pragma once

#include <string>
#include <vector>

namespace tv::cli {

// tunevault-tool search [--field titel|interpret|album|genre|jahr|dateiname|kommentar]
// TEXT LIST.TSV: the selection list "in Auswahl- Fenster" would make from an empty
// selection, in the list-file format on standard output.
int SearchCommand(const std::vector<std::string>& arguments);

// tunevault-tool doubles [--name] [--title] [--artist] [--length] [--exact] [--case]
// LIST.TSV: the doubles list the duplicate finder makes, on standard output.
int DoublesCommand(const std::vector<std::string>& arguments);

// tunevault-tool export --format csv|csv-semicolon|html LIST.TSV OUT.
int ExportCommand(const std::vector<std::string>& arguments);

// tunevault-tool m3u LIST.TSV OUT.m3u: the list as an extended M3U playlist.
int M3UCommand(const std::vector<std::string>& arguments);

}  // namespace tv::cli
