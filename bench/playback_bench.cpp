// Playback through the real audio backend (run with an audio server, e.g.
//   bash tests/ui/with_audio_sink.sh build-release/bin/playback_bench)
// and the random selection on a catalogue of 100,000 rows.

#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>
#include <filesystem>
#include <memory>
#include <random>

#include "app/ui/main_window.h"
#include "bench/catalogue_fixture.h"
#include "bench/qt_benchmark_main.h"
#include "bench/silent_prompts.h"
#include "catalogue/list_file.h"
#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"
#include "playback/random_pick.h"
#include "playback/ui/audio_player.h"

namespace {

double ProcessCpuSeconds() {
    rusage usage{};
    ::getrusage(RUSAGE_SELF, &usage);
    const auto seconds = [](const timeval& time) {
        return static_cast<double>(time.tv_sec) + static_cast<double>(time.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

const std::filesystem::path kData = TV_TEST_DATA_DIR "/mp3";

struct Program {
    explicit Program(int rows)
        : Folder(std::filesystem::temp_directory_path() /
                 ("tunevault-playback-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder);
        Form = std::make_unique<tv::TForm1>(Folder, Prompts);
        Form->show();
        while (!Form->IsStartedUp()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        if (rows > 0) tv::ReadListText(Form->Catalogue(), tv::bench::MakeCatalogueText(rows));
    }
    ~Program() {
        Form->Audioplayer()->BtnMEjectClick();
        Form.reset();
        std::filesystem::remove_all(Folder);
    }
    std::string Song(const char* fixture, const std::string& name) {
        const auto path = Folder / name;
        std::filesystem::copy_file(kData / fixture, path,
                                   std::filesystem::copy_options::overwrite_existing);
        return path.string();
    }
    // Runs the event loop until done() or the time is up.
    static bool Wait(const std::function<bool()>& done, int milliseconds = 10000) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < milliseconds)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
        return done();
    }
    // The same without spinning (processEvents with a time does not sleep): an
    // event loop that looks every 50 ms, for figures of the processor time.
    static bool WaitIdle(const std::function<bool()>& done, int milliseconds) {
        QEventLoop loop;
        QTimer look;
        QObject::connect(&look, &QTimer::timeout, [&] {
            if (done()) loop.quit();
        });
        QTimer::singleShot(milliseconds, &loop, &QEventLoop::quit);
        look.start(50);
        loop.exec();
        return done();
    }
    std::filesystem::path Folder;
    tv::bench::SilentPrompts Prompts;
    std::unique_ptr<tv::TForm1> Form;
};

// 1,000 random songs from 100,000 into the window's playlist.
void BM_RandomSelection(benchmark::State& state) {
    Program program(100000);
    std::mt19937 random(42);
    for (auto _ : state) {
        state.PauseTiming();
        tv::DeleteListRows(program.Form->Playlist(), 1, program.Form->Playlist().DataRowCount());
        program.Form->Playlist().ClearRow(1);
        state.ResumeTiming();
        tv::AppendRandomSongs(program.Form->Catalogue(), program.Form->Playlist(), 1000, random);
    }
    if (program.Form->Playlist().DataRowCount() != 1000) state.SkipWithError("rows missing");
}
BENCHMARK(BM_RandomSelection)->Unit(benchmark::kMillisecond)->Iterations(20);

// A double click on a catalogue row of 100,000 until the device plays the song
// (the time), and until its position moves, that is until its first samples have
// passed the audio sink ("audible_ms").
void BM_DoubleClickToPlaying(benchmark::State& state) {
    Program program(100000);
    tv::SongList& catalogue = program.Form->Catalogue();
    const std::string song = program.Song("one_second_a.mp3", "a.mp3");
    catalogue.SetCell(50000, tv::colFileName, song);
    tv::MediaDevice& device = program.Form->Audioplayer()->Device();
    double audibleTotal = 0;
    for (auto _ : state) {
        catalogue.SetCurrentRow(50000);
        const std::string before(catalogue.Cell(50000, tv::colPlayCount));
        QElapsedTimer timer;
        timer.start();
        program.Form->StGrdMainDblClick();
        const bool playing = Program::Wait([&] {
            return catalogue.Cell(50000, tv::colPlayCount) != before &&
                   device.GetMode() == tv::MediaDevice::Mode::Playing;
        });
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        if (!playing) state.SkipWithError("did not start");
        if (!Program::Wait([&] { return device.Position() > 0; }))
            state.SkipWithError("no sound");
        audibleTotal += static_cast<double>(timer.nsecsElapsed()) / 1e6;
        program.Form->Audioplayer()->BtnMStopClick();
    }
    state.counters["audible_ms"] = audibleTotal / static_cast<double>(state.iterations());
}
BENCHMARK(BM_DoubleClickToPlaying)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// The processor time the program takes while a playlist plays gaplessly, as a
// share of one core ("cpu_percent"): nine of ten one-second songs, the window
// updated as it is when visible (position, highlight, counts).
void BM_CpuWhilePlaying(benchmark::State& state) {
    Program program(0);
    tv::SongList& playlist = program.Form->Playlist();
    constexpr int kSongs = 10;
    for (int i = 0; i < kSongs; ++i) {
        const std::string song =
            program.Song(i % 2 ? "one_second_b.mp3" : "one_second_a.mp3",
                         "song" + std::to_string(i) + ".mp3");
        for (tv::SongList* list : {&playlist, &program.Form->Catalogue()})
            list->SetCell(i == 0 ? 1 : list->AppendRow(), tv::colFileName, song);
    }
    tv::TAudioplayer* player = program.Form->Audioplayer();
    double cpuTotal = 0, wallTotal = 0;
    tv::SongList& catalogue = program.Form->Catalogue();
    for (auto _ : state) {
        // The playlist starts over after its last song: the run ends when that
        // one has started.
        const std::string before(catalogue.Cell(kSongs, tv::colPlayCount));
        const double cpuBefore = ProcessCpuSeconds();
        QElapsedTimer wall;
        wall.start();
        playlist.SetCurrentRow(1);
        program.Form->StGrdPlaylistDblClick();
        const bool ok = Program::WaitIdle(
            [&] { return catalogue.Cell(kSongs, tv::colPlayCount) != before; }, 30000);
        const double seconds = static_cast<double>(wall.nsecsElapsed()) / 1e9;
        cpuTotal += ProcessCpuSeconds() - cpuBefore;
        wallTotal += seconds;
        state.SetIterationTime(seconds);
        if (!ok) state.SkipWithError("the playlist did not play through");
        player->BtnMStopClick();
    }
    state.counters["cpu_percent"] = 100 * cpuTotal / wallTotal;
}
BENCHMARK(BM_CpuWhilePlaying)->UseManualTime()->Iterations(2)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return tv::bench::RunQtBenchmarks(argc, argv);
}
