#pragma once

#include <cstdint>
#include <map>
#include <optional>

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
    // LONG WRITE IN PROGRESS (02/04/08) for the next WRITE (10) commands; with
    // statusBusy the SCSI status BUSY instead (no sense data).
    void FailNextWritesBusy(int writes, bool statusBusy = false) {
        busyWrites_ = writes;
        busyWritesByStatus_ = statusBusy;
    }
    bool BusyWritesByStatus() const noexcept { return busyWritesByStatus_; }
    // A failed write that covers the address: MEDIUM ERROR (03/0C/00) by default,
    // or another sense such as a loss of streaming (03/0C/09).
    void FailWriteAt(std::uint32_t address, SenseCode sense = {0x03, 0x0C, 0x00}) {
        badAddresses_[address] = sense;
    }
    // The command never completes.
    void HangOn(std::uint8_t opcode) { hanging_[opcode] = true; }
    // SCSI status BUSY (no sense data) for the next commands of any kind.
    void FailNextCommandsBusy(int commands) { busyCommands_ = commands; }
    // The next SYNCHRONIZE CACHE, CLOSE TRACK/SESSION or SEND OPC INFORMATION
    // commands fail.
    void FailNextSynchronizeCache(int commands) { failingSyncs_ = commands; }
    void FailNextCloses(int commands) { failingCloses_ = commands; }
    void FailNextOpc(int commands) { failingOpcs_ = commands; }
    void SetGetConfigurationSupported(bool supported) { getConfiguration_ = supported; }
    // Commands the drive stays "in progress" after an immediate operation.
    void SetOperationCommands(int commands) { operationCommands_ = commands; }

    // The drive is busy with an immediate operation for the next commands.
    void StartOperation(std::uint8_t ascq);
    // NOT READY for this command (when consume, one command of the fault is used up).
    std::optional<SenseCode> NotReady(bool consume);
    // True when this WRITE (10) is refused as busy (and one is used up).
    bool TakeBusyWrite();
    // The sense of a write over address ... address + blocks - 1 that fails.
    std::optional<SenseCode> WriteFails(std::uint32_t address, std::uint32_t blocks) const;
    bool Hangs(std::uint8_t opcode) const { return hanging_.contains(opcode); }
    // Each true once per injected failure.
    bool TakeBusyCommand() { return Take(busyCommands_); }
    bool TakeFailingSync() { return Take(failingSyncs_); }
    bool TakeFailingClose() { return Take(failingCloses_); }
    bool TakeFailingOpc() { return Take(failingOpcs_); }
    bool GetConfigurationSupported() const noexcept { return getConfiguration_; }

  private:
    static bool Take(int& count) {
        if (count <= 0) return false;
        --count;
        return true;
    }

    int notReady_ = 0;
    std::uint8_t notReadyAscq_ = 0x01;
    int busyWrites_ = 0;
    bool busyWritesByStatus_ = false;
    std::map<std::uint32_t, SenseCode> badAddresses_;
    std::map<std::uint8_t, bool> hanging_;
    int busyCommands_ = 0;
    int failingSyncs_ = 0;
    int failingCloses_ = 0;
    int failingOpcs_ = 0;
    bool getConfiguration_ = true;
    int operationCommands_ = 2;
};

}  // namespace tv
