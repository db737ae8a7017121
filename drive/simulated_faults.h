#pragma once

#include <cstdint>
#include <optional>
#include <set>

namespace tv {

// Sense key, additional sense code and qualifier of a refused command.
struct SenseCode {
    std::uint8_t Key;
    std::uint8_t Asc;
    std::uint8_t Ascq;
};

// The faults a test makes the simulated recorder show, and the "operation in
// progress" state a drive reports after an immediate blank, format or close. Not
// thread-safe: the recorder holds its lock around every use.
class SimulatedFaults {
  public:
    // NOT READY, 04/01 for the next commands that touch the medium.
    void FailNextCommandsNotReady(int commands);
    // LONG WRITE IN PROGRESS (02/04/08) for the next WRITE (10) commands.
    void FailNextWritesBusy(int writes) { busyWrites_ = writes; }
    // MEDIUM ERROR (03/0C/00) for a write that covers the address.
    void FailWriteAt(std::uint32_t address) { badAddresses_.insert(address); }
    // The command never completes.
    void HangOn(std::uint8_t opcode) { hanging_.insert(opcode); }
    void SetGetConfigurationSupported(bool supported) { getConfiguration_ = supported; }
    // Commands the drive stays "in progress" after an immediate operation.
    void SetOperationCommands(int commands) { operationCommands_ = commands; }

    // The drive is busy with an immediate operation for the next commands.
    void StartOperation(std::uint8_t ascq);
    // NOT READY for this command (when consume, one command of the fault is used up).
    std::optional<SenseCode> NotReady(bool consume);
    // True when this WRITE (10) is refused as busy (and one is used up).
    bool TakeBusyWrite();
    bool WriteFails(std::uint32_t address, std::uint32_t blocks) const;
    bool Hangs(std::uint8_t opcode) const { return hanging_.contains(opcode); }
    bool GetConfigurationSupported() const noexcept { return getConfiguration_; }

  private:
    int notReady_ = 0;
    std::uint8_t notReadyAscq_ = 0x01;
    int busyWrites_ = 0;
    std::set<std::uint32_t> badAddresses_;
    std::set<std::uint8_t> hanging_;
    bool getConfiguration_ = true;
    int operationCommands_ = 2;
};

}  // namespace tv
