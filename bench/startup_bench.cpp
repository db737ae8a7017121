// The program's start with a catalogue of 100,000 rows, offscreen: from creating
// the main window to the lists shown and loaded; then scrolling and selecting.
//   QT_QPA_PLATFORM=offscreen build/bin/startup_bench

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScrollBar>
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
            << tv::bench::MakeCatalogueText(100000);
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

}  // namespace

int main(int argc, char** argv) {
    const int result = tv::bench::RunQtBenchmarks(argc, argv);
    std::filesystem::remove_all(ProgramFolder());
    return result;
}
