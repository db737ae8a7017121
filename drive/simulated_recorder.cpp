// The simulated recorder: its public face, the command dispatch and the commands
// that read, write, close, blank or format the medium.

#include "drive/simulated_recorder.h"

#include <algorithm>
#include <cstring>
#include <thread>

#include "base/byte_order.h"

namespace tv {
namespace {

constexpr std::uint32_t kBlock = SimulatedMedium::kBlock;

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

}  // namespace

SimulatedRecorder::SimulatedRecorder(std::filesystem::path imageFile, const DriveClock* clock)
    : clock_(clock), medium_(std::move(imageFile)), page05_(DefaultWriteParameters()) {}

void SimulatedRecorder::SetImageFile(std::filesystem::path imageFile) {
    std::lock_guard lock(mutex_);
    medium_.SetImageFile(std::move(imageFile));
}

void SimulatedRecorder::InsertMedium(MediumKind kind, std::uint32_t capacity,
                                     std::uint32_t recordedBlocks) {
    std::lock_guard lock(mutex_);
    medium_.Insert(kind, capacity, recordedBlocks);
    page05_ = DefaultWriteParameters();
    testWritten_ = 0;
    trayOpen_ = false;
}

void SimulatedRecorder::RecordSession(std::uint32_t blocks, bool closeDisc) {
    std::lock_guard lock(mutex_);
    medium_.RecordSession(blocks, closeDisc);
}

void SimulatedRecorder::Eject() {
    std::lock_guard lock(mutex_);
    medium_.Eject();
}

void SimulatedRecorder::OpenTray() {
    std::lock_guard lock(mutex_);
    medium_.Eject();
    trayOpen_ = true;
}

void SimulatedRecorder::SetReadOnlyDrive(bool readOnly) {
    std::lock_guard lock(mutex_);
    readOnly_ = readOnly;
}

void SimulatedRecorder::SetDefaultValuesRefused(bool refused) {
    std::lock_guard lock(mutex_);
    defaultValuesRefused_ = refused;
}

void SimulatedRecorder::SetExclusiveOpenError(int error) {
    std::lock_guard lock(mutex_);
    exclusiveOpenError_ = error;
}

int SimulatedRecorder::ExclusiveOpenError() const {
    std::lock_guard lock(mutex_);
    return exclusiveOpenError_;
}

MediumKind SimulatedRecorder::Medium() const {
    std::lock_guard lock(mutex_);
    return medium_.Kind();
}

int SimulatedRecorder::SessionCount() const {
    std::lock_guard lock(mutex_);
    return static_cast<int>(medium_.Sessions().size());
}

std::uint32_t SimulatedRecorder::NextWritableAddress() const {
    std::lock_guard lock(mutex_);
    return medium_.NextWritableAddress();
}

bool SimulatedRecorder::DiscClosed() const {
    std::lock_guard lock(mutex_);
    return medium_.Closed();
}

std::filesystem::path SimulatedRecorder::ImageFile() const {
    std::lock_guard lock(mutex_);
    return medium_.ImageFile();
}

int SimulatedRecorder::ImageFileError() const {
    std::lock_guard lock(mutex_);
    return medium_.ImageFileError();
}

void SimulatedRecorder::FailNextCommandsNotReady(int commands) {
    std::lock_guard lock(mutex_);
    faults_.FailNextCommandsNotReady(commands);
}

void SimulatedRecorder::FailNextWritesBusy(int writes) {
    std::lock_guard lock(mutex_);
    faults_.FailNextWritesBusy(writes);
}

void SimulatedRecorder::FailNextWritesWithBusyStatus(int writes) {
    std::lock_guard lock(mutex_);
    faults_.FailNextWritesBusy(writes, true);
}

void SimulatedRecorder::FailWriteAt(std::uint32_t address) {
    std::lock_guard lock(mutex_);
    faults_.FailWriteAt(address);
}

void SimulatedRecorder::FailWriteAt(std::uint32_t address, SenseCode sense) {
    std::lock_guard lock(mutex_);
    faults_.FailWriteAt(address, sense);
}

void SimulatedRecorder::FailNextCommandsBusy(int commands) {
    std::lock_guard lock(mutex_);
    faults_.FailNextCommandsBusy(commands);
}

void SimulatedRecorder::FailNextSynchronizeCache(int commands) {
    std::lock_guard lock(mutex_);
    faults_.FailNextSynchronizeCache(commands);
}

void SimulatedRecorder::FailNextCloses(int commands) {
    std::lock_guard lock(mutex_);
    faults_.FailNextCloses(commands);
}

void SimulatedRecorder::FailNextOpc(int commands) {
    std::lock_guard lock(mutex_);
    faults_.FailNextOpc(commands);
}

std::uint16_t SimulatedRecorder::CurrentWriteSpeed() const {
    std::lock_guard lock(mutex_);
    return writeSpeed_;
}

void SimulatedRecorder::HangOn(std::uint8_t opcode) {
    std::lock_guard lock(mutex_);
    faults_.HangOn(opcode);
}

void SimulatedRecorder::SetGetConfigurationSupported(bool supported) {
    std::lock_guard lock(mutex_);
    faults_.SetGetConfigurationSupported(supported);
}

void SimulatedRecorder::SetOperationCommands(int commands) {
    std::lock_guard lock(mutex_);
    faults_.SetOperationCommands(commands);
}

void SimulatedRecorder::SetProductName(const std::string& product) {
    std::lock_guard lock(mutex_);
    product_ = product;
}

std::vector<std::vector<std::uint8_t>> SimulatedRecorder::Commands() const {
    std::lock_guard lock(mutex_);
    std::vector<std::vector<std::uint8_t>> cdbs;
    cdbs.reserve(commands_.size());
    for (const LoggedCommand& command : commands_) cdbs.push_back(command.Cdb);
    return cdbs;
}

std::vector<std::uint32_t> SimulatedRecorder::CommandWaits() const {
    std::lock_guard lock(mutex_);
    std::vector<std::uint32_t> waits;
    waits.reserve(commands_.size());
    for (const LoggedCommand& command : commands_) waits.push_back(command.WaitMs);
    return waits;
}

std::vector<std::thread::id> SimulatedRecorder::CommandThreads() const {
    std::lock_guard lock(mutex_);
    std::vector<std::thread::id> threads;
    threads.reserve(commands_.size());
    for (const LoggedCommand& command : commands_) threads.push_back(command.Thread);
    return threads;
}

void SimulatedRecorder::ClearCommands() {
    std::lock_guard lock(mutex_);
    commands_.clear();
}

std::vector<std::uint8_t> SimulatedRecorder::WriteParametersPage() const {
    std::lock_guard lock(mutex_);
    return page05_;
}

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
    if (const auto refused = faults_.NotReady(consume))
        return Check(refused->Key, refused->Asc, refused->Ascq);
    if (medium_.Kind() == MediumKind::None) return Check(0x02, 0x3A, trayOpen_ ? 0x02 : 0x01);
    return std::nullopt;
}

