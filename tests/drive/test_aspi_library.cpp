// An ASPI library for the tests of the library transport: one adapter with one
// drive at 0:0:0. TEST UNIT READY completes later from another thread, SEEK (10)
// never completes.

#include <atomic>
#include <cstdint>
#include <cstring>
#include <mutex>
#include <set>
#include <thread>

#include "drive/aspi.h"

using namespace tv;

namespace {
std::atomic<int> aborts{0};
// Requests given up by their caller: a late completion must not touch them.
std::mutex mutex;
std::set<void*> abandoned;
}  // namespace

extern "C" {

__attribute__((visibility("default"))) std::uint32_t GetASPI32SupportInfo() {
    return 0x0101;
}

__attribute__((visibility("default"))) int TestAspiAborts() {
    return aborts.load();
}

__attribute__((visibility("default"))) std::uint32_t SendASPI32Command(void* request) {
    auto* header = static_cast<std::uint8_t*>(request);
    switch (header[0]) {
        case SC_HA_INQUIRY: {
            auto* inquiry = static_cast<SRB_HAInquiry*>(request);
            inquiry->HA_Count = 1;
            std::memcpy(inquiry->HA_ManagerId, "TEST ASPI LIB   ", 16);
            return inquiry->SRB_Status = SS_COMP;
        }
        case SC_ABORT_SRB: {
            ++aborts;
            std::lock_guard lock(mutex);
            abandoned.insert(static_cast<SRB_Abort*>(request)->SRB_ToAbort);
            return header[1] = SS_COMP;
        }
        case SC_GET_DISK_INFO: {
            auto* info = static_cast<SRB_GetDiskInfo*>(request);
            info->SRB_Int13HDriveInfo = 4;
            return info->SRB_Status = SS_COMP;
        }
        case SC_EXEC_SCSI_CMD: {
            auto* command = static_cast<SRB_ExecSCSICmd*>(request);
            {
                std::lock_guard lock(mutex);
                abandoned.erase(command);  // a new request in the place of an old one
            }
            if (command->SRB_HaId != 0 || command->SRB_Target != 0 || command->SRB_Lun != 0)
                return command->SRB_Status = SS_NO_DEVICE;
            switch (command->CDBByte[0]) {
                case 0x12:
                    std::memset(command->SRB_BufPointer, 0, command->SRB_BufLen);
                    command->SRB_BufPointer[0] = 5;
                    std::memcpy(command->SRB_BufPointer + 8, "LIBVEND LIBRARY DRIVE   0.01", 28);
                    return command->SRB_Status = SS_COMP;
                case 0x00: {
                    std::atomic_ref<std::uint8_t>(command->SRB_Status).store(SS_PENDING);
                    auto* event = static_cast<AspiCompletionEvent*>(command->SRB_PostProc);
                    std::thread([command, event] {
                        std::this_thread::sleep_for(std::chrono::milliseconds(5));
                        std::lock_guard lock(mutex);
                        if (abandoned.contains(command)) return;
                        std::atomic_ref<std::uint8_t>(command->SRB_Status).store(SS_COMP);
                        if (event) event->Signal(event);
                    }).detach();
                    return SS_PENDING;
                }
                case 0x2B:
                    return command->SRB_Status = SS_PENDING;
                default:
                    return command->SRB_Status = SS_COMP;
            }
        }
        default:
            return header[1] = SS_INVALID_CMD;
    }
}
}
