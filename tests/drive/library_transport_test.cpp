// The library transport, with test libraries loaded by dlopen.

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <algorithm>
#include <chrono>
#include <cstring>

#include "drive/library_transport.h"
#include "drive/scsi_device.h"
#include "tests/drive/recorder_fixture.h"

namespace tv {
namespace {

struct Library {
    Library() : layer(std::make_shared<test::NoDrives>()), device(layer) {
        layer.Clock().SetScale(0.001);
        device.OnDebugMessage = [this](TSCSIDevice&, const std::string& m, std::uint8_t) {
            messages.push_back(m);
        };
    }
    DriveLayer layer;
    TSCSIDevice device;
    std::vector<std::string> messages;
};

int Aborts() {
    void* handle = ::dlopen(TV_TEST_ASPI_LIBRARY, RTLD_NOW | RTLD_NOLOAD);
    auto* count = reinterpret_cast<int (*)()>(::dlsym(handle, "TestAspiAborts"));
    const int aborts = count ? count() : -1;
    if (handle) ::dlclose(handle);
    return aborts;
}

TEST(LibraryTransport, IsLoadedFromTheGivenPath) {
    Library l;
    ASSERT_TRUE(l.device.InitializeASPI(false, TV_TEST_ASPI_LIBRARY));
    EXPECT_EQ(l.layer.TransportName(), "WNASPI32.DLL");
    EXPECT_EQ(l.device.DeviceList(),
              std::vector<std::string>{"0:0:0,E: LIBVEND LIBRARY DRIVE   0.01"});
    l.device.SetDevice(l.device.DeviceList().front());
    EXPECT_EQ(l.device.DeviceDescription(), "LIBVEND  LIBRARY DRIVE    0.01");
}

// A file named like the library in the working directory (a download folder, a
// stick) is never loaded; one beside the program is, and its path is logged.
TEST(LibraryTransport, IsNeverLoadedFromTheWorkingDirectory) {
    test::TempFolder work, program;
    std::filesystem::copy_file(TV_TEST_ASPI_LIBRARY, work / "WNASPI32.DLL");
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(work.Path());
    {
        Library l;
        l.layer.SetLibraryFolder(program.Path());
        EXPECT_FALSE(l.device.InitializeASPI(false, ""));
        EXPECT_FALSE(l.device.InitializeASPI(true, ""));
        EXPECT_FALSE(l.device.ASPIInitialized());
        // Named explicitly by the caller, a relative path is taken from here.
        EXPECT_TRUE(l.device.InitializeASPI(false, "WNASPI32.DLL"));
    }
    {
        Library l;
        l.layer.SetLibraryFolder(program.Path());
        std::filesystem::copy_file(TV_TEST_ASPI_LIBRARY, program / "WNASPI32.DLL");
        ASSERT_TRUE(l.device.InitializeASPI(false, ""));
        EXPECT_NE(std::find(l.messages.begin(), l.messages.end(),
                            ">>> ASPI LIBRARY LOADED FROM " + (program / "WNASPI32.DLL").string()),
                  l.messages.end());
    }
    std::filesystem::current_path(before);
    const auto names = AspiLibraryNames("", "/opt/tunevault/bin");
    EXPECT_EQ(names, std::vector<std::string>{"/opt/tunevault/bin/WNASPI32.DLL"});
}

TEST(LibraryTransport, PendingRequestsAreWaitedForOrTimedOut) {
    Library l;
    l.layer.Clock().SetScale(0.1);  // a wait of one second: the library answers well within it
    ASSERT_TRUE(l.device.InitializeASPI(false, TV_TEST_ASPI_LIBRARY));
    l.device.SetDevice(l.device.DeviceList().front());
    EXPECT_TRUE(l.device.TestUnitReady(5000));  // completed later, signalled through the event
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

    const int abortsBefore = Aborts();
    const std::uint8_t seek[10] = {0x2B};
    SRB_ExecSCSICmd request{};
    request.SRB_Flags = 0x40;
    request.SRB_CDBLen = 10;
    std::memcpy(request.CDBByte, seek, sizeof seek);
    l.device.ExecuteCommand(request, 10000);
    EXPECT_EQ(request.SRB_Status, SS_ERR);
    EXPECT_EQ(request.SRB_HaStat, HASTAT_TIMEOUT);
    EXPECT_EQ(l.device.LastErrorText(), "COMMAND TIMEOUT");
    EXPECT_EQ(Aborts(), abortsBefore + 1);

    // Without the event flag the request is not waited for at all.
    SRB_ExecSCSICmd unwaited{};
    unwaited.SRB_CDBLen = 10;
    std::memcpy(unwaited.CDBByte, seek, sizeof seek);
    l.device.ExecuteCommand(unwaited, 600000);
    EXPECT_EQ(l.device.LastErrorText(), "COMMAND TIMEOUT");
    EXPECT_EQ(Aborts(), abortsBefore + 2);
}

TEST(LibraryTransport, ALibraryWithoutBothEntryPointsIsRefused) {
    Library l;
    EXPECT_FALSE(l.device.InitializeASPI(false, TV_TEST_ASPI_INCOMPLETE));
    EXPECT_FALSE(l.device.ASPIInitialized());
    ASSERT_FALSE(l.messages.empty());
    EXPECT_NE(l.messages.back().find("SendASPI32Command"), std::string::npos);
}

TEST(LibraryTransport, NoLibraryAndNoDriveLoadNothing) {
    Library l;
    EXPECT_FALSE(l.device.InitializeASPI(false, "/no/such/library.so"));
    EXPECT_FALSE(l.device.ASPIInitialized());
    EXPECT_FALSE(l.device.InitializeASPI(true, ""));
}

}  // namespace
}  // namespace tv
