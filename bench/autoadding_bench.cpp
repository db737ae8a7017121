// The folder scan through the real dialog code, offscreen: 10,000 and 20,000 small
// real MP3 files in 100 folders (warm cache). The scan phase ("Suchen") and the
// adding phase ("Einfügen") are timed separately.
//   build-release/bin/autoadding_bench

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <filesystem>
#include <map>

#include "app/ui/main_window.h"
#include "bench/qt_benchmark_main.h"
#include "bench/silent_prompts.h"
#include "tools/ui/autoadding_dialog.h"

namespace {

// A music tree of count files in 100 folders, each a copy of a small lame file, or
// (withId3v2) of a file with an ID3v2.3 tag holding a cover picture.
struct MusicTree {
    MusicTree(int count, bool withId3v2)
        : Root(std::filesystem::temp_directory_path() /
               ("tunevault-autoadd-" + std::to_string(::getpid()) + "-" + std::to_string(count) +
                (withId3v2 ? "-v2" : ""))) {
        const std::filesystem::path source =
            withId3v2 ? TV_TEST_DATA_DIR "/mp3/id3v2_cover.mp3"
                      : TV_TEST_DATA_DIR "/mp3/mpeg2_vbr_mono.mp3";
        for (int folder = 0; folder < 100; ++folder) {
            const auto dir = Root / ("Interpret " + std::to_string(folder)) / "Album";
            std::filesystem::create_directories(dir);
            for (int i = folder; i < count; i += 100)
                std::filesystem::copy_file(source, dir / (std::to_string(i % 20 + 1) + " - Band " +
                                                          std::to_string(folder) + " - Titel " +
                                                          std::to_string(i) + ".mp3"));
        }
    }
    ~MusicTree() { std::filesystem::remove_all(Root); }
    std::filesystem::path Root;
};

const MusicTree& Tree(int count, bool withId3v2 = false) {
    static std::map<std::pair<int, bool>, std::unique_ptr<MusicTree>> trees;
    auto& tree = trees[{count, withId3v2}];
    if (!tree) tree = std::make_unique<MusicTree>(count, withId3v2);
    return *tree;
}

struct Program {
    Program()
        : Folder(std::filesystem::temp_directory_path() /
                 ("tunevault-program-" + std::to_string(::getpid()))) {
        std::filesystem::remove_all(Folder);
        std::filesystem::create_directories(Folder);
        Form = std::make_unique<tv::TForm1>(Folder, Prompts);
        Form->show();
        while (!Form->IsStartedUp()) QApplication::processEvents(QEventLoop::WaitForMoreEvents);
        Dialog = Form->Autoadding();
        Dialog->show();
    }
    ~Program() {
        Dialog->hide();
        Form.reset();
        std::filesystem::remove_all(Folder);
    }
    std::filesystem::path Folder;
    tv::bench::SilentPrompts Prompts;
    std::unique_ptr<tv::TForm1> Form;
    tv::TAutoadding* Dialog = nullptr;
};

void BM_AutoAddScan(benchmark::State& state) {
    const MusicTree& tree = Tree(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        Program program;
        program.Dialog->DirEdit()->setText(QString::fromStdString(tree.Root.string()));
        QElapsedTimer timer;
        timer.start();
        program.Dialog->SpeedButton1Click();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        if (program.Dialog->EdtSoll()->text().toInt() != state.range(0))
            state.SkipWithError("files missed");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_AutoAddScan)
    ->Arg(10000)
    ->Arg(20000)
    ->UseManualTime()
    ->Iterations(2)
    ->Unit(benchmark::kMillisecond);

void BM_AutoAddAdd(benchmark::State& state) {
    const MusicTree& tree = Tree(static_cast<int>(state.range(0)), state.range(1) != 0);
    for (auto _ : state) {
        Program program;
        program.Dialog->DirEdit()->setText(QString::fromStdString(tree.Root.string()));
        program.Dialog->SpeedButton1Click();
        QElapsedTimer timer;
        timer.start();
        program.Dialog->OKBtnClick();
        state.SetIterationTime(static_cast<double>(timer.nsecsElapsed()) / 1e9);
        if (program.Form->Catalogue().DataRowCount() != state.range(0))
            state.SkipWithError("rows missing");
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
// The second argument: 1 for files with an ID3v2 tag.
BENCHMARK(BM_AutoAddAdd)
    ->Args({1000, 0})
    ->Args({10000, 0})
    ->Args({20000, 0})
    ->Args({10000, 1})
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return tv::bench::RunQtBenchmarks(argc, argv);
}
