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

// A music tree of count files in 100 folders, each a copy of a small lame file.
struct MusicTree {
    explicit MusicTree(int count)
        : Root(std::filesystem::temp_directory_path() /
               ("tunevault-autoadd-" + std::to_string(::getpid()) + "-" + std::to_string(count))) {
        const std::filesystem::path source = TV_TEST_DATA_DIR "/mp3/mpeg2_vbr_mono.mp3";
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

const MusicTree& Tree(int count) {
    static std::map<int, std::unique_ptr<MusicTree>> trees;
    auto& tree = trees[count];
    if (!tree) tree = std::make_unique<MusicTree>(count);
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
    const MusicTree& tree = Tree(static_cast<int>(state.range(0)));
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
BENCHMARK(BM_AutoAddAdd)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(20000)
    ->UseManualTime()
    ->Iterations(1)
    ->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    return tv::bench::RunQtBenchmarks(argc, argv);
}
