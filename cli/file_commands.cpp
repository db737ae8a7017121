// list and info: what the tool reads of a list file and of audio files.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>
#include <system_error>
#include <vector>

#include "catalogue/list_file.h"
#include "catalogue/song_list.h"
#include "cli/commands.h"
#include "metadata/id3_tag.h"
#include "metadata/mpeg_data.h"

namespace tv::cli {
namespace {

// Prints the number of data rows and columns of a list file.
int ListCommand(const std::string& path) {
    SongList list(0);
    try {
        LoadList(list, path);
    } catch (const std::system_error& error) {
        std::cerr << "tunevault-tool: " << path << ": " << error.code().message() << "\n";
        return 1;
    }
    std::cout << list.DataRowCount() << " rows, " << list.ColumnCount() << " columns\n";
    return 0;
}

// A text for one TAB-separated column: TAB and line breaks become blanks.
std::string Cell(std::string text) {
    for (char& c : text)
        if (c == '\t' || c == '\r' || c == '\n') c = ' ';
    return text;
}

// Prints what the MPEG analysis and the ID3v1 tag give for each file; 1 when a
// file could not be analysed (missing, unreadable, or without an MPEG frame).
int InfoCommand(const std::vector<std::string>& files) {
    std::cout
        << "path\tresult\tDuration\tFileSize\tVersion\tLayer\tSampleRate\tBitRate\tChannelMode\t"
           "FrameLength\tEncoder\tTitle\tArtist\tAlbum\tYear\tComment\tGenre\n";
    int result = 0;
    for (const std::string& file : files) {
        std::cout << Cell(file) << '\t';
        TMPEGData data;
        try {
            const int analysed = ReadMPEGData(file, data);
            if (analysed != 0) result = 1;  // missing, or no MPEG frame in it
            std::cout << analysed << '\t' << data.Duration << '\t' << data.FileSize << '\t'
                      << int{data.Version} << '\t' << int{data.Layer} << '\t' << data.SampleRate
                      << '\t' << data.BitRate << '\t' << int{data.ChannelMode} << '\t'
                      << data.FrameLength << '\t' << data.Encoder;
        } catch (const std::exception&) {
            std::cout << "error\t\t\t\t\t\t\t\t\t";
            result = 1;
        }
        TID3Tag tag;
        try {
            tag.SetFileName(file);
        } catch (const std::system_error&) {
            tag = TID3Tag();
        }
        std::cout << '\t' << Cell(tag.Title()) << '\t' << Cell(tag.Artist()) << '\t'
                  << Cell(tag.Album()) << '\t' << Cell(tag.Year()) << '\t' << Cell(tag.Comment())
                  << '\t' << Cell(tag.Genre()) << '\n';
    }
    return result;
}

}  // namespace

void AddFileCommands(CLI::App& app, int& exitCode) {
    auto path = std::make_shared<std::string>();
    CLI::App* list = app.add_subcommand("list", "Datenzeilen und Spalten einer Listendatei");
    list->add_option("LISTE", *path, "die Listendatei (.TSV)")->type_name("")->required();
    list->callback([&exitCode, path] { exitCode = ListCommand(*path); });

    auto files = std::make_shared<std::vector<std::string>>();
    CLI::App* info =
        app.add_subcommand("info", "MPEG-Daten und ID3v1-Tag von Audiodateien, TAB-getrennt");
    info->add_option("DATEI", *files, "Audiodateien")->type_name("")->required();
    info->callback([&exitCode, files] { exitCode = InfoCommand(*files); });
}

}  // namespace tv::cli
