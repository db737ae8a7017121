// The built-in transport on a substituted system-call layer: drive discovery
// through sysfs names, INQUIRY and the address ioctls, and the mapping of SG_IO
// results onto the ASPI status values.

#include <gtest/gtest.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <thread>
#include <cstring>
#include <functional>
#include <map>

#include "drive/builtin_transport.h"
#include "drive/device_holders.h"
#include "drive/scsi_device.h"
#include "tests/support/temp_folder.h"

namespace tv {
namespace {

// A drive's address as the system tells it: through SG_GET_SCSI_ID, through
// SCSI_IOCTL_GET_IDLUN only, or not at all.
struct FakeAddress {
    enum class Via { ScsiId, IdLun, None } Source = Via::None;
    int Host = 0, Channel = 0, Id = 0, Lun = 0;
};

class FakeSystem final : public SgSystem {
  public:
    // sr0: host 12 (hosts above 9 are common), sr1 cannot be opened, sr2 has no
    // readable address, sr3: host 12 on channel 1, sr4: host 3 through the older ioctl.
    std::map<std::string, FakeAddress> drives = {
        {"sr0", {FakeAddress::Via::ScsiId, 12, 0, 1, 0}},
        {"sr1", {}},
        {"sr2", {FakeAddress::Via::None}},
        {"sr3", {FakeAddress::Via::ScsiId, 12, 1, 1, 0}},
        {"sr4", {FakeAddress::Via::IdLun, 3, 0, 0, 0}},
    };

