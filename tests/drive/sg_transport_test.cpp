// The built-in transport on a substituted system-call layer: drive discovery
// through sysfs names, INQUIRY and the address ioctls, and the mapping of SG_IO
// results onto the ASPI status values.

#include <gtest/gtest.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>

#include <cerrno>
#include <cstring>
#include <functional>
#include <map>

#include "drive/builtin_transport.h"
#include "drive/scsi_device.h"

namespace tv {
namespace {

class FakeSystem final : public SgSystem {
  public:
    // sr0 answers with an address from SCSI_IOCTL_GET_IDLUN, sr1 cannot be opened,
    // sr2 has no readable address.
    std::vector<std::string> OpticalDrives() override { return {"sr0", "sr1", "sr2"}; }
    int Open(const std::string& path, int) override {
        if (path == "/dev/sr1") {
            errno = EACCES;
            return -1;
        }
        ++opened;
        return path == "/dev/sr0" ? 100 : 102;
    }
    int Close(int) override {
        ++closed;
        return 0;
    }
    int Ioctl(int fd, unsigned long request, void* argument) override {
        if (request == SG_GET_SCSI_ID) {
            errno = ENOTTY;
            return -1;
        }
        if (request == SCSI_IOCTL_GET_IDLUN) {
            if (fd != 100) {
                errno = EINVAL;
                return -1;
            }
            static_cast<int*>(argument)[0] = (2 << 24) | 1;  // host 2, id 1, lun 0
            return 0;
        }
        auto* io = static_cast<sg_io_hdr_t*>(argument);
        lastTimeout = io->timeout;
        lastCdb.assign(io->cmdp, io->cmdp + io->cmd_len);
        io->status = io->host_status = io->driver_status = 0;
        io->sb_len_wr = 0;
        if (io->cmdp[0] == 0x12) {
            auto* data = static_cast<std::uint8_t*>(io->dxferp);
            data[0] = 5;
            std::memcpy(data + 8,
                        fd == 100 ? "REALDRV DVD RECORDER    1.02" : "OTHERDRVCD WRITER       2.00",
                        28);
            return 0;
        }
        return answer ? answer(*io) : 0;
    }

