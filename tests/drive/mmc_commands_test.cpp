// The MMC commands of the device, against the simulated recorder.

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cstring>
#include <functional>

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

// Every command as the drive receives it: its CDB bytes and the wait it came
// with (at least 10 s). (INQUIRY is answered by the emulation from its table.)
TEST(MmcCommands, EveryCommandHasItsCdbAndWait) {
    RecorderBench bench(MediumKind::CdRw);
    TSCSIDevice& d = *bench.device;
    std::vector<std::uint8_t> buffer(0x10203);  // on the heap: aligned
    std::uint32_t a = 0, b = 0;
    const std::uint8_t parameters[12] = {0x00, 0x82, 0x00, 0x08};
    const std::uint8_t page[18] = {0, 0, 0, 0, 0, 0, 0, 0, 0x05, 0x08};
    struct Case {
        const char* Name;
        std::function<void()> Run;
        Bytes Cdb;
        std::uint32_t Wait;
    };
    const Case cases[] = {
        {"TEST UNIT READY", [&] { d.TestUnitReady(5000); }, {0x00, 0, 0, 0, 0, 0}, 10000},
        {"TEST UNIT READY long", [&] { d.TestUnitReady(25000); }, {0x00, 0, 0, 0, 0, 0}, 25000},
        {"REZERO UNIT", [&] { d.RezeroUnit(); }, {0x01, 0, 0, 0, 0, 0}, 10000},
        {"REQUEST SENSE",
         [&] { d.RequestSense(buffer.data(), 40); },
         {0x03, 0, 0, 0, 40, 0},
         10000},
        {"FORMAT UNIT",
         [&] { d.FormatUnit(0x11, parameters, 12); },
         {0x04, 0x11, 0, 0, 0, 0},
         10000},
        {"START STOP load", [&] { d.StartStopUnit(false); }, {0x1B, 0, 0, 0, 3, 0}, 20000},
        {"PREVENT", [&] { d.PreventAllowRemoval(false); }, {0x1E, 0, 0, 0, 1, 0}, 10000},
        {"ALLOW", [&] { d.PreventAllowRemoval(true); }, {0x1E, 0, 0, 0, 0, 0}, 10000},
        {"READ FORMAT CAPACITIES",
         [&] { d.ReadFormatCapacities(a, b); },
         {0x23, 0, 0, 0, 0, 0, 0, 0, 248, 0},
         10000},
        {"READ CAPACITY", [&] { d.ReadCapacity(a, b); }, {0x25, 0, 0, 0, 0, 0, 0, 0, 0, 0}, 10000},
        {"READ (10)",
         [&] { d.Read10(0x12345, 2, 4096, buffer.data()); },
         {0x28, 0, 0, 0x01, 0x23, 0x45, 0, 0, 2, 0},
         10000},
        {"WRITE (10)",
         [&] { d.Write10(0, 2, buffer.data(), 4096); },
         {0x2A, 0, 0, 0, 0, 0, 0, 0, 2, 0},
         120000},
        {"SYNCHRONIZE CACHE",
         [&] { d.SynchronizeCache(240000, true); },
         {0x35, 2, 0, 0, 0, 0, 0, 0, 0, 0},
         240000},
        {"GET CONFIGURATION",
         [&] { d.GetConfiguration(2, 0x012A, 114, buffer.data()); },
         {0x46, 2, 0, 0x2A, 0, 0, 0, 0, 114, 0},
         30000},
        {"READ TOC",
         [&] { d.ReadTOC(4, buffer.data(), 26, 3, true, 0x40); },
         {0x43, 2, 4, 0, 0, 0, 3, 0, 26, 0x40},
         10000},
        {"READ DISC INFORMATION",
         [&] { d.ReadDiscInformation(buffer.data(), 56); },
         {0x51, 0, 0, 0, 0, 0, 0, 0, 56, 0},
         10000},
        {"READ TRACK INFORMATION",
         [&] { d.ReadTrackInformation(7); },
         {0x52, 1, 0, 0, 0, 7, 0, 0, 40, 0},
         60000},
        {"SEND OPC INFORMATION",
         [&] { d.SendOPCInformation(); },
         {0x54, 1, 0, 0, 0, 0, 0, 0, 0, 0},
         150000},
        {"MODE SELECT (10)",
         [&] { d.ModeSelect10(page, 18); },
         {0x55, 0x10, 0, 0, 0, 0, 0, 0, 18, 0},
         10000},
        {"MODE SENSE (10) defaults",
         [&] { d.ModeSense10(0x2A, buffer.data(), true, 255, 256); },
         {0x5A, 0, 0xAA, 0, 0, 0, 0, 0, 255, 0},
         20000},
        {"CLOSE finalize",
         [&] { d.CloseTrackSession(false, false, true); },
         {0x5B, 0, 5, 0, 0, 0, 0, 0, 0, 0},
         180000},
        {"CLOSE session",
         [&] { d.CloseTrackSession(false, true, false); },
         {0x5B, 1, 2, 0, 0, 0, 0, 0, 0, 0},
         180000},
        {"CLOSE ex",
         [&] { d.CloseTrackSessionEx(false, 3, 7, 8, 9); },
         {0x5B, 0, 3, 7, 8, 9, 0, 0, 0, 0},
         180000},
        {"READ BUFFER CAPACITY",
         [&] { d.ReadBufferCapacity(a, b); },
         {0x5C, 0, 0, 0, 0, 0, 0, 0, 32, 0},
         10000},
        {"SEND CUE SHEET",
         [&] { d.SendCueSheet(buffer.data(), 0x10203); },
         {0x5D, 0, 0, 0, 0, 0, 0x01, 0x02, 0x03, 0},
         30000},
        {"SET STREAMING",
         [&] { d.SetStreaming(buffer.data(), 28); },
         {0xB6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 28, 0},
         10000},
        {"SEND DVD STRUCTURE",
         [&] { d.SendDVDStructure(0x0F, buffer.data(), 22); },
         {0xBF, 0, 0, 0, 0, 0, 0, 0x0F, 0, 22, 0, 0},
         10000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.Name);
        bench.recorder->ClearCommands();
        c.Run();
        const auto commands = bench.recorder->Commands();
        ASSERT_EQ(commands.size(), 1u);
        EXPECT_EQ(commands.front(), c.Cdb);
        EXPECT_EQ(bench.recorder->CommandWaits().front(), c.Wait);
    }
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
    // Three refused READ DISC INFORMATION rounds, the fourth answered, and one TEST
    // UNIT READY that finds the drive ready.
    EXPECT_EQ(bench.CommandsWith(0x51).size(), 4u);
    EXPECT_EQ(bench.CommandsWith(0x00).size(), 1u);
    EXPECT_TRUE(bench.CommandsWith(0x03).empty());

    bench.recorder->ClearCommands();
    bench.recorder->FailNextCommandsNotReady(100);  // longer than the budget
    EXPECT_FALSE(bench.device->WaitForReady(30000, 5000));
    // Steps of 5,000 ms: six rounds spend the budget, and none is waited beyond it.
    EXPECT_EQ(bench.CommandsWith(0x51).size(), 6u);

    // A wait shorter than a step ends with the wait, not with the step.
    bench.recorder->ClearCommands();
    bench.recorder->FailNextCommandsNotReady(100);
    const std::uint64_t sleptBefore = bench.layer.Clock().Slept();
    EXPECT_FALSE(bench.device->WaitForReady(3000, 5000));
    EXPECT_EQ(bench.CommandsWith(0x51).size(), 1u);
    EXPECT_EQ(bench.layer.Clock().Slept() - sleptBefore, 3000u);
}

