// Reading the ID3v1 tag and the MPEG data of 5,000 real files (warm cache), side by
// side with TagLib reading the same files (fast read style: ID3v1 tag and audio
// properties).
//   build-release/bin/metadata_bench

#include <benchmark/benchmark.h>
#include <taglib/audioproperties.h>
#include <taglib/id3v1tag.h>
#include <taglib/mpegfile.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "metadata/id3_tag.h"
#include "metadata/mpeg_data.h"

namespace {

constexpr int kFiles = 5000;

// Copies of the test files (lame output of every kind) in a temporary folder.
struct BenchFiles {
    BenchFiles()
        : Folder(std::filesystem::temp_directory_path() /
                 ("tunevault-metadata-" + std::to_string(::getpid()))) {
        std::filesystem::create_directories(Folder);
        std::vector<std::filesystem::path> sources;
        for (const auto& entry : std::filesystem::directory_iterator(TV_TEST_DATA_DIR "/mp3")) {
            const std::string name = entry.path().filename().string();
            if (name.ends_with(".mp3") && name != "truncated.mp3") sources.push_back(entry.path());
        }
        for (int i = 0; i < kFiles; ++i) {
            Paths.push_back(Folder / ("song " + std::to_string(i) + ".mp3"));
            std::filesystem::copy_file(sources[static_cast<std::size_t>(i) % sources.size()],
                                       Paths.back());
        }
    }
    ~BenchFiles() { std::filesystem::remove_all(Folder); }
    std::filesystem::path Folder;
    std::vector<std::filesystem::path> Paths;
};

const BenchFiles& Files() {
    static const BenchFiles files;
    return files;
}

void BM_TuneVaultTagAndMPEGData(benchmark::State& state) {
    const auto& paths = Files().Paths;
    for (auto _ : state) {
        for (const auto& path : paths) {
            tv::TMPEGData data;
            tv::ReadMPEGData(path, data);
            tv::TID3Tag tag;
            tag.SetFileName(path.string());
            benchmark::DoNotOptimize(data.Duration + data.BitRate + tag.Title().size());
        }
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_TuneVaultTagAndMPEGData)->Unit(benchmark::kMillisecond);

void BM_TagLibFastRead(benchmark::State& state) {
    const auto& paths = Files().Paths;
    for (auto _ : state) {
        for (const auto& path : paths) {
            TagLib::MPEG::File file(path.c_str(), true, TagLib::AudioProperties::Fast);
            int seconds = 0, bitrate = 0;
            if (const auto* properties = file.audioProperties()) {
                seconds = properties->lengthInSeconds();
                bitrate = properties->bitrate();
            }
            std::size_t title = 0;
            if (TagLib::ID3v1::Tag* tag = file.ID3v1Tag(false)) title = tag->title().size();
            benchmark::DoNotOptimize(seconds + bitrate + title);
        }
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_TagLibFastRead)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
