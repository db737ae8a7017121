// list, info and tag: what the tool reads of a list file and of audio files, and
// the tags it writes.

#include <CLI/CLI.hpp>
#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "catalogue/list_file.h"
#include "catalogue/song_list.h"
#include "cli/commands.h"
#include "cli/list_loading.h"
#include "metadata/id3_tag.h"
#include "metadata/mpeg_data.h"

namespace tv::cli {
namespace {

// Prints the number of data rows and columns of a list file.
int ListCommand(const std::string& path) {
    SongList list(0);
    if (!LoadListFile(list, path)) return 1;
    std::cout << list.DataRowCount() << " rows, " << list.ColumnCount() << " columns\n";
    return 0;
}

// Which tags a file has: "ID3v1", "ID3v1.1" (with a track number),
// "ID3v2.3" ..., comma-separated; "-" for none.
std::string TagsText(const TID3Tag& tag) {
    std::string text;
    if (tag.HasID3v1()) text = tag.Track() != 0 ? "ID3v1.1" : "ID3v1";
    if (tag.HasID3v2())
        text += (text.empty() ? "" : ",") + std::string("ID3v2.") +
                std::to_string(tag.ID3v2Version());
    return text.empty() ? "-" : text;
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
           "FrameLength\tEncoder\tTitle\tArtist\tAlbum\tYear\tComment\tGenre\tTags\n";
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
                  << '\t' << Cell(tag.Genre()) << '\t' << TagsText(tag) << '\n';
    }
    return result;
}

struct TagCall {
    std::optional<std::string> Title, Artist, Album, Year, Comment, Genre;
    std::vector<std::string> Files;
};

// Writes the values given into each file's tags, as OK in the details panel
// does (without changing the values); 1 when a file could not be written.
int TagCommand(const TagCall& call) {
    int result = 0;
    for (const std::string& file : call.Files) {
        try {
            TID3Tag tag;
            tag.SetFileName(file);
            if (!tag.ReadFromFile())
                throw std::system_error(std::make_error_code(std::errc::no_such_file_or_directory));
            if (call.Title) tag.SetTitle(*call.Title);
            if (call.Artist) tag.SetArtist(*call.Artist);
            if (call.Album) tag.SetAlbum(*call.Album);
            if (call.Year) tag.SetYear(*call.Year);
            if (call.Comment) tag.SetComment(*call.Comment);
            if (call.Genre) tag.SetGenre(*call.Genre);
            tag.Save();
        } catch (const std::system_error& error) {
            std::cerr << "tunevault-tool: " << file << ": " << error.code().message() << "\n";
            result = 1;
        }
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

    auto tag = std::make_shared<TagCall>();
    CLI::App* tagCommand = app.add_subcommand(
        "tag", "schreibt Werte in die Tags der Dateien (ID3v1, und ID3v2, wo die Datei eines hat)");
    tagCommand->add_option("--title", tag->Title, "der Titel");
    tagCommand->add_option("--artist", tag->Artist, "der Interpret");
    tagCommand->add_option("--album", tag->Album, "das Album");
    tagCommand->add_option("--year", tag->Year, "das Jahr");
    tagCommand->add_option("--comment", tag->Comment, "der Kommentar");
    tagCommand->add_option("--genre", tag->Genre, "das Genre");
    tagCommand->add_option("DATEI", tag->Files, "Audiodateien")->type_name("")->required();
    tagCommand->callback([&exitCode, tag] { exitCode = TagCommand(*tag); });
}

}  // namespace tv::cli
