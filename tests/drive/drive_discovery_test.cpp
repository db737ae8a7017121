// Finding and identifying drives, against the simulated recorder.

#include <gtest/gtest.h>

#include <array>

#include "base/byte_order.h"
#include "tests/drive/recorder_fixture.h"

namespace tv {
namespace {

using test::RecorderBench;

TEST(DriveDiscovery, TheRecorderIsListedAndIdentified) {
    RecorderBench bench;
    ASSERT_TRUE(bench.loaded);
    EXPECT_EQ(bench.layer.TransportName(), "KVASPI32");
    ASSERT_EQ(bench.device->DeviceList().size(), 1u);
    EXPECT_EQ(bench.device->DeviceList().front(), "0:0:0,sim0: TUNEVLT SIMULATED WRITER1.00");
    EXPECT_EQ(bench.device->DeviceDescription(), "TUNEVLT  SIMULATED WRITER 1.00");
    EXPECT_EQ(bench.device->DeviceType(), 5);
    EXPECT_EQ(bench.device->GetDriveLetter(), "sim0");
    EXPECT_EQ(bench.device->WriteModeFlags(), 0x06);  // SAO and TAO; raw writing is refused
    EXPECT_EQ(bench.device->DeviceMaxWriteSpeed(), 11080);
    EXPECT_EQ(bench.device->DeviceMaxReadSpeed(), 8467);
    const std::uint32_t flags = bench.device->CapabilityFlags();
    EXPECT_EQ(flags & capability::kCdRWrite, capability::kCdRWrite);
    EXPECT_EQ(flags & capability::kDvdPlusRwRead,
              capability::kDvdPlusRwRead);  // GET CONFIGURATION 0x2A
    EXPECT_EQ(flags & capability::kUnderrunFree, capability::kUnderrunFree);
    EXPECT_EQ(bench.device->GetMaxReadSpeed(), 8467);
    EXPECT_EQ(bench.device->GetCurrentWriteSpeed(), 11080);
}

TEST(DriveDiscovery, WrongIdsResetTheSelection) {
    RecorderBench bench;
    bench.device->SetDevice("1:0:");
    EXPECT_EQ(bench.device->Adapter(), TSCSIDevice::kNoAddress);
    EXPECT_EQ(bench.device->DeviceType(), 127);
    EXPECT_EQ(bench.device->DeviceId(), "");
    ASSERT_FALSE(bench.messages.empty());
    EXPECT_EQ(bench.messages.back(), "INVALID DEVICE ID / NOT A CD OR DVD DRIVE");

    bench.messages.clear();
    bench.device->SetDevice("0:5:0,?: nothing there");
    EXPECT_EQ(bench.device->Adapter(), TSCSIDevice::kNoAddress);
    EXPECT_EQ(bench.messages.back(), "INVALID DEVICE ID / NOT A CD OR DVD DRIVE");
    // No drive selected: commands are not sent and fail.
    EXPECT_FALSE(bench.device->TestUnitReady(5000));
    EXPECT_FALSE(bench.device->Write10(0, 0, nullptr, 0));

    bench.device->SetDevice(bench.device->DeviceList().front());
    EXPECT_EQ(bench.device->Adapter(), 0);
    EXPECT_TRUE(bench.device->TestUnitReady(5000));

    // A drive selected before does not let an address pass that does not answer.
    bench.messages.clear();
    bench.device->SetDevice("0:5:0,?: nothing there");
    EXPECT_EQ(bench.device->Adapter(), TSCSIDevice::kNoAddress);
    EXPECT_EQ(bench.device->DeviceType(), 127);
    EXPECT_EQ(bench.messages.back(), "INVALID DEVICE ID / NOT A CD OR DVD DRIVE");
}

// A drive may answer MODE SENSE with a page length of 0xFF: the page copied into
// MODE SELECT never exceeds the parameter list it goes into.
TEST(DriveDiscovery, WriteModeProbesBoundThePageLengthTheDriveReports) {
    RecorderBench bench;
    std::array<std::uint8_t, 8 + 54> list{};
    list[8] = 0x05;
    list[9] = 0xFF;  // a page "of 257 bytes"
    list[10] = 0x01;
    ASSERT_TRUE(bench.device->ModeSelect10(list.data(), static_cast<std::uint16_t>(list.size())));
    bench.recorder->ClearCommands();
    bench.device->DetectWriteModes();
    const auto selects = bench.CommandsWith(0x55);
    ASSERT_EQ(selects.size(), 3u);
    for (const auto& cdb : selects) EXPECT_LE(ReadBig16(cdb.data() + 7), 8u + 256u);
}

// Buffers handed to the transport are aligned: no command logs the alignment line.
TEST(DriveDiscovery, CommandBuffersAreAligned) {
    RecorderBench bench;
    bench.recorder->Eject();
    bench.device->WaitForReady(30000, 5000);  // REQUEST SENSE rounds into the sense buffer
    TDisc disc;
    bench.recorder->InsertMedium(MediumKind::CdRw);
    bench.device->GetDiscInfo(disc);
    bench.device->GetFreeBlocks();
    bench.device->ReadCapabilities();
    for (const std::string& message : bench.messages)
        EXPECT_FALSE(message.starts_with("aaaa")) << message;
}

TEST(DriveDiscovery, ScanningKeepsTheSelectedDriveAndClearsTheError) {
    RecorderBench bench;
    bench.device->Read10(99999999, 1, 2048, nullptr);
    EXPECT_FALSE(bench.device->LastErrorText().empty());
    bench.messages.clear();
    bench.device->DoDebug = true;
    bench.device->ScanDevices();
    EXPECT_EQ(bench.device->Adapter(), 0);
    EXPECT_EQ(bench.device->Target(), 0);
    EXPECT_EQ(bench.device->LastErrorText(), "");
    ASSERT_GE(bench.messages.size(), 2u);
    EXPECT_EQ(bench.messages[0], ">>> KVASPI32");
    EXPECT_EQ(bench.messages[1], ">>> TUNEVAULT KVASPI (SPTI 0)");
}

TEST(DriveDiscovery, ModelChecksSetTheirSwitches) {
    struct Case {
        const char* Product;
        bool SlowVendor;
        bool ImmediateClose;
    };
    for (const Case& check :
         {Case{"UJDA720 DVD/CDRW", true, true}, Case{"CDRW321040X", false, false},
          Case{"DVD-RW  DVR-104 ", false, true}}) {
        RecorderBench bench;
        bench.recorder->SetProductName(check.Product);
        bench.device->InitializeASPI(true, "");
        bench.device->SetDevice(bench.device->DeviceList().front());
        EXPECT_EQ(bench.layer.SlowReadyVendor.load(), check.SlowVendor) << check.Product;
        EXPECT_EQ(bench.layer.ImmediateClose.load(), check.ImmediateClose) << check.Product;
    }
}

TEST(DriveDiscovery, WithoutAnyDriveNoTransportLoads) {
    DriveLayer layer(std::make_shared<test::NoDrives>());
    TSCSIDevice device(layer);
    EXPECT_FALSE(device.InitializeASPI(true, ""));
    EXPECT_FALSE(device.ASPIInitialized());
    EXPECT_TRUE(device.DeviceList().empty());
    SRB_ExecSCSICmd request{};
    device.ExecuteCommand(request, 1000);
    EXPECT_NE(request.SRB_Status, SS_COMP);
}

// Many ATAPI drives answer only the current values of page 2A: the capabilities
// come from those.
TEST(DriveDiscovery, CapabilitiesComeFromTheCurrentValuesWhenTheDefaultsAreRefused) {
    RecorderBench normal;
    RecorderBench atapi;
    atapi.recorder->SetDefaultValuesRefused(true);
    atapi.device->SetDevice(atapi.device->DeviceList().front());
    EXPECT_NE(atapi.device->CapabilityFlags(), 0u);
    EXPECT_EQ(atapi.device->CapabilityFlags(), normal.device->CapabilityFlags());
    EXPECT_EQ(atapi.device->DeviceMaxWriteSpeed(), normal.device->DeviceMaxWriteSpeed());
}

// A drive that cannot write has no write speed (none made up) and no write mode.
TEST(DriveDiscovery, AReadOnlyDriveHasNoWriteSpeed) {
    RecorderBench bench;
    bench.recorder->SetReadOnlyDrive(true);
    bench.device->SetDevice(bench.device->DeviceList().front());
    EXPECT_FALSE(bench.device->CanWrite());
    EXPECT_EQ(bench.device->DeviceMaxWriteSpeed(), 0);
    EXPECT_EQ(bench.device->GetCurrentWriteSpeed(), 0);
    EXPECT_EQ(bench.device->WriteModeFlags(), 0);
    EXPECT_NE(bench.device->DeviceMaxReadSpeed(), 0);
}

}  // namespace
}  // namespace tv
