// Disc type, status, sessions and free space, and multisession writing, against
// the simulated recorder.

#include <gtest/gtest.h>

#include <cstring>

#include "base/byte_order.h"
#include "tests/drive/recorder_fixture.h"

namespace tv {
namespace {

using test::RecorderBench;

// Writes a session the way the burner does: write parameters for another
// session, the data at the next writable address, then the session closed.
void WriteSession(TSCSIDevice& d, std::uint16_t discType, std::uint32_t blocks,
                  bool finalize = false) {
    d.FinalizeDisc = finalize;
    ASSERT_TRUE(d.SetWriteParameters(false, true, discType));
    const int sessions = d.GetSessionCount();
    ASSERT_TRUE(d.ReadTrackInformation(static_cast<std::uint8_t>(sessions + 1)));
    std::uint32_t address = d.TrackInfo().NextWritableAddress;
    std::vector<std::uint8_t> data(32 * 2048, 0x5A);
    for (std::uint32_t left = blocks; left > 0;) {
        const std::uint16_t n = static_cast<std::uint16_t>(std::min<std::uint32_t>(left, 32));
        ASSERT_TRUE(d.Write10(address, n, data.data(), n * 2048u)) << d.LastErrorText();
        address += n;
        left -= n;
    }
    ASSERT_TRUE(d.SynchronizeCache(120000, false));
    if (discType == dtDvdPlusR) {
        ASSERT_TRUE(d.CloseTrackSessionEx(false, 1, 0, 0, static_cast<std::uint8_t>(sessions + 1)));
        ASSERT_TRUE(d.CloseTrackSessionEx(false, 2, 0, 0, 0xFF));
    } else {
        ASSERT_TRUE(d.CloseTrackSession(false, false, false));
    }
}

TEST(DiscInfo, ABlankCdR) {
    RecorderBench bench(MediumKind::CdR);
    TSCSIDevice& d = *bench.device;
    EXPECT_EQ(d.GetDiscType(), dtCdR);
    EXPECT_EQ(d.GetDiscStatus(), 0);
    EXPECT_EQ(d.GetSessionCount(), 0);
    EXPECT_FALSE(d.IsDiscErasable());
    EXPECT_EQ(d.GetFreeBlocks(), SimulatedRecorder::kCdCapacity);
    TDisc disc;
    d.GetDiscInfo(disc);
    EXPECT_TRUE(disc.Ready);
    EXPECT_EQ(disc.MediaName, "CD-R");
    EXPECT_EQ(disc.Profile, 0x0009);
    EXPECT_EQ(disc.DiscStatus, 0);
    EXPECT_FALSE(disc.Erasable);
}

TEST(DiscInfo, CdSessionsFollowEachOtherBehindTheirGaps) {
    RecorderBench bench(MediumKind::CdR);
    TSCSIDevice& d = *bench.device;
    WriteSession(d, dtCdR, 1000);
    EXPECT_EQ(d.GetDiscStatus(), 1);
    EXPECT_EQ(d.GetSessionCount(), 1);
    ASSERT_TRUE(d.ReadTrackInformation(2));
    EXPECT_EQ(d.TrackInfo().NextWritableAddress, 1000u + 11400u);  // lead-out, lead-in, pre-gap
    EXPECT_EQ(d.GetFreeBlocks(), SimulatedRecorder::kCdCapacity - 12400u);

    WriteSession(d, dtCdR, 500);
    EXPECT_EQ(d.GetSessionCount(), 2);
    ASSERT_TRUE(d.ReadTrackInformation(3));
    EXPECT_EQ(d.TrackInfo().NextWritableAddress, 12400u + 500u + 6900u);

    WriteSession(d, dtCdR, 100, true);  // the last session closes the disc
    EXPECT_EQ(d.GetSessionCount(), 3);
    EXPECT_EQ(d.GetDiscStatus(), 2);
    EXPECT_EQ(d.GetFreeBlocks(), 0u);
    EXPECT_FALSE(d.ReadTrackInformation(4));

    std::uint8_t toc[12] = {};
    ASSERT_TRUE(d.ReadTOC(1, toc, sizeof toc, 0, false, 0));
    EXPECT_EQ(toc[3], 3);  // last session
    EXPECT_EQ(ReadBig32(toc + 8), 12400u + 500u + 6900u);
    TDisc disc;
    d.GetDiscInfo(disc);
    EXPECT_EQ(disc.FirstSession, 1);
    EXPECT_EQ(disc.LastSession, 3);
    EXPECT_EQ(disc.DiscStatus, 2);
    EXPECT_EQ(disc.LastSessionState, 3);

    // The data landed where the drive said.
    std::vector<std::uint8_t> block(2048, 0);
    ASSERT_TRUE(d.Read10(12400, 1, 2048, block.data()));
    EXPECT_EQ(block[0], 0x5A);
    ASSERT_TRUE(d.Read10(12399, 1, 2048, block.data()));
    EXPECT_EQ(block[0], 0x00);  // the gap stays unwritten
}

TEST(DiscInfo, DvdPlusRSessionsNeverStartAtZeroAgain) {
    RecorderBench bench(MediumKind::DvdPlusR);
    TSCSIDevice& d = *bench.device;
    EXPECT_EQ(d.GetDiscType(), dtDvdPlusR);
    WriteSession(d, dtDvdPlusR, 3000);
    WriteSession(d, dtDvdPlusR, 3000);
    EXPECT_EQ(d.GetSessionCount(), 2);
    ASSERT_TRUE(d.ReadTrackInformation(3));
    const std::uint32_t third = d.TrackInfo().NextWritableAddress;
    EXPECT_GT(third, 6000u);
    WriteSession(d, dtDvdPlusR, 3000);
    EXPECT_EQ(d.GetSessionCount(), 3);
    ASSERT_TRUE(d.ReadTrackInformation(3));
    EXPECT_EQ(d.TrackInfo().StartAddress, third);
    EXPECT_EQ(d.TrackInfo().StartAddress % 16, 0u);
    TDisc disc;
    d.GetDiscInfo(disc);
    EXPECT_EQ(disc.MediaName, "DVD+R");
    EXPECT_FALSE(disc.Erasable);
}

TEST(DiscInfo, WriteOnceMediaAreWrittenOnlyAtTheNextWritableAddress) {
    RecorderBench bench(MediumKind::DvdR);
    TSCSIDevice& d = *bench.device;
    std::vector<std::uint8_t> data(2048 * 2, 1);
    EXPECT_TRUE(d.Write10(0, 2, data.data(), data.size()));
    EXPECT_FALSE(d.Write10(0, 2, data.data(), data.size()));
    EXPECT_EQ(d.LastErrorText(), "ILLEGAL REQUEST (LOGICAL BLOCK ADDRESS OUT OF RANGE)");
    EXPECT_TRUE(d.Write10(2, 2, data.data(), data.size()));
    bench.recorder->FailWriteAt(5);
    EXPECT_FALSE(d.Write10(4, 2, data.data(), data.size()));
    EXPECT_EQ(d.LastErrorText(), "MEDIUM ERROR (WRITE ERROR)");
}

TEST(DiscInfo, DvdPlusRwFreeSpaceIsBehindItsVolume) {
    RecorderBench bench(MediumKind::DvdPlusRw);
    TSCSIDevice& d = *bench.device;
    EXPECT_EQ(d.GetDiscType(), dtDvdPlusRw);
    EXPECT_TRUE(d.IsDiscErasable());
    EXPECT_EQ(d.GetFreeBlocks(), SimulatedRecorder::kDvdCapacity);  // no volume descriptor

    std::vector<std::uint8_t> descriptor(2048, 0);
    descriptor[0] = 1;
    std::memcpy(descriptor.data() + 1, "CD001", 5);
    descriptor[80] = 1000 & 0xFF;
    descriptor[81] = 1000 >> 8;
    ASSERT_TRUE(d.Write10(16, 1, descriptor.data(), 2048));  // overwritable: anywhere
    EXPECT_EQ(d.FindIsoVolumeSize(), 1000u);
    EXPECT_EQ(d.GetFreeBlocks(), 2294104u);
}

TEST(DiscInfo, AnUnformattedDvdPlusRwRefusesWrites) {
    RecorderBench bench(MediumKind::DvdPlusRwUnformatted);
    std::vector<std::uint8_t> data(2048, 0);
    EXPECT_FALSE(bench.device->Write10(0, 1, data.data(), 2048));
    EXPECT_EQ(bench.device->LastErrorText(),
              "ILLEGAL REQUEST (CANNOT WRITE MEDIUM - INCOMPATIBLE FORMAT)");
    EXPECT_EQ(bench.device->LastSense()[12], 0x30);
}

TEST(DiscInfo, ACdRwIsTypedThroughItsAtipWithoutGetConfiguration) {
    RecorderBench bench(MediumKind::CdRw);
    bench.recorder->SetGetConfigurationSupported(false);
    EXPECT_EQ(bench.device->GetDiscType(), dtCdRw);
    bench.recorder->InsertMedium(MediumKind::CdR);
    EXPECT_EQ(bench.device->GetDiscType(), dtCdR);
    bench.recorder->InsertMedium(MediumKind::CdRom);
    EXPECT_EQ(bench.device->GetDiscType(),
              dtCdR);  // no ATIP: the disc information's erasable bit decides
}

TEST(DiscInfo, EveryProfileHasItsType) {
    struct Case {
        MediumKind Kind;
        std::uint8_t Type;
    };
    for (const Case& c : {Case{MediumKind::CdRom, dtCdRom}, Case{MediumKind::DvdRom, dtDvdRom},
                          Case{MediumKind::DvdRam, dtDvdRam},
                          Case{MediumKind::DvdRwRestrictedOverwrite, dtDvdRwRestrictedOverwrite},
                          Case{MediumKind::DvdRwSequential, dtDvdRwSequential},
                          Case{MediumKind::DvdPlusRwUnformatted, dtDvdPlusRw}}) {
        RecorderBench bench(c.Kind);
        EXPECT_EQ(bench.device->GetDiscType(), c.Type);
        EXPECT_NE(bench.device->GetDiscType(), dtDvdRw);
    }
    EXPECT_EQ(DiscTypeNames[dtDvdRw], "DVD-RW");
    RecorderBench none(MediumKind::None);
    EXPECT_EQ(none.device->GetDiscType(), dtUnknown);
    EXPECT_EQ(none.device->GetDiscStatus(), -1);
    EXPECT_EQ(none.device->GetSessionCount(), 0);
    TDisc disc;
    disc.Capacity = 42;
    none.device->GetDiscInfo(disc);
    EXPECT_EQ(disc.Capacity, 42u);  // not ready: the record stays as it was
}

// Read-only drives refuse READ TRACK INFORMATION for a pressed disc: its size
// comes from READ CAPACITY and the lead-out of the table of contents.
TEST(DiscInfo, APressedDiscHasItsRecordedSize) {
    for (const MediumKind kind : {MediumKind::CdRom, MediumKind::DvdRom}) {
        RecorderBench bench(MediumKind::None);
        bench.recorder->InsertMedium(kind, 0, 5000);
        TSCSIDevice& d = *bench.device;
        EXPECT_FALSE(d.ReadTrackInformation(1));
        TDisc disc;
        d.GetDiscInfo(disc);
        ASSERT_TRUE(disc.Ready);
        EXPECT_EQ(disc.Capacity, 5000u);
        EXPECT_EQ(disc.Used, 5000u);
        EXPECT_EQ(disc.DiscStatus, 2);  // closed
        EXPECT_EQ(d.GetFreeBlocks(), 0u);
    }
}

// An empty drive or an open tray is no drive on its way to ready: nobody waits.
TEST(DiscInfo, AnEmptyDriveIsNotWaitedFor) {
    RecorderBench bench;
    bench.recorder->OpenTray();
    const std::uint64_t slept = bench.layer.Clock().Slept();
    TDisc disc;
    disc.Capacity = 77;
    bench.device->GetDiscInfo(disc);
    EXPECT_FALSE(disc.Ready);
    EXPECT_EQ(disc.Capacity, 77u);  // the caller's record as it was
    EXPECT_EQ(bench.layer.Clock().Slept(), slept);
    EXPECT_EQ(bench.device->LastErrorText(), "NOT READY (MEDIUM NOT PRESENT - TRAY OPEN)");
}

}  // namespace
}  // namespace tv
