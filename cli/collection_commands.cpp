// search, doubles, export and m3u: the collection tools on list files.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <functional>
#include <iostream>
#include <map>
#include <memory>
#include <string_view>
#include <system_error>

#include "base/output_file.h"
#include "catalogue/list_file.h"
#include "catalogue/list_operations.h"
#include "catalogue/m3u_playlist.h"
#include "catalogue/song_columns.h"
#include "cli/commands.h"
#include "cli/list_loading.h"
#include "tools/duplicate_finder.h"
#include "tools/list_export.h"
#include "tools/song_search.h"

namespace tv::cli {
namespace {

// Writes what produce() gives to target ("-": standard output) through the one
// writer: never over the list it was made from, a FIFO or a device. 0, or 1 after
// a message.
int WriteOutput(const std::string& target, const std::string& input,
                const std::function<void(const std::function<void(std::string_view)>&)>& produce) {
    if (target == "-") {
        produce([](std::string_view text) { std::cout << text; });
        return std::cout ? 0 : 1;
    }
    try {
        OutputFile file(target, IdentitiesOf({input}));
        produce([&](std::string_view text) { file.Write(text); });
        file.Commit();
        return 0;
    } catch (const std::system_error& error) {
        std::cerr << "tunevault-tool: " << target << ": " << error.code().message() << "\n";
        return 1;
    }
}

int WriteText(const std::string& target, const std::string& text, const std::string& input) {
    return WriteOutput(target, input, [&](const auto& write) { write(text); });
}

const std::map<std::string, SearchField> kSearchFields = {
    {"titel", SearchField::Title},      {"interpret", SearchField::Artist},
    {"album", SearchField::Album},      {"genre", SearchField::Genre},
    {"jahr", SearchField::Year},        {"dateiname", SearchField::FileName},
    {"kommentar", SearchField::Comment}};

const std::map<std::string, ExportFormat> kExportFormats = {
    {"csv", ExportFormat::CsvComma},
    {"csv-semicolon", ExportFormat::CsvSemicolon},
    {"html", ExportFormat::Html}};

struct SearchCall {
    SearchField Field = SearchField::All;
    std::string Text;
    std::string List;
};

int Search(const SearchCall& call) {
    SongList catalogue(0);
    if (!LoadListFile(catalogue, call.List)) return 1;
    SongList selection(kCopyColumnCount);
    SongSearch search;
    const std::string text = SearchText(call.Text);
    for (const int row : search.FindAll(catalogue, call.Field, text, 1, catalogue.DataRowCount()))
        AppendUniqueRows(catalogue, selection, row, row);
    std::cout << FormatListText(selection);
    return 0;
}

struct DoublesCall {
    bool Name = false, Title = false, Artist = false, Length = false;
    DoubleOptions Options;
    std::string List;
};

int Doubles(DoublesCall call) {
    if (call.Name) call.Options.Criteria |= kDoubleByName;
    if (call.Title) call.Options.Criteria |= kDoubleByTitle;
    if (call.Artist) call.Options.Criteria |= kDoubleByArtist;
    if (call.Length) call.Options.Criteria |= kDoubleByLength;
    SongList catalogue(0);
    if (!LoadListFile(catalogue, call.List)) return 1;
    SongList doubles(kCopyColumnCount);
    FillDoublesList(catalogue, doubles, FindDuplicatePairs(catalogue, call.Options), call.Options);
    std::cout << FormatListText(doubles);
    return 0;
}

struct OutputCall {
    ExportFormat Format = ExportFormat::CsvComma;
    std::string List;
    std::string Target;
};

int Export(const OutputCall& call) {
    SongList list(0);
    if (!LoadListFile(list, call.List)) return 1;
    // The look of a list with the program's standard colours.
    ExportLook look;
    look.Header.Background = 0xF0F0F0;
    look.Header.Font = ExportFont{0x000000, 9, false, false, false, false};
    return WriteOutput(call.Target, call.List,
                       [&](const auto& write) { StreamExport(list, call.Format, look, write); });
}

int M3U(const OutputCall& call) {
    SongList list(0);
    if (!LoadListFile(list, call.List)) return 1;
    return WriteText(call.Target, M3UText(list), call.List);
}

}  // namespace

void AddCollectionCommands(CLI::App& app, int& exitCode) {
    auto search = std::make_shared<SearchCall>();
    CLI::App* searchCommand = app.add_subcommand(
        "search", "die Zeilen, die \"Suchen\" in die Auswahl kopiert, als Listendatei");
    searchCommand->add_option("--field", search->Field, "nur in diesem Feld suchen")
        ->transform(CLI::CheckedTransformer(kSearchFields))
        ->type_name("FELD");
    searchCommand->add_option("TEXT", search->Text, "der Suchbegriff")->type_name("")->required();
    searchCommand->add_option("LISTE", search->List, "die Listendatei (.TSV)")
        ->type_name("")
        ->required();
    searchCommand->callback([&exitCode, search] { exitCode = Search(*search); });

    auto doubles = std::make_shared<DoublesCall>();
    CLI::App* doublesCommand =
        app.add_subcommand("doubles", "die Dublettenliste, die die Dublettensuche macht");
    doublesCommand->add_flag("--name", doubles->Name, "gleiche Dateinamen");
    doublesCommand->add_flag("--title", doubles->Title, "gleiche Titel");
    doublesCommand->add_flag("--artist", doubles->Artist, "gleiche Interpreten");
    doublesCommand->add_flag("--length", doubles->Length, "gleiche Spieldauer");
    doublesCommand->add_flag("--exact", doubles->Options.Exact, "genau gleich statt ähnlich");
    doublesCommand->add_flag("--case", doubles->Options.CaseSensitive,
                             "Groß- und Kleinschreibung unterscheiden");
    doublesCommand->add_option("LISTE", doubles->List, "die Listendatei (.TSV)")
        ->type_name("")
        ->required();
    doublesCommand->callback([&exitCode, doubles] {
        if (!doubles->Name && !doubles->Title && !doubles->Artist && !doubles->Length)
            throw CLI::RequiredError("mindestens eines von --name, --title, --artist, --length");
        exitCode = Doubles(*doubles);
    });

    auto exported = std::make_shared<OutputCall>();
    CLI::App* exportCommand = app.add_subcommand(
        "export", "eine Liste als CSV oder HTML, wie \"Exportieren\" sie schreibt");
    exportCommand->add_option("--format", exported->Format, "csv, csv-semicolon oder html")
        ->transform(CLI::CheckedTransformer(kExportFormats))
        ->type_name("FORMAT")
        ->required();
    exportCommand->add_option("LISTE", exported->List, "die Listendatei (.TSV)")
        ->type_name("")
        ->required();
    exportCommand
        ->add_option("DATEI", exported->Target, "die Ausgabedatei; - für die Standardausgabe")
        ->type_name("")
        ->required();
    exportCommand->callback([&exitCode, exported] { exitCode = Export(*exported); });

    auto m3u = std::make_shared<OutputCall>();
    CLI::App* m3uCommand = app.add_subcommand("m3u", "eine Liste als M3U-Playliste");
    m3uCommand->add_option("LISTE", m3u->List, "die Listendatei (.TSV)")->type_name("")->required();
    m3uCommand->add_option("DATEI", m3u->Target, "die Playliste (.m3u); - für die Standardausgabe")
        ->type_name("")
        ->required();
    m3uCommand->callback([&exitCode, m3u] { exitCode = M3U(*m3u); });
}

}  // namespace tv::cli
