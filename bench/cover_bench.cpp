// Showing the cover of a catalogue row whose "folder.jpg" is a 3000 × 3000 JPEG:
// from the row to the 137-pixel picture (and the cover window's), against a full
// decode of the same file scaled down, in the same run.
//   QT_QPA_PLATFORM=offscreen build-release/bin/cover_bench

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QImage>
#include <fstream>
#include <random>

#include "app/ui/main_window.h"
#include "base/atomic_file.h"
#include "bench/qt_benchmark_main.h"
#include "bench/silent_prompts.h"
#include "picture/jpeg_codec.h"
#include "picture/ui/cover_window.h"
#include "picture/ui/picture_box.h"

namespace {

// A photo-like picture: soft gradients, a few shapes and a little grain.
tv::RgbImage PhotoLike(int size) {
    tv::RgbImage image;
    image.Width = image.Height = size;
    image.Pixels.resize(static_cast<std::size_t>(size) * size * 3);
    std::mt19937 random(7);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            std::uint8_t* p = &image.Pixels[(static_cast<std::size_t>(y) * size + x) * 3];
            const int grain = static_cast<int>(random() % 9) - 4;
            const bool disc =
                (x - size / 2) * (x - size / 2) + (y - size / 2) * (y - size / 2) < size * size / 9;
            p[0] = static_cast<std::uint8_t>(std::clamp(x * 255 / size + grain, 0, 255));
            p[1] = static_cast<std::uint8_t>(
                std::clamp((disc ? 200 : y * 255 / size) + grain, 0, 255));
            p[2] = static_cast<std::uint8_t>(std::clamp(128 + grain, 0, 255));
        }
    return image;
}

std::filesystem::path ProgramFolder() {
    static const std::filesystem::path folder = [] {
        auto path = std::filesystem::temp_directory_path() /
                    ("tunevault-cover-" + std::to_string(::getpid()));
        std::filesystem::create_directories(path / "Album");
        const std::vector<std::uint8_t> jpeg = tv::EncodeJpeg(PhotoLike(3000), 90);
        std::ofstream(path / "Album" / "folder.jpg", std::ios::binary)
            .write(reinterpret_cast<const char*>(jpeg.data()),
                   static_cast<std::streamsize>(jpeg.size()));
        std::ofstream(path / "Album" / "lied.mp3", std::ios::binary) << std::string(4096, '\0');
        std::ofstream(path / "ALL_SONGS.TSV", std::ios::binary)
            << "Titel\tInterpret\tZeit\tAlbum\tGenre\tJahr\tBitrate\tDateiname\tKommentar\tgespielt"
               "\t"
               "zuletzt\tImage\t\r\nLied\tBand\t03:00\tAlbum\tRock\t2000\t128\t"
            << (path / "Album" / "lied.mp3").string() << "\t\t\t\t\t\r\n";
        return path;
    }();
    return folder;
}

// From the row to its cover on the screen in the main picture (the open cover
// window's picture is decoded right after, untimed); with
// Arg 1 the file is new each time (its modification time changes), with Arg 0
// it is the picture the previous song of the album showed.
void BM_CoverOfCatalogueRow(benchmark::State& state) {
    tv::bench::SilentPrompts prompts;
    tv::TForm1 form(ProgramFolder(), prompts);
    form.show();
    while (!form.IsStartedUp()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
    form.SIShowCoverClick();
    QApplication::processEvents();
    const std::filesystem::path picture = ProgramFolder() / "Album" / "folder.jpg";
    auto modified = std::filesystem::last_write_time(picture);
    for (auto _ : state) {
        if (state.range(0) == 1) {
            state.PauseTiming();
            modified += std::chrono::seconds(1);
            std::filesystem::last_write_time(picture, modified);
            state.ResumeTiming();
        }
        form.KDImage1()->Clear();
        form.ShowCatalogueCover(1);
        form.KDImage1()->repaint();  // the small picture is on the screen
        state.PauseTiming();
        QApplication::processEvents();  // the cover window's picture follows
        form.ImagePanel()->KDImage1()->repaint();
        state.ResumeTiming();
    }
    state.counters["small_px"] = form.KDImage1()->Preview().width();
    state.counters["large_px"] = form.ImagePanel()->KDImage1()->Preview().width();
}
BENCHMARK(BM_CoverOfCatalogueRow)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

// The same file decoded at full size and scaled smoothly to 137 pixels.
void BM_FullDecodeScaled(benchmark::State& state) {
    const std::string data = tv::ReadWholeFile(ProgramFolder() / "Album" / "folder.jpg");
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(data.data()),
                                              data.size());
    for (auto _ : state) {
        const tv::RgbImage image = tv::DecodeJpeg(bytes);
        const QImage view(image.Pixels.data(), image.Width, image.Height, image.Width * 3,
                          QImage::Format_RGB888);
        benchmark::DoNotOptimize(
            view.scaled(137, 137, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    }
}
BENCHMARK(BM_FullDecodeScaled)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {
// The decode alone, as large as a box of the given size needs.
void BM_DecodeForBox(benchmark::State& state) {
    const std::string data = tv::ReadWholeFile(ProgramFolder() / "Album" / "folder.jpg");
    state.counters["bytes"] = data.size();
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(data.data()),
                                              data.size());
    for (auto _ : state)
        benchmark::DoNotOptimize(tv::DecodeJpeg(bytes, state.range(0), state.range(0)));
}
BENCHMARK(BM_DecodeForBox)->Arg(137)->Arg(656)->Unit(benchmark::kMillisecond);
}  // namespace

int main(int argc, char** argv) {
    const int result = tv::bench::RunQtBenchmarks(argc, argv);
    std::filesystem::remove_all(ProgramFolder());
    return result;
}
