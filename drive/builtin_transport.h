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
    void SetCloseHandleAfterCommand(bool on);
    void CloseAll();
    // Opens the drive at an address exclusively and keeps it open until Release;
    // false with who holds it in holders when the system refuses (EBUSY).
    // Simulated drives are always free.
    bool Claim(std::uint8_t adapter, std::uint8_t target, std::uint8_t lun, std::string& holders);
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
    bool closeAfterCommand_ = true;
};

}  // namespace tv
