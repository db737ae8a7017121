#pragma once

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "base/main_thread_invoker.h"
#include "drive/aspi.h"
#include "drive/disc_types.h"
#include "drive/drive_layer.h"

namespace tv {

class TSCSIDevice;

// Events of the device (the old component's method pointers).
using TOnDebugMsg =
    std::function<void(TSCSIDevice& sender, const std::string& message, std::uint8_t mType)>;
using TEraseDoneEvent = std::function<void(TSCSIDevice& sender, bool withError)>;
using TDeviceChangedEvent = std::function<void(TSCSIDevice& sender)>;

// READ TRACK INFORMATION as the device keeps it, converted to host order.
struct TrackInformation {
    std::uint16_t DataLength = 0;
    std::uint8_t TrackNumber = 0;
    std::uint8_t SessionNumber = 0;
    std::uint8_t TrackMode = 0;  // byte 5
    std::uint8_t DataMode = 0;   // byte 6
    std::uint8_t Valid = 0;      // byte 7
    std::uint32_t StartAddress = 0;
    std::uint32_t NextWritableAddress = 0;
    std::uint32_t FreeBlocks = 0;
    std::uint32_t FixedPacketSize = 0;
    std::uint32_t TrackSize = 0;
    std::uint32_t LastRecordedAddress = 0;
};

// Capability bits of CapabilityFlags.
namespace capability {
inline constexpr std::uint32_t kCdRRead = 0x1, kCdRwRead = 0x2, kMethod2 = 0x4, kDvdRomRead = 0x8,
                               kDvdRRead = 0x10 | 0x20, kDvdRamRead = 0x40,
                               kDvdPlusRwRead = 0x80 | 0x100, kCdRWrite = 0x200, kCdRwWrite = 0x400,
                               kTestWrite = 0x800, kDvdRWrite = 0x1000 | 0x2000,
                               kDvdRamWrite = 0x4000, kDvdPlusRwWrite = 0x8000 | 0x10000,
                               kUnderrunFree = 0x40000;
}

// The text a refused claim is reported with (the burn's error, the log line):
// "DRIVE IN USE [who]", a permission problem, or the system's reason.
std::string ClaimRefusalText(ClaimResult result, const std::string& detail);

// One CD/DVD drive reached through the drive layer's transport: discovery and
// identification, every MMC command the burner needs, the disc queries and the
// erase. Drive operations never throw: they return false (or a neutral value) and
// leave the reason in LastErrorText and the sense data. Commands of one device must
// not overlap: callers in other threads hold LockDevice.
class TSCSIDevice {
  public:
    static constexpr std::uint8_t kNoAddress = 254;

    // invoker hands OnEraseDone to the main thread; without one it is raised in the
    // erase thread.
    explicit TSCSIDevice(DriveLayer& layer, MainThreadInvoker* invoker = nullptr);
    virtual ~TSCSIDevice();
    TSCSIDevice(const TSCSIDevice&) = delete;
    TSCSIDevice& operator=(const TSCSIDevice&) = delete;

    DriveLayer& Layer() noexcept { return layer_; }
    // The clock of every wait for the selected drive: the layer's, or one that
    // does not wait for a drive that is always ready (the image recorder).
    const DriveClock& Clock() const;

    // --- transport -------------------------------------------------------------
    bool InitializeASPI(bool preferBuiltIn, const std::string& libraryPath);
    bool ReinitializeASPI();
    bool ASPIInitialized() const { return layer_.Loaded(); }
    void HostAdapterInquiry(std::uint8_t adapter);
    // Sends a request to the selected drive and waits for it (at least 10 s).
    void ExecuteCommand(SRB_ExecSCSICmd& request, std::uint32_t timeoutMs);
    std::uint8_t GetDiskInfo(std::uint8_t adapter, std::uint8_t target, std::uint8_t lun);
    void SetCloseHandleAfterCommand(bool on);
    void DebugMessage(const std::string& text, std::uint8_t mType);

    const std::string& LastErrorText() const noexcept { return lastErrorText_; }
    const std::array<std::uint8_t, kSenseBytes + 1>& LastSense() const noexcept {
        return lastSense_;
    }
    bool TargetBusy() const noexcept { return targetBusy_; }
    // The next eligible failure is not written to the log.
    void SuppressNextErrorLog() noexcept { suppressErrorLog_ = true; }

    bool DoDebug = false;
    TOnDebugMsg OnDebugMessage;

    // --- discovery and capabilities ----------------------------------------------
    void ScanDevices();
    const std::vector<std::string>& DeviceList() const noexcept { return deviceList_; }
    // The device name of the selected drive ("sr0"); empty when unknown.
    std::string GetDriveLetter();
    void SetDevice(const std::string& deviceId);
    void IdentifyDevice();
    bool Inquiry();
    bool ReadCapabilities();
    bool DetectWriteModes();
    bool ProbeWriteMode(int kind);
    // Whether the drive can write at all (a write bit of its capabilities, or a
    // write mode it accepts).
    bool CanWrite() const noexcept;
    std::uint16_t GetMaxReadSpeed();
    std::uint16_t GetCurrentWriteSpeed();
    void SetWriteSpeed(std::uint16_t value);

