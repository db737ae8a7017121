#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

#include "base/file_descriptor.h"

namespace tv {

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

// The disc in the simulated recorder: its kind (profile), capacity and sessions,
// and the image file that holds its blocks (block n at byte n x 2048; the file
// ends with the last block written, blocks beyond it read as zeros).
// Write-once media are written at their next writable address only, overwritable
// media anywhere; closing a session puts the next one behind it. Not thread-safe:
// the recorder holds its lock around every use.
class SimulatedMedium {
  public:
    static constexpr std::uint32_t kBlock = 2048;
    static constexpr std::uint32_t kCdCapacity = 359847;    // 80 minutes
    static constexpr std::uint32_t kDvdCapacity = 2295104;  // 4.7 GB

    struct Session {
        std::uint32_t Start;
        std::uint32_t Length;
    };

    explicit SimulatedMedium(std::filesystem::path imageFile);

    // The file of the next medium inserted; the current one is let go.
    void SetImageFile(std::filesystem::path imageFile);

    // Puts a blank medium in (capacity 0: the medium's usual size); the image file
    // is opened (not following a link) and emptied. Read-only media come with one
    // closed session of recordedBlocks.
    void Insert(MediumKind kind, std::uint32_t capacity, std::uint32_t recordedBlocks);
    void Eject();
    // Records a session as an earlier burn would have left it.
    void RecordSession(std::uint32_t blocks, bool closeDisc);

    MediumKind Kind() const noexcept { return kind_; }
    void SetKind(MediumKind kind) noexcept { kind_ = kind; }
    std::uint32_t Capacity() const noexcept { return capacity_; }
    const std::vector<Session>& Sessions() const noexcept { return sessions_; }
    std::uint32_t Written() const noexcept { return written_; }
    std::uint32_t LastRecorded() const noexcept { return lastRecorded_; }
    bool Closed() const noexcept { return closed_; }
    const std::filesystem::path& ImageFile() const noexcept { return imageFile_; }

    bool IsCd() const;
    bool IsWriteOnce() const;
    bool IsOverwritable() const;
    bool IsErasable() const;
    std::uint16_t Profile() const;
    // Blocks between the end of the last session and the start of the next.
    std::uint32_t SessionGap() const;
    std::uint32_t OpenTrackStart() const;
    std::uint32_t NextWritableAddress() const;

    // The image file. Each returns false when the system call failed (or the image
    // could not be opened): the recorder answers with a medium error then.
    bool ReadBlocks(std::uint32_t address, std::uint8_t* data, std::uint32_t bytes) const;
    bool WriteBlocks(std::uint32_t address, const std::uint8_t* data, std::uint32_t bytes);
    // The system's error of the last failed write or flush of the image file (a
    // full disk: ENOSPC); 0 when none failed since the medium was inserted.
    int ImageFileError() const noexcept { return imageFileError_; }
    bool Sync();

    // Medium changes made by commands.
    void NoteWritten(std::uint32_t address, std::uint32_t blocks);
    // RESERVE TRACK (DVD-R): the open track gets a fixed size; the empty track
    // behind it is the next one.
    void Reserve(std::uint32_t blocks) { reserved_ = blocks; }
    std::uint32_t Reserved() const noexcept { return reserved_; }
    // The number the open track has (the closed sessions' tracks come before it).
    std::uint32_t OpenTrackNumber() const {
        return static_cast<std::uint32_t>(sessions_.size()) + 1;
    }
    void CloseOpenSession(bool closeDisc, bool multiSessionAllowed);
    // BLANK: sessions gone; a minimal blank keeps the old bytes.
    void Blank(bool full);
    // FORMAT UNIT of an overwritable or DVD-RW medium.
    void Format(MediumKind becomes);

  private:
    void ResetImage(bool keepData);

    std::filesystem::path imageFile_;
    FileDescriptor image_;
    MediumKind kind_ = MediumKind::None;
    std::uint32_t capacity_ = 0;
    std::vector<Session> sessions_;
    std::uint32_t written_ = 0;       // blocks written into the open track
    std::uint32_t lastRecorded_ = 0;  // overwritable media: one past the highest block written
    bool closed_ = false;
    std::uint32_t reserved_ = 0;  // blocks reserved for the open track, 0 = none
    int imageFileError_ = 0;
};

}  // namespace tv
