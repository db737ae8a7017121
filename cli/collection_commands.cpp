#include "cli/collection_commands.h"

#include <filesystem>
#include <iostream>
#include <system_error>

#include "catalogue/list_file.h"
#include "catalogue/list_operations.h"
#include "catalogue/m3u_playlist.h"
#include "catalogue/song_columns.h"
#include "tools/duplicate_finder.h"
#include "tools/list_export.h"
#include "tools/song_search.h"

namespace tv::cli {
namespace {

int UsageError(const std::string& text) {
    std::cerr << "tunevault-tool: " << text << "\n";
    return 2;
}

// Loads a list file; false (after a message) when it cannot be read.
bool Load(SongList& list, const std::string& path) {
    try {
        LoadList(list, path);
        return true;
    } catch (const std::system_error& error) {
        std::cerr << "tunevault-tool: " << path << ": " << error.code().message() << "\n";
        return false;
    }
}

bool FieldNamed(const std::string& name, SearchField& field) {
    const std::pair<const char*, SearchField> names[] = {
        {"titel", SearchField::Title},      {"interpret", SearchField::Artist},
        {"album", SearchField::Album},      {"genre", SearchField::Genre},
        {"jahr", SearchField::Year},        {"dateiname", SearchField::FileName},
        {"kommentar", SearchField::Comment}};
    for (const auto& [text, value] : names) {
        if (name == text) {
            field = value;
            return true;
        }
    }
    return false;
}

// Writes a file through the core writer; 1 (after a message) on failure.
template <typename Write>
int WriteFile(const std::string& path, Write write) {
    try {
        write(std::filesystem::path(path));
        return 0;
    } catch (const std::system_error& error) {
        std::cerr << "tunevault-tool: " << path << ": " << error.code().message() << "\n";
        return 1;
    }
}

}  // namespace

int SearchCommand(const std::vector<std::string>& arguments) {
    SearchField field = SearchField::All;
    std::vector<std::string> operands;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--field") {
            if (i + 1 >= arguments.size() || !FieldNamed(arguments[i + 1], field))
                return UsageError(
                    "--field braucht titel, interpret, album, genre, jahr, "
                    "dateiname oder kommentar");
            ++i;
        } else {
            operands.push_back(arguments[i]);
        }
    }
    if (operands.size() != 2) return UsageError("search [--field FELD] TEXT LISTE.TSV");
    SongList catalogue(0);
    if (!Load(catalogue, operands[1])) return 1;
    SongList selection(kCopyColumnCount);
    SongSearch search;
    const std::string text = SearchText(operands[0]);
    for (const int row : search.FindAll(catalogue, field, text, 1, catalogue.DataRowCount()))
        AppendUniqueRows(catalogue, selection, row, row);
    std::cout << FormatListText(selection);
    return 0;
}

int DoublesCommand(const std::vector<std::string>& arguments) {
    DoubleOptions options;
    std::vector<std::string> operands;
    for (const std::string& argument : arguments) {
        if (argument == "--name") {
            options.Criteria |= kDoubleByName;
        } else if (argument == "--title") {
            options.Criteria |= kDoubleByTitle;
        } else if (argument == "--artist") {
            options.Criteria |= kDoubleByArtist;
        } else if (argument == "--length") {
            options.Criteria |= kDoubleByLength;
        } else if (argument == "--exact") {
            options.Exact = true;
        } else if (argument == "--case") {
            options.CaseSensitive = true;
        } else if (argument.starts_with("--")) {
            return UsageError("unbekannte Option " + argument);
        } else {
            operands.push_back(argument);
        }
    }
    if (operands.size() != 1 || options.Criteria == 0)
        return UsageError(
            "doubles (--name|--title|--artist|--length)... [--exact] [--case] LISTE.TSV");
    SongList catalogue(0);
    if (!Load(catalogue, operands[0])) return 1;
    SongList doubles(kCopyColumnCount);
    FillDoublesList(catalogue, doubles, FindDuplicatePairs(catalogue, options), options);
    std::cout << FormatListText(doubles);
    return 0;
}

int ExportCommand(const std::vector<std::string>& arguments) {
    std::optional<ExportFormat> format;
    std::vector<std::string> operands;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        if (arguments[i] == "--format" && i + 1 < arguments.size()) {
            const std::string& name = arguments[++i];
            if (name == "csv") format = ExportFormat::CsvComma;
            if (name == "csv-semicolon") format = ExportFormat::CsvSemicolon;
            if (name == "html") format = ExportFormat::Html;
            if (!format) return UsageError("--format braucht csv, csv-semicolon oder html");
        } else {
            operands.push_back(arguments[i]);
        }
    }
    if (!format || operands.size() != 2)
        return UsageError("export --format csv|csv-semicolon|html LISTE.TSV DATEI");
    SongList list(0);
    if (!Load(list, operands[0])) return 1;
    // The look of a list with the program's standard colours.
    ExportLook look;
    look.Header.Background = 0xF0F0F0;
    look.Header.Font = ExportFont{0x000000, 9, false, false, false, false};
    return WriteFile(operands[1], [&](const std::filesystem::path& path) {
        WriteExport(list, *format, look, path);
    });
}

int M3UCommand(const std::vector<std::string>& arguments) {
    if (arguments.size() != 2) return UsageError("m3u LISTE.TSV DATEI.m3u");
    SongList list(0);
    if (!Load(list, arguments[0])) return 1;
    return WriteFile(arguments[1],
                     [&](const std::filesystem::path& path) { WriteM3U(list, path); });
}

}  // namespace tv::cli
