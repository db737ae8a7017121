// Erasing rewritable media, against the simulated recorder.

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>

#include "base/byte_order.h"
#include "base/queued_invoker.h"
#include "tests/drive/recorder_fixture.h"

namespace tv {
namespace {

using test::RecorderBench;

struct EraseRun {
    explicit EraseRun(RecorderBench& bench) : bench_(bench) {
        bench.device = std::make_unique<TSCSIDevice>(bench.layer, &invoker);
        bench.device->OnDebugMessage = [&](TSCSIDevice&, const std::string& m, std::uint8_t) {
            messages.push_back(m);
        };
        bench.device->SetDevice(bench.device->DeviceList().front());
        bench.device->OnEraseDone = [this](TSCSIDevice& device, bool withError) {
            doneInThread = std::this_thread::get_id();
            erasingWhenDone = device.Erasing();
            ++events;
            error = withError;
        };
        bench.recorder->ClearCommands();
    }

    // Runs queued main-thread calls until the erase has reported.
    bool Finish() {
        const bool finished =
            invoker.RunUntil([&] { return events > 0; }, std::chrono::seconds(60));
        bench_.device->WaitForErase();
        return finished;
    }

    RecorderBench& bench_;
    QueuedInvoker invoker;
    std::vector<std::string> messages;
    int events = 0;
    bool error = false;
    bool erasingWhenDone = true;
    std::thread::id doneInThread;
};

TEST(DiscErase, QuickErasingACdRwBlanksItMinimally) {
    RecorderBench bench(MediumKind::CdRw);
    bench.recorder->RecordSession(5000);
    EraseRun run(bench);
    EXPECT_EQ(bench.device->EraseProgress(), 0);
    ASSERT_TRUE(bench.device->EraseDisc(true));
    ASSERT_TRUE(run.Finish());
    EXPECT_EQ(run.events, 1);
    EXPECT_FALSE(run.error);
    EXPECT_FALSE(run.erasingWhenDone);
    EXPECT_EQ(run.doneInThread, std::this_thread::get_id());  // raised in the main thread
    const auto blanks = bench.CommandsWith(0xA1);
    ASSERT_EQ(blanks.size(), 1u);
    EXPECT_EQ(blanks[0][1], 0x11);
    EXPECT_EQ(bench.recorder->SessionCount(), 0);
    EXPECT_EQ(bench.device->EraseProgress(), 0);
    ASSERT_FALSE(run.messages.empty());
    EXPECT_EQ(run.messages.front(), ">>> STARTING ERASE PROCESS ON CD-RW AT 63X(11,080 KB/s)");
    // The drive was reset afterwards.
    EXPECT_FALSE(bench.CommandsWith(0x01).empty());
    EXPECT_EQ(bench.device->GetDiscStatus(), 0);
}

// The erase claims the drive as a burn does, by an exclusive open of /dev/sr0:
// held by another program, the erase is refused at once with its reason and no
// command reaches the disc; an erase that ran lets the drive go.
TEST(DiscErase, AHeldDriveIsNotErasedAndAnErasedOneIsReleased) {
    RecorderBench bench(MediumKind::CdRw, 0.001, true);
    ASSERT_TRUE(bench.loaded);
    bench.recorder->RecordSession(5000);
    bench.sg->RefuseExclusiveOpen(EBUSY);
    {
        EraseRun run(bench);
        EXPECT_FALSE(bench.device->EraseDisc(true));  // refused at once, no erase thread
        run.invoker.RunPending();
        EXPECT_EQ(run.events, 0);
        EXPECT_TRUE(bench.recorder->Commands().empty());  // the drive was never spoken to
        EXPECT_EQ(bench.recorder->SessionCount(), 1);
        ASSERT_FALSE(run.messages.empty());
        EXPECT_EQ(run.messages.back().find(">>> DRIVE IN USE"), 0u) << run.messages.back();
    }
    bench.sg->RefuseExclusiveOpen(0);
    EraseRun run(bench);
    ASSERT_TRUE(bench.device->EraseDisc(true));
    ASSERT_TRUE(run.Finish());
    EXPECT_FALSE(run.error);
    EXPECT_EQ(bench.recorder->SessionCount(), 0);
    EXPECT_EQ(bench.sg->ExclusiveOpens(), 1);
    EXPECT_EQ(bench.sg->ExclusiveHandles(), 0);
}

TEST(DiscErase, FullErasingBlanksTheWholeDisc) {
    RecorderBench bench(MediumKind::DvdRwSequential);
    EraseRun run(bench);
    ASSERT_TRUE(bench.device->EraseDisc(false));
    ASSERT_TRUE(run.Finish());
    EXPECT_EQ(bench.CommandsWith(0xA1).at(0)[1], 0x10);
    EXPECT_FALSE(run.error);
}

TEST(DiscErase, DvdPlusRwIsFormattedAndItsStartWrittenOver) {
    RecorderBench bench(MediumKind::DvdPlusRw);
    EraseRun run(bench);
    ASSERT_TRUE(bench.device->EraseDisc(true));
    ASSERT_TRUE(run.Finish());
    const auto formats = bench.CommandsWith(0x04);
    ASSERT_EQ(formats.size(), 1u);
    EXPECT_EQ(formats[0][1], 0x11);
    const auto writes = bench.CommandsWith(0x2A);
    ASSERT_EQ(writes.size(), 65u);
    EXPECT_EQ(ReadBig32(writes.back().data() + 2), 64u * 32u);
    const auto closes = bench.CommandsWith(0x5B);
    ASSERT_FALSE(closes.empty());
    EXPECT_EQ(closes.front()[2], 3);
    EXPECT_TRUE(bench.CommandsWith(0xA1).empty());
}

TEST(DiscErase, QuickErasingDvdRamWritesZerosWithoutFormatting) {
    RecorderBench bench(MediumKind::DvdRam);
    EraseRun run(bench);
    ASSERT_TRUE(bench.device->EraseDisc(true));
    ASSERT_TRUE(run.Finish());
    EXPECT_TRUE(bench.CommandsWith(0x04).empty());
    EXPECT_EQ(bench.CommandsWith(0x2A).size(), 11u + 65u);
}

TEST(DiscErase, ACdRomRefusesTheBlankAndTheErrorIsReportedAtOnce) {
    RecorderBench bench(MediumKind::CdRom);
    EraseRun run(bench);
    EXPECT_FALSE(bench.device->EraseDisc(true));
    EXPECT_EQ(run.events, 1);
    EXPECT_TRUE(run.error);
    EXPECT_FALSE(bench.device->Erasing());
    EXPECT_EQ(bench.device->LastErrorText(), "ILLEGAL REQUEST (INCOMPATIBLE MEDIUM INSTALLED)");
}

TEST(DiscErase, AnEraseWhoseDriveNeverBecomesReadyIsReportedAsFailed) {
    RecorderBench bench(MediumKind::CdRw);
    EraseRun run(bench);
    bench.recorder->SetOperationCommands(1000000);  // the blank never ends
    ASSERT_TRUE(bench.device->EraseDisc(true));
    ASSERT_TRUE(run.Finish());
    EXPECT_TRUE(run.error);
}

TEST(DiscErase, AFailedZeroWriteOfADvdPlusRwIsReportedAsFailed) {
    RecorderBench bench(MediumKind::DvdPlusRw);
    EraseRun run(bench);
    bench.recorder->FailWriteAt(40);
    ASSERT_TRUE(bench.device->EraseDisc(true));
    ASSERT_TRUE(run.Finish());
    EXPECT_TRUE(run.error);
    EXPECT_EQ(bench.CommandsWith(0x2A).size(), 2u);  // the writing stopped at the failure
}

TEST(DiscErase, ASecondEraseIsRefusedWhileOneRuns) {
    RecorderBench bench(MediumKind::CdRw);
    EraseRun run(bench);
    bench.recorder->SetOperationCommands(1000000);
    ASSERT_TRUE(bench.device->EraseDisc(true));
    EXPECT_TRUE(bench.device->Erasing());
    EXPECT_FALSE(bench.device->EraseDisc(true));  // returns at once, nothing sent
    EXPECT_EQ(bench.CommandsWith(0xA1).size(), 1u);
    ASSERT_TRUE(run.Finish());
    EXPECT_EQ(run.events, 1);
}

// The main thread ends the device while the erase thread finishes: the thread
// never waits for the main thread, so nothing hangs, and the event of a device
// that is gone is never raised.
TEST(DiscErase, DestroyingTheDeviceNeverWaitsForTheMainThreadNorRaisesTheEvent) {
    RecorderBench bench(MediumKind::CdRw);
    EraseRun run(bench);
    ASSERT_TRUE(bench.device->EraseDisc(true));
    // The thread ends without the main thread running anything.
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (bench.device->Erasing() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    ASSERT_FALSE(bench.device->Erasing());
    bench.device.reset();  // joins the thread; would never return if it waited on us
    run.invoker.RunPending();
    EXPECT_EQ(run.events, 0);

    // Destroyed in the middle of its waiting: it stops there, without the reset
    // steps of a finished erase.
    RecorderBench slow(MediumKind::CdRw, 1.0);  // real waits of seconds
    EraseRun slowRun(slow);
    slow.recorder->SetOperationCommands(1000000);
    ASSERT_TRUE(slow.device->EraseDisc(true));
    slow.device.reset();
    slowRun.invoker.RunPending();
    EXPECT_EQ(slowRun.events, 0);
    EXPECT_TRUE(slow.CommandsWith(0x01).empty());  // no REZERO UNIT of the reset
}

TEST(DiscErase, WithoutAReadyDriveNothingIsStarted) {
    RecorderBench bench(MediumKind::None);
    EraseRun run(bench);
    EXPECT_FALSE(bench.device->EraseDisc(true));
    EXPECT_EQ(run.events, 0);
    EXPECT_TRUE(bench.CommandsWith(0xA1).empty());
}

}  // namespace
}  // namespace tv
