// tunevault-tool: the program's core functions on the command line, without Qt.

#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>
#include <vector>

#include "catalogue/list_file.h"
#include "catalogue/song_list.h"
#include "cli/burn_command.h"
#include "cli/collection_commands.h"
#include "cli/drives_command.h"
#include "cli/iso_command.h"
#include "metadata/id3_tag.h"
#include "metadata/mpeg_data.h"

namespace {

constexpr char kVersion[] = "2.01";

int Usage() {
    std::cerr
        << "Aufruf:\n"
           "  tunevault-tool --version\n"
           "  tunevault-tool list DATEI.TSV\n"
           "  tunevault-tool info DATEI...\n"
           "  tunevault-tool drives [--sim MEDIUM] [--sim-image DATEI [--sim-overwrite]]\n"
           "  tunevault-tool iso -o ABBILD [--no-joliet] [--volume-id TEXT] [--keep-path]\n"
           "                     [--session-start LBA] DATEI...\n"
           "  tunevault-tool burn (--device ID | --image ABBILD) [--test-write] [--no-joliet]\n"
           "                      [--volume-id TEXT] [--sim MEDIUM [--sim-image DATEI]] "
           "DATEI...\n"
           "  tunevault-tool erase --device ID [--full] [--sim MEDIUM [--sim-image DATEI]]\n"
           "  tunevault-tool search [--field "
           "titel|interpret|album|genre|jahr|dateiname|kommentar]\n"
           "                        TEXT LISTE.TSV\n"
           "  tunevault-tool doubles [--name] [--title] [--artist] [--length] [--exact] [--case]\n"
           "                         LISTE.TSV\n"
           "  tunevault-tool export --format csv|csv-semicolon|html LISTE.TSV DATEI\n"
           "  tunevault-tool m3u LISTE.TSV DATEI.m3u\n";
    return 2;
}

// Prints the number of data rows and columns of a list file.
int ListCommand(const std::filesystem::path& path) {
    tv::SongList list(0);
    try {
        tv::LoadList(list, path);
    } catch (const std::system_error& error) {
        std::cerr << "tunevault-tool: " << path.string() << ": " << error.code().message() << "\n";
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

// Prints what the MPEG analysis and the ID3v1 tag give for each file.
int InfoCommand(const std::vector<std::string>& files) {
    std::cout
        << "path\tresult\tDuration\tFileSize\tVersion\tLayer\tSampleRate\tBitRate\tChannelMode\t"
           "FrameLength\tEncoder\tTitle\tArtist\tAlbum\tYear\tComment\tGenre\n";
    for (const std::string& file : files) {
        std::cout << Cell(file) << '\t';
        tv::TMPEGData data;
        try {
            const int result = tv::ReadMPEGData(file, data);
            std::cout << result << '\t' << data.Duration << '\t' << data.FileSize << '\t'
                      << int{data.Version} << '\t' << int{data.Layer} << '\t' << data.SampleRate
                      << '\t' << data.BitRate << '\t' << int{data.ChannelMode} << '\t'
                      << data.FrameLength << '\t' << data.Encoder;
        } catch (const std::exception&) {
            std::cout << "error\t\t\t\t\t\t\t\t\t";
        }
        tv::TID3Tag tag;
        try {
            tag.SetFileName(file);
        } catch (const std::system_error&) {
            tag = tv::TID3Tag();
        }
        std::cout << '\t' << Cell(tag.Title()) << '\t' << Cell(tag.Artist()) << '\t'
                  << Cell(tag.Album()) << '\t' << Cell(tag.Year()) << '\t' << Cell(tag.Comment())
                  << '\t' << Cell(tag.Genre()) << '\n';
    }
    return 0;
}

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    if (command == "--version" && argc == 2) {
        std::cout << "tunevault-tool " << kVersion << "\n";
        return 0;
    }
    if (command == "list" && argc == 3) return ListCommand(argv[2]);
    if (command == "iso")
        return tv::cli::IsoCommand(std::vector<std::string>(argv + 2, argv + argc));
    if (command == "burn")
        return tv::cli::BurnCommand(std::vector<std::string>(argv + 2, argv + argc));
    if (command == "erase")
        return tv::cli::EraseCommand(std::vector<std::string>(argv + 2, argv + argc));
    if (command == "drives")
        return tv::cli::DrivesCommand(std::vector<std::string>(argv + 2, argv + argc));
    const std::vector<std::string> rest(argv + 2, argv + argc);
    if (command == "search") return tv::cli::SearchCommand(rest);
    if (command == "doubles") return tv::cli::DoublesCommand(rest);
    if (command == "export") return tv::cli::ExportCommand(rest);
    if (command == "m3u") return tv::cli::M3UCommand(rest);
    if (command == "info" && argc >= 3)
        return InfoCommand(std::vector<std::string>(argv + 2, argv + argc));
    return Usage();
}
