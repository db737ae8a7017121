// add: catalogues folder trees into a list file without the window, with the
// window's rules for which files count and what their rows hold.

#include <fcntl.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <iostream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <unordered_set>
#include <vector>

#include "base/safe_open.h"
#include "catalogue/list_file.h"
#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"
#include "cli/commands.h"
#include "cli/list_loading.h"
#include "tools/folder_scan.h"
#include "tools/song_cells.h"

namespace tv::cli {
namespace {

struct AddCall {
    std::string Types = "mp3,wav,wma";
    std::vector<std::string> Folders;  // the folders, then the list file last
};

// The types named in a comma-separated text; false for a name that is no type.
bool ParseTypes(const std::string& text, AudioTypes& types) {
    types = AudioTypes{false, false, false, false};
    std::stringstream names(text);
    for (std::string name; std::getline(names, name, ',');) {
        for (char& c : name) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (name == "mp3")
            types.Mp3 = true;
        else if (name == "mp2")
            types.Mp2 = true;
        else if (name == "wav")
            types.Wav = true;
        else if (name == "wma")
            types.Wma = true;
        else
            return false;
    }
    return types.Mp3 || types.Mp2 || types.Wav || types.Wma;
}

// Progress on standard error, ten times a second, when it is a terminal.
class Progress {
  public:
    Progress() : shown_(::isatty(STDERR_FILENO) == 1) {}
    void Show(const char* what, std::size_t done, std::size_t total, bool last = false) {
        if (!shown_) return;
        const std::int64_t now = std::chrono::duration_cast<std::chrono::milliseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count();
        if (!last && now - lastShownMs_ < 100) return;
        lastShownMs_ = now;
        std::cerr << "\r" << what << ": " << done;
        if (total > 0) std::cerr << " von " << total;
        std::cerr << "   " << (last ? "\n" : "") << std::flush;
    }

  private:
    bool shown_;
    std::int64_t lastShownMs_ = -1000;
};

// Reads the rows of the files, several at once; rows[i] for files[i]. A file that
// cannot be opened for reading gets no row and its reason in problems[i].
void ReadRows(const std::vector<std::string>& files, std::vector<std::vector<std::string>>& rows,
              std::vector<std::string>& problems, Progress& progress) {
    rows.assign(files.size(), {});
    problems.assign(files.size(), {});
    std::atomic<std::size_t> next{0}, done{0};
    const auto readOne = [&](std::size_t i) {
        std::error_code error;
        if (!OpenRegularFile(files[i], O_RDONLY, error).Valid())
            problems[i] = error.message();
        else
            rows[i] = SongCellsOfFile(files[i]);
        ++done;
    };
    const auto work = [&] {
        for (std::size_t i = next++; i < files.size(); i = next++) readOne(i);
    };
    const unsigned workers = std::clamp<unsigned>(std::thread::hardware_concurrency(), 1, 8);
    std::vector<std::jthread> threads;
    for (unsigned t = 1; t < workers; ++t) threads.emplace_back(work);
    // This thread reads too, and shows the progress.
    for (std::size_t i = next++; i < files.size(); i = next++) {
        readOne(i);
        progress.Show("Gelesen", done, files.size());
    }
    threads.clear();
    progress.Show("Gelesen", done, files.size(), true);
}

int AddCommand(const AddCall& call) {
    AudioTypes types;
    if (!ParseTypes(call.Types, types)) {
        std::cerr << "tunevault-tool: --types: nur mp3, mp2, wav und wma, durch Kommas getrennt\n";
        return 2;
    }
    const std::vector<std::string> folders(call.Folders.begin(), call.Folders.end() - 1);
    const std::string& listPath = call.Folders.back();
    int result = 0;

    SongList list(kSongColumnCount);
    std::error_code existsError;
    if (std::filesystem::symlink_status(listPath, existsError).type() !=
            std::filesystem::file_type::not_found &&
        !LoadListFile(list, listPath))
        return 1;  // a list that cannot be read is never written over
    list.EnsureColumnCount(kSongColumnCount);

    // The files to add: in the order of the walk, each path once, none the list has.
    Progress progress;
    std::vector<std::string> files;
    std::unordered_set<std::string> seen;
    std::size_t found = 0;
    for (const std::string& folder : folders) {
        std::error_code error;
        if (!std::filesystem::is_directory(folder, error)) {
            std::cerr << "tunevault-tool: " << folder << ": "
                      << (error ? error.message() : "kein Verzeichnis") << "\n";
            result = 1;
            continue;
        }
        ScanAudioFolder(
            folder, types,
            [&] {
                progress.Show("Gefunden", found, 0);
                return true;
            },
            [&](const std::string& path) {
                ++found;
                if (path.find_first_of("\t\r\n") != std::string::npos) {
                    // A list file's cell cannot hold these: the row would name
                    // another file.
                    std::cerr << "tunevault-tool: " << path
                              << ": der Name enthält einen Tabulator oder Zeilenumbruch und "
                                 "kann nicht in eine Liste\n";
                    result = 1;
                    return;
                }
                if (FindSongRow(list, path, colFileName) > 0 || !seen.insert(path).second) return;
                files.push_back(path);
            });
    }
    progress.Show("Gefunden", found, 0, true);

    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> problems;
    ReadRows(files, rows, problems, progress);
    int added = 0;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!problems[i].empty()) {
            std::cerr << "tunevault-tool: " << files[i] << ": " << problems[i] << "\n";
            result = 1;
            continue;
        }
        const int row = RowForNewEntry(list);
        for (int c = 0; c < kSongColumnCount; ++c)
            list.SetCell(row, c, rows[i][static_cast<std::size_t>(c)]);
        ++added;
    }
    try {
        SaveList(list, listPath);
    } catch (const std::system_error& error) {
        std::cerr << "tunevault-tool: " << listPath << ": " << error.code().message() << "\n";
        return 1;
    }
    std::cerr << added << " Dateien aufgenommen, " << found - files.size()
              << " schon in der Liste\n";
    return result;
}

}  // namespace

void AddAddCommand(CLI::App& app, int& exitCode) {
    auto call = std::make_shared<AddCall>();
    CLI::App* add = app.add_subcommand(
        "add", "nimmt die Audiodateien von Verzeichnisbäumen in eine Liste auf (wie Autoadding)");
    add->add_option("--types", call->Types, "die Dateiarten, z. B. mp3,wav (mp3, mp2, wav, wma)")
        ->type_name("ARTEN");
    add->add_option("VERZEICHNIS... LISTE", call->Folders,
                    "die Verzeichnisse, dann die Listendatei (.TSV)")
        ->type_name("")
        ->required()
        ->expected(2, -1);
    add->callback([&exitCode, call] { exitCode = AddCommand(*call); });
}

}  // namespace tv::cli
