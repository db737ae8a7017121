#include "base/background_writer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "tests/support/temp_folder.h"

namespace tv {
namespace {

using test::ReadBytes;
using test::TempFolder;

TEST(BackgroundWriter, WritesInOrderAndReportsEachOutcome) {
    TempFolder folder;
    std::filesystem::create_directory(folder / "ordner");
    std::mutex mutex;
    std::vector<std::string> outcomes;
    const auto record = [&](const std::string& name) {
        return [&, name](std::error_code error, const std::string& reason) {
            std::lock_guard lock(mutex);
            outcomes.push_back(name + (error ? ": " + reason : ""));
            EXPECT_NE(std::this_thread::get_id(), std::thread::id());
        };
    };
    BackgroundWriter writer;
    writer.Write(folder / "a.tsv", "eins", record("a"));
    writer.Write(folder / "a.tsv", "zwei", record("a2"));
    writer.Write(folder / "ordner", "x", record("ordner"));  // a folder is never replaced
    writer.WaitUntilIdle();
    EXPECT_EQ(ReadBytes(folder / "a.tsv"), "zwei");
    ASSERT_EQ(outcomes.size(), 3u);
    EXPECT_EQ(outcomes[0], "a");
    EXPECT_EQ(outcomes[1], "a2");
    EXPECT_TRUE(outcomes[2].starts_with("ordner: ")) << outcomes[2];
    EXPECT_TRUE(std::filesystem::is_directory(folder / "ordner"));
}

TEST(BackgroundWriter, TheEndDropsWaitingJobsAndLeavesNoTemporaryFile) {
    TempFolder folder;
    std::atomic<int> done{0};
    {
        BackgroundWriter writer;
        for (int i = 0; i < 200; ++i)
            writer.Write(folder / ("f" + std::to_string(i)), std::string(100000, 'x'),
                         [&](std::error_code, const std::string&) { ++done; });
    }
    // Whatever was written is whole; nothing half-made stays behind.
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder.Path())) {
        ++files;
        EXPECT_EQ(entry.file_size(), 100000u) << entry.path();
        EXPECT_EQ(entry.path().filename().string()[0], 'f') << entry.path();
    }
    EXPECT_EQ(files, done.load());
    EXPECT_LT(done.load(), 200);
}

}  // namespace
}  // namespace tv
