#pragma once

#include <array>
#include <chrono>
#include <cstdint>
#include <deque>
#include <filesystem>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "drive/drive_clock.h"
#include "drive/simulated_faults.h"
#include "drive/simulated_medium.h"

namespace tv {

// What a drive answers to one command.
struct ScsiResult {
    std::uint8_t Status = 0;  // SCSI status: 0 good, 2 check condition, 8 busy
    bool TimedOut = false;    // the command did not complete within its time
    std::uint32_t Transferred = 0;
    std::array<std::uint8_t, 18> Sense{};  // fixed-format sense data with check condition
};

enum class DataDirection { None, In, Out };

// A software CD/DVD recorder that answers SCSI/MMC commands the way a real one
// does, for the media of SimulatedMedium, whose blocks it keeps in an image file.
// A failure to read or write that file is a medium error, as a real drive reports
// one. Faults can be injected for tests. All members are safe to call from
// several threads.
class SimulatedRecorder {
  public:
    static constexpr std::uint32_t kCdCapacity = SimulatedMedium::kCdCapacity;
    static constexpr std::uint32_t kDvdCapacity = SimulatedMedium::kDvdCapacity;
    static constexpr std::uint32_t kBufferSize = 2 * 1024 * 1024;
    // The command log keeps the most recent commands only.
    static constexpr std::size_t kCommandLogLimit = 100000;

    // The image file is opened (never through a symbolic link) and emptied when a
    // medium is inserted; the owner chooses a file that may be emptied.
    explicit SimulatedRecorder(std::filesystem::path imageFile, const DriveClock* clock = nullptr);
    SimulatedRecorder(const SimulatedRecorder&) = delete;
    SimulatedRecorder& operator=(const SimulatedRecorder&) = delete;

    // The image file of the next medium inserted.
    void SetImageFile(std::filesystem::path imageFile);
    // Puts a blank medium into the tray (capacity 0: the medium's usual size).
    // Read-only media are inserted holding one closed session of recordedBlocks.
    void InsertMedium(MediumKind kind, std::uint32_t capacity = 0,
                      std::uint32_t recordedBlocks = 0);
    // Records a session of the given length on the current medium, as an earlier
    // burn would have left it: closed (appendable after it, or the disc closed).
    void RecordSession(std::uint32_t blocks, bool closeDisc = false);
    void Eject();
    // Takes the medium out and leaves the tray open (NOT READY, 3A/02) until the
    // next InsertMedium.
    void OpenTray();

    MediumKind Medium() const;
    int SessionCount() const;  // closed sessions
    std::uint32_t NextWritableAddress() const;
    bool DiscClosed() const;
    std::filesystem::path ImageFile() const;
    // The system's error of the last failed write to the image file (0: none).
    int ImageFileError() const;

    // Faults. Each applies to the next commands that touch the medium.
    void FailNextCommandsNotReady(int commands);    // NOT READY, 04/01
    void FailNextWritesBusy(int writes);            // NOT READY, 04/08 on WRITE (10)
    void FailNextWritesWithBusyStatus(int writes);  // SCSI status BUSY on WRITE (10)
    void FailWriteAt(std::uint32_t address);        // MEDIUM ERROR, 0C/00 for a write covering it
    void FailWriteAt(std::uint32_t address, SenseCode sense);  // e.g. 03/0C/09 loss of streaming
    void HangOn(std::uint8_t opcode);                          // that command never completes
    void FailNextCommandsBusy(int commands);                   // SCSI status BUSY, any command
    void FailNextSynchronizeCache(int commands);               // MEDIUM ERROR 03/0C/00
    void FailNextCloses(int commands);                         // 03/72/03 SESSION FIXATION ERROR
    void FailNextOpc(int commands);  // 03/73/03 POWER CALIBRATION AREA ERROR
    void SetGetConfigurationSupported(bool supported);
    // Commands the drive stays "in progress" after an immediate blank, format or close.
    void SetOperationCommands(int commands);
    void SetProductName(const std::string& product);  // 16 characters of INQUIRY
    // A drive that only reads (a DVD-ROM drive): no write bits and no write speed
    // in page 2A, no write parameters page, WRITE (10) unknown.
    void SetReadOnlyDrive(bool readOnly);
    // Many ATAPI drives refuse MODE SENSE of the default values (page control 2)
    // and answer only the current ones.
    void SetDefaultValuesRefused(bool refused);
    // What an exclusive open of the drive gives (0: it succeeds; EBUSY: another
    // program has the drive open; EACCES: the user may not write to it).
    void SetExclusiveOpenError(int error);
    int ExclusiveOpenError() const;