ScsiResult SimulatedRecorder::Execute(const std::uint8_t* cdb, std::size_t cdbLength, DataDirection,
                                      std::uint8_t* data, std::uint32_t length,
                                      std::uint32_t timeoutMs) {
    std::unique_lock lock(mutex_);
    commands_.push_back(
        {std::vector<std::uint8_t>(cdb, cdb + cdbLength), timeoutMs, std::this_thread::get_id()});
    if (commands_.size() > kCommandLogLimit) commands_.pop_front();
    if (faults_.Hangs(cdb[0])) {
        lock.unlock();
        if (clock_)
            clock_->Sleep(timeoutMs);
        else
            std::this_thread::sleep_for(std::chrono::milliseconds(timeoutMs));
        Result result;
        result.TimedOut = true;
        return result;
    }
    // A busy target answers nothing else (INQUIRY and REQUEST SENSE excepted).
    if (cdb[0] != 0x12 && cdb[0] != 0x03 && faults_.TakeBusyCommand()) {
        Result busy;
        busy.Status = 0x08;
        return busy;
    }
    return Dispatch(cdb, data, length);
}

SimulatedRecorder::Result SimulatedRecorder::Dispatch(const std::uint8_t* cdb, std::uint8_t* data,
                                                      std::uint32_t length) {
    const std::uint8_t opcode = cdb[0];
    // A drive that only reads knows none of the writing commands.
    if (readOnly_) {
        switch (opcode) {
            case 0x04:  // FORMAT UNIT
            case 0x2A:  // WRITE (10)
            case 0x35:  // SYNCHRONIZE CACHE
            case 0x53:  // RESERVE TRACK
            case 0x54:  // SEND OPC INFORMATION
            case 0x55:  // MODE SELECT (10)
            case 0x5B:  // CLOSE TRACK/SESSION
            case 0x5C:  // READ BUFFER CAPACITY
            case 0xA1:  // BLANK
                return Check(0x05, 0x20, 0x00);
            default:
                break;
        }
    }
    // Commands that need the medium.
    switch (opcode) {
        case 0x00:  // TEST UNIT READY
        case 0x04:
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
            if (auto refused = MediumNotReady(true)) return *refused;
            break;
        default:
            break;
    }

    switch (opcode) {
        case 0x00:
        case 0x01:  // REZERO UNIT
        case 0x1E:  // PREVENT/ALLOW MEDIUM REMOVAL
        case 0xB6:  // SET STREAMING
        case 0xBF:  // SEND DVD STRUCTURE
            return Result{};
        case 0x54:  // SEND OPC INFORMATION
            if (faults_.TakeFailingOpc()) return Check(0x03, 0x73, 0x03);
            return Result{};
        case 0xBB:
            return SetCdSpeed(cdb);
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
        case 0x35:
            return SynchronizeCache(cdb);
        case 0x43:
            return ReadToc(cdb, data, length);
        case 0x46:
            return GetConfiguration(cdb, data, length);
        case 0x51:
            return ReadDiscInformation(data, length);
        case 0x52:
            return ReadTrackInformation(cdb, data, length);
        case 0x53:
            return ReserveTrack(cdb);
        case 0x55:
            return ModeSelect(data, length);
        case 0x5A:
            return ModeSense(cdb, data, length);
        case 0x5B:
            return CloseTrackSession(cdb);
        case 0x5C:
            return ReadBufferCapacity(data, length);
        case 0xA1:
            return Blank(cdb);
        default:
            return Check(0x05, 0x20, 0x00);  // INVALID COMMAND OPERATION CODE
    }
}

