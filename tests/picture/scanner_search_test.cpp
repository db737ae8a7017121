#include "picture/scanner_search.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <thread>

namespace tv {
namespace {

using namespace std::chrono_literals;

TEST(ScannerSearch, TheResultArrivesFromTheSearchThread) {
    std::atomic<int> calls{0};
    std::vector<ScannerDevice> seen;
    {
        ScannerSearch search([] { return std::vector<ScannerDevice>{{"test:0", "V", "M", "T"}}; },
                             [&](const std::vector<ScannerDevice>& found) {
                                 seen = found;
                                 ++calls;
                             });
        for (int i = 0; i < 1000 && calls == 0; ++i) std::this_thread::sleep_for(5ms);
    }
    EXPECT_EQ(calls.load(), 1);
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].Name, "test:0");
}

// A backend that hangs (a network scanner that does not answer) keeps the end
// waiting only a moment, and its late result goes nowhere.
TEST(ScannerSearch, TheEndWaitsForAHangingSearchOnlyABoundedTime) {
    auto release = std::make_shared<std::atomic<bool>>(false);
    auto finished = std::make_shared<std::atomic<bool>>(false);
    std::atomic<int> calls{0};
    const auto start = std::chrono::steady_clock::now();
    {
        ScannerSearch search(
            [release, finished] {
                while (!*release) std::this_thread::sleep_for(5ms);
                *finished = true;
                return std::vector<ScannerDevice>{{"net:1", "", "", ""}};
            },
            [&](const std::vector<ScannerDevice>&) { ++calls; });
    }
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, ScannerSearch::kEndWait);
    EXPECT_LT(waited, ScannerSearch::kEndWait + 2s);
    *release = true;  // the search ends on its own later
    for (int i = 0; i < 400 && !*finished; ++i) std::this_thread::sleep_for(5ms);
    std::this_thread::sleep_for(20ms);
    EXPECT_TRUE(finished->load());
    EXPECT_EQ(calls.load(), 0);
}

}  // namespace
}  // namespace tv
