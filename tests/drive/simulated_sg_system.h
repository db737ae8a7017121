#pragma once

// The kernel's SG_IO interface in front of a simulated recorder: the transport's
// own opens (exclusive ones too), address queries and SCSI requests reach the
// recorder as they would reach a drive through /dev/sr0, so the claim and release
// of the drive go the way they go on a real system.

#include <fcntl.h>
#include <scsi/sg.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "drive/sg_system.h"
#include "drive/simulated_recorder.h"

namespace tv::test {

class SimulatedSgSystem final : public SgSystem {
  public:
    void SetRecorder(std::shared_ptr<SimulatedRecorder> recorder) { recorder_ = std::move(recorder); }
    // errno of an exclusive open (EBUSY: another program holds the drive).
    void RefuseExclusiveOpen(int error) {
        std::lock_guard lock(mutex_);
        exclusiveError_ = error;
    }
    int ExclusiveHandles() {
        std::lock_guard lock(mutex_);
        return static_cast<int>(exclusive_.size());
    }
    int ExclusiveOpens() {
        std::lock_guard lock(mutex_);
        return exclusiveOpens_;
    }

    // What reached the drive through SG_IO: each command's CDB and the data it
    // sent (empty for commands that read or send nothing).
    struct Sent {
        std::vector<std::uint8_t> Cdb;
        std::vector<std::uint8_t> Data;
    };
    std::vector<Sent> SentCommands() {
        std::lock_guard lock(mutex_);
        return sent_;
    }
    // The next command with this operation code is refused as a drive refuses a
    // parameter list it does not take (CHECK CONDITION, 05/26/00), unanswered by
    // the recorder.
    void RefuseNext(std::uint8_t opcode) {
        std::lock_guard lock(mutex_);
        refused_.insert(opcode);
    }

    std::vector<std::string> OpticalDrives() override { return {"sr0"}; }
    int Open(const std::string& path, int flags) override {
        std::lock_guard lock(mutex_);
        if (path != "/dev/sr0") {
            errno = ENOENT;
            return -1;
        }
        if ((flags & O_EXCL) != 0) {
            if (exclusiveError_ != 0) {
                errno = exclusiveError_;
                return -1;
            }
            if (!exclusive_.empty()) {  // the kernel grants one exclusive open
                errno = EBUSY;
                return -1;
            }
            ++exclusiveOpens_;
            exclusive_.insert(next_);
        }
        return next_++;
    }
    int Close(int fd) override {
        std::lock_guard lock(mutex_);
        exclusive_.erase(fd);
        return 0;
    }
    int Ioctl(int, unsigned long request, void* argument) override {
        if (request == SG_GET_SCSI_ID) {
            auto* id = static_cast<sg_scsi_id*>(argument);
            std::memset(id, 0, sizeof *id);
            id->host_no = 2;
            return 0;
        }
        if (request != SG_IO || !recorder_) {
            errno = ENOTTY;
            return -1;
        }
        auto* io = static_cast<sg_io_hdr_t*>(argument);
        const auto* data = static_cast<const std::uint8_t*>(io->dxferp);
        {
            std::lock_guard lock(mutex_);
            sent_.push_back({{io->cmdp, io->cmdp + io->cmd_len},
                             io->dxfer_direction == SG_DXFER_TO_DEV && data != nullptr
                                 ? std::vector<std::uint8_t>(data, data + io->dxfer_len)
                                 : std::vector<std::uint8_t>{}});
            if (refused_.erase(io->cmdp[0]) > 0) {
                static constexpr std::uint8_t kInvalidParameterList[18] = {
                    0x70, 0, 0x05, 0, 0, 0, 0, 10, 0, 0, 0, 0, 0x26, 0x00, 0, 0, 0, 0};
                io->status = 2;
                io->masked_status = 1;
                io->host_status = 0;
                io->driver_status = 0x08;
                const std::size_t bytes = std::min<std::size_t>(io->mx_sb_len, sizeof kInvalidParameterList);
                std::memcpy(io->sbp, kInvalidParameterList, bytes);
                io->sb_len_wr = static_cast<unsigned char>(bytes);
                io->resid = static_cast<int>(io->dxfer_len);
                return 0;
            }
        }
        const DataDirection direction = io->dxfer_direction == SG_DXFER_FROM_DEV ? DataDirection::In
                                        : io->dxfer_direction == SG_DXFER_TO_DEV ? DataDirection::Out
                                                                                 : DataDirection::None;
        const ScsiResult result =
            recorder_->Execute(io->cmdp, io->cmd_len, direction, static_cast<std::uint8_t*>(io->dxferp),
                               io->dxfer_len, io->timeout);
        io->status = result.Status;
        io->masked_status = static_cast<unsigned char>(result.Status >> 1);
        io->host_status = result.TimedOut ? 0x03 : 0;  // DID_TIME_OUT
        io->driver_status = 0;
        io->resid = static_cast<int>(io->dxfer_len - std::min(io->dxfer_len, result.Transferred));
        io->sb_len_wr = 0;
        if (result.Status == 2 && io->sbp != nullptr) {
            const std::size_t bytes = std::min<std::size_t>(io->mx_sb_len, result.Sense.size());
            std::memcpy(io->sbp, result.Sense.data(), bytes);
            io->sb_len_wr = static_cast<unsigned char>(bytes);
            io->driver_status = 0x08;  // DRIVER_SENSE
        }
        return 0;
    }

  private:
    std::shared_ptr<SimulatedRecorder> recorder_;
    std::mutex mutex_;
    std::vector<Sent> sent_;
    std::set<std::uint8_t> refused_;
    std::set<int> exclusive_;
    int exclusiveOpens_ = 0;
    int exclusiveError_ = 0;
    int next_ = 100;
};

}  // namespace tv::test