    // The most recent CDBs received, in order, and the wait each came with (for
    // tests).
    std::vector<std::vector<std::uint8_t>> Commands() const;
    std::vector<std::uint32_t> CommandWaits() const;
    // The thread each of those commands came from.
    std::vector<std::thread::id> CommandThreads() const;
    void ClearCommands();
    // The write parameters page (05) as last selected.
    std::vector<std::uint8_t> WriteParametersPage() const;
    // The write speed SET CD SPEED chose last, in KB/s.
    std::uint16_t CurrentWriteSpeed() const;
    static constexpr std::uint16_t kMaximumWriteSpeed = 11080;
    static constexpr std::uint16_t kMaximumReadSpeed = 8467;

    // Handles one command. timeoutMs is how long the caller waits for it.
    ScsiResult Execute(const std::uint8_t* cdb, std::size_t cdbLength, DataDirection direction,
                       std::uint8_t* data, std::uint32_t length, std::uint32_t timeoutMs);

  private:
    using Result = ScsiResult;

    static Result Check(std::uint8_t key, std::uint8_t asc, std::uint8_t ascq);
    static Result Reply(std::uint8_t* data, std::uint32_t length,
                        const std::vector<std::uint8_t>& answer);
    std::optional<Result> MediumNotReady(bool consume);
    Result Dispatch(const std::uint8_t* cdb, std::uint8_t* data, std::uint32_t length);

    // Answers that only describe the drive and the medium
    // (simulated_recorder_answers.cpp).
    Result Inquiry(std::uint8_t* data, std::uint32_t length) const;
    Result RequestSense(std::uint8_t* data, std::uint32_t length);
    Result ModeSense(const std::uint8_t* cdb, std::uint8_t* data, std::uint32_t length) const;
    Result ModeSelect(const std::uint8_t* data, std::uint32_t length);
    Result GetConfiguration(const std::uint8_t* cdb, std::uint8_t* data,
                            std::uint32_t length) const;
    Result ReadDiscInformation(std::uint8_t* data, std::uint32_t length) const;
    Result ReadTrackInformation(const std::uint8_t* cdb, std::uint8_t* data,
                                std::uint32_t length) const;
    Result ReadToc(const std::uint8_t* cdb, std::uint8_t* data, std::uint32_t length) const;
    Result ReadCapacity(std::uint8_t* data, std::uint32_t length) const;
    Result ReadFormatCapacities(std::uint8_t* data, std::uint32_t length) const;

    // Commands that change the medium.
    Result Read10(const std::uint8_t* cdb, std::uint8_t* data, std::uint32_t length);
    Result Write10(const std::uint8_t* cdb, const std::uint8_t* data, std::uint32_t length);
    Result SynchronizeCache(const std::uint8_t* cdb);
    Result ReserveTrack(const std::uint8_t* cdb);
    Result SetCdSpeed(const std::uint8_t* cdb);
    Result ReadBufferCapacity(std::uint8_t* data, std::uint32_t length);
    // The drive buffer: filled by writes, drained at the write speed.
    void DrainBuffer();
    Result CloseTrackSession(const std::uint8_t* cdb);
    Result Blank(const std::uint8_t* cdb);
    Result FormatUnit(const std::uint8_t* cdb, const std::uint8_t* data, std::uint32_t length);
    Result StartStop(const std::uint8_t* cdb);

    const DriveClock* clock_;
    mutable std::mutex mutex_;
    SimulatedMedium medium_;
    SimulatedFaults faults_;
    std::vector<std::uint8_t> page05_;
    std::string product_ = "SIMULATED WRITER";
    bool readOnly_ = false;
    bool defaultValuesRefused_ = false;
    bool trayOpen_ = false;
    int exclusiveOpenError_ = 0;
    std::uint16_t writeSpeed_ = kMaximumWriteSpeed;
    std::uint16_t readSpeed_ = kMaximumReadSpeed;
    std::uint64_t bufferLevel_ = 0;  // bytes waiting in the drive buffer
    std::uint32_t testWritten_ = 0;  // blocks a test write pretended to write
    std::chrono::steady_clock::time_point lastDrain_ = std::chrono::steady_clock::now();
    struct LoggedCommand {
        std::vector<std::uint8_t> Cdb;
        std::uint32_t WaitMs;
        std::thread::id Thread;
    };
    std::deque<LoggedCommand> commands_;
};

}  // namespace tv