    std::vector<std::string> OpticalDrives() override {
        std::vector<std::string> names;
        for (const auto& [name, address] : drives) names.push_back(name);
        return names;
    }
    int Open(const std::string& path, int) override {
        if (path == "/dev/sr1" || !drives.contains(path.substr(5))) {
            errno = path == "/dev/sr1" ? EACCES : ENOENT;
            return -1;
        }
        ++opened;
        return 100 + (path.back() - '0');
    }
    int Close(int) override {
        ++closed;
        return 0;
    }
    int Ioctl(int fd, unsigned long request, void* argument) override {
        const FakeAddress& address = drives.at("sr" + std::to_string(fd - 100));
        if (request == SG_GET_SCSI_ID) {
            if (address.Source != FakeAddress::Via::ScsiId) {
                errno = ENOTTY;
                return -1;
            }
            auto* id = static_cast<sg_scsi_id*>(argument);
            id->host_no = address.Host;
            id->channel = address.Channel;
            id->scsi_id = address.Id;
            id->lun = address.Lun;
            return 0;
        }
        if (request == SCSI_IOCTL_GET_IDLUN) {
            if (address.Source != FakeAddress::Via::IdLun) {
                errno = EINVAL;
                return -1;
            }
            static_cast<int*>(argument)[0] =
                (address.Host << 24) | (address.Channel << 16) | (address.Lun << 8) | address.Id;
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
            std::string identity = "DRIVE" + std::to_string(fd - 100) + "  DVD RECORDER    1.02";
            identity.resize(28, ' ');
            std::memcpy(data + 8, identity.data(), 28);
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

// A drive's adapter, target and LUN are the system's host, target and LUN; a
// drive whose address is unknown or taken (another channel) gets an adapter
// after the highest host, and every id of the list selects its drive.
TEST(SgTransport, FindsDrivesWithTheirAddressesAndReportsThoseItCannotOpen) {
    Transport t;
    ASSERT_TRUE(t.device.InitializeASPI(true, ""));
    EXPECT_EQ(t.layer.TransportName(), "KVASPI32");
    EXPECT_EQ(t.device.DeviceList(), (std::vector<std::string>{
                                         "3:0:0,sr4: DRIVE4  DVD RECORDER    1.02",
                                         "12:1:0,sr0: DRIVE0  DVD RECORDER    1.02",
                                         "13:0:0,sr2: DRIVE2  DVD RECORDER    1.02",
                                         "13:1:0,sr3: DRIVE3  DVD RECORDER    1.02"}));
    ASSERT_EQ(t.messages.size(), 1u);
    EXPECT_NE(t.messages[0].find("/dev/sr1"), std::string::npos);
    EXPECT_NE(t.messages[0].find("\"cdrom\""), std::string::npos);
    // Each drive was opened once for the whole discovery and closed at its end.
    EXPECT_EQ(t.system->opened, 4);
    EXPECT_EQ(t.system->opened, t.system->closed);
    EXPECT_EQ(t.layer.SupportInfo(), 0x010Eu);  // adapters up to 13
    for (const std::string& line : t.device.DeviceList()) {
        t.device.SetDevice(line);
        EXPECT_EQ(t.device.DeviceType(), 5) << line;
        EXPECT_EQ(t.device.GetDriveLetter(), line.substr(line.find(',') + 1, 3));
    }
    // Adapter numbers of more than one digit are read whole.
    t.device.SetDevice("99:1:0,sr0: gone");
    EXPECT_EQ(t.device.Adapter(), TSCSIDevice::kNoAddress);
}

TEST(SgTransport, DrivesWithoutAnyAddressShareAnAdapter) {
    Transport t;
    t.system->drives = {{"sr0", {FakeAddress::Via::None}}, {"sr2", {FakeAddress::Via::None}}};
    ASSERT_TRUE(t.device.InitializeASPI(true, ""));
    EXPECT_EQ(t.device.DeviceList(),
              (std::vector<std::string>{"0:0:0,sr0: DRIVE0  DVD RECORDER    1.02",
                                        "0:1:0,sr2: DRIVE2  DVD RECORDER    1.02"}));
}

// Targets and LUNs of 8 and more are listed like any other, and a LUN travels in
// the request, never in the CDB: a modern drive refuses LUN bits in byte 1.
TEST(SgTransport, HighTargetsAndLunsAreListedAndTheLunStaysOutOfTheCdb) {
    Transport t;
    t.system->drives = {{"sr0", {FakeAddress::Via::ScsiId, 2, 0, 9, 0}},
                        {"sr2", {FakeAddress::Via::ScsiId, 2, 0, 0, 1}},
                        {"sr3", {FakeAddress::Via::ScsiId, 2, 0, 12, 9}}};
    ASSERT_TRUE(t.device.InitializeASPI(true, ""));
    ASSERT_EQ(t.device.DeviceList(), (std::vector<std::string>{
                                         "2:0:1,sr2: DRIVE2  DVD RECORDER    1.02",
                                         "2:9:0,sr0: DRIVE0  DVD RECORDER    1.02",
                                         "2:12:9,sr3: DRIVE3  DVD RECORDER    1.02"}));
    t.device.SetDevice(t.device.DeviceList()[0]);
    ASSERT_EQ(t.device.Lun(), 1);
    std::uint8_t block[2048];
    t.device.Read10(16, 1, sizeof block, block);
    ASSERT_EQ(t.system->lastCdb.size(), 10u);
    EXPECT_EQ(t.system->lastCdb[1], 0);
}

// A run of commands opens the drive once; its end closes it.
TEST(SgTransport, ARunOfCommandsOpensTheDriveOnce) {
    Transport t;
    ASSERT_TRUE(t.device.InitializeASPI(true, ""));
    const int opened = t.system->opened;
    t.device.SetDevice(t.device.DeviceList().front());
    for (int i = 0; i < 5; ++i) t.device.TestUnitReady(5000);
    EXPECT_EQ(t.system->opened, opened + 1);
    EXPECT_EQ(t.system->closed, opened);
    t.device.EndCommandRun();
    EXPECT_EQ(t.system->closed, opened + 1);
}

TEST(SgTransport, CommandsGoThroughSgIoWithTheirWaitAsTimeout) {
    Transport t;
    ASSERT_TRUE(t.device.InitializeASPI(true, ""));
    t.device.SetDevice(t.device.DeviceList().front());
    EXPECT_EQ(t.device.DeviceDescription(), "DRIVE4   DVD RECORDER     1.02");
    EXPECT_TRUE(t.device.TestUnitReady(5000));
    EXPECT_EQ(t.system->lastCdb, (std::vector<std::uint8_t>{0, 0, 0, 0, 0, 0}));
    // The kernel never gives up before 120 s (its error handling would reset the
    // drive in the middle of an operation), nor before the command's own wait.
    EXPECT_EQ(t.system->lastTimeout, 120000u);
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
    // A refusal by the system is a permission problem, named with the drive.
    for (const int refusal : {EPERM, EACCES}) {
        t.system->answer = [refusal](sg_io_hdr_t&) {
            errno = refusal;
            return -1;
        };
        t.messages.clear();
        EXPECT_FALSE(t.device.Write10(0, 1, nullptr, 0));
        EXPECT_EQ(t.device.LastErrorText(),
                  "ACCESS DENIED TO /dev/sr4 (THE USER NEEDS READ AND WRITE ACCESS: GROUP "
                  "\"cdrom\")");
        ASSERT_FALSE(t.messages.empty());
        EXPECT_NE(t.messages.back().find("ACCESS DENIED TO /dev/sr4"), std::string::npos);
    }
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
    EXPECT_EQ(status(-1, EPERM, 0, 0, 0),
              std::tuple(SS_ACCESS_DENIED, std::uint8_t{0}, std::uint8_t{0}));
    EXPECT_EQ(status(-1, EACCES, 0, 0, 0),
              std::tuple(SS_ACCESS_DENIED, std::uint8_t{0}, std::uint8_t{0}));
}

TEST(SgTransport, TheEmulationAnswersItsOwnRequests) {
    Transport t;
    ASSERT_TRUE(t.layer.Load(true, "", *std::make_unique<std::vector<std::string>>()));
    SRB_HAInquiry inquiry{};
    inquiry.SRB_Cmd = SC_HA_INQUIRY;
    inquiry.SRB_HaId = 1;
    EXPECT_EQ(t.layer.Send(&inquiry), SS_COMP);
    EXPECT_EQ(inquiry.HA_Count, 14);
    EXPECT_EQ(std::string(reinterpret_cast<char*>(inquiry.HA_Identifier)), "SPTI 1");
    inquiry.SRB_HaId = 14;
    EXPECT_EQ(t.layer.Send(&inquiry), SS_INVALID_HA);
    SRB_GDEVBlock type{};
    type.SRB_Cmd = SC_GET_DEV_TYPE;
    type.SRB_HaId = 13;
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
    device.GetDiscInfo(disc);
    if (disc.Ready) {
        // A disc: it has a name, and nothing used lies beyond its capacity.
        EXPECT_FALSE(disc.MediaName.empty());
        EXPECT_LE(disc.Used, disc.Capacity);
        EXPECT_GE(device.GetDiscStatus(), 0);
    } else {
        // None: the drive says why.
        EXPECT_FALSE(device.TestUnitReady(5000));
        EXPECT_NE(device.LastErrorText().find("NOT READY"), std::string::npos);
    }
}

// The kernel's SCSI devices of type 5 and 4 are the drives, whatever their
// address, by their sr device or, without one, their generic device.
TEST(SgTransport, TheSystemListsEveryOpticalDeviceOfSysfs) {
    test::TempFolder sysfs;
    const auto device = [&](const std::string& address, const std::string& type,
                            const std::string& block, const std::string& generic) {
        const auto folder = sysfs / "class/scsi_device" / address / "device";
        std::filesystem::create_directories(folder);
        test::WriteBytes(folder / "type", type + "\n");
        if (!block.empty()) std::filesystem::create_directories(folder / "block" / block);
        if (!generic.empty()) std::filesystem::create_directories(folder / "scsi_generic" / generic);
    };
    device("2:0:9:0", "5", "sr1", "sg3");
    device("2:0:0:1", "5", "sr0", "sg2");
    device("0:0:0:0", "0", "sda", "sg0");  // a disk
    device("4:0:12:9", "4", "", "sg7");    // write-once, no sr driver
    device("5:0:0:0", "5", "sr10", "");
    EXPECT_EQ(LinuxSgSystem(sysfs.Path())->OpticalDrives(),
              (std::vector<std::string>{"sr0", "sr1", "sr10", "sg7"}));
}

// An exclusive open the system refuses is told apart: another program has the
// drive, or the user may not write to it.
TEST(SgTransport, ARefusedClaimSaysWhy) {
    EXPECT_EQ(ClaimRefusalText(ClaimResult::InUse, "cdrecord (pid 7)"),
              "DRIVE IN USE [cdrecord (pid 7)]");
    EXPECT_NE(ClaimRefusalText(ClaimResult::NoPermission, "Permission denied")
                  .find("NO PERMISSION TO WRITE TO THE DRIVE [Permission denied]"),
              std::string::npos);
    EXPECT_EQ(ClaimRefusalText(ClaimResult::Failed, "No such device"),
              "CAN'T OPEN THE DRIVE [No such device]");
}

// Who holds a device, as the kernel tells it: another process with the file open
// is named with its program and PID; nobody holding it gives no text.
TEST(DeviceHolders, AProcessWithTheFileOpenIsNamed) {
    test::TempFolder folder;
    const std::string device = (folder / "sr9").string();
    test::WriteBytes(device, "");
    EXPECT_EQ(DeviceHolders(device), "");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // "sleep" with the file open on descriptor 3.
        ::execl("/bin/sh", "sh", "-c", "exec 3<\"$0\"; exec sleep 30", device.c_str(), nullptr);
        ::_exit(127);
    }
    const std::string expected = "OPENED BY sleep (PID " + std::to_string(child) + ")";
    std::string holders;
    for (int attempt = 0; attempt < 500 && holders != expected; ++attempt) {
        holders = DeviceHolders(device);  // the child needs a moment to open it
        if (holders != expected) std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_EQ(holders, expected);
    EXPECT_EQ(DeviceHolders(device), "");
}

}  // namespace
}  // namespace tv
