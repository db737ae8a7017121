#include "drive/builtin_transport.h"

#include <fcntl.h>
#include <scsi/scsi.h>
#include <scsi/sg.h>

#include <algorithm>
#include <tuple>
#include <cerrno>
#include <cstring>

#include "drive/device_holders.h"
#include "drive/scsi_errors.h"

namespace tv {
namespace {

constexpr std::uint32_t kInquiryTimeoutMs = 120000;
// The kernel's own timeout of a command: never shorter than a slow drive's answer,
// so that the kernel does not start its error handling (abort, device reset) in
// the middle of an operation.
constexpr std::uint32_t kShortestSgTimeoutMs = 120000;

// Host and driver status values of the Linux SCSI layer.
constexpr std::uint16_t kDidOk = 0x00, kDidNoConnect = 0x01, kDidBusBusy = 0x02, kDidTimeOut = 0x03,
                        kDidBadTarget = 0x04, kDidAbort = 0x05, kDidParity = 0x06, kDidReset = 0x08;
constexpr std::uint16_t kDriverTimeout = 0x06;

}  // namespace

SgOutcome MapSgResult(int ioctlResult, int error, std::uint8_t scsiStatus, std::uint16_t hostStatus,
                      std::uint16_t driverStatus) {
    if (ioctlResult < 0) {
        switch (error) {
            case ETIMEDOUT:
                return {SS_ERR, HASTAT_TIMEOUT, 0};
            case ENODEV:
            case ENXIO:
            case ENOENT:
                return {SS_NO_DEVICE, 0, 0};
            case EBUSY:
                return {SS_ERR, HASTAT_OK, STATUS_BUSY};
            case ENOMEM:
                return {SS_BUFFER_TO_BIG, 0, 0};
            case EINVAL:
            case EFAULT:
                return {SS_INVALID_SRB, 0, 0};
            case EPERM:
            case EACCES:  // a read-only handle, or the kernel's command filter
                return {SS_ACCESS_DENIED, 0, 0};
            default:
                return {SS_ERR, HASTAT_BUS_FREE, 0};
        }
    }
    if (hostStatus == kDidTimeOut || (driverStatus & 0x0F) == kDriverTimeout)
        return {SS_ERR, HASTAT_TIMEOUT, 0};
    switch (hostStatus) {
        case kDidOk:
            break;
        case kDidNoConnect:
        case kDidBadTarget:
            return {SS_ERR, HASTAT_SEL_TO, 0};
        case kDidBusBusy:
            return {SS_ERR, HASTAT_OK, STATUS_BUSY};
        case kDidAbort:
            return {SS_ABORTED, 0, 0};
        case kDidParity:
            return {SS_ERR, HASTAT_PARITY_ERROR, 0};
        case kDidReset:
            return {SS_ERR, HASTAT_BUS_RESET, 0};
        default:
            return {SS_ERR, HASTAT_BUS_FREE, 0};
    }
    const std::uint8_t status = scsiStatus & 0x3E;
    if (status == STATUS_GOOD) return {SS_COMP, 0, 0};
    return {SS_ERR, HASTAT_OK, status};
}

BuiltInTransport::BuiltInTransport(std::shared_ptr<SgSystem> system,
                                   std::vector<SimulatedDrive> simulated, const DriveClock& clock)
    : system_(std::move(system)), simulated_(std::move(simulated)), clock_(clock) {}

BuiltInTransport::~BuiltInTransport() {
    CloseAll();
}

int BuiltInTransport::OpenDrive(const std::string& name) {
    const std::string path = "/dev/" + name;
    int fd = system_->Open(path, O_RDWR | O_NONBLOCK);
    if (fd < 0) fd = system_->Open(path, O_RDONLY | O_NONBLOCK);
    return fd;
}

// The highest adapter number in use + 1.
void BuiltInTransport::ComputeAdapterCount() {
    int highest = -1;
    for (const Slot& slot : slots_) highest = std::max<int>(highest, slot.Adapter);
    adapterCount_ = static_cast<std::uint8_t>(std::min(highest + 1, 0xFF));
}

int BuiltInTransport::Scan(std::vector<std::string>& problems) {
    std::lock_guard lock(mutex_);
    CloseAll();
    slots_.clear();
    // The system's address of each drive: host, channel, id and LUN.
    struct SystemAddress {
        bool Known = false;
        unsigned Host = 0, Channel = 0, Id = 0, Lun = 0;
    };
    std::vector<SystemAddress> addresses;
    for (const std::string& name : system_->OpticalDrives()) {
        const int fd = OpenDrive(name);
        if (fd < 0) {
            const int error = errno;
            if (error != ENOENT)
                problems.push_back(
                    ">>> CANNOT OPEN /dev/" + name + " (" + std::strerror(error) +
                    "): THE USER NEEDS READ AND WRITE ACCESS TO IT (GROUP \"cdrom\")");
            continue;
        }
        std::uint8_t cdb[6] = {0x12, 0, 0, 0, 0x60, 0};
        alignas(16) std::uint8_t answer[1025] = {};
        std::uint8_t sense[64] = {};
        sg_io_hdr_t io{};
        io.interface_id = 'S';
        io.dxfer_direction = SG_DXFER_FROM_DEV;
        io.cmd_len = sizeof cdb;
        io.mx_sb_len = sizeof sense;
        io.dxfer_len = 96;
        io.dxferp = answer;
        io.cmdp = cdb;
        io.sbp = sense;
        io.timeout = kInquiryTimeoutMs;
        const int rc = system_->Ioctl(fd, SG_IO, &io);
        const SgOutcome outcome =
            MapSgResult(rc, errno, io.status, io.host_status, io.driver_status);
        if (outcome.Status != SS_COMP) {
            if (outcome.Status == SS_ACCESS_DENIED)
                problems.push_back(
                    ">>> ACCESS DENIED TO /dev/" + name +
                    ": THE USER NEEDS READ AND WRITE ACCESS TO IT (GROUP \"cdrom\")");
            system_->Close(fd);
            continue;
        }
        Slot slot;
        slot.Name = name;
        std::memcpy(slot.Inquiry.data(), answer, slot.Inquiry.size());
        SystemAddress address;
        sg_scsi_id id{};
        int idlun[2] = {0, 0};
        if (system_->Ioctl(fd, SG_GET_SCSI_ID, &id) == 0) {
            address = {true, static_cast<unsigned>(id.host_no), static_cast<unsigned>(id.channel),
                       static_cast<unsigned>(id.scsi_id), static_cast<unsigned>(id.lun)};
        } else if (system_->Ioctl(fd, SCSI_IOCTL_GET_IDLUN, idlun) == 0) {
            const auto word = static_cast<unsigned>(idlun[0]);
            address = {true, (word >> 24) & 0xFF, (word >> 16) & 0xFF, word & 0xFF,
                       (word >> 8) & 0xFF};
        }
        slot.Fd = fd;  // kept for the rest of the discovery
        slots_.push_back(std::move(slot));
        addresses.push_back(address);
    }

    // A drive's adapter is the system's host number, its target and LUN the
    // system's own (targets and LUNs of 8 and more included). A drive whose
    // address the system does not tell, one on a host above 254, and one on
    // another channel at a host, target and LUN taken already get an adapter of
    // their own after the highest host.
    std::vector<std::size_t> unplaced;
    int highest = -1;
    for (std::size_t i = 0; i < slots_.size(); ++i) {
        const SystemAddress& address = addresses[i];
        const bool fits = address.Known && address.Host < 0xFF && address.Id <= 0xFF &&
                          address.Lun <= 0xFF;
        const auto same = [&](std::size_t j) {
            return addresses[j].Known && addresses[j].Host == address.Host &&
                   addresses[j].Id == address.Id && addresses[j].Lun == address.Lun;
        };
        bool taken = false;
        for (std::size_t j = 0; j < i && !taken; ++j) taken = same(j);
        if (!fits || taken) {
            unplaced.push_back(i);
            continue;
        }
        Slot& slot = slots_[i];
        slot.Adapter = static_cast<std::uint8_t>(address.Host);
        slot.Target = static_cast<std::uint8_t>(address.Id);
        slot.Lun = static_cast<std::uint8_t>(address.Lun);
        highest = std::max<int>(highest, slot.Adapter);
    }
    const auto spareAdapter = static_cast<std::uint8_t>(std::min(highest + 1, 0xFE));
    for (std::size_t n = 0; n < unplaced.size(); ++n) {
        Slot& slot = slots_[unplaced[n]];
        slot.Adapter = spareAdapter;
        slot.Target = static_cast<std::uint8_t>(n);
        slot.Lun = 0;
    }
    ComputeAdapterCount();
    if (!simulated_.empty()) {
        // The simulated recorders form the last adapter.
        const std::uint8_t adapter = adapterCount_;
        for (std::size_t i = 0; i < simulated_.size(); ++i) {
            Slot slot;
            slot.Name = simulated_[i].Name;
            slot.Recorder = simulated_[i].Recorder;
            slot.Instant = simulated_[i].Instant;
            slot.Adapter = adapter;
            slot.Target = static_cast<std::uint8_t>(i);
            const std::uint8_t cdb[6] = {0x12, 0, 0, 0, 0x60, 0};
            alignas(16) std::uint8_t answer[96] = {};
            slot.Recorder->Execute(cdb, sizeof cdb, DataDirection::In, answer, sizeof answer,
                                   kInquiryTimeoutMs);
            std::memcpy(slot.Inquiry.data(), answer, slot.Inquiry.size());
            slots_.push_back(std::move(slot));
        }
        ComputeAdapterCount();
    }
    std::sort(slots_.begin(), slots_.end(), [](const Slot& a, const Slot& b) {
        return std::tie(a.Adapter, a.Target, a.Lun) < std::tie(b.Adapter, b.Target, b.Lun);
    });
    return static_cast<int>(slots_.size());
}

std::vector<DriveAddress> BuiltInTransport::Addresses() const {
    std::lock_guard lock(mutex_);
    std::vector<DriveAddress> addresses;
    for (const Slot& slot : slots_) addresses.push_back({slot.Adapter, slot.Target, slot.Lun});
    return addresses;
}

std::uint8_t BuiltInTransport::AdapterCount() const {
    std::lock_guard lock(mutex_);
    return adapterCount_;
}

bool BuiltInTransport::Instant(std::uint8_t adapter, std::uint8_t target, std::uint8_t lun) const {
    std::lock_guard lock(mutex_);
    for (const Slot& slot : slots_)
        if (slot.Adapter == adapter && slot.Target == target && slot.Lun == lun)
            return slot.Instant;
    return false;
}

std::string BuiltInTransport::DriveName(std::uint8_t adapter, std::uint8_t target,
                                        std::uint8_t lun) const {
    std::lock_guard lock(mutex_);
    for (const Slot& slot : slots_)
        if (slot.Adapter == adapter && slot.Target == target && slot.Lun == lun) return slot.Name;
    return {};
}

void BuiltInTransport::SetCloseHandleAfterCommand(bool on) {
    std::lock_guard lock(mutex_);
    closeAfterCommand_ = on;
}

void BuiltInTransport::CloseIdleHandles() {
    std::lock_guard lock(mutex_);
    for (Slot& slot : slots_) {
        if (slot.Fd < 0 || slot.Claimed) continue;
        system_->Close(slot.Fd);
        slot.Fd = -1;
    }
}

void BuiltInTransport::CloseAll() {
    std::lock_guard lock(mutex_);
    for (Slot& slot : slots_) {
        if (slot.Fd >= 0) system_->Close(slot.Fd);
        slot.Fd = -1;
        slot.Claimed = false;
    }
}

ClaimResult BuiltInTransport::Claim(std::uint8_t adapter, std::uint8_t target, std::uint8_t lun,
                                    std::string& detail) {
    std::lock_guard lock(mutex_);
    detail.clear();
    Slot* slot = Find(adapter, target, lun);
    if (slot == nullptr || slot->Claimed) return ClaimResult::Claimed;
    const std::string path = "/dev/" + slot->Name;
    int error = 0;
    if (slot->Recorder) {
        // A simulated drive is opened as a real one would be.
        error = slot->Recorder->ExclusiveOpenError();
        if (error == 0) slot->Claimed = true;
    } else {
        if (slot->Fd >= 0) system_->Close(slot->Fd);
        slot->Fd = system_->Open(path, O_RDWR | O_NONBLOCK | O_EXCL);
        if (slot->Fd < 0) error = errno;
    }
    if (error != 0) {
        detail = std::strerror(error);
        if (error == EACCES || error == EPERM) return ClaimResult::NoPermission;
        if (error != EBUSY) return ClaimResult::Failed;
        if (!slot->Recorder)
            if (const std::string holders = DeviceHolders(path); !holders.empty()) detail = holders;
        return ClaimResult::InUse;
    }
    slot->Claimed = true;
    return ClaimResult::Claimed;
}

void BuiltInTransport::Release(std::uint8_t adapter, std::uint8_t target, std::uint8_t lun) {
    std::lock_guard lock(mutex_);
    Slot* slot = Find(adapter, target, lun);
    if (slot == nullptr || !slot->Claimed) return;
    if (slot->Fd >= 0) system_->Close(slot->Fd);
    slot->Fd = -1;
    slot->Claimed = false;
}

BuiltInTransport::Slot* BuiltInTransport::Find(std::uint8_t adapter, std::uint8_t target,
                                               std::uint8_t lun) {
    for (Slot& slot : slots_)
        if (slot.Adapter == adapter && slot.Target == target && slot.Lun == lun) return &slot;
    return nullptr;
}

std::uint32_t BuiltInTransport::GetASPI32SupportInfo() {
    std::lock_guard lock(mutex_);
    return adapterCount_ ? (0x0100u | adapterCount_) : 0xE800u;
}

std::uint32_t BuiltInTransport::SendASPI32Command(void* request) {
    if (request == nullptr) return SS_ERR;
    std::lock_guard lock(mutex_);
    auto* header = static_cast<std::uint8_t*>(request);
    switch (header[0]) {
        case SC_HA_INQUIRY: {
            auto* inquiry = static_cast<SRB_HAInquiry*>(request);
            inquiry->HA_Count = adapterCount_;
            if (inquiry->SRB_HaId >= adapterCount_) return inquiry->SRB_Status = SS_INVALID_HA;
            inquiry->HA_SCSI_ID = 7;
            std::memcpy(inquiry->HA_ManagerId, "TUNEVAULT KVASPI", 16);
            std::memset(inquiry->HA_Identifier, 0, 16);
            const std::string identifier = "SPTI " + std::to_string(inquiry->SRB_HaId);
            std::memcpy(inquiry->HA_Identifier, identifier.data(), identifier.size());
            std::memset(inquiry->HA_Unique, 0, 16);
            inquiry->HA_Unique[0] = 7;
            inquiry->HA_Unique[3] = 8;
            inquiry->HA_Unique[6] = 0xFF;  // 0x00FF0000, little-endian at bytes 4-7
            return inquiry->SRB_Status = SS_COMP;
        }
        case SC_GET_DEV_TYPE: {
            auto* block = static_cast<SRB_GDEVBlock*>(request);
            if (Find(block->SRB_HaId, block->SRB_Target, block->SRB_Lun)) {
                block->SRB_DeviceType = 5;
                return block->SRB_Status = SS_COMP;
            }
            block->SRB_DeviceType = 0x1F;
            return block->SRB_Status = SS_NO_DEVICE;
        }
        case SC_EXEC_SCSI_CMD: {
            auto* command = static_cast<SRB_ExecSCSICmd*>(request);
            Slot* slot = Find(command->SRB_HaId, command->SRB_Target, command->SRB_Lun);
            if (slot == nullptr) return command->SRB_Status = SS_NO_DEVICE;
            if (command->CDBByte[0] == 0x12) {
                // INQUIRY is answered from the scan.
                if (command->SRB_HaId >= adapterCount_) return command->SRB_Status = SS_INVALID_HA;
                if (command->SRB_BufPointer)
                    std::memcpy(command->SRB_BufPointer, slot->Inquiry.data(),
                                std::min<std::uint32_t>(36, command->SRB_BufLen));
                return command->SRB_Status = SS_COMP;
            }
            Execute(*slot, *command);
            return command->SRB_Status;
        }
        case SC_GET_DISK_INFO:
            static_cast<SRB_GetDiskInfo*>(request)->SRB_Status = SS_PENDING;
            return SS_ERR;
        default:
            header[1] = SS_ERR;
            return SS_ERR;
    }
}

void BuiltInTransport::Execute(Slot& slot, SRB_ExecSCSICmd& request) {
    const DataDirection direction = (request.SRB_Flags & SRB_DIR_IN)    ? DataDirection::In
                                    : (request.SRB_Flags & SRB_DIR_OUT) ? DataDirection::Out
                                                                        : DataDirection::None;
    const std::uint32_t waitMs = RequestWaitTime(request);
    std::uint8_t sense[64] = {};
    SgOutcome outcome{};

    if (slot.Recorder) {
        const ScsiResult result = slot.Recorder->Execute(
            request.CDBByte, request.SRB_CDBLen, direction, request.SRB_BufPointer,
            request.SRB_BufLen, std::max<std::uint32_t>(waitMs, 1000));
        if (result.TimedOut) {
            outcome = {SS_ERR, HASTAT_TIMEOUT, 0};
        } else {
            outcome = MapSgResult(0, 0, result.Status, 0, 0);
            std::memcpy(sense, result.Sense.data(), result.Sense.size());
        }
    } else {
        if (slot.Fd < 0) slot.Fd = OpenDrive(slot.Name);
        if (slot.Fd < 0) {
            outcome = errno == EACCES || errno == EPERM ? SgOutcome{SS_ACCESS_DENIED, 0, 0}
                                                        : SgOutcome{SS_ERR, HASTAT_SEL_TO, 0};
        } else {
            sg_io_hdr_t io{};
            io.interface_id = 'S';
            io.dxfer_direction = direction == DataDirection::In    ? SG_DXFER_FROM_DEV
                                 : direction == DataDirection::Out ? SG_DXFER_TO_DEV
                                                                   : SG_DXFER_NONE;
            io.cmd_len = request.SRB_CDBLen;
            io.mx_sb_len = sizeof sense;
            io.dxfer_len = direction == DataDirection::None ? 0 : request.SRB_BufLen;
            io.dxferp = direction == DataDirection::None ? nullptr : request.SRB_BufPointer;
            io.cmdp = request.CDBByte;
            io.sbp = sense;
            io.timeout = std::max(waitMs, kShortestSgTimeoutMs);
            const int rc = system_->Ioctl(slot.Fd, SG_IO, &io);
            outcome = MapSgResult(rc, errno, io.status, io.host_status, io.driver_status);
        }
    }

    request.SRB_HaStat = outcome.HostStatus;
    request.SRB_TargStat = outcome.TargetStatus;
    if (outcome.Status != SS_COMP) {
        ConvertDescriptorSense(sense, sizeof sense);
        std::memcpy(request.SenseArea, sense,
                    std::min<std::size_t>(request.SRB_SenseLen, kSenseBytes));
    }
    request.SRB_Status = outcome.Status;
    if (closeAfterCommand_ && slot.Fd >= 0 && !slot.Claimed) {
        system_->Close(slot.Fd);
        slot.Fd = -1;
    }
}

std::uint32_t RequestWaitTime(const SRB_ExecSCSICmd& request) {
    std::uint32_t value;
    std::memcpy(&value, request.SRB_Rsvd2, sizeof value);
    return value;
}

void SetRequestWaitTime(SRB_ExecSCSICmd& request, std::uint32_t milliseconds) {
    std::memcpy(request.SRB_Rsvd2, &milliseconds, sizeof milliseconds);
}

}  // namespace tv
