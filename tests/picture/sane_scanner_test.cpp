// Scanning through the real SANE library with its "test" backend: the tests run
// with a private SANE_CONFIG_DIR whose dll.conf names only "test".

#include <gtest/gtest.h>

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <thread>

#include "picture/sane_scanner.h"

using namespace tv;

TEST(SaneScanner, FindsTheTestBackendsScanners) {
    ASSERT_NE(std::getenv("SANE_CONFIG_DIR"), nullptr);
    SaneScanner scanner;
    const std::vector<ScannerDevice> found = scanner.FindScanners();
    ASSERT_FALSE(found.empty());
    EXPECT_EQ(found.front().Name, "test:0");
    // Twice: each search opens and closes the library.
    EXPECT_EQ(scanner.FindScanners().size(), found.size());
}

TEST(SaneScanner, ScansAPictureInEachMode) {
    SaneScanner scanner;
    for (ScanMode mode : {ScanMode::Colour, ScanMode::Grey, ScanMode::LineArt}) {
        int last = -1;
        bool rising = true;
        const RgbImage image = scanner.Scan("test:0", mode, 100, [&](int percent) {
            rising = rising && percent >= last;
            last = percent;
            return true;
        });
        ASSERT_FALSE(image.Empty()) << int(mode);
        // The test backend's page is 80 × 100 mm: at 100 dpi about 315 × 394 pixels.
        EXPECT_NEAR(image.Width, 315, 3) << int(mode);
        EXPECT_NEAR(image.Height, 394, 3) << int(mode);
        EXPECT_EQ(image.Pixels.size(), std::size_t(image.Width) * image.Height * 3);
        EXPECT_TRUE(rising);
        EXPECT_EQ(last, 100);
    }
    // The resolution is set on the device.
    const RgbImage fine = scanner.Scan("test:0", ScanMode::Grey, 200, {});
    EXPECT_NEAR(fine.Width, 630, 4);
}

TEST(SaneScanner, StoppedScanGivesNoPictureAndTheNextOneWorks) {
    SaneScanner scanner;
    int calls = 0;
    const RgbImage stopped =
        scanner.Scan("test:0", ScanMode::Colour, 100, [&](int) { return ++calls < 2; });
    EXPECT_TRUE(stopped.Empty());
    // Cancel from another thread at the first progress call: the scan waits there
    // until the cancel has been given, so it surely comes while the scan runs.
    std::atomic<bool> started{false}, cancelGiven{false};
    std::thread canceller([&] {
        while (!started) std::this_thread::yield();
        scanner.Cancel();
        cancelGiven = true;
    });
    const RgbImage cancelled = scanner.Scan("test:0", ScanMode::Colour, 100, [&](int) {
        if (!started.exchange(true))
            while (!cancelGiven) std::this_thread::yield();
        return true;
    });
    canceller.join();
    EXPECT_TRUE(cancelled.Empty());
    EXPECT_FALSE(scanner.Scan("test:0", ScanMode::Colour, 100, {}).Empty());
}

// A backend's reader writing into the pipe of a cancelled scan must not end the
// program, whatever handled SIGPIPE before (a test harness's crash handler did).
TEST(SaneScanner, APipeClosedByACancelIsNoSignal) {
    ::signal(SIGPIPE, [](int) { std::abort(); });
    SaneScanner scanner;
    EXPECT_FALSE(scanner.FindScanners().empty());
    struct sigaction pipeAction {};
    ASSERT_EQ(::sigaction(SIGPIPE, nullptr, &pipeAction), 0);
    EXPECT_EQ(pipeAction.sa_handler, SIG_IGN);
    ::signal(SIGPIPE, SIG_DFL);
}

TEST(SaneScanner, UnknownDeviceThrowsWithSanesReason) {
    SaneScanner scanner;
    EXPECT_THROW(scanner.Scan("keiner:7", ScanMode::Colour, 100, {}), std::runtime_error);
}