SimulatedRecorder::Result SimulatedRecorder::StartStop(const std::uint8_t* cdb) {
    const bool loadEject = cdb[4] & 0x02;
    const bool start = cdb[4] & 0x01;
    if (loadEject && !start) {  // the tray opens and the disc is taken out
        medium_.Eject();
        trayOpen_ = true;
    }
    if (loadEject && start) trayOpen_ = false;  // the tray closes (empty)
    return Result{};
}

SimulatedRecorder::Result SimulatedRecorder::Read10(const std::uint8_t* cdb, std::uint8_t* data,
                                                    std::uint32_t length) {
    const std::uint32_t address = ReadBig32(cdb + 2);
    const std::uint32_t blocks = ReadBig16(cdb + 7);
    if (std::uint64_t{address} + blocks > medium_.Capacity()) return Check(0x05, 0x21, 0x00);
    const std::uint32_t bytes = std::min<std::uint32_t>(length, blocks * kBlock);
    if (data != nullptr && bytes > 0 && !medium_.ReadBlocks(address, data, bytes))
        return Check(0x03, 0x11, 0x00);  // UNRECOVERED READ ERROR
    Result result;
    result.Transferred = bytes;
    return result;
}

SimulatedRecorder::Result SimulatedRecorder::Write10(const std::uint8_t* cdb,
                                                     const std::uint8_t* data,
                                                     std::uint32_t length) {
    const std::uint32_t address = ReadBig32(cdb + 2);
    const std::uint32_t blocks = ReadBig16(cdb + 7);
    if (faults_.TakeBusyWrite()) {
        if (!faults_.BusyWritesByStatus())
            return Check(0x02, 0x04, 0x08);  // LONG WRITE IN PROGRESS
        Result busy;
        busy.Status = 0x08;
        return busy;
    }
    const MediumKind kind = medium_.Kind();
    if (kind == MediumKind::CdRom || kind == MediumKind::DvdRom) return Check(0x07, 0x27, 0x00);
    if (kind == MediumKind::DvdPlusRwUnformatted) return Check(0x05, 0x30, 0x05);
    if (medium_.Closed()) return Check(0x05, 0x21, 0x00);
    if (length < blocks * kBlock || data == nullptr) return Check(0x05, 0x24, 0x00);
    if (std::uint64_t{address} + blocks > medium_.Capacity()) return Check(0x05, 0x21, 0x00);
    const bool testWrite = page05_[2] & 0x10;
    if (medium_.IsWriteOnce() &&
        address != medium_.OpenTrackStart() + medium_.Written() + (testWrite ? testWritten_ : 0))
        return Check(0x05, 0x21, 0x00);
    if (medium_.Reserved() != 0 && medium_.Written() + blocks > medium_.Reserved())
        return Check(0x05, 0x21, 0x00);  // beyond the reserved track
    if (const auto fails = faults_.WriteFails(address, blocks))
        return Check(fails->Key, fails->Asc, fails->Ascq);
    Result result;
    result.Transferred = blocks * kBlock;
    if (testWrite) {  // a test write: nothing reaches the disc
        testWritten_ += blocks;
        return result;
    }
    if (!medium_.WriteBlocks(address, data, blocks * kBlock))
        return Check(0x03, 0x0C, 0x00);  // WRITE ERROR
    medium_.NoteWritten(address, blocks);
    DrainBuffer();
    bufferLevel_ =
        std::min<std::uint64_t>(bufferLevel_ + std::uint64_t{blocks} * kBlock, kBufferSize);
    return result;
}

