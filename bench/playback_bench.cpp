// Playback through the real audio backend (run with an audio server, e.g.
//   bash tests/ui/with_audio_sink.sh build-release/bin/playback_bench)
// and the random selection on a catalogue of 100,000 rows.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
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
    // Runs the event loop until done() or 10 s.
    static bool Wait(const std::function<bool()>& done) {
        QElapsedTimer timer;
        timer.start();
        while (!done() && timer.elapsed() < 10000)
            QApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
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

// A double click on a catalogue row of 100,000 until the device plays the song.
void BM_DoubleClickToPlaying(benchmark::State& state) {
    Program program(100000);
    tv::SongList& catalogue = program.Form->Catalogue();
    const std::string song = program.Song("one_second_a.mp3", "a.mp3");
    catalogue.SetCell(50000, tv::colFileName, song);
    tv::MediaDevice& device = program.Form->Audioplayer()->Device();
    for (auto _ : state) {
        catalogue.SetCurrentRow(50000);
        const std::string before = catalogue.Cell(50000, tv::colPlayCount);
        QElapsedTimer timer;
        timer.start();
        program.Form->StGrdMainDblClick();
        const bool playing = Program::Wait([&] {
            return catalogue.Cell(50000, tv::colPlayCount) != before &&
                   device.GetMode() == tv::MediaDevice::Mode::Playing;
        });
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        if (!playing) state.SkipWithError("did not start");
        program.Form->Audioplayer()->BtnMStopClick();
    }
}
BENCHMARK(BM_DoubleClickToPlaying)->UseManualTime()->Iterations(10)->Unit(benchmark::kMillisecond);

// From the end of one playlist song to the start of the next: until the backend
// has the next song loaded and playing (the time), and until its position moves,
// that is until the first of it has passed the audio sink ("audible_ms").
void BM_PlaylistGap(benchmark::State& state) {
    Program program(0);
    tv::SongList& playlist = program.Form->Playlist();
    const std::string a = program.Song("one_second_a.mp3", "a.mp3");
    const std::string b = program.Song("one_second_b.mp3", "b.mp3");
    playlist.SetCell(1, tv::colFileName, a);
    playlist.SetCell(playlist.AppendRow(), tv::colFileName, b);
    tv::TAudioplayer* player = program.Form->Audioplayer();
    QElapsedTimer sinceEnd;
    double started = 0, audible = 0, audibleTotal = 0;
    QObject::connect(player, &tv::TAudioplayer::SongEnded, [&] { sinceEnd.start(); });
    QObject::connect(player, &tv::TAudioplayer::SongLoaded, [&] {
        if (sinceEnd.isValid()) started = static_cast<double>(sinceEnd.nsecsElapsed()) / 1e9;
    });
    for (auto _ : state) {
        started = audible = 0;
        playlist.SetCurrentRow(1);
        program.Form->StGrdPlaylistDblClick();
        const bool ok = Program::Wait([&] {
            if (sinceEnd.isValid() && player->FileName() == b &&
                player->Device().GetMode() == tv::MediaDevice::Mode::Playing &&
                player->Device().Position() > 0 && audible == 0)
                audible = static_cast<double>(sinceEnd.nsecsElapsed()) / 1e9;
            return audible > 0 && started > 0;
        });
        state.SetIterationTime(started);
        audibleTotal += audible;
        sinceEnd.invalidate();
        if (!ok) state.SkipWithError("the second song did not start");
        player->BtnMStopClick();
    }
    state.counters["audible_ms"] = audibleTotal * 1000 / static_cast<double>(state.iterations());
}
BENCHMARK(BM_PlaylistGap)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return tv::bench::RunQtBenchmarks(argc, argv);
}
