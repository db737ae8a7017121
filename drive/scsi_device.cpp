// The device and its transport: loading, request execution, error texts.

#include "drive/scsi_device.h"

#include <atomic>
#include <condition_variable>
#include <cstring>

#include "drive/scsi_errors.h"

namespace tv {
namespace {

// The completion event of a request that asks for one: a transport that leaves
// the request pending signals it when the drive has answered.
class CompletionEvent {
  public:
    CompletionEvent() { header_.Signal = &CompletionEvent::SignalThunk; }
    void* Handle() { return &header_; }

    bool Wait(const DriveClock& clock, std::uint32_t milliseconds) {
        std::unique_lock lock(mutex_);
        return done_.wait_for(lock, clock.Real(milliseconds), [this] { return signalled_; });
    }

  private:
    static void SignalThunk(AspiCompletionEvent* event) {
        // The header is the first member of the event.
        auto* self = reinterpret_cast<CompletionEvent*>(reinterpret_cast<char*>(event) -
                                                        offsetof(CompletionEvent, header_));
        // Notified under the lock: the waiter cannot return (and the event go)
        // before the signalling thread has let go of it.
        std::lock_guard lock(self->mutex_);
        self->signalled_ = true;
        self->done_.notify_all();
    }

    AspiCompletionEvent header_;
    std::mutex mutex_;
    std::condition_variable done_;
    bool signalled_ = false;
};

// Commands whose failures are expected often enough not to be logged.
bool QuietOpcode(std::uint8_t opcode) {
    switch (opcode) {
        case 0x00:
        case 0x01:
        case 0x04:
        case 0x12:
        case 0x1B:
        case 0x1E:
        case 0x23:
        case 0x35:
        case 0x43:
        case 0x46:
        case 0x51:
        case 0x52:
        case 0x55:
        case 0x5A:
        case 0x5C:
        case 0xB6:
        case 0xBB:
            return true;
        default:
            return false;
    }
}

}  // namespace

TSCSIDevice::TSCSIDevice(DriveLayer& layer, MainThreadInvoker* invoker)
    : layer_(layer), invoker_(invoker) {
    if (layer_.Loaded()) {
        HostAdapterInquiry(0);
        ScanDevices();
    }
}

TSCSIDevice::~TSCSIDevice() {
    AbandonErase();
}

const DriveClock& TSCSIDevice::Clock() const {
    static const DriveClock instant(0.0);
    const BuiltInTransport* builtIn = layer_.BuiltIn();
    if (builtIn != nullptr && adapter_ != kNoAddress && builtIn->Instant(adapter_, target_, lun_))
        return instant;
    return layer_.Clock();
}

void TSCSIDevice::RaiseInMainThread(std::function<void()> event) {
    if (invoker_ == nullptr) {
        event();
        return;
    }
    invoker_->Post([alive = alive_, event = std::move(event)] {
        if (*alive) event();
    });
}

std::string ClaimRefusalText(ClaimResult result, const std::string& detail) {
    const std::string bracketed = detail.empty() ? std::string() : " [" + detail + "]";
    switch (result) {
        case ClaimResult::Claimed:
            return {};
        case ClaimResult::InUse:
            return "DRIVE IN USE" + bracketed;
        case ClaimResult::NoPermission:
            return "NO PERMISSION TO WRITE TO THE DRIVE" + bracketed +
                   ": THE USER NEEDS READ AND WRITE ACCESS TO IT (GROUP \"cdrom\")";
        case ClaimResult::Failed:
            break;
    }
    return "CAN'T OPEN THE DRIVE" + bracketed;
}

ClaimResult TSCSIDevice::ClaimDrive(std::string& detail) {
    detail.clear();
    BuiltInTransport* builtIn = layer_.BuiltIn();
    if (builtIn == nullptr || adapter_ == kNoAddress) return ClaimResult::Claimed;  // nothing to claim
    return builtIn->Claim(adapter_, target_, lun_, detail);
}

void TSCSIDevice::ReleaseDrive() {
    if (BuiltInTransport* builtIn = layer_.BuiltIn()) builtIn->Release(adapter_, target_, lun_);
}

void TSCSIDevice::EndCommandRun() {
    if (BuiltInTransport* builtIn = layer_.BuiltIn()) builtIn->CloseIdleHandles();
}

void TSCSIDevice::DebugMessage(const std::string& text, std::uint8_t mType) {
    if (OnDebugMessage) OnDebugMessage(*this, text, mType);
}

void TSCSIDevice::ReportLayerProblems(const std::vector<std::string>& problems) {
    for (const std::string& problem : problems) DebugMessage(problem, 0);
}

bool TSCSIDevice::InitializeASPI(bool preferBuiltIn, const std::string& libraryPath) {
    try {
        std::vector<std::string> problems;
        const bool loaded = layer_.Load(preferBuiltIn, libraryPath, problems);
        ReportLayerProblems(problems);
        if (loaded) {
            HostAdapterInquiry(0);
            ScanDevices();
        }
        return loaded;
    } catch (const std::exception&) {
        return false;
    }
}

bool TSCSIDevice::ReinitializeASPI() {
    std::vector<std::string> problems;
    const bool loaded = layer_.Reload(problems);
    ReportLayerProblems(problems);
    if (loaded) HostAdapterInquiry(0);
    return loaded;
}

void TSCSIDevice::HostAdapterInquiry(std::uint8_t adapter) {
    SRB_HAInquiry inquiry{};
    inquiry.SRB_Cmd = SC_HA_INQUIRY;
    inquiry.SRB_HaId = adapter;
    layer_.Send(&inquiry);
    adapterCount_ = inquiry.SRB_Status == SS_COMP ? inquiry.HA_Count : 255;
    if (adapterCount_ == 0) adapterCount_ = 7;
    haInquiry_ = inquiry;
}

std::uint8_t TSCSIDevice::GetDiskInfo(std::uint8_t adapter, std::uint8_t target, std::uint8_t lun) {
    SRB_GetDiskInfo info{};
    info.SRB_Cmd = SC_GET_DISK_INFO;
    info.SRB_HaId = adapter;
    info.SRB_Target = target;
    info.SRB_Lun = lun;
    layer_.Send(&info);
    return info.SRB_Status == SS_COMP ? info.SRB_Int13HDriveInfo : 128;
}

void TSCSIDevice::SetCloseHandleAfterCommand(bool on) {
    if (BuiltInTransport* builtIn = layer_.BuiltIn()) builtIn->SetCloseHandleAfterCommand(on);
}

void TSCSIDevice::ExecuteCommand(SRB_ExecSCSICmd& request, std::uint32_t timeoutMs) {
    const std::lock_guard lock(deviceLock_);
    lastErrorText_.clear();
    targetBusy_ = false;
    lastSense_.fill(0);
    // The request of a suppressed log line is the next one only.
    const bool suppressLog = suppressErrorLog_.exchange(false);
    if (!layer_.Loaded() || adapter_ == kNoAddress) return;

    CompletionEvent event;
    const bool notify = request.SRB_Flags & SRB_EVENT_NOTIFY;
    request.SRB_PostProc = notify ? event.Handle() : nullptr;
    request.SRB_Cmd = SC_EXEC_SCSI_CMD;
    request.SRB_Target = target_;
    request.SRB_HaId = adapter_;
    request.SRB_Lun = lun_;
    request.SRB_SenseLen = kSenseLength;
    // The LUN travels in the request block: CDB byte 1 carries no LUN bits (a
    // modern drive answers "invalid field in CDB" to them).
    const std::uint32_t wait = std::max<std::uint32_t>(timeoutMs, 10000);
    SetRequestWaitTime(request, wait);

    layer_.Send(&request);
    // A transport may finish a pending request from a thread of its own.
    const std::atomic_ref<std::uint8_t> status(request.SRB_Status);
    if (notify && status.load() == SS_PENDING) event.Wait(layer_.Clock(), wait);

    if (status.load() == SS_PENDING) {
        // The wait ran out: the request is given up and reads as a timeout.
        SRB_Abort abort{};
        abort.SRB_Cmd = SC_ABORT_SRB;
        abort.SRB_HaId = adapter_;
        abort.SRB_ToAbort = &request;
        layer_.Send(&abort);
        request.SRB_Status = SS_ERR;
        request.SRB_HaStat = HASTAT_TIMEOUT;
    }
    if (request.SRB_Status != SS_COMP) {
        lastErrorText_ = RequestErrorText(request, targetBusy_);
        if (request.SRB_Status == SS_ACCESS_DENIED)
            lastErrorText_ += " TO /dev/" + GetDriveLetter() +
                              " (THE USER NEEDS READ AND WRITE ACCESS: GROUP \"cdrom\")";
        std::memcpy(lastSense_.data(), request.SenseArea, kSenseBytes);
        const std::uint8_t opcode = request.CDBByte[0];
        const bool longWrite = request.SenseArea[12] == 0x04 && request.SenseArea[13] == 0x08;
        if (!suppressLog && !QuietOpcode(opcode) && !longWrite)
            DebugMessage(ErrorLogLine(request, adapter_, target_, lun_, lastErrorText_), 0);
    }
    if (reinterpret_cast<std::uintptr_t>(request.SRB_BufPointer) % 4 != 0)
        DebugMessage(
            "aaaa" + std::to_string(reinterpret_cast<std::uintptr_t>(request.SRB_BufPointer)), 0);
}

bool TSCSIDevice::Command(const std::uint8_t* cdb, std::uint8_t cdbLength, std::uint8_t flags,
                          std::uint8_t* buffer, std::uint32_t length, std::uint32_t timeoutMs,
                          bool pendingIsSuccess) {
    SRB_ExecSCSICmd request{};
    // Without a drive nothing is sent, and nothing counts as done (a write's
    // untouched pending status included).
    const bool canSend = layer_.Loaded() && adapter_ != kNoAddress;
    request.SRB_Flags = flags;
    request.SRB_BufLen = length;
    request.SRB_BufPointer = buffer;
    request.SRB_CDBLen = cdbLength;
    std::memcpy(request.CDBByte, cdb, cdbLength);
    ExecuteCommand(request, timeoutMs);
    if (!canSend) return false;
    return request.SRB_Status == SS_COMP || (pendingIsSuccess && request.SRB_Status == SS_PENDING);
}

}  // namespace tv
