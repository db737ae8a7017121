// The collection tools on a catalogue of realistic rows, through the dialogs where
// the user waits for them (offscreen), and the core writers and readers.
//   build-release/bin/tools_bench              (100,000 rows; M3U: 10,000)
//   TV_BENCH_ROWS=1000000 build-release/bin/tools_bench

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <filesystem>
#include <memory>

#include "app/ui/main_window.h"
#include "bench/catalogue_fixture.h"
#include "bench/qt_benchmark_main.h"
#include "bench/silent_prompts.h"
#include "catalogue/list_file.h"
#include "catalogue/m3u_playlist.h"
#include "catalogue/song_columns.h"
#include "tools/duplicate_finder.h"
#include "tools/list_export.h"
#include "tools/song_search.h"
#include "tools/ui/doubles_dialog.h"
#include "tools/ui/find_dialog.h"
#include "tools/ui/orphans_dialog.h"

namespace {

std::filesystem::path TempPath(const std::string& name) {
    return std::filesystem::temp_directory_path() /
           ("tunevault-tools-" + std::to_string(::getpid()) + "-" + name);
}

// The program with a catalogue of rows (loaded from list text, as at start).
struct Program {
    explicit Program(int rows) : Folder(TempPath("program")) {
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder);
        Form = std::make_unique<tv::TForm1>(Folder, Prompts);
        Form->show();
        while (!Form->IsStartedUp()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        tv::ReadListText(Form->Catalogue(), tv::bench::MakeCatalogueText(rows));
    }
    ~Program() {
        Form.reset();
        std::filesystem::remove_all(Folder);
    }
    std::filesystem::path Folder;
    tv::bench::SilentPrompts Prompts;
    std::unique_ptr<tv::TForm1> Form;
};

// One press of "Suchen" in "springe zum Ergebnis" mode (the first press also
// folds the row texts) and in "in Auswahl- Fenster" mode with a rare text.
void BM_SearchPress(benchmark::State& state) {
    Program program(tv::bench::BenchRows());
    tv::TFindDlg* dialog = program.Form->FindDlg();
    dialog->SetFirstSearch(true);
    dialog->EdtFind()->setText(QStringLiteral("ELECTRIC GOLD"));
    const bool copy = state.range(0) == 1;
    (copy ? dialog->RBOwnWin() : dialog->RBJumpTo())->setChecked(true);
    if (copy) dialog->EdtFind()->setText(QStringLiteral("(4711).MP3"));
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        dialog->OKBtnClick();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(BM_SearchPress)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(20)
    ->Unit(benchmark::kMillisecond);

void BM_SearchFirstPress(benchmark::State& state) {
    for (auto _ : state) {
        Program program(tv::bench::BenchRows());
        tv::TFindDlg* dialog = program.Form->FindDlg();
        dialog->SetFirstSearch(true);
        dialog->RBJumpTo()->setChecked(true);
        dialog->EdtFind()->setText(QStringLiteral("ELECTRIC GOLD"));
        QElapsedTimer timer;
        timer.start();
        dialog->OKBtnClick();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
}
BENCHMARK(BM_SearchFirstPress)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

// The core of the first press: folding 100,000 rows and searching them.
void BM_SearchCoreFirst(benchmark::State& state) {
    tv::SongList list(0);
    tv::ReadListText(list, tv::bench::MakeCatalogueText(tv::bench::BenchRows()));
    for (auto _ : state) {
        tv::SongSearch search;
        benchmark::DoNotOptimize(search.FindFirst(list, tv::SearchField::All, "ELECTRIC GOLD", 1,
                                                  tv::bench::BenchRows()));
    }
}
BENCHMARK(BM_SearchCoreFirst)->Unit(benchmark::kMillisecond);

// The duplicate finder's core on the catalogue of TV_BENCH_ROWS rows (100,000 by
// default) for each set of criteria, similar and exact; "names" gives every row a
// file name of its own that no other contains, so that nothing is found.
void BM_DoublesCore(benchmark::State& state) {
    static tv::SongList* list = [] {
        auto* loaded = new tv::SongList(tv::kSongColumnCount);
        tv::ReadListText(*loaded, tv::bench::MakeCatalogueText(tv::bench::BenchRows()));
        return loaded;
    }();
    static tv::SongList* distinctNames = [] {
        auto* loaded = new tv::SongList(tv::kSongColumnCount);
        tv::ReadListText(*loaded, tv::bench::MakeCatalogueText(tv::bench::BenchRows()));
        char name[32];
        for (int row = 1; row <= loaded->DataRowCount(); ++row) {
            std::snprintf(name, sizeof name, "/m/Lied %09d.mp3", row);
            loaded->SetCell(row, tv::colFileName, name);
        }
        return loaded;
    }();
    const int criteria = static_cast<int>(state.range(0));
    const bool exact = state.range(1) != 0;
    const bool noMatch = state.range(2) != 0;
    std::size_t pairs = 0;
    for (auto _ : state)
        pairs = tv::FindDuplicatePairs(noMatch ? *distinctNames : *list,
                                       tv::DoubleOptions{criteria, exact, false})
                    .size();
    state.counters["pairs"] = static_cast<double>(pairs);
}
BENCHMARK(BM_DoublesCore)
    ->ArgsProduct({{tv::kDoubleByTitle, tv::kDoubleByTitle | tv::kDoubleByArtist,
                    tv::kDoubleByName, tv::kDoubleByTitle | tv::kDoubleByLength,
                    tv::kDoubleByArtist, tv::kDoubleByLength,
                    tv::kDoubleByName | tv::kDoubleByTitle | tv::kDoubleByArtist | tv::kDoubleByLength},
                   {0, 1},
                   {0}})
    ->Args({tv::kDoubleByName, 0, 1})
    ->ArgNames({"criteria", "exact", "distinct_names"})
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

// "Start" of the duplicate finder: 0 = title and artist exactly on 100,000 rows,
// 1 = similar titles on 20,000 rows.
void BM_Doubles(benchmark::State& state) {
    const bool similar = state.range(0) == 1;
    Program program(similar ? 20000 : tv::bench::BenchRows());
    tv::TFinddouble* dialog = program.Form->Finddouble();
    dialog->CBTitel()->setChecked(true);
    if (!similar) dialog->CBInterpret()->setChecked(true);
    dialog->CBExcact()->setChecked(!similar);
    dialog->CBClick();
    for (auto _ : state) {
        dialog->CBClick();
        QElapsedTimer timer;
        timer.start();
        dialog->BtnStartClick();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    state.counters["doubles"] = program.Form->Doubles().DataRowCount();
}
BENCHMARK(BM_Doubles)
    ->Arg(0)
    ->Arg(1)
    ->UseManualTime()
    ->Iterations(3)
    ->Unit(benchmark::kMillisecond);

// Orphan removal through the dialog when every one of 100,000 files exists.
void BM_Orphans(benchmark::State& state) {
    const auto music = TempPath("music");
    std::filesystem::create_directories(music);
    Program program(0);
    tv::SongList& catalogue = program.Form->Catalogue();
    const int files = tv::bench::BenchRows();
    for (int i = 0; i < files; ++i) {
        const auto folder = music / std::to_string(i / 100);
        if (i % 100 == 0) std::filesystem::create_directories(folder);
        const auto file = folder / (std::to_string(i) + ".mp3");
        if (!std::filesystem::exists(file)) ::close(::creat(file.c_str(), 0644));
        const int row = i == 0 ? 1 : catalogue.AppendRow();
        catalogue.SetCell(row, tv::colFileName, file.string());
    }
    tv::TFormDelNo* dialog = program.Form->FormDelNo();
    dialog->show();
    for (auto _ : state) {
        QElapsedTimer timer;
        timer.start();
        dialog->Timer1Timer();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }
    dialog->hide();
    if (catalogue.DataRowCount() != files) state.SkipWithError("rows were deleted");
    std::filesystem::remove_all(music);
}
BENCHMARK(BM_Orphans)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

// Export of 100,000 rows to a file: 0 = CSV, 2 = HTML.
void BM_Export(benchmark::State& state) {
    tv::SongList list(0);
    tv::ReadListText(list, tv::bench::MakeCatalogueText(tv::bench::BenchRows()));
    const auto target = TempPath("export");
    tv::ExportLook look;
    look.Header.Background = 0xFF0000;
    look.Header.Font = tv::ExportFont{0xFFFFFF, 9, false, false, false, false};
    for (auto _ : state)
        tv::WriteExport(list, static_cast<tv::ExportFormat>(state.range(0)), look, target);
    state.counters["MB"] = static_cast<double>(std::filesystem::file_size(target)) / 1e6;
    std::filesystem::remove(target);
}
BENCHMARK(BM_Export)->Arg(0)->Arg(2)->Unit(benchmark::kMillisecond);

// An M3U playlist of 10,000 entries written, and read into a playlist.
void BM_M3UWrite(benchmark::State& state) {
    tv::SongList list(0);
    tv::ReadListText(list, tv::bench::MakeCatalogueText(tv::bench::BenchRows() / 10));
    const auto target = TempPath("liste.m3u");
    for (auto _ : state) tv::WriteM3U(list, target);
    std::filesystem::remove(target);
}
BENCHMARK(BM_M3UWrite)->Unit(benchmark::kMillisecond);

void BM_M3URead(benchmark::State& state) {
    tv::SongList list(0);
    tv::ReadListText(list, tv::bench::MakeCatalogueText(tv::bench::BenchRows() / 10));
    const auto source = TempPath("liste.m3u");
    tv::WriteM3U(list, source);
    for (auto _ : state) {
        tv::SongList playlist(tv::kCopyColumnCount);
        tv::AppendM3UEntries(playlist, tv::ReadM3U(source));
        benchmark::DoNotOptimize(playlist.DataRowCount());
    }
    std::filesystem::remove(source);
}
BENCHMARK(BM_M3URead)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return tv::bench::RunQtBenchmarks(argc, argv);
}