void SimulatedRecorder::DrainBuffer() {
    const auto now = std::chrono::steady_clock::now();
    double elapsedMs = std::chrono::duration<double, std::milli>(now - lastDrain_).count();
    if (clock_ != nullptr && clock_->Scale() > 0) elapsedMs /= clock_->Scale();  // drive time
    lastDrain_ = now;
    const auto drained = static_cast<std::uint64_t>(elapsedMs * writeSpeed_ * 1.024);
    bufferLevel_ = drained >= bufferLevel_ ? 0 : bufferLevel_ - drained;
}

SimulatedRecorder::Result SimulatedRecorder::ReadBufferCapacity(std::uint8_t* data,
                                                                std::uint32_t length) {
    DrainBuffer();
    std::vector<std::uint8_t> answer(12, 0);
    WriteBig16(answer.data(), 10);
    WriteBig32(answer.data() + 4, kBufferSize);
    WriteBig32(answer.data() + 8, static_cast<std::uint32_t>(kBufferSize - bufferLevel_));
    return Reply(data, length, answer);
}

SimulatedRecorder::Result SimulatedRecorder::SetCdSpeed(const std::uint8_t* cdb) {
    const std::uint16_t read = ReadBig16(cdb + 2);
    const std::uint16_t write = ReadBig16(cdb + 4);
    // 0xFFFF asks for the fastest; anything above the drive's speed gets its speed.
    readSpeed_ = std::min(read, kMaximumReadSpeed);
    writeSpeed_ = std::min(write, kMaximumWriteSpeed);
    if (writeSpeed_ < 176) writeSpeed_ = 176;  // 1x is the slowest
    return Result{};
}

SimulatedRecorder::Result SimulatedRecorder::ReserveTrack(const std::uint8_t* cdb) {
    if (medium_.Closed() || !medium_.IsWriteOnce()) return Check(0x05, 0x2C, 0x00);
    if (medium_.Written() != 0 || medium_.Reserved() != 0)
        return Check(0x05, 0x2C, 0x00);  // COMMAND SEQUENCE ERROR: the track has data
    const std::uint32_t blocks = ReadBig32(cdb + 5);
    if (blocks == 0 || medium_.OpenTrackStart() + std::uint64_t{blocks} > medium_.Capacity())
        return Check(0x05, 0x24, 0x00);
    medium_.Reserve(blocks);
    return Result{};
}