    const std::string& DeviceId() const noexcept { return deviceId_; }
    const std::string& DeviceDescription() const noexcept { return deviceDescription_; }
    std::uint8_t DeviceType() const noexcept { return deviceType_; }
    std::uint32_t CapabilityFlags() const noexcept { return capabilityFlags_; }
    std::uint16_t DeviceMaxWriteSpeed() const noexcept { return deviceMaxWriteSpeed_; }
    std::uint16_t DeviceMaxReadSpeed() const noexcept { return deviceMaxReadSpeed_; }
    std::uint8_t WriteModeFlags() const noexcept { return writeModeFlags_; }
    std::uint8_t Adapter() const noexcept { return adapter_; }
    std::uint8_t Target() const noexcept { return target_; }
    std::uint8_t Lun() const noexcept { return lun_; }
    std::uint16_t ReadSpeed = 0;
    std::uint16_t WriteSpeed() const noexcept { return writeSpeed_; }
    TDeviceChangedEvent OnDeviceChange;

    // --- MMC commands -----------------------------------------------------------
    bool TestUnitReady(std::uint32_t timeoutMs);
    bool RezeroUnit();
    bool RequestSense(std::uint8_t* buffer, std::uint8_t length);
    bool FormatUnit(std::uint8_t cdb1, const std::uint8_t* parameters, std::uint32_t length);
    bool StartStopUnit(bool eject);
    bool PreventAllowRemoval(bool allow);
    bool ReadFormatCapacities(std::uint32_t& blocks, std::uint32_t& blockSize);
    bool ReadCapacity(std::uint32_t& lastAddress, std::uint32_t& blockLength);
    bool Read10(std::uint32_t address, std::uint16_t blocks, std::uint32_t length,
                std::uint8_t* buffer);
    bool Write10(std::uint32_t address, std::uint16_t blocks, std::uint8_t* buffer,
                 std::uint32_t length, std::uint8_t flags = 0x50);
    bool SynchronizeCache(std::uint32_t timeoutMs, bool immediate);
    bool GetConfiguration(std::uint8_t rt, std::uint16_t feature, std::uint16_t length,
                          std::uint8_t* buffer);
    // A length above 255 is a range error (std::out_of_range) before anything is sent.
    bool ReadTOC(std::uint8_t format, std::uint8_t* buffer, std::uint32_t length,
                 std::uint8_t number, bool msf, std::uint8_t control);
    bool ReadDiscInformation(std::uint8_t* buffer, std::uint16_t length);
    bool ReadTrackInformation(std::uint8_t track);
    bool ReserveTrack(std::uint32_t blocks);
    bool SendOPCInformation();
    bool ModeSelect10(const std::uint8_t* data, std::uint16_t length);
    bool ModeSense10(std::uint8_t page, std::uint8_t* buffer, bool defaults, std::uint16_t length,
                     std::uint32_t bufferSize);
    bool CloseTrackSession(bool track, bool immediate, bool finalize);
    bool CloseTrackSessionEx(bool immediate, std::uint8_t function, std::uint8_t b3,
                             std::uint8_t b4, std::uint8_t b5);
    bool ReadBufferCapacity(std::uint32_t& size, std::uint32_t& free);
    bool SendCueSheet(const std::uint8_t* data, std::uint32_t length);
    bool SetStreaming(const std::uint8_t* data, std::uint16_t length);
    bool SetCDSpeed(std::uint16_t readSpeed, std::uint16_t writeSpeed);
    bool SendDVDStructure(std::uint8_t format, const std::uint8_t* data, std::uint16_t length);
    // yyyymmddhhnnss of the given local time.
    bool SendTimestamp(const std::tm& time);
    bool WaitForReady(std::uint32_t totalMs, std::uint32_t stepMs);
    // Leaves the drive as at the end of a burn or an erase: plain write
    // parameters, full read speed, head at zero, tray unlocked, ready.
    void ResetDrive();
    bool SetWriteParameters(bool testWrite, bool underrunFree, std::uint16_t discType);
    // Every command takes the device lock, so commands of one device never
    // overlap; a thread that sends a sequence of commands holds it meanwhile.
    void LockDevice() { deviceLock_.lock(); }
    void UnlockDevice() { deviceLock_.unlock(); }
    std::recursive_mutex& DeviceLock() noexcept { return deviceLock_; }

    // Claims the selected drive for this program alone (an exclusive open, so no
    // automounter or other program talks to it meanwhile) until ReleaseDrive.
    // When refused, detail holds who has it (where the system can tell) or the
    // system's reason.
    ClaimResult ClaimDrive(std::string& detail);
    void ReleaseDrive();
    // The end of a run of commands (a discovery, a disc query): the drives' handles
    // are closed until the next command (claimed drives stay open).
    void EndCommandRun();