TEST(WaitForReady, GivesUpWhenNoMediumArrives) {
    RecorderBench bench;
    bench.recorder->Eject();
    EXPECT_FALSE(bench.device->WaitForReady(30000, 5000));
    // Medium not present is no "becoming ready": one READ DISC INFORMATION, two
    // TEST UNIT READY, then REQUEST SENSE every 5,000 ms until the budget is spent
    // (the 20,000 left).
    EXPECT_EQ(bench.CommandsWith(0x51).size(), 1u);
    EXPECT_EQ(bench.CommandsWith(0x00).size(), 2u);
    EXPECT_EQ(bench.CommandsWith(0x03).size(), 5u);
    EXPECT_EQ(bench.device->LastErrorText(), "");  // REQUEST SENSE itself succeeds
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
    EXPECT_EQ(bench.device->LastErrorText(), "NOT READY (MEDIUM NOT PRESENT - TRAY OPEN)");
    EXPECT_TRUE(bench.device->StartStopUnit(false));  // loads: the tray closes, still empty
    EXPECT_FALSE(bench.device->TestUnitReady(5000));
    EXPECT_EQ(bench.device->LastErrorText(), "NOT READY (MEDIUM NOT PRESENT - TRAY CLOSED)");
}

}  // namespace
}  // namespace tv
