#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "drive/aspi.h"
#include "drive/drive_clock.h"
#include "drive/sg_system.h"
#include "drive/simulated_recorder.h"

namespace tv {

// A simulated recorder as one more drive of the built-in transport.
struct SimulatedDrive {
    std::string Name;  // shown where a real drive shows its device name ("sr0")
    std::shared_ptr<SimulatedRecorder> Recorder;
    // A drive that is ready at every moment (the image recorder): waiting for it
    // takes no time.
    bool Instant = false;
};

// The address of a drive: adapter (the system's host number), target, LUN.
struct DriveAddress {
    std::uint8_t Adapter = 0, Target = 0, Lun = 0;
    auto operator<=>(const DriveAddress&) const = default;
};

// What an exclusive open of a drive gave.
enum class ClaimResult {
    Claimed,
    InUse,         // another program has it open (EBUSY)
    NoPermission,  // the user may not open it for writing (EACCES, EPERM)
    Failed,        // any other reason (the drive is gone, ...)
};

// The outcome of one SG_IO call as the request block reports it.
struct SgOutcome {
    std::uint8_t Status;
    std::uint8_t HostStatus;
    std::uint8_t TargetStatus;
};

// Maps the result of an SG_IO ioctl onto the ASPI status values: ioctlResult and
// error are the call's return value and errno, the other values the fields of the
// answered sg_io_hdr (status, host_status, driver_status, sb_len_wr).
SgOutcome MapSgResult(int ioctlResult, int error, std::uint8_t scsiStatus, std::uint16_t hostStatus,
                      std::uint16_t driverStatus);

// The built-in ASPI emulation "KVASPI32": it finds this machine's optical drives,
// answers every request block itself and passes SCSI commands to the drives with
// the SG_IO ioctl. Simulated recorders appear after the real drives.
class BuiltInTransport final : public AspiTransport {
  public:
    BuiltInTransport(std::shared_ptr<SgSystem> system, std::vector<SimulatedDrive> simulated,
                     const DriveClock& clock);
    ~BuiltInTransport() override;

    std::string Name() const override { return "KVASPI32"; }
    std::uint32_t GetASPI32SupportInfo() override;
    std::uint32_t SendASPI32Command(void* request) override;

    // Finds the drives (once per load) and returns how many there are; drives that
    // exist but cannot be opened are described in problems.
    int Scan(std::vector<std::string>& problems);
    std::uint8_t AdapterCount() const;
    // Whether the drive at an address never needs to be waited for.
    bool Instant(std::uint8_t adapter, std::uint8_t target, std::uint8_t lun) const;
    // The device name of the drive at an address; empty when there is none.
    std::string DriveName(std::uint8_t adapter, std::uint8_t target, std::uint8_t lun) const;
    // The addresses of the drives found, in the order of the list (by adapter,
    // target and LUN).
    std::vector<DriveAddress> Addresses() const;
    // A drive's handle is opened for its first command and kept for the commands
    // after it, so that a run of commands (a discovery, a disc query, a job) opens
    // and closes the device once: the kernel sends commands of its own at each
    // open and close (and unlocks the tray at the close). With on, each command
    // closes the handle again.
    void SetCloseHandleAfterCommand(bool on);
    // Closes the handles of drives that are not claimed: the end of a run.
    void CloseIdleHandles();
    void CloseAll();
    // Opens the drive at an address exclusively and keeps it open until Release.
    // When the system refuses, who holds it (or the system's reason) is in detail.
    // Simulated drives are always free.
    ClaimResult Claim(std::uint8_t adapter, std::uint8_t target, std::uint8_t lun,
                      std::string& detail);
    void Release(std::uint8_t adapter, std::uint8_t target, std::uint8_t lun);

  private:
    struct Slot {
        std::uint8_t Adapter = 0, Target = 0, Lun = 0;
        std::string Name;
        int Fd = -1;
        bool Claimed = false;  // Fd is an exclusive open kept until Release
        bool Instant = false;
        std::array<std::uint8_t, 40> Inquiry{};
        std::shared_ptr<SimulatedRecorder> Recorder;
    };

    int OpenDrive(const std::string& name);
    Slot* Find(std::uint8_t adapter, std::uint8_t target, std::uint8_t lun);
    void Execute(Slot& slot, SRB_ExecSCSICmd& request);
    void ComputeAdapterCount();

    std::shared_ptr<SgSystem> system_;
    std::vector<SimulatedDrive> simulated_;
    const DriveClock& clock_;
    mutable std::recursive_mutex mutex_;
    std::vector<Slot> slots_;
    std::uint8_t adapterCount_ = 0;
    bool closeAfterCommand_ = false;
};

}  // namespace tv