    const TrackInformation& TrackInfo() const noexcept { return trackInfo_; }
    const std::array<std::uint8_t, 54>& WriteParameters() const noexcept {
        return writeParameters_;
    }
    // Written by the write thread, read by the dialog while a burn runs.
    std::atomic<std::uint32_t> DeviceBufferSize{0};
    std::atomic<std::uint32_t> DeviceFreeBufferSize{0};
    bool FinalizeDisc = false;
    bool UnderrunProtection = true;
    // The write job's disc-at-once switch (page 05 then selects session at once).
    bool DiscAtOnce = false;

    // --- disc and track information ---------------------------------------------
    std::uint8_t GetDiscType();
    void GetDiscInfo(TDisc& disc);
    bool ReadDiscInformation();
    int GetDiscStatus();
    int GetSessionCount();
    bool IsDiscErasable();
    std::uint32_t GetFreeBlocks();
    std::uint32_t FindIsoVolumeSize();
    // The start of the lead-out by the table of contents (the recorded size of a
    // closed disc); 0 when the drive does not tell.
    std::uint32_t LeadOutAddress();
    // The disc information of the last ReadDiscInformation (56 bytes).
    const std::array<std::uint8_t, 56>& DiscInformation() const noexcept {
        return discInformation_;
    }

    // --- erase ------------------------------------------------------------------
    // False while an erase runs (one at a time) or when the drive refuses.
    bool EraseDisc(bool quick);
    int EraseProgress() const noexcept { return erasing_ ? eraseProgress_.load() : 0; }
    bool Erasing() const noexcept { return erasing_; }
    // Waits until the erase thread has ended. The thread never waits for the main
    // thread: with an invoker, OnEraseDone is queued to it and may run later.
    void WaitForErase();
    TEraseDoneEvent OnEraseDone;

  protected:
    // Raises an event in the main thread without waiting for it: queued to the
    // invoker (and dropped if this device is gone by then), or raised at once
    // without one.
    void RaiseInMainThread(std::function<void()> event);
    // Stops a running erase at its next wait and waits for its thread; its event is
    // never raised (the device is going away). Every destructor of the hierarchy
    // calls it first, so the thread never outlives a part of the object.
    void AbandonErase();
    // Sends one command to the selected drive; true when it succeeded.
    bool Command(const std::uint8_t* cdb, std::uint8_t cdbLength, std::uint8_t flags,
                 std::uint8_t* buffer, std::uint32_t length, std::uint32_t timeoutMs,
                 bool pendingIsSuccess = false);
    std::uint8_t LastAsc() const noexcept { return lastSense_[12]; }
    void Sleep(std::uint32_t milliseconds) const { Clock().Sleep(milliseconds); }
    void ReportLayerProblems(const std::vector<std::string>& problems);

  private:
    void ResetSelection();
    void ApplyModelChecks();
    void RunEraseThread(std::uint16_t discType, std::uint16_t expectedSeconds);
    bool EraseProbe(int& elapsed, int expected, bool& ready);
    // A wait of the erase thread; false (at once) when the erase is abandoned.
    bool EraseWait(std::uint32_t milliseconds);
    bool EraseAbandoned() const noexcept { return abandonErase_; }

    DriveLayer& layer_;
    MainThreadInvoker* invoker_;
    std::recursive_mutex deviceLock_;

    std::uint8_t adapter_ = kNoAddress, target_ = kNoAddress, lun_ = kNoAddress;
    std::uint8_t adapterCount_ = 0;
    SRB_HAInquiry haInquiry_{};
    std::string lastErrorText_;
    bool targetBusy_ = false;
    std::array<std::uint8_t, kSenseBytes + 1> lastSense_{};
    std::atomic<bool> suppressErrorLog_{false};

    std::vector<std::string> deviceList_;
    alignas(16) std::array<std::uint8_t, 516> capabilities_{};
    std::string deviceId_;
    std::uint8_t deviceType_ = 127;
    std::string deviceDescription_;
    alignas(16) std::array<std::uint8_t, 131> inquiry_{};
    std::uint32_t capabilityFlags_ = 0;
    std::uint16_t deviceMaxWriteSpeed_ = 0, deviceMaxReadSpeed_ = 0;
    std::uint8_t writeModeFlags_ = 0;
    std::uint16_t writeSpeed_ = 0;
    bool slowToReady_ = false, forcedUnderrunFree_ = false, lsvModel_ = false;

    std::array<std::uint8_t, 54> writeParameters_{};
    TrackInformation trackInfo_;
    alignas(16) std::array<std::uint8_t, 56> discInformation_{};
    alignas(16) std::array<std::uint8_t, 26> atip_{};
    alignas(16) std::array<std::uint8_t, 40> senseBuffer_{};
    std::vector<std::uint8_t> transferBuffer_ = std::vector<std::uint8_t>(65536);

    std::atomic<bool> erasing_{false};
    std::atomic<int> eraseProgress_{0};
    std::uint8_t eraseMode_ = 0;
    std::thread eraseThread_;
    std::atomic<bool> abandonErase_{false};
    std::mutex eraseWaitMutex_;
    std::condition_variable eraseWake_;
    // Events queued to the main thread check it: false once the device is gone.
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);
};

}  // namespace tv
