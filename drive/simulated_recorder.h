#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "drive/drive_clock.h"

namespace tv {

// What a drive answers to one command.
struct ScsiResult {
    std::uint8_t Status = 0;  // SCSI status: 0 good, 2 check condition, 8 busy
    bool TimedOut = false;    // the command did not complete within its time
    std::uint32_t Transferred = 0;
    std::array<std::uint8_t, 18> Sense{};  // fixed-format sense data with check condition
};

enum class DataDirection { None, In, Out };

// The media the simulated recorder takes.
enum class MediumKind {
    None,
    CdRom,
    CdR,
    CdRw,
    DvdRom,
    DvdR,
    DvdRam,
    DvdRwRestrictedOverwrite,
    DvdRwSequential,
    DvdPlusRwUnformatted,
    DvdPlusRw,
    DvdPlusR,
};

// A software CD/DVD recorder that answers SCSI/MMC commands the way a real one
// does. Its medium is kept in an image file (sparse; block n at byte n × 2048).
// Write-once media are written at their next writable address only, overwritable
// media anywhere; closing a session puts the next one behind it (on CD media after
// the usual lead-out and lead-in gap). Faults can be injected for tests. All
// members are safe to call from several threads.
class SimulatedRecorder {
  public:
    static constexpr std::uint32_t kCdCapacity = 359847;    // 80 minutes
    static constexpr std::uint32_t kDvdCapacity = 2295104;  // 4.7 GB
    static constexpr std::uint32_t kBufferSize = 2 * 1024 * 1024;

    // The image file is created (or emptied) when a medium is inserted.
    explicit SimulatedRecorder(std::filesystem::path imageFile, const DriveClock* clock = nullptr);
    ~SimulatedRecorder();
    SimulatedRecorder(const SimulatedRecorder&) = delete;
    SimulatedRecorder& operator=(const SimulatedRecorder&) = delete;

    // Puts a blank medium into the tray (capacity 0: the medium's usual size).
    // Read-only media are inserted holding one closed session of recordedBlocks.
    void InsertMedium(MediumKind kind, std::uint32_t capacity = 0,
                      std::uint32_t recordedBlocks = 0);
    // Records a session of the given length on the current medium, as an earlier
    // burn would have left it: closed (appendable after it, or the disc closed).
    void RecordSession(std::uint32_t blocks, bool closeDisc = false);
    void Eject();

    MediumKind Medium() const;
    int SessionCount() const;  // closed sessions
    std::uint32_t NextWritableAddress() const;
    bool DiscClosed() const;
    std::filesystem::path ImageFile() const { return imageFile_; }

    // Faults. Each applies to the next commands that touch the medium.
    void FailNextCommandsNotReady(int commands);  // NOT READY, 04/01
    void FailNextWritesBusy(int writes);          // NOT READY, 04/08 on WRITE (10)
    void FailWriteAt(std::uint32_t address);      // MEDIUM ERROR, 0C/00 for a write covering it
    void HangOn(std::uint8_t opcode);             // that command never completes
    void SetGetConfigurationSupported(bool supported);
    // Commands the drive stays "in progress" after an immediate blank, format or close.
    void SetOperationCommands(int commands);
    void SetProductName(const std::string& product);  // 16 characters of INQUIRY

    // Every CDB received, in order (for tests).
    std::vector<std::vector<std::uint8_t>> Commands() const;
    void ClearCommands();
    // The write parameters page (05) as last selected.
    std::vector<std::uint8_t> WriteParametersPage() const;

    // Handles one command. timeoutMs is how long the caller waits for it.
    ScsiResult Execute(const std::uint8_t* cdb, std::size_t cdbLength, DataDirection direction,
                       std::uint8_t* data, std::uint32_t length, std::uint32_t timeoutMs);

  private:
    struct Session {
        std::uint32_t Start;
        std::uint32_t Length;
    };
    using Result = ScsiResult;

    bool IsCd() const;
    bool IsWriteOnce() const;
    bool IsOverwritable() const;
    bool IsErasable() const;
    std::uint16_t Profile() const;
    std::uint32_t SessionGap() const;
    std::uint32_t OpenTrackStart() const;

    Result Check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);
    std::optional<Result> MediumNotReady(bool consume);
    Result Reply(std::uint8_t* data, std::uint32_t length, const std::vector<std::uint8_t>& answer);

    Result Inquiry(std::uint8_t* data, std::uint32_t length);
    Result RequestSense(std::uint8_t* data, std::uint32_t length);
    Result ModeSense(const std::uint8_t* cdb, std::uint8_t* data, std::uint32_t length);
    Result ModeSelect(std::uint8_t* data, std::uint32_t length);
    Result GetConfiguration(const std::uint8_t* cdb, std::uint8_t* data, std::uint32_t length);
    Result ReadDiscInformation(std::uint8_t* data, std::uint32_t length);
    Result ReadTrackInformation(const std::uint8_t* cdb, std::uint8_t* data, std::uint32_t length);
    Result ReadToc(const std::uint8_t* cdb, std::uint8_t* data, std::uint32_t length);
    Result ReadCapacity(std::uint8_t* data, std::uint32_t length);
    Result ReadFormatCapacities(std::uint8_t* data, std::uint32_t length);
    Result Read10(const std::uint8_t* cdb, std::uint8_t* data, std::uint32_t length);
    Result Write10(const std::uint8_t* cdb, const std::uint8_t* data, std::uint32_t length);
    Result CloseTrackSession(const std::uint8_t* cdb);
    Result Blank(const std::uint8_t* cdb);
    Result FormatUnit(const std::uint8_t* cdb, const std::uint8_t* data, std::uint32_t length);
    Result StartStop(const std::uint8_t* cdb);

    void StartOperation(std::uint8_t ascq);
    void ResetImage(bool keepData);
    void CloseOpenSession(bool closeDisc);

    std::filesystem::path imageFile_;
    const DriveClock* clock_;
    mutable std::mutex mutex_;
    int imageFd_ = -1;

    MediumKind kind_ = MediumKind::None;
    std::uint32_t capacity_ = 0;
    std::vector<Session> sessions_;
    std::uint32_t written_ = 0;       // blocks written into the open track
    std::uint32_t lastRecorded_ = 0;  // overwritable media: one past the highest block written
    bool closed_ = false;
    std::vector<std::uint8_t> page05_;

    int notReady_ = 0;
    std::uint8_t notReadyAscq_ = 0x01;
    std::uint8_t notReadyAsc_ = 0x04;
    int busyWrites_ = 0;
    std::set<std::uint32_t> badAddresses_;
    std::set<std::uint8_t> hanging_;
    bool getConfigurationSupported_ = true;
    int operationCommands_ = 2;
    std::string product_ = "SIMULATED WRITER";
    std::vector<std::vector<std::uint8_t>> commands_;
};

}  // namespace tv
