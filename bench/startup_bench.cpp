// The program's start with a catalogue of 100,000 rows (or TV_BENCH_ROWS), offscreen: from creating
// the main window to the lists shown and loaded; then scrolling and selecting.
//   QT_QPA_PLATFORM=offscreen build/bin/startup_bench

#include <benchmark/benchmark.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
#include <QTimer>
#include <algorithm>
#include <fstream>

#include "app/ui/main_window.h"
#include "bench/catalogue_fixture.h"
#include "bench/qt_benchmark_main.h"
#include "bench/silent_prompts.h"
#include "catalogue/ui/song_grid.h"

namespace {

std::filesystem::path ProgramFolder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("tunevault-startup-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path);
        std::ofstream(path / "ALL_SONGS.TSV", std::ios::binary)
            << tv::bench::MakeCatalogueText(tv::bench::BenchRows());
        return path;
    }();
    return folder;
}

void BM_StartUpWithLargeCatalogue(benchmark::State& state) {
    tv::bench::SilentPrompts prompts;
    for (auto _ : state) {
        auto form = std::make_unique<tv::TForm1>(ProgramFolder(), prompts);
        form->show();
        while (!form->IsStartedUp()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        QApplication::processEvents();  // first paint of the filled list
        state.PauseTiming();
        form.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_StartUpWithLargeCatalogue)->Unit(benchmark::kMillisecond)->Iterations(3);

// One page down through the list and a repaint; then selecting all rows.
void BM_ScrollAndSelect(benchmark::State& state) {
    tv::bench::SilentPrompts prompts;
    tv::TForm1 form(ProgramFolder(), prompts);
    form.show();
    while (!form.IsStartedUp()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    tv::SongGrid* grid = form.StGrdMain();
    QScrollBar* bar = grid->verticalScrollBar();
    int step = 0;
    for (auto _ : state) {
        bar->setValue((bar->value() + bar->pageStep()) % bar->maximum());
        grid->viewport()->repaint();
        if (++step % 100 == 0) form.MarkAllMainClick();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_ScrollAndSelect)->Unit(benchmark::kMicrosecond);

// A change to the 100,000-row catalogue until the autosave has written it: the
// time (quiet period included), and the longest stall of the window's thread
// meanwhile ("stall_ms"), seen as the longest gap between the ticks of a 1 ms
// timer, which runs whenever the event loop does.
void BM_AutosaveStall(benchmark::State& state) {
    tv::bench::SilentPrompts prompts;
    tv::TForm1 form(ProgramFolder(), prompts);
    form.show();
    while (!form.IsStartedUp()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    const std::filesystem::path file = ProgramFolder() / "ALL_SONGS.TSV";
    double longestStall = 0;
    int round = 0;
    for (auto _ : state) {
        const std::string mark = "Autosave " + std::to_string(++round);
        form.Catalogue().SetCell(50000, 0, mark);
        QElapsedTimer sinceTick;
        sinceTick.start();
        QTimer tick;
        QObject::connect(&tick, &QTimer::timeout, [&] {
            longestStall = std::max(longestStall, static_cast<double>(sinceTick.nsecsElapsed()) / 1e6);
            sinceTick.restart();
        });
        tick.start(1);
        // The file is replaced by a new one (a rename): its inode changes.
        const auto inode = [&] {
            struct stat info {};
            return ::stat(file.c_str(), &info) == 0 ? info.st_ino : 0;
        };
        const ino_t before = inode();
        while (inode() == before) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        tick.stop();
        state.PauseTiming();
        std::ifstream in(file, std::ios::binary);
        const std::string text((std::istreambuf_iterator<char>(in)), {});
        if (text.find(mark + "\t") == std::string::npos) state.SkipWithError("change not saved");
        state.ResumeTiming();
    }
    state.counters["stall_ms"] = longestStall;
}
BENCHMARK(BM_AutosaveStall)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    const int result = tv::bench::RunQtBenchmarks(argc, argv);
    std::filesystem::remove_all(ProgramFolder());
    return result;
}
