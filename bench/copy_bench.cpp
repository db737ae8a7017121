// Copying 1 GB of songs (200 files of 5 MB) between two folders of this machine:
// the program's file operation (temporary name, fsync, rename) against cp in the
// same run, once as cp alone and once as cp followed by sync (which, like the
// program, has the data on the device when it is done). Best of three each.
//   build-release/bin/copy_bench [WORKDIR]

#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "files/file_operation.h"

namespace {

double Seconds(const std::function<void()>& work) {
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

}  // namespace

int main(int argc, char** argv) {
    const std::filesystem::path work =
        argc > 1 ? std::filesystem::path(argv[1])
                 : std::filesystem::temp_directory_path() / "tunevault-copybench";
    const auto source = work / "quelle";
    const auto target = work / "ziel";
    if (!std::filesystem::exists(source / "Titel 200.mp3")) {
        std::filesystem::create_directories(source);
        std::mt19937 random(1);
        std::string block(5 << 20, '\0');
        for (char& c : block) c = static_cast<char>(random());
        for (int i = 1; i <= 200; ++i)
            std::ofstream(source / ("Titel " + std::to_string(i) + ".mp3"), std::ios::binary)
                << block;
    }
    std::vector<std::string> files;
    for (int i = 1; i <= 200; ++i)
        files.push_back((source / ("Titel " + std::to_string(i) + ".mp3")).string());
    std::system(("cat '" + source.string() + "'/* > /dev/null").c_str());  // warm cache
    ::sync();

    const auto fresh = [&] {
        std::filesystem::remove_all(target);
        std::filesystem::create_directories(target);
        ::sync();
    };
    const std::string cp = "cp '" + source.string() + "'/* '" + target.string() + "'/";
    double bestCp = 1e9, bestCpSync = 1e9, bestOurs = 1e9;
    for (int round = 0; round < 3; ++round) {
        fresh();
        bestCp = std::min(bestCp, Seconds([&] { std::system(cp.c_str()); }));
        fresh();
        bestCpSync = std::min(bestCpSync, Seconds([&] {
                                  std::system(cp.c_str());
                                  ::sync();
                              }));
        fresh();
        tv::TShFileOP operation;
        operation.FilesList = files;
        operation.Destination = target.string();
        tv::FileOperationObserver quiet;
        bestOurs = std::min(bestOurs, Seconds([&] { operation.Execute(quiet); }));
    }
    std::filesystem::remove_all(target);
    std::printf("cp              %6.2f s\n", bestCp);
    std::printf("cp + sync       %6.2f s\n", bestCpSync);
    std::printf("TShFileOP copy  %6.2f s  (%.2f x cp, %.2f x cp + sync)\n", bestOurs,
                bestOurs / bestCp, bestOurs / bestCpSync);
    return 0;
}