    std::function<int(sg_io_hdr_t&)> answer;
    std::vector<std::uint8_t> lastCdb;
    unsigned lastTimeout = 0;
    int opened = 0;
    int closed = 0;
};

struct Transport {
    Transport() : system(std::make_shared<FakeSystem>()), layer(system), device(layer) {
        device.OnDebugMessage = [this](TSCSIDevice&, const std::string& m, std::uint8_t) {
            messages.push_back(m);
        };
    }
    std::shared_ptr<FakeSystem> system;
    DriveLayer layer;
    TSCSIDevice device;
    std::vector<std::string> messages;
};

TEST(SgTransport, FindsDrivesWithTheirAddressesAndReportsThoseItCannotOpen) {
    Transport t;
    ASSERT_TRUE(t.device.InitializeASPI(true, ""));
    EXPECT_EQ(t.layer.TransportName(), "KVASPI32");
    EXPECT_EQ(t.device.DeviceList(),
              (std::vector<std::string>{"2:1:0,sr0: REALDRV DVD RECORDER    1.02",
                                        "3:0:0,sr2: OTHERDRVCD WRITER       2.00"}));
    ASSERT_EQ(t.messages.size(), 1u);
    EXPECT_NE(t.messages[0].find("/dev/sr1"), std::string::npos);
    EXPECT_NE(t.messages[0].find("\"cdrom\""), std::string::npos);
    EXPECT_EQ(t.system->opened, t.system->closed);  // every handle closed again
    EXPECT_EQ(t.layer.SupportInfo(), 0x0104u);      // four adapters
}

TEST(SgTransport, CommandsGoThroughSgIoWithTheirWaitAsTimeout) {
    Transport t;
    ASSERT_TRUE(t.device.InitializeASPI(true, ""));
    t.device.SetDevice(t.device.DeviceList().front());
    EXPECT_EQ(t.device.DeviceDescription(), "REALDRV  DVD RECORDER     1.02");
    EXPECT_TRUE(t.device.TestUnitReady(5000));
    EXPECT_EQ(t.system->lastCdb, (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0}));
    EXPECT_EQ(t.system->lastTimeout, 10000u);  // waits are at least 10 s
    EXPECT_TRUE(t.device.SynchronizeCache(1800000, false));
    EXPECT_EQ(t.system->lastTimeout, 1800000u);
}

TEST(SgTransport, DescriptorSenseIsDecoded) {
    Transport t;
    t.device.InitializeASPI(true, "");
    t.device.SetDevice(t.device.DeviceList().front());
    t.system->answer = [](sg_io_hdr_t& io) {
        io.status = 0x02;
        const std::uint8_t sense[] = {0x72, 0x02, 0x3A, 0x00, 0, 0, 0, 0};
        std::memcpy(io.sbp, sense, sizeof sense);
        io.sb_len_wr = sizeof sense;
        return 0;
    };
    EXPECT_FALSE(t.device.TestUnitReady(5000));
    EXPECT_EQ(t.device.LastErrorText(), "NOT READY (MEDIUM NOT PRESENT)");
    EXPECT_EQ(t.device.LastSense()[0], 0x70);
}

TEST(SgTransport, TimeoutsAndHostErrorsBecomeAspiStatus) {
    Transport t;
    t.device.InitializeASPI(true, "");
    t.device.SetDevice(t.device.DeviceList().front());
    t.system->answer = [](sg_io_hdr_t& io) {
        io.host_status = 0x03;  // DID_TIME_OUT
        return 0;
    };
    EXPECT_FALSE(t.device.TestUnitReady(5000));
    EXPECT_EQ(t.device.LastErrorText(), "COMMAND TIMEOUT");
    t.system->answer = [](sg_io_hdr_t&) {
        errno = ENODEV;
        return -1;
    };
    EXPECT_FALSE(t.device.TestUnitReady(5000));
    EXPECT_EQ(t.device.LastErrorText(), "NO DEVICE");
    t.system->answer = [](sg_io_hdr_t& io) {
        io.status = 0x08;
        return 0;
    };
    EXPECT_FALSE(t.device.TestUnitReady(5000));
    EXPECT_EQ(t.device.LastErrorText(), "TARGET BUSY");
    EXPECT_TRUE(t.device.TargetBusy());
}

TEST(SgTransport, ResultMapping) {
    const auto status = [](int rc, int error, std::uint8_t scsi, std::uint16_t host,
                           std::uint16_t driver) {
        const SgOutcome o = MapSgResult(rc, error, scsi, host, driver);
        return std::tuple(o.Status, o.HostStatus, o.TargetStatus);
    };
    EXPECT_EQ(status(0, 0, 0, 0, 0), std::tuple(SS_COMP, std::uint8_t{0}, std::uint8_t{0}));
    EXPECT_EQ(status(0, 0, 0x02, 0, 0x08), std::tuple(SS_ERR, std::uint8_t{0}, STATUS_CHKCOND));
    EXPECT_EQ(status(0, 0, 0, 0, 0x06), std::tuple(SS_ERR, HASTAT_TIMEOUT, std::uint8_t{0}));
    EXPECT_EQ(status(-1, ETIMEDOUT, 0, 0, 0), std::tuple(SS_ERR, HASTAT_TIMEOUT, std::uint8_t{0}));
    EXPECT_EQ(status(0, 0, 0, 0x01, 0), std::tuple(SS_ERR, HASTAT_SEL_TO, std::uint8_t{0}));
    EXPECT_EQ(status(0, 0, 0, 0x08, 0), std::tuple(SS_ERR, HASTAT_BUS_RESET, std::uint8_t{0}));
    EXPECT_EQ(status(0, 0, 0, 0x05, 0), std::tuple(SS_ABORTED, std::uint8_t{0}, std::uint8_t{0}));
    EXPECT_EQ(status(-1, EINVAL, 0, 0, 0),
              std::tuple(SS_INVALID_SRB, std::uint8_t{0}, std::uint8_t{0}));
}

TEST(SgTransport, TheEmulationAnswersItsOwnRequests) {
    Transport t;
    ASSERT_TRUE(t.layer.Load(true, "", *std::make_unique<std::vector<std::string>>()));
    SRB_HAInquiry inquiry{};
    inquiry.SRB_Cmd = SC_HA_INQUIRY;
    inquiry.SRB_HaId = 1;
    EXPECT_EQ(t.layer.Send(&inquiry), SS_COMP);
    EXPECT_EQ(inquiry.HA_Count, 4);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry.HA_Identifier)), "SPTI 1");
    inquiry.SRB_HaId = 9;
    EXPECT_EQ(t.layer.Send(&inquiry), SS_INVALID_HA);
    SRB_GDEVBlock type{};
    type.SRB_Cmd = SC_GET_DEV_TYPE;
    type.SRB_HaId = 2;
    type.SRB_Target = 1;
    EXPECT_EQ(t.layer.Send(&type), SS_COMP);
    EXPECT_EQ(type.SRB_DeviceType, 5);
    type.SRB_Target = 2;
    EXPECT_EQ(t.layer.Send(&type), SS_NO_DEVICE);
    EXPECT_EQ(type.SRB_DeviceType, 0x1F);
    SRB_GetDiskInfo disk{};
    disk.SRB_Cmd = SC_GET_DISK_INFO;
    EXPECT_EQ(t.layer.Send(&disk), SS_ERR);
    EXPECT_EQ(t.layer.Send(nullptr), SS_ERR);
}

TEST(SgTransport, TheRealDriveAnswersWhenThereIsOne) {
    DriveLayer layer;
    TSCSIDevice device(layer);
    if (LinuxSgSystem()->OpticalDrives().empty())
        GTEST_SKIP() << "this machine has no optical drive";
    if (!device.InitializeASPI(true, "") || device.DeviceList().empty())
        GTEST_SKIP() << "no drive could be opened";
    device.SetDevice(device.DeviceList().front());
    EXPECT_FALSE(device.DeviceDescription().empty());
    EXPECT_TRUE(device.DeviceType() == 5 || device.DeviceType() == 4);
    TDisc disc;
    device.GetDiscInfo(disc);  // whatever the tray holds: no crash, no hang
}

}  // namespace
}  // namespace tv
