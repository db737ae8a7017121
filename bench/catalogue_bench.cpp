// Speed and memory of the song lists with a catalogue of 100,000 rows (or
// TV_BENCH_ROWS).
//   build/bin/catalogue_bench --benchmark_min_time=0.5
//   TV_BENCH_ROWS=1000000 build/bin/catalogue_bench

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>

#include "bench/catalogue_fixture.h"
#include "catalogue/list_operations.h"

namespace {

const int kRows = tv::bench::BenchRows();

const std::string& CatalogueText() {
    static const std::string text = tv::bench::MakeCatalogueText(kRows);
    return text;
}

// A temporary folder with the catalogue file, removed when the program ends.
struct BenchFiles {
    BenchFiles()
        : Folder(std::filesystem::temp_directory_path() /
                 ("tunevault-bench-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(Folder);
        std::ofstream(Folder / "ALL_SONGS.TSV", std::ios::binary) << CatalogueText();
    }
    ~BenchFiles() { std::filesystem::remove_all(Folder); }
    std::filesystem::path Folder;
};

const std::filesystem::path& BenchFolder() {
    static const BenchFiles files;
    return files.Folder;
}

std::unique_ptr<tv::SongList> LoadedCatalogue() {
    auto list = std::make_unique<tv::SongList>(tv::kSongColumnCount);
    tv::ReadListText(*list, CatalogueText());
    return list;
}

void BM_LoadList(benchmark::State& state) {
    const auto path = BenchFolder() / "ALL_SONGS.TSV";
    std::size_t heap = 0;
    for (auto _ : state) {
        // Heap in use: the arena's and the blocks malloc maps on their own.
        const std::size_t before = mallinfo2().uordblks + mallinfo2().hblkhd;
        auto list = std::make_unique<tv::SongList>(tv::kSongColumnCount);
        tv::LoadList(*list, path);
        heap = mallinfo2().uordblks + mallinfo2().hblkhd - before;
        benchmark::DoNotOptimize(list->DataRowCount());
        state.PauseTiming();
        list.reset();
        state.ResumeTiming();
    }
    state.counters["file_MB"] = static_cast<double>(CatalogueText().size()) / 1e6;
    state.counters["heap_MB"] = static_cast<double>(heap) / 1e6;
}
BENCHMARK(BM_LoadList)->Unit(benchmark::kMillisecond);

void BM_SaveList(benchmark::State& state) {
    const auto list = LoadedCatalogue();
    const auto path = BenchFolder() / "SAVED.TSV";
    for (auto _ : state) tv::SaveList(*list, path);
}
BENCHMARK(BM_SaveList)->Unit(benchmark::kMillisecond);

void BM_AppendUniqueRowsIntoEmptyList(benchmark::State& state) {
    const auto source = LoadedCatalogue();
    for (auto _ : state) {
        state.PauseTiming();
        auto target = std::make_unique<tv::SongList>(tv::kCopyColumnCount);
        state.ResumeTiming();
        benchmark::DoNotOptimize(tv::AppendUniqueRows(*source, *target, 1, source->DataRowCount()));
        state.PauseTiming();
        target.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_AppendUniqueRowsIntoEmptyList)->Unit(benchmark::kMillisecond);

// Half the look-ups hit, half miss (a name differing in letter case is another file).
void BM_FindSongRow(benchmark::State& state) {
    const auto list = LoadedCatalogue();
    std::vector<std::string> names;
    std::mt19937 random(3);
    for (int i = 0; i < 4096; ++i) {
        std::string name(list->Cell(1 + static_cast<int>(random() % kRows), tv::colFileName));
        if (i % 2) {
            for (char& c : name) c = tv::FoldAsciiLetter(c);
            name += ".missing";
        }
        names.push_back(std::move(name));
    }
    tv::FindSongRow(*list, names[0], tv::colFileName);  // the index is built once
    std::size_t i = 0;
    for (auto _ : state)
        benchmark::DoNotOptimize(tv::FindSongRow(*list, names[i++ & 4095], tv::colFileName));
}
BENCHMARK(BM_FindSongRow);

enum Order { kRandom, kSorted, kReversed, kAllEqual };

void BM_SortListByColumn(benchmark::State& state) {
    const auto order = static_cast<Order>(state.range(0));
    auto list = LoadedCatalogue();
    if (order == kSorted || order == kReversed)
        tv::SortListByColumn(*list, tv::colTitle, order == kSorted);
    if (order == kAllEqual)
        for (int r = 1; r <= list->DataRowCount(); ++r) list->SetCell(r, tv::colTitle, "Gleich");
    for (auto _ : state) {
        state.PauseTiming();
        auto copy = std::make_unique<tv::SongList>(tv::kSongColumnCount);
        tv::ReadListText(*copy, tv::FormatListText(*list));
        state.ResumeTiming();
        tv::SortListByColumn(*copy, tv::colTitle, true);
        state.PauseTiming();
        copy.reset();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_SortListByColumn)
    ->Arg(kRandom)
    ->Arg(kSorted)
    ->Arg(kReversed)
    ->Arg(kAllEqual)
    ->ArgNames({"order(0=random,1=sorted,2=reversed,3=equal)"})
    ->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
