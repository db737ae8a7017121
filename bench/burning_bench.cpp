// The burner's file tree: many files of one name, each numbered as it enters
// (the burn dialog builds the tree in its job setup, on the window's thread).
//   build-release/bin/burning_bench

#include <benchmark/benchmark.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "burning/disc_burner.h"
#include "drive/drive_layer.h"

namespace {

class NoDrives final : public tv::SgSystem {
  public:
    std::vector<std::string> OpticalDrives() override { return {}; }
    int Open(const std::string&, int) override { return -1; }
    int Ioctl(int, unsigned long, void*) override { return -1; }
    int Close(int) override { return 0; }
};

// count folders, each with one "Titel.mp3" (the same Joliet name for all).
const std::vector<std::string>& SameNameFiles(int count) {
    static std::vector<std::string> files;
    if (!files.empty()) return files;
    std::string pattern = (std::filesystem::temp_directory_path() / "tv-same-XXXXXX").string();
    const std::filesystem::path root = ::mkdtemp(pattern.data());
    for (int i = 0; i < count; ++i) {
        const auto folder = root / std::to_string(i);
        std::filesystem::create_directory(folder);
        std::ofstream(folder / "Titel.mp3") << "x";
        files.push_back((folder / "Titel.mp3").string());
    }
    return files;
}

void BM_FilesOfOneName(benchmark::State& state) {
    const auto& files = SameNameFiles(static_cast<int>(state.range(0)));
    tv::DriveLayer layer(std::make_shared<NoDrives>());
    tv::TDiscBurner burner(layer);
    for (auto _ : state) {
        burner.ResetImage(65535, 8191);
        for (const std::string& file : files) burner.InsertFile("\\", file, false);
        benchmark::DoNotOptimize(burner.Files().size());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_FilesOfOneName)->Arg(12000)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
