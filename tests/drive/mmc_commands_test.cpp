// The MMC commands of the device, against the simulated recorder.

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>

#include "base/byte_order.h"
#include "tests/drive/recorder_fixture.h"

namespace tv {
namespace {

using test::RecorderBench;
using Bytes = std::vector<std::uint8_t>;

TEST(MmcCommands, CdbsCarryTheirFields) {
    RecorderBench bench;
    TSCSIDevice& d = *bench.device;
    EXPECT_TRUE(d.SetCDSpeed(0, 0));
    EXPECT_EQ(bench.CommandsWith(0xBB).back(),
              (Bytes{0xBB, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(d.SetCDSpeed(1385, 2770));
    EXPECT_EQ(bench.CommandsWith(0xBB).back(),
              (Bytes{0xBB, 0, 0x05, 0x69, 0x0A, 0xD2, 0, 0, 0, 0, 0, 0}));
    EXPECT_TRUE(d.ReserveTrack(0x12345));
    EXPECT_EQ(bench.CommandsWith(0x53).back(),
              (Bytes{0x53, 0, 0, 0, 0, 0, 0x01, 0x23, 0x45, 0, 0, 0}));
    EXPECT_TRUE(d.CloseTrackSession(true, true, false));
    EXPECT_EQ(bench.CommandsWith(0x5B).back(), (Bytes{0x5B, 1, 1, 0, 0, 0xFF, 0, 0, 0, 0}));
    EXPECT_TRUE(d.PreventAllowRemoval(false));
    EXPECT_EQ(bench.CommandsWith(0x1E).back(), (Bytes{0x1E, 0, 0, 0, 1, 0}));
    std::tm time{};
    time.tm_year = 105;
    time.tm_mon = 11;
    time.tm_mday = 24;
    time.tm_hour = 15;
    time.tm_min = 30;
    EXPECT_TRUE(d.SendTimestamp(time));
    EXPECT_EQ(bench.CommandsWith(0xBF).back(), (Bytes{0xBF, 0, 0, 0, 0, 0, 0, 0x0F, 0, 22, 0, 0}));
}

TEST(MmcCommands, ReadTocRefusesLengthsAbove255BeforeSendingAnything) {
    RecorderBench bench;
    std::uint8_t buffer[300];
    EXPECT_THROW(bench.device->ReadTOC(0, buffer, 256, 0, false, 0), std::out_of_range);
    EXPECT_TRUE(bench.CommandsWith(0x43).empty());
}

TEST(MmcCommands, AnswersAreConverted) {
    RecorderBench bench(MediumKind::DvdPlusRwUnformatted);
    TSCSIDevice& d = *bench.device;
    std::uint32_t size = 0, free = 0;
    EXPECT_TRUE(d.ReadBufferCapacity(size, free));
    EXPECT_EQ(size, SimulatedRecorder::kBufferSize);
    EXPECT_EQ(d.DeviceFreeBufferSize, SimulatedRecorder::kBufferSize);
    std::uint32_t blocks = 0, blockSize = 0;
    EXPECT_TRUE(d.ReadFormatCapacities(blocks, blockSize));
    EXPECT_EQ(blocks, SimulatedRecorder::kDvdCapacity);
    EXPECT_EQ(blockSize, 2048u);
    EXPECT_TRUE(d.ReadTrackInformation(1));
    EXPECT_EQ(d.TrackInfo().TrackSize, SimulatedRecorder::kDvdCapacity);
    EXPECT_EQ(d.TrackInfo().TrackNumber, 1);
}

TEST(MmcCommands, UnknownCommandsAreIllegalRequests) {
    RecorderBench bench;
    const std::uint8_t cdb[10] = {0xE7};
    SRB_ExecSCSICmd request{};
    request.SRB_Flags = 0x40;
    request.SRB_CDBLen = 10;
    std::memcpy(request.CDBByte, cdb, sizeof cdb);
    bench.device->ExecuteCommand(request, 10000);
    EXPECT_EQ(request.SRB_Status, SS_ERR);
    EXPECT_EQ(bench.device->LastErrorText(), "ILLEGAL REQUEST (INVALID COMMAND OPERATION CODE)");
    EXPECT_EQ(bench.device->LastSense()[12], 0x20);
}

TEST(MmcCommands, ACommandThatNeverCompletesTimesOutAfterItsWait) {
    RecorderBench bench;
    bench.recorder->HangOn(0x35);
    EXPECT_FALSE(bench.device->SynchronizeCache(120000, false));
    EXPECT_EQ(bench.device->LastErrorText(), "COMMAND TIMEOUT");
    EXPECT_TRUE(bench.device->TestUnitReady(5000));  // the next command is answered again
}

TEST(MmcCommands, FailuresAreLoggedExceptTheSuppressedAndTheExpected) {
    RecorderBench bench;
    std::vector<std::uint8_t> data(2048, 0);
    EXPECT_FALSE(
        bench.device->Write10(500, 1, data.data(), 2048));  // not the next writable address
    ASSERT_EQ(bench.messages.size(), 1u);
    EXPECT_TRUE(
        bench.messages[0].starts_with("<<< WRITE (10)             (2A) {50|0A} - 0:0:0 <04>"));
    EXPECT_TRUE(
        bench.messages[0].ends_with("ILLEGAL REQUEST (LOGICAL BLOCK ADDRESS OUT OF RANGE)"));

    bench.device->SuppressNextErrorLog();
    EXPECT_FALSE(bench.device->Write10(500, 1, data.data(), 2048));
    EXPECT_FALSE(bench.device->Write10(500, 1, data.data(), 2048));
    EXPECT_EQ(bench.messages.size(), 2u);  // only the next command was quiet

    bench.recorder->FailNextWritesBusy(1);
    EXPECT_FALSE(bench.device->Write10(0, 1, data.data(), 2048));
    EXPECT_EQ(bench.device->LastErrorText(),
              "NOT READY (LOGICAL UNIT NOT READY, LONG WRITE IN PROGRESS)");
    EXPECT_EQ(bench.messages.size(), 2u);  // a busy drive during writing is no error worth a line
}

TEST(WriteParameters, AreSetPerMedium) {
    RecorderBench bench;
    TSCSIDevice& d = *bench.device;
    d.FinalizeDisc = false;
    ASSERT_TRUE(d.SetWriteParameters(false, true, dtCdR));
    Bytes page = bench.recorder->WriteParametersPage();
    EXPECT_EQ(page[2], 0x41);  // track at once, underrun protection
    EXPECT_EQ(page[3], 0xC4);  // next session allowed
    EXPECT_EQ(page[4], 8);
    EXPECT_EQ(ReadBig16(page.data() + 14), 150);

    d.FinalizeDisc = true;
    ASSERT_TRUE(d.SetWriteParameters(true, false, dtCdR));
    page = bench.recorder->WriteParametersPage();
    EXPECT_EQ(page[2], 0x11);  // test write
    EXPECT_EQ(page[3], 0x04);

    for (const bool test : {false, true}) {
        ASSERT_TRUE(d.SetWriteParameters(test, test, dtDvdRwSequential));
        page = bench.recorder->WriteParametersPage();
        EXPECT_EQ(page[2], 0x20);
        EXPECT_EQ(page[3], 0xC5);
        EXPECT_EQ(page[5], 16);
    }
    ASSERT_TRUE(d.SetWriteParameters(false, false, dtDvdPlusR));
    page = bench.recorder->WriteParametersPage();
    EXPECT_EQ(page[2], 0x22);
    EXPECT_EQ(page[3], 0xC4);
    EXPECT_EQ(ReadBig32(page.data() + 10), 16u);

    bench.recorder->ClearCommands();
    EXPECT_TRUE(d.SetWriteParameters(false, false, dtDvdRam));
    EXPECT_TRUE(bench.recorder->Commands().empty());
}

TEST(WaitForReady, WaitsWhileTheDriveBecomesReady) {
    RecorderBench bench;
    bench.recorder->FailNextCommandsNotReady(3);
    EXPECT_TRUE(bench.device->WaitForReady(30000, 5000));
    EXPECT_GE(bench.CommandsWith(0x51).size(), 3u);  // READ DISC INFORMATION rounds
}

TEST(WaitForReady, GivesUpWhenNoMediumArrives) {
    RecorderBench bench;
    bench.recorder->Eject();
    EXPECT_FALSE(bench.device->WaitForReady(30000, 5000));
    // The REQUEST SENSE rounds stop when the budget is used up.
    EXPECT_LE(bench.CommandsWith(0x03).size(), 30000u / 5000u);
}

TEST(WaitForReady, DvdRamSkipsTheDiscInformationPhase) {
    RecorderBench bench(MediumKind::DvdRam);
    bench.layer.CurrentDiscType = dtDvdRam;
    EXPECT_TRUE(bench.device->WaitForReady(10000, 1000));
    EXPECT_TRUE(bench.CommandsWith(0x51).empty());
    EXPECT_EQ(bench.CommandsWith(0x03).size(), 1u);
}

TEST(StartStopUnit, EjectingEmptiesTheTray) {
    RecorderBench bench;
    EXPECT_TRUE(bench.device->StartStopUnit(true));
    EXPECT_EQ(bench.recorder->Medium(), MediumKind::None);
    EXPECT_FALSE(bench.device->TestUnitReady(5000));
    EXPECT_EQ(bench.device->LastErrorText(), "NOT READY (MEDIUM NOT PRESENT)");
}

}  // namespace
}  // namespace tv
