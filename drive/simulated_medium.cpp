#include "drive/simulated_medium.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>

namespace tv {

SimulatedMedium::SimulatedMedium(std::filesystem::path imageFile)
    : imageFile_(std::move(imageFile)) {}

bool SimulatedMedium::IsCd() const {
    return kind_ == MediumKind::CdRom || kind_ == MediumKind::CdR || kind_ == MediumKind::CdRw;
}

bool SimulatedMedium::IsWriteOnce() const {
    switch (kind_) {
        case MediumKind::CdR:
        case MediumKind::CdRw:
        case MediumKind::DvdR:
        case MediumKind::DvdRwSequential:
        case MediumKind::DvdPlusR:
            return true;
        default:
            return false;
    }
}

bool SimulatedMedium::IsOverwritable() const {
    return kind_ == MediumKind::DvdRam || kind_ == MediumKind::DvdPlusRw ||
           kind_ == MediumKind::DvdRwRestrictedOverwrite;
}

bool SimulatedMedium::IsErasable() const {
    return kind_ == MediumKind::CdRw || kind_ == MediumKind::DvdRam ||
           kind_ == MediumKind::DvdRwRestrictedOverwrite || kind_ == MediumKind::DvdRwSequential ||
           kind_ == MediumKind::DvdPlusRw || kind_ == MediumKind::DvdPlusRwUnformatted;
}

std::uint16_t SimulatedMedium::Profile() const {
    switch (kind_) {
        case MediumKind::None:
            return 0x0000;
        case MediumKind::CdRom:
            return 0x0008;
        case MediumKind::CdR:
            return 0x0009;
        case MediumKind::CdRw:
            return 0x000A;
        case MediumKind::DvdRom:
            return 0x0010;
        case MediumKind::DvdR:
            return 0x0011;
        case MediumKind::DvdRam:
            return 0x0012;
        case MediumKind::DvdRwRestrictedOverwrite:
            return 0x0013;
        case MediumKind::DvdRwSequential:
            return 0x0014;
        case MediumKind::DvdPlusRwUnformatted:
        case MediumKind::DvdPlusRw:
            return 0x001A;
        case MediumKind::DvdPlusR:
            return 0x001B;
    }
    return 0;
}

// Lead-out and lead-in (first session 6,750 + 4,500 + 150, later 2,250 + 4,500 +
// 150) on CD, a border zone on DVD-R and DVD-RW, the closure on DVD+R.
std::uint32_t SimulatedMedium::SessionGap() const {
    if (IsCd()) return sessions_.size() == 1 ? 11400 : 6900;
    if (kind_ == MediumKind::DvdPlusR) return 2048;
    return 6144;
}

std::uint32_t SimulatedMedium::OpenTrackStart() const {
    if (sessions_.empty()) return 0;
    const Session& last = sessions_.back();
    std::uint32_t start = last.Start + last.Length + SessionGap();
    if (!IsCd()) start = (start + 15) / 16 * 16;  // DVD ECC blocks
    return start;
}

std::uint32_t SimulatedMedium::NextWritableAddress() const {
    return IsOverwritable() ? lastRecorded_ : OpenTrackStart() + written_;
}

void SimulatedMedium::ResetImage(bool keepData) {
    if (!image_.Valid())
        image_ = FileDescriptor(
            ::open(imageFile_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0644));
    if (!image_.Valid()) return;  // every later read and write reports a medium error
    // The file holds what was written (blocks never written read as zeros), so an
    // image of a huge medium takes no room before it is written.
    if (!keepData) [[maybe_unused]]
        const int truncated = ::ftruncate(image_.Get(), 0);
}

void SimulatedMedium::SetImageFile(std::filesystem::path imageFile) {
    image_.Reset();
    imageFile_ = std::move(imageFile);
}

void SimulatedMedium::Insert(MediumKind kind, std::uint32_t capacity,
                             std::uint32_t recordedBlocks) {
    kind_ = kind;
    imageFileError_ = 0;
    const bool cd =
        kind == MediumKind::CdRom || kind == MediumKind::CdR || kind == MediumKind::CdRw;
    capacity_ = kind == MediumKind::None ? 0
                : capacity               ? capacity
                : cd                     ? kCdCapacity
                                         : kDvdCapacity;
    sessions_.clear();
    written_ = 0;
    lastRecorded_ = 0;
    closed_ = false;
    reserved_ = 0;
    if (kind == MediumKind::None) return;
    ResetImage(false);
    if (kind == MediumKind::CdRom || kind == MediumKind::DvdRom) {
        sessions_.push_back({0, std::min(recordedBlocks ? recordedBlocks : 300000u, capacity_)});
        closed_ = true;
    }
}

void SimulatedMedium::Eject() {
    kind_ = MediumKind::None;
    capacity_ = 0;
    sessions_.clear();
    written_ = lastRecorded_ = reserved_ = 0;
    closed_ = false;
}

void SimulatedMedium::RecordSession(std::uint32_t blocks, bool closeDisc) {
    if (IsOverwritable()) {
        lastRecorded_ = std::max(lastRecorded_, blocks);
        return;
    }
    if (blocks > 0) sessions_.push_back({OpenTrackStart(), blocks});
    written_ = 0;
    closed_ = closeDisc;
}

bool SimulatedMedium::ReadBlocks(std::uint32_t address, std::uint8_t* data,
                                 std::uint32_t bytes) const {
    if (!image_.Valid()) return false;
    std::uint32_t done = 0;
    while (done < bytes) {
        const ssize_t got = ::pread(image_.Get(), data + done, bytes - done,
                                    static_cast<off_t>(address) * kBlock + done);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return false;
        if (got == 0) {  // beyond the image's end: never written, reads as zeros
            std::fill(data + done, data + bytes, 0);
            break;
        }
        done += static_cast<std::uint32_t>(got);
    }
    return true;
}

bool SimulatedMedium::WriteBlocks(std::uint32_t address, const std::uint8_t* data,
                                  std::uint32_t bytes) {
    if (!image_.Valid()) return false;
    std::uint32_t done = 0;
    while (done < bytes) {
        const ssize_t put = ::pwrite(image_.Get(), data + done, bytes - done,
                                     static_cast<off_t>(address) * kBlock + done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) {
            imageFileError_ = put < 0 ? errno : ENOSPC;
            return false;
        }
        done += static_cast<std::uint32_t>(put);
    }
    return true;
}

bool SimulatedMedium::Sync() {
    if (!image_.Valid()) return false;
    if (::fdatasync(image_.Get()) == 0) return true;
    imageFileError_ = errno;
    return false;
}

void SimulatedMedium::NoteWritten(std::uint32_t address, std::uint32_t blocks) {
    if (IsWriteOnce())
        written_ += blocks;
    else
        lastRecorded_ = std::max(lastRecorded_, address + blocks);
}

void SimulatedMedium::CloseOpenSession(bool closeDisc, bool multiSessionAllowed) {
    reserved_ = 0;
    if (written_ > 0) {
        sessions_.push_back({OpenTrackStart(), written_});
        written_ = 0;
    }
    // The disc stays open for another session when the write parameters allow it
    // and there is room behind the gap.
    if (closeDisc || !multiSessionAllowed || OpenTrackStart() >= capacity_)
        closed_ = !sessions_.empty() || closeDisc;
}

void SimulatedMedium::Blank(bool full) {
    if (kind_ == MediumKind::DvdRwRestrictedOverwrite) kind_ = MediumKind::DvdRwSequential;
    sessions_.clear();
    written_ = lastRecorded_ = 0;
    closed_ = false;
    ResetImage(!full);
}

void SimulatedMedium::Format(MediumKind becomes) {
    if (becomes == MediumKind::DvdRwRestrictedOverwrite) {
        sessions_.clear();
        written_ = 0;
        closed_ = false;
    }
    kind_ = becomes;
    lastRecorded_ = 0;
}

}  // namespace tv
