// tunevault-tool: the program's core functions on the command line, without Qt.

#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>
#include <system_error>

#include "catalogue/list_file.h"
#include "catalogue/song_list.h"

namespace {

constexpr char kVersion[] = "2.01";

int Usage() {
    std::cerr << "Aufruf:\n"
                 "  tunevault-tool --version\n"
                 "  tunevault-tool list DATEI.TSV\n";
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

}  // namespace

int main(int argc, char* argv[]) {
    if (argc < 2) return Usage();
    const std::string command = argv[1];
    if (command == "--version" && argc == 2) {
        std::cout << "tunevault-tool " << kVersion << "\n";
        return 0;
    }
    if (command == "list" && argc == 3) return ListCommand(argv[2]);
    return Usage();
}
