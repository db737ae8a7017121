#include "drive/simulated_recorder.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <thread>

#include "base/byte_order.h"

namespace tv {
namespace {

constexpr std::uint32_t kBlock = 2048;

std::vector<std::uint8_t> DefaultWriteParameters() {
    std::vector<std::uint8_t> page(54, 0);
    page[0] = 0x05;
    page[1] = 0x32;
    page[2] = 0x01;  // track at once
    page[3] = 0x04;  // data track
    page[4] = 0x08;  // mode 1
    page[15] = 150;  // audio pause length
    return page;
}

bool Overlaps(std::uint32_t start, std::uint32_t count, std::uint32_t address) {
    return address >= start && address - start < count;
}

}  // namespace

SimulatedRecorder::SimulatedRecorder(std::filesystem::path imageFile, const DriveClock* clock)
    : imageFile_(std::move(imageFile)), clock_(clock), page05_(DefaultWriteParameters()) {}

SimulatedRecorder::~SimulatedRecorder() {
    if (imageFd_ >= 0) ::close(imageFd_);
}

// --- medium state -----------------------------------------------------------------

bool SimulatedRecorder::IsCd() const {
    return kind_ == MediumKind::CdRom || kind_ == MediumKind::CdR || kind_ == MediumKind::CdRw;
}

bool SimulatedRecorder::IsWriteOnce() const {
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

bool SimulatedRecorder::IsOverwritable() const {
    return kind_ == MediumKind::DvdRam || kind_ == MediumKind::DvdPlusRw ||
           kind_ == MediumKind::DvdRwRestrictedOverwrite;
}

bool SimulatedRecorder::IsErasable() const {
    return kind_ == MediumKind::CdRw || kind_ == MediumKind::DvdRam ||
           kind_ == MediumKind::DvdRwRestrictedOverwrite || kind_ == MediumKind::DvdRwSequential ||
           kind_ == MediumKind::DvdPlusRw || kind_ == MediumKind::DvdPlusRwUnformatted;
}

std::uint16_t SimulatedRecorder::Profile() const {
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

// Blocks between the end of the last session and the start of the next: lead-out
// and lead-in (first session 6,750 + 4,500 + 150, later 2,250 + 4,500 + 150) on
// CD, a border zone on DVD-R and DVD-RW, the closure on DVD+R.
std::uint32_t SimulatedRecorder::SessionGap() const {
    if (IsCd()) return sessions_.size() == 1 ? 11400 : 6900;
    if (kind_ == MediumKind::DvdPlusR) return 2048;
    return 6144;
}

std::uint32_t SimulatedRecorder::OpenTrackStart() const {
    if (sessions_.empty()) return 0;
    const Session& last = sessions_.back();
    std::uint32_t start = last.Start + last.Length + SessionGap();
    if (!IsCd()) start = (start + 15) / 16 * 16;  // DVD ECC blocks
    return start;
}

void SimulatedRecorder::ResetImage(bool keepData) {
    if (imageFd_ < 0) imageFd_ = ::open(imageFile_.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (imageFd_ < 0) return;
    if (!keepData) [[maybe_unused]]
        const int truncated = ::ftruncate(imageFd_, 0);
    [[maybe_unused]] const int sized =
        ::ftruncate(imageFd_, static_cast<off_t>(capacity_) * kBlock);
}

void SimulatedRecorder::InsertMedium(MediumKind kind, std::uint32_t capacity,
                                     std::uint32_t recordedBlocks) {
    std::lock_guard lock(mutex_);
    kind_ = kind;
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
    page05_ = DefaultWriteParameters();
    if (kind == MediumKind::None) return;
    ResetImage(false);
    if (kind == MediumKind::CdRom || kind == MediumKind::DvdRom) {
        sessions_.push_back({0, std::min(recordedBlocks ? recordedBlocks : 300000u, capacity_)});
        closed_ = true;
    }
}

void SimulatedRecorder::RecordSession(std::uint32_t blocks, bool closeDisc) {
    std::lock_guard lock(mutex_);
    if (IsOverwritable()) {
        lastRecorded_ = std::max(lastRecorded_, blocks);
        return;
    }
    if (blocks > 0) sessions_.push_back({OpenTrackStart(), blocks});
    written_ = 0;
    closed_ = closeDisc;
}

void SimulatedRecorder::Eject() {
    std::lock_guard lock(mutex_);
    kind_ = MediumKind::None;
    capacity_ = 0;
    sessions_.clear();
    written_ = lastRecorded_ = 0;
    closed_ = false;
}

MediumKind SimulatedRecorder::Medium() const {
    std::lock_guard lock(mutex_);
    return kind_;
}

int SimulatedRecorder::SessionCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(sessions_.size());
}

std::uint32_t SimulatedRecorder::NextWritableAddress() const {
    std::lock_guard lock(mutex_);
    return IsOverwritable() ? lastRecorded_ : OpenTrackStart() + written_;
}

bool SimulatedRecorder::DiscClosed() const {
    std::lock_guard lock(mutex_);
    return closed_;
}

void SimulatedRecorder::FailNextCommandsNotReady(int commands) {
    std::lock_guard lock(mutex_);
    notReady_ = commands;
    notReadyAsc_ = 0x04;
    notReadyAscq_ = 0x01;
}

void SimulatedRecorder::FailNextWritesBusy(int writes) {
    std::lock_guard lock(mutex_);
    busyWrites_ = writes;
}

void SimulatedRecorder::FailWriteAt(std::uint32_t address) {
    std::lock_guard lock(mutex_);
    badAddresses_.insert(address);
}

void SimulatedRecorder::HangOn(std::uint8_t opcode) {
    std::lock_guard lock(mutex_);
    hanging_.insert(opcode);
}

void SimulatedRecorder::SetGetConfigurationSupported(bool supported) {
    std::lock_guard lock(mutex_);
    getConfigurationSupported_ = supported;
}

void SimulatedRecorder::SetOperationCommands(int commands) {
    std::lock_guard lock(mutex_);
    operationCommands_ = commands;
}

void SimulatedRecorder::SetProductName(const std::string& product) {
    std::lock_guard lock(mutex_);
    product_ = product;
}

std::vector<std::vector<std::uint8_t>> SimulatedRecorder::Commands() const {
    std::lock_guard lock(mutex_);
    return commands_;
}

void SimulatedRecorder::ClearCommands() {
    std::lock_guard lock(mutex_);
    commands_.clear();
}

std::vector<std::uint8_t> SimulatedRecorder::WriteParametersPage() const {
    std::lock_guard lock(mutex_);
    return page05_;
}

// --- answers -----------------------------------------------------------------------

SimulatedRecorder::Result SimulatedRecorder::Check(std::uint8_t key, std::uint8_t asc,
                                                   std::uint8_t ascq) {
    Result result;
    result.Status = 0x02;
    result.Sense[0] = 0x70;
    result.Sense[2] = key;
    result.Sense[7] = 10;
    result.Sense[12] = asc;
    result.Sense[13] = ascq;
    return result;
}

SimulatedRecorder::Result SimulatedRecorder::Reply(std::uint8_t* data, std::uint32_t length,
                                                   const std::vector<std::uint8_t>& answer) {
    Result result;
    result.Transferred = std::min<std::uint32_t>(length, static_cast<std::uint32_t>(answer.size()));
    if (data != nullptr && result.Transferred > 0)
        std::memcpy(data, answer.data(), result.Transferred);
    return result;
}

// NOT READY when there is no medium, a fault is pending or an operation is still
// running; each refused command brings a running operation nearer to its end.
std::optional<SimulatedRecorder::Result> SimulatedRecorder::MediumNotReady(bool consume) {
    if (notReady_ > 0) {
        if (consume) --notReady_;
        return Check(0x02, notReadyAsc_, notReadyAscq_);
    }
    if (kind_ == MediumKind::None) return Check(0x02, 0x3A, 0x00);
    return std::nullopt;
}

void SimulatedRecorder::StartOperation(std::uint8_t ascq) {
    notReady_ = operationCommands_;
    notReadyAsc_ = 0x04;
    notReadyAscq_ = ascq;
}

ScsiResult SimulatedRecorder::Execute(const std::uint8_t* cdb, std::size_t cdbLength,
                                      DataDirection direction, std::uint8_t* data,
                                      std::uint32_t length, std::uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    commands_.emplace_back(cdb, cdb + cdbLength);
    const std::uint8_t opcode = cdb[0];
    if (hanging_.contains(opcode)) {
        lock.unlock();
        if (clock_)
            clock_->Sleep(timeoutMs);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        Result result;
        result.TimedOut = true;
        return result;
    }
    (void)direction;

    // Commands that need the medium.
    switch (opcode) {
        case 0x00:  // TEST UNIT READY
        case 0x23:
        case 0x25:
        case 0x28:
        case 0x2A:
        case 0x35:
        case 0x43:
        case 0x51:
        case 0x52:
        case 0x53:
        case 0x54:
        case 0x5B:
        case 0xA1:
        case 0x04:
            if (auto refused = MediumNotReady(true)) return *refused;
            break;
        default:
            break;
    }

    switch (opcode) {
        case 0x00:
        case 0x01:  // REZERO UNIT
        case 0x1E:  // PREVENT/ALLOW MEDIUM REMOVAL
        case 0xBB:  // SET CD SPEED
        case 0xB6:  // SET STREAMING
        case 0x54:  // SEND OPC INFORMATION
        case 0xBF:  // SEND DVD STRUCTURE
            return Result{};
        case 0x03:
            return RequestSense(data, length);
        case 0x04:
            return FormatUnit(cdb, data, length);
        case 0x12:
            return Inquiry(data, length);
        case 0x1B:
            return StartStop(cdb);
        case 0x23:
            return ReadFormatCapacities(data, length);
        case 0x25:
            return ReadCapacity(data, length);
        case 0x28:
            return Read10(cdb, data, length);
        case 0x2A:
            return Write10(cdb, data, length);
        case 0x35:  // SYNCHRONIZE CACHE
            if (imageFd_ >= 0) ::fdatasync(imageFd_);
            if (cdb[1] & 0x02) StartOperation(0x07);
            return Result{};
        case 0x43:
            return ReadToc(cdb, data, length);
        case 0x46:
            return GetConfiguration(cdb, data, length);
        case 0x51:
            return ReadDiscInformation(data, length);
        case 0x52:
            return ReadTrackInformation(cdb, data, length);
        case 0x53:  // RESERVE TRACK
            if (closed_ || !IsWriteOnce()) return Check(0x05, 0x2C, 0x00);
            return Result{};
        case 0x55:
            return ModeSelect(data, length);
        case 0x5A:
            return ModeSense(cdb, data, length);
        case 0x5B:
            return CloseTrackSession(cdb);
        case 0x5C: {  // READ BUFFER CAPACITY
            std::vector<std::uint8_t> answer(12, 0);
            WriteBig16(answer.data(), 10);
            WriteBig32(answer.data() + 4, kBufferSize);
            WriteBig32(answer.data() + 8, kBufferSize);
            return Reply(data, length, answer);
        }
        case 0xA1:
            return Blank(cdb);
        default:
            return Check(0x05, 0x20, 0x00);  // INVALID COMMAND OPERATION CODE
    }
}

SimulatedRecorder::Result SimulatedRecorder::Inquiry(std::uint8_t* data, std::uint32_t length) {
    std::vector<std::uint8_t> answer(96, 0);
    answer[0] = 0x05;  // CD/DVD
    answer[1] = 0x80;  // removable
    answer[2] = 0x05;
    answer[3] = 0x02;
    answer[4] = 91;
    std::string product = product_;
    product.resize(16, ' ');
    std::memcpy(answer.data() + 8, "TUNEVLT ", 8);
    std::memcpy(answer.data() + 16, product.data(), 16);
    std::memcpy(answer.data() + 32, "1.00", 4);
    return Reply(data, length, answer);
}

SimulatedRecorder::Result SimulatedRecorder::RequestSense(std::uint8_t* data,
                                                          std::uint32_t length) {
    std::vector<std::uint8_t> answer(18, 0);
    answer[0] = 0x70;
    answer[7] = 10;
    if (auto refused = MediumNotReady(true)) std::memcpy(answer.data(), refused->Sense.data(), 18);
    return Reply(data, length, answer);
}

SimulatedRecorder::Result SimulatedRecorder::StartStop(const std::uint8_t* cdb) {
    const bool loadEject = cdb[4] & 0x02;
    const bool start = cdb[4] & 0x01;
    if (loadEject && !start) {
        kind_ = MediumKind::None;  // the tray opens and the disc is taken out
        capacity_ = 0;
        sessions_.clear();
        written_ = lastRecorded_ = 0;
        closed_ = false;
    }
    return Result{};
}

SimulatedRecorder::Result SimulatedRecorder::ModeSense(const std::uint8_t* cdb, std::uint8_t* data,
                                                       std::uint32_t length) {
    const std::uint8_t page = cdb[2] & 0x3F;
    std::vector<std::uint8_t> answer(8, 0);
    if (page == 0x2A) {
        std::vector<std::uint8_t> caps(32, 0);
        caps[0] = 0x2A;
        caps[1] = 30;
        caps[2] = 0x3F;                     // reads CD-R, CD-RW, method 2, DVD-ROM, DVD-R, DVD-RAM
        caps[3] = 0x37;                     // writes CD-R, CD-RW, test write, DVD-R, DVD-RAM
        caps[4] = 0x80;                     // buffer underrun free
        WriteBig16(caps.data() + 8, 8467);  // maximum read speed
        WriteBig16(caps.data() + 12, kBufferSize / 1024);
        WriteBig16(caps.data() + 14, 8467);   // current read speed
        WriteBig16(caps.data() + 18, 11080);  // maximum write speed
        WriteBig16(caps.data() + 20, 11080);  // current write speed
        answer.insert(answer.end(), caps.begin(), caps.end());
    } else if (page == 0x05) {
        answer.insert(answer.end(), page05_.begin(), page05_.end());
    } else {
        return Check(0x05, 0x24, 0x00);
    }
    WriteBig16(answer.data(), static_cast<std::uint32_t>(answer.size() - 2));
    return Reply(data, std::min<std::uint32_t>(length, ReadBig16(cdb + 7)), answer);
}

SimulatedRecorder::Result SimulatedRecorder::ModeSelect(std::uint8_t* data, std::uint32_t length) {
    if (data == nullptr || length < 10) return Check(0x05, 0x1A, 0x00);
    const std::uint32_t descriptors = ReadBig16(data + 6);
    const std::uint8_t* page = data + 8 + descriptors;
    if (8 + descriptors + 2 > length) return Check(0x05, 0x1A, 0x00);
    if ((page[0] & 0x3F) != 0x05) return Check(0x05, 0x26, 0x00);
    const std::uint8_t writeType = page[2] & 0x0F;
    if (writeType > 2 && writeType != 4)
        return Check(0x05, 0x26, 0x02);  // raw writing is not offered
    const std::uint32_t pageLength =
        std::min<std::uint32_t>(page[1] + 2u, length - 8 - descriptors);
    page05_.assign(page, page + pageLength);
    page05_.resize(54, 0);
    return Result{};
}

SimulatedRecorder::Result SimulatedRecorder::GetConfiguration(const std::uint8_t* cdb,
                                                              std::uint8_t* data,
                                                              std::uint32_t length) {
    if (!getConfigurationSupported_) return Check(0x05, 0x20, 0x00);
    const std::uint16_t feature = ReadBig16(cdb + 2);
    std::vector<std::uint8_t> answer(8, 0);
    WriteBig16(answer.data() + 6, Profile());
    const auto add = [&](std::uint16_t code, bool current, std::vector<std::uint8_t> body) {
        const std::size_t at = answer.size();
        answer.resize(at + 4 + body.size(), 0);
        WriteBig16(answer.data() + at, code);
        answer[at + 2] = static_cast<std::uint8_t>(0x02 | (current ? 1 : 0));
        answer[at + 3] = static_cast<std::uint8_t>(body.size());
        std::copy(body.begin(), body.end(), answer.begin() + static_cast<std::ptrdiff_t>(at + 4));
    };
    if (feature == 0x0000) {
        std::vector<std::uint8_t> profiles;
        for (std::uint16_t profile : {0x1B, 0x1A, 0x14, 0x13, 0x12, 0x11, 0x10, 0x0A, 0x09, 0x08}) {
            profiles.push_back(0);
            profiles.push_back(static_cast<std::uint8_t>(profile));
            profiles.push_back(profile == Profile() ? 1 : 0);
            profiles.push_back(0);
        }
        add(0x0000, true, profiles);
    } else if (feature == 0x002A) {
        add(0x002A, kind_ == MediumKind::DvdPlusRw || kind_ == MediumKind::DvdPlusRwUnformatted,
            {0x01, 0, 0, 0});
    } else if (feature == 0x002F) {
        add(0x002F, kind_ == MediumKind::DvdR || kind_ == MediumKind::DvdRwSequential,
            {0x46, 0, 0, 0});
    }
    WriteBig32(answer.data(), static_cast<std::uint32_t>(answer.size() - 4));
    return Reply(data, std::min<std::uint32_t>(length, ReadBig16(cdb + 7)), answer);
}

SimulatedRecorder::Result SimulatedRecorder::ReadDiscInformation(std::uint8_t* data,
                                                                 std::uint32_t length) {
    std::vector<std::uint8_t> answer(34, 0);
    WriteBig16(answer.data(), 32);
    std::uint8_t status = 0, lastSession = 0, sessions = 0, lastTrack = 0;
    if (IsOverwritable()) {
        status = 2;
        lastSession = 3;
        sessions = lastTrack = 1;
    } else if (kind_ == MediumKind::DvdPlusRwUnformatted) {
        sessions = lastTrack = 1;
    } else if (closed_) {
        status = 2;
        lastSession = 3;
        sessions = lastTrack = static_cast<std::uint8_t>(sessions_.size());
    } else {
        status = sessions_.empty() && written_ == 0 ? 0 : 1;
        lastSession = written_ > 0 ? 1 : 0;
        sessions = lastTrack = static_cast<std::uint8_t>(sessions_.size() + 1);
    }
    answer[2] = static_cast<std::uint8_t>((IsErasable() ? 0x10 : 0) | (lastSession << 2) | status);
    answer[3] = 1;
    answer[4] = sessions;
    answer[5] = lastTrack;
    answer[6] = lastTrack;
    answer[7] = 0x20;  // unrestricted use
    answer[8] = IsCd() ? 0x00 : 0xFF;
    WriteBig32(answer.data() + 16, closed_ ? 0xFFFFFFFF : OpenTrackStart());
    WriteBig32(answer.data() + 20, capacity_);
    return Reply(data, length, answer);
}

SimulatedRecorder::Result SimulatedRecorder::ReadTrackInformation(const std::uint8_t* cdb,
                                                                  std::uint8_t* data,
                                                                  std::uint32_t length) {
    if ((cdb[1] & 0x03) != 1) return Check(0x05, 0x24, 0x00);
    std::uint32_t track = ReadBig32(cdb + 2);
    const std::uint32_t invisible = static_cast<std::uint32_t>(sessions_.size()) + 1;
    std::uint32_t start = 0, size = 0, free = 0, nwa = 0, lastRecorded = 0;
    bool blank = false, nwaValid = false;
    if (IsOverwritable()) {
        if (track != 1 && track != 0xFF) return Check(0x05, 0x24, 0x00);
        track = 1;
        size = capacity_;
        free = capacity_ - lastRecorded_;
        nwa = lastRecorded_;
        nwaValid = true;
        lastRecorded = lastRecorded_ ? lastRecorded_ - 1 : 0;
    } else if (kind_ == MediumKind::DvdPlusRwUnformatted) {
        if (track != 1 && track != 0xFF) return Check(0x05, 0x24, 0x00);
        track = 1;
        size = free = capacity_;
        blank = true;
    } else if (track >= 1 && track < invisible) {
        const Session& session = sessions_[track - 1];
        start = session.Start;
        size = session.Length;
        lastRecorded = session.Start + session.Length - 1;
    } else if ((track == invisible || track == 0xFF) && !closed_) {
        track = invisible;
        start = OpenTrackStart();
        size = capacity_ > start ? capacity_ - start : 0;
        free = size > written_ ? size - written_ : 0;
        nwa = start + written_;
        nwaValid = true;
        blank = written_ == 0;
        lastRecorded = written_ ? nwa - 1 : 0;
    } else {
        return Check(0x05, 0x24, 0x00);
    }
    std::vector<std::uint8_t> answer(36, 0);
    WriteBig16(answer.data(), 34);
    answer[2] = static_cast<std::uint8_t>(track);
    answer[3] = static_cast<std::uint8_t>(
        std::min<std::uint32_t>(track, static_cast<std::uint32_t>(sessions_.size()) + 1));
    answer[5] = 0x04;  // data track
    answer[6] = static_cast<std::uint8_t>((blank ? 0x40 : 0) | 0x01);
    answer[7] = static_cast<std::uint8_t>((nwaValid ? 0x01 : 0) | (lastRecorded ? 0x02 : 0));
    WriteBig32(answer.data() + 8, start);
    WriteBig32(answer.data() + 12, nwa);
    WriteBig32(answer.data() + 16, free);
    WriteBig32(answer.data() + 20, IsCd() ? 0 : 16);
    WriteBig32(answer.data() + 24, size);
    WriteBig32(answer.data() + 28, lastRecorded);
    return Reply(data, std::min<std::uint32_t>(length, ReadBig16(cdb + 7)), answer);
}

SimulatedRecorder::Result SimulatedRecorder::ReadToc(const std::uint8_t* cdb, std::uint8_t* data,
                                                     std::uint32_t length) {
    const std::uint8_t format = cdb[2] & 0x0F;
    const bool msf = cdb[1] & 0x02;
    const std::uint32_t allocation = std::min<std::uint32_t>(length, ReadBig16(cdb + 7));
    const auto address = [msf](std::uint8_t* p, std::uint32_t lba) {
        if (!msf) {
            WriteBig32(p, lba);
            return;
        }
        const Msf time = BlocksToMsf(lba + 150);
        p[0] = 0;
        p[1] = static_cast<std::uint8_t>(time.M);
        p[2] = static_cast<std::uint8_t>(time.S);
        p[3] = static_cast<std::uint8_t>(time.F);
    };

    if (format == 4) {  // ATIP
        if (kind_ != MediumKind::CdR && kind_ != MediumKind::CdRw) return Check(0x05, 0x24, 0x00);
        std::vector<std::uint8_t> answer(28, 0);
        WriteBig16(answer.data(), 26);
        answer[4] = 0x80;
        answer[6] = kind_ == MediumKind::CdRw ? 0xC0 : 0x80;
        answer[8] = 97;  // lead-in start 97:26:66
        answer[9] = 26;
        answer[10] = 66;
        const Msf leadOut = BlocksToMsf(capacity_);
        answer[12] = static_cast<std::uint8_t>(leadOut.M);
        answer[13] = static_cast<std::uint8_t>(leadOut.S);
        answer[14] = static_cast<std::uint8_t>(leadOut.F);
        return Reply(data, allocation, answer);
    }

    // The tracks of the disc: one per closed session, or the overwritten area.
    std::vector<Session> tracks = sessions_;
    if (IsOverwritable() && lastRecorded_ > 0) tracks = {{0, lastRecorded_}};
    if (tracks.empty()) return Check(0x05, 0x24, 0x00);  // a blank disc has no table of contents
    const auto lastTrack = static_cast<std::uint8_t>(tracks.size());

    if (format == 1) {  // session information
        std::vector<std::uint8_t> answer(12, 0);
        WriteBig16(answer.data(), 10);
        answer[2] = 1;
        answer[3] = lastTrack;
        answer[5] = 0x14;
        answer[6] = lastTrack;
        address(answer.data() + 8, tracks.back().Start);
        return Reply(data, allocation, answer);
    }
    if (format != 0) return Check(0x05, 0x24, 0x00);
    std::vector<std::uint8_t> answer(4, 0);
    answer[2] = 1;
    answer[3] = lastTrack;
    const std::uint8_t from = std::max<std::uint8_t>(cdb[6], 1);
    for (std::size_t i = 0; i < tracks.size(); ++i) {
        if (i + 1 < from) continue;
        std::uint8_t descriptor[8] = {0, 0x14, static_cast<std::uint8_t>(i + 1), 0};
        address(descriptor + 4, tracks[i].Start);
        answer.insert(answer.end(), descriptor, descriptor + 8);
    }
    std::uint8_t leadOut[8] = {0, 0x14, 0xAA, 0};
    address(leadOut + 4, tracks.back().Start + tracks.back().Length);
    answer.insert(answer.end(), leadOut, leadOut + 8);
    WriteBig16(answer.data(), static_cast<std::uint32_t>(answer.size() - 2));
    return Reply(data, allocation, answer);
}

SimulatedRecorder::Result SimulatedRecorder::ReadCapacity(std::uint8_t* data,
                                                          std::uint32_t length) {
    std::uint32_t end = IsOverwritable() ? capacity_ : 0;
    if (!sessions_.empty()) end = sessions_.back().Start + sessions_.back().Length;
    std::vector<std::uint8_t> answer(8, 0);
    WriteBig32(answer.data(), end ? end - 1 : 0);
    WriteBig32(answer.data() + 4, kBlock);
    return Reply(data, length, answer);
}

SimulatedRecorder::Result SimulatedRecorder::ReadFormatCapacities(std::uint8_t* data,
                                                                  std::uint32_t length) {
    std::vector<std::uint8_t> answer(12, 0);
    const bool formatted = kind_ != MediumKind::DvdPlusRwUnformatted;
    answer[3] = 8;
    WriteBig32(answer.data() + 4, capacity_);
    answer[8] = formatted ? 0x02 : 0x01;
    WriteBig32(answer.data() + 8, (std::uint32_t{answer[8]} << 24) | kBlock);
    const auto formattable = [&](std::uint8_t type, std::uint32_t parameter) {
        std::uint8_t descriptor[8];
        WriteBig32(descriptor, capacity_);
        WriteBig32(descriptor + 4, (std::uint32_t{type} << 26) | parameter);
        answer.insert(answer.end(), descriptor, descriptor + 8);
        answer[3] = static_cast<std::uint8_t>(answer.size() - 4);
    };
    if (kind_ == MediumKind::DvdPlusRw || kind_ == MediumKind::DvdPlusRwUnformatted)
        formattable(0x26, 0);
    if (kind_ == MediumKind::DvdRwSequential || kind_ == MediumKind::DvdRwRestrictedOverwrite) {
        formattable(0x10, 16);
        formattable(0x15, 16);
    }
    if (kind_ == MediumKind::DvdRam) formattable(0x00, kBlock);
    return Reply(data, std::min<std::uint32_t>(length, 252), answer);
}

SimulatedRecorder::Result SimulatedRecorder::Read10(const std::uint8_t* cdb, std::uint8_t* data,
                                                    std::uint32_t length) {
    const std::uint32_t address = ReadBig32(cdb + 2);
    const std::uint32_t blocks = ReadBig16(cdb + 7);
    if (std::uint64_t{address} + blocks > capacity_) return Check(0x05, 0x21, 0x00);
    const std::uint32_t bytes = std::min<std::uint32_t>(length, blocks * kBlock);
    if (data != nullptr && bytes > 0) {
        std::memset(data, 0, bytes);
        if (imageFd_ >= 0) [[maybe_unused]]
            const ssize_t got =
                ::pread(imageFd_, data, bytes, static_cast<off_t>(address) * kBlock);
    }
    Result result;
    result.Transferred = bytes;
    return result;
}

SimulatedRecorder::Result SimulatedRecorder::Write10(const std::uint8_t* cdb,
                                                     const std::uint8_t* data,
                                                     std::uint32_t length) {
    const std::uint32_t address = ReadBig32(cdb + 2);
    const std::uint32_t blocks = ReadBig16(cdb + 7);
    if (busyWrites_ > 0) {
        --busyWrites_;
        return Check(0x02, 0x04, 0x08);  // LONG WRITE IN PROGRESS
    }
    if (kind_ == MediumKind::CdRom || kind_ == MediumKind::DvdRom) return Check(0x07, 0x27, 0x00);
    if (kind_ == MediumKind::DvdPlusRwUnformatted) return Check(0x05, 0x30, 0x05);
    if (closed_) return Check(0x05, 0x21, 0x00);
    if (length < blocks * kBlock || data == nullptr) return Check(0x05, 0x24, 0x00);
    if (std::uint64_t{address} + blocks > capacity_) return Check(0x05, 0x21, 0x00);
    if (IsWriteOnce() && address != OpenTrackStart() + written_) return Check(0x05, 0x21, 0x00);
    for (const std::uint32_t bad : badAddresses_)
        if (Overlaps(address, blocks, bad)) return Check(0x03, 0x0C, 0x00);

    if (imageFd_ >= 0) {
        std::size_t done = 0;
        const std::size_t bytes = std::size_t{blocks} * kBlock;
        while (done < bytes) {
            const ssize_t put =
                ::pwrite(imageFd_, data + done, bytes - done,
                         static_cast<off_t>(address) * kBlock + static_cast<off_t>(done));
            if (put <= 0) return Check(0x03, 0x0C, 0x00);
            done += static_cast<std::size_t>(put);
        }
    }
    if (IsWriteOnce())
        written_ += blocks;
    else
        lastRecorded_ = std::max(lastRecorded_, address + blocks);
    Result result;
    result.Transferred = blocks * kBlock;
    return result;
}

void SimulatedRecorder::CloseOpenSession(bool closeDisc) {
    if (written_ > 0) {
        sessions_.push_back({OpenTrackStart(), written_});
        written_ = 0;
    }
    // The disc stays open for another session when the write parameters allow it
    // and there is room behind the gap.
    const bool multiSession = (page05_[3] & 0xC0) == 0xC0;
    if (closeDisc || !multiSession || OpenTrackStart() >= capacity_)
        closed_ = !sessions_.empty() || closeDisc;
}

SimulatedRecorder::Result SimulatedRecorder::CloseTrackSession(const std::uint8_t* cdb) {
    const std::uint8_t function = cdb[2] & 0x07;
    const bool immediate = cdb[1] & 0x01;
    if (IsOverwritable() || kind_ == MediumKind::DvdPlusRwUnformatted) {
        if (kind_ == MediumKind::DvdPlusRwUnformatted && function == 3)
            kind_ = MediumKind::DvdPlusRw;
    } else if (!IsWriteOnce()) {
        return Check(0x05, 0x30, 0x05);
    } else if (function == 2 || function == 5 || function == 6) {
        if (closed_) return Check(0x05, 0x2C, 0x00);
        if (written_ == 0 && function == 2) return Result{};  // an empty session: nothing to close
        CloseOpenSession(function != 2);
    } else if (function != 1 && function != 3) {
        return Check(0x05, 0x24, 0x00);
    }
    if (immediate) StartOperation(0x07);
    return Result{};
}

SimulatedRecorder::Result SimulatedRecorder::Blank(const std::uint8_t* cdb) {
    if (kind_ != MediumKind::CdRw && kind_ != MediumKind::DvdRwSequential &&
        kind_ != MediumKind::DvdRwRestrictedOverwrite)
        return Check(0x05, 0x30, 0x00);  // INCOMPATIBLE MEDIUM INSTALLED
    const bool full = (cdb[1] & 0x07) == 0;
    if (kind_ == MediumKind::DvdRwRestrictedOverwrite) kind_ = MediumKind::DvdRwSequential;
    sessions_.clear();
    written_ = lastRecorded_ = 0;
    closed_ = false;
    ResetImage(!full);
    if (cdb[1] & 0x10) StartOperation(0x07);
    return Result{};
}

SimulatedRecorder::Result SimulatedRecorder::FormatUnit(const std::uint8_t* cdb,
                                                        const std::uint8_t* data,
                                                        std::uint32_t length) {
    if ((cdb[1] & 0x10) == 0 || data == nullptr || length < 12) return Check(0x05, 0x24, 0x00);
    const std::uint8_t type = data[8] >> 2;
    switch (kind_) {
        case MediumKind::DvdPlusRw:
        case MediumKind::DvdPlusRwUnformatted:
            if (type != 0x26) return Check(0x05, 0x26, 0x00);
            kind_ = MediumKind::DvdPlusRw;
            break;
        case MediumKind::DvdRwSequential:
        case MediumKind::DvdRwRestrictedOverwrite:
            if (type != 0x13 && type != 0x15 && type != 0x10) return Check(0x05, 0x26, 0x00);
            kind_ = MediumKind::DvdRwRestrictedOverwrite;
            sessions_.clear();
            written_ = 0;
            closed_ = false;
            break;
        case MediumKind::DvdRam:
            break;
        default:
            return Check(0x05, 0x30, 0x06);  // CANNOT FORMAT MEDIUM
    }
    lastRecorded_ = 0;
    if (data[1] & 0x02) StartOperation(0x04);  // FORMAT IN PROGRESS
    return Result{};
}

}  // namespace tv