SimulatedRecorder::Result SimulatedRecorder::SynchronizeCache(const std::uint8_t* cdb) {
    if (faults_.TakeFailingSync() || !medium_.Sync())
        return Check(0x03, 0x0C, 0x00);  // the data did not reach the disc
    bufferLevel_ = 0;
    if (cdb[1] & 0x02) faults_.StartOperation(0x07);
    return Result{};
}

SimulatedRecorder::Result SimulatedRecorder::CloseTrackSession(const std::uint8_t* cdb) {
    const std::uint8_t function = cdb[2] & 0x07;
    const bool immediate = cdb[1] & 0x01;
    if (faults_.TakeFailingClose()) return Check(0x03, 0x72, 0x03);
    // Closing a track names it: the open track, or the empty one behind a
    // reserved track.
    if (function == 1 && medium_.IsWriteOnce() && cdb[5] != 0xFF) {
        const std::uint32_t track = cdb[5];
        const std::uint32_t open = medium_.OpenTrackNumber();
        if (track != open && !(medium_.Reserved() != 0 && track == open + 1))
            return Check(0x05, 0x24, 0x00);
    }
    if (medium_.IsOverwritable() || medium_.Kind() == MediumKind::DvdPlusRwUnformatted) {
        if (medium_.Kind() == MediumKind::DvdPlusRwUnformatted && function == 3)
            medium_.SetKind(MediumKind::DvdPlusRw);
    } else if (!medium_.IsWriteOnce()) {
        return Check(0x05, 0x30, 0x05);
    } else if (function == 2 || function == 5 || function == 6) {
        if (medium_.Closed()) return Check(0x05, 0x2C, 0x00);
        if (medium_.Written() == 0 && function == 2)
            return Result{};  // an empty session: nothing to close
        medium_.CloseOpenSession(function != 2, (page05_[3] & 0xC0) == 0xC0);
    } else if (function != 1 && function != 3) {
        return Check(0x05, 0x24, 0x00);
    }
    if (immediate) faults_.StartOperation(0x07);
    return Result{};
}

SimulatedRecorder::Result SimulatedRecorder::Blank(const std::uint8_t* cdb) {
    const MediumKind kind = medium_.Kind();
    if (kind != MediumKind::CdRw && kind != MediumKind::DvdRwSequential &&
        kind != MediumKind::DvdRwRestrictedOverwrite)
        return Check(0x05, 0x30, 0x00);  // INCOMPATIBLE MEDIUM INSTALLED
    medium_.Blank((cdb[1] & 0x07) == 0);
    if (cdb[1] & 0x10) faults_.StartOperation(0x07);
    return Result{};
}

SimulatedRecorder::Result SimulatedRecorder::FormatUnit(const std::uint8_t* cdb,
                                                        const std::uint8_t* data,
                                                        std::uint32_t length) {
    if ((cdb[1] & 0x10) == 0 || data == nullptr || length < 12) return Check(0x05, 0x24, 0x00);
    const std::uint8_t type = data[8] >> 2;
    switch (medium_.Kind()) {
        case MediumKind::DvdPlusRw:
        case MediumKind::DvdPlusRwUnformatted:
            if (type != 0x26) return Check(0x05, 0x26, 0x00);
            medium_.Format(MediumKind::DvdPlusRw);
            break;
        case MediumKind::DvdRwSequential:
        case MediumKind::DvdRwRestrictedOverwrite:
            if (type != 0x13 && type != 0x15 && type != 0x10) return Check(0x05, 0x26, 0x00);
            medium_.Format(MediumKind::DvdRwRestrictedOverwrite);
            break;
        case MediumKind::DvdRam:
            medium_.Format(MediumKind::DvdRam);
            break;
        default:
            return Check(0x05, 0x30, 0x06);  // CANNOT FORMAT MEDIUM
    }
    if (data[1] & 0x02) faults_.StartOperation(0x04);  // FORMAT IN PROGRESS
    return Result{};
}

}  // namespace tv
