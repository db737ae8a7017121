// Reading the tags and the MPEG data of 5,000 real files (warm cache), side by side
// with TagLib reading the same files: files with an ID3v1 tag only (TagLib's fast
// read style), and files with an ID3v2 tag (2.3 and 2.4, some with a cover
// picture) against TagLib's full read (tags and audio properties).
//   build-release/bin/metadata_bench

#include <benchmark/benchmark.h>
#include <taglib/audioproperties.h>
#include <taglib/id3v1tag.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tag.h>
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

// The same files, each with an ID3v2 tag written by TagLib (2.3 and 2.4 in turn;
// the cover picture's file keeps its picture).
struct Id3v2Files {
    Id3v2Files() {
        const BenchFiles& plain = Files();
        Folder = plain.Folder / "v2";
        std::filesystem::create_directories(Folder);
        for (int i = 0; i < kFiles; ++i) {
            Paths.push_back(Folder / ("song " + std::to_string(i) + ".mp3"));
            std::filesystem::copy_file(plain.Paths[static_cast<std::size_t>(i)], Paths.back());
            TagLib::MPEG::File file(Paths.back().c_str(), false);
            TagLib::ID3v2::Tag* tag = file.ID3v2Tag(true);
            tag->setTitle(TagLib::String("Ein Titel über dreißig Zeichen Länge Nr. " +
                                             std::to_string(i),
                                         TagLib::String::UTF8));
            tag->setArtist(TagLib::String("Die Ärzte", TagLib::String::UTF8));
            tag->setAlbum("Album");
            tag->setComment("Kommentar");
            tag->setGenre("Rock");
            tag->setYear(1998);
            file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone,
                      i % 2 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4, TagLib::File::DoNotDuplicate);
        }
    }
    std::filesystem::path Folder;
    std::vector<std::filesystem::path> Paths;
};

const Id3v2Files& FilesWithId3v2() {
    static const Id3v2Files files;
    return files;
}

void ReadWithTuneVault(const std::vector<std::filesystem::path>& paths) {
    for (const auto& path : paths) {
        tv::TMPEGData data;
        tv::ReadMPEGData(path, data);
        tv::TID3Tag tag;
        tag.SetFileName(path.string());
        benchmark::DoNotOptimize(data.Duration + data.BitRate + tag.Title().size());
    }
}

void BM_TuneVaultTagAndMPEGData(benchmark::State& state) {
    const auto& paths = Files().Paths;
    for (auto _ : state) ReadWithTuneVault(paths);
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

void BM_TuneVaultId3v2AndMPEGData(benchmark::State& state) {
    const auto& paths = FilesWithId3v2().Paths;
    for (auto _ : state) ReadWithTuneVault(paths);
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_TuneVaultId3v2AndMPEGData)->Unit(benchmark::kMillisecond);

// TagLib's own full read: both tags and the audio properties.
void BM_TagLibFullReadId3v2(benchmark::State& state) {
    const auto& paths = FilesWithId3v2().Paths;
    for (auto _ : state) {
        for (const auto& path : paths) {
            TagLib::MPEG::File file(path.c_str(), true, TagLib::AudioProperties::Average);
            int seconds = 0, bitrate = 0;
            if (const auto* properties = file.audioProperties()) {
                seconds = properties->lengthInSeconds();
                bitrate = properties->bitrate();
            }
            benchmark::DoNotOptimize(seconds + bitrate + file.tag()->title().size());
        }
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}
BENCHMARK(BM_TagLibFullReadId3v2)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
