#include "drive/simulated_faults.h"

namespace tv {

void SimulatedFaults::FailNextCommandsNotReady(int commands) {
    notReady_ = commands;
    notReadyAscq_ = 0x01;
}

void SimulatedFaults::StartOperation(std::uint8_t ascq) {
    notReady_ = operationCommands_;
    notReadyAscq_ = ascq;
}

std::optional<SenseCode> SimulatedFaults::NotReady(bool consume) {
    if (notReady_ <= 0) return std::nullopt;
    if (consume) --notReady_;
    return SenseCode{0x02, 0x04, notReadyAscq_};
}

bool SimulatedFaults::TakeBusyWrite() {
    if (busyWrites_ <= 0) return false;
    --busyWrites_;
    return true;
}

std::optional<SenseCode> SimulatedFaults::WriteFails(std::uint32_t address,
                                                     std::uint32_t blocks) const {
    const auto bad = badAddresses_.lower_bound(address);
    if (bad == badAddresses_.end() || bad->first - address >= blocks) return std::nullopt;
    return bad->second;
}

}  // namespace tv
