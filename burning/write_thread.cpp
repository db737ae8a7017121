// The burn: BurnImage starts the reader (TCacheThread) and then the write thread
// (TThWrite), which prepares the drive, writes the blocks with WRITE (10), flushes
// the drive's cache, closes the track or session and resets the drive.

#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "burning/disc_burner.h"
#include "burning/image_content.h"

namespace tv {
namespace {

constexpr std::uint32_t kBlockSize = 65536;
constexpr std::uint32_t kCdBlockSize = 55296;  // 27 sectors
constexpr int kBusyRetries = 10000;
constexpr std::uint32_t kBusyWaitMs = 600;

bool IsDvd(std::uint16_t type) {
    return type >= dtDvdR && type <= dtDvdPlusR;
}

}  // namespace

bool MediumHasTestWrite(std::uint16_t discType) {
    return discType != dtDvdPlusR && discType != dtDvdPlusRw && discType != dtDvdRam;
}

namespace {

// "8.0X (11,080 KB/s)" on DVDs, "48X (8,467 KB/s)" on CDs.
std::string WriteSpeedText(std::uint16_t discType, std::uint16_t speed) {
    char factor[32];
    if (IsDvd(discType))
        std::snprintf(factor, sizeof factor, "%.1fX", speed / 1385.0);
    else
        std::snprintf(factor, sizeof factor, "%.0fX", speed / 176.4);
    std::string grouped = std::to_string(speed);
    for (int at = static_cast<int>(grouped.size()) - 3; at > 0; at -= 3)
        grouped.insert(static_cast<std::size_t>(at), ",");
    return std::string(factor) + " (" + grouped + " KB/s)";
}

// The write thread asks for real-time scheduling, else for the highest priority
// this user may give it; a refusal is reported once and changes nothing else.
std::string RaiseWriterPriority() {
    sched_param parameters{};
    parameters.sched_priority = sched_get_priority_max(SCHED_RR);
    const int refused = pthread_setschedparam(pthread_self(), SCHED_RR, &parameters);
    if (refused == 0) return {};
    const auto tid = static_cast<id_t>(::syscall(SYS_gettid));
    for (int nice = -20; nice < 0; ++nice)
        if (::setpriority(PRIO_PROCESS, tid, nice) == 0) return {};
    return ">>> THE WRITER RUNS AT NORMAL PRIORITY (" + std::string(std::strerror(refused)) + ")";
}

}  // namespace

bool TDiscBurner::BurnWait(std::uint32_t milliseconds) {
    std::unique_lock lock(burnWaitMutex_);
    return !burnWake_.wait_for(lock, Clock().Real(milliseconds),
                               [this] { return abandonBurn_.load(); });
}

void TDiscBurner::WaitForBurn() {
    if (writeThread_.joinable() && writeThread_.get_id() != std::this_thread::get_id())
        writeThread_.join();
}

void TDiscBurner::AbandonBurn() {
    {
        std::lock_guard lock(burnWaitMutex_);
        abandonBurn_ = true;
    }
    burnWake_.notify_all();
    {
        // The write thread may be making its reader at this moment.
        std::lock_guard lock(cacheMutex_);
        if (cache_) cache_->RequestStop();
    }
    WaitForBurn();
    cache_.reset();
}

bool TDiscBurner::DriveBusy() const {
    // A drive that reports busy or "becoming ready" is asked again. A failure
    // without any sense data (an unplugged drive, a refused device) is no "busy":
    // retrying it for 100 minutes would only hide it.
    const auto& sense = LastSense();
    return TargetBusy() || sense[12] == 0x04 || (sense[12] == 0x00 && sense[0] != 0);
}

void TDiscBurner::FormatDvdRw() {
    static constexpr std::uint8_t kSequential[12] = {0x00, 0xA2, 0x00, 0x08, 0x00, 0x00,
                                                     0x03, 0xE8, 0x54, 0x00, 0x00, 0x10};
    static constexpr std::uint8_t kRestricted[12] = {0x00, 0x82, 0x00, 0x08, 0x00, 0x00,
                                                     0x00, 0x00, 0x4C, 0x00, 0x00, 0x10};
    static constexpr std::uint8_t kQuick[12] = {0x00, 0x82, 0x00, 0x08, 0x00, 0x00,
                                                0x00, 0x00, 0x54, 0x00, 0x00, 0x10};
    const std::uint16_t type = Layer().CurrentDiscType;
    if (!FormatUnit(0x11, type == dtDvdRwSequential ? kSequential : kRestricted, 12))
        FormatUnit(0x11, kQuick, 12);
    // The format runs in the drive; an hour of its time at the most.
    for (int round = 0; round < 720; ++round) {
        if (!BurnWait(5000)) return;
        ReadDiscInformation();
        if (LastAsc() != 0x04) return;
    }
}

bool TDiscBurner::BurnImage() {
    // One burn at a time: a running burn, or one whose OnWriteDone is still on its
    // way to the main thread, answers for itself.
    if (burning_ || writeDonePending_) return false;
    const auto refuse = [this](const std::string& error) {
        if (OnWriteDone) OnWriteDone(*this, error);
        return false;
    };
    if (Erasing()) return refuse("THE DRIVE IS ERASING A DISC");
    WaitForBurn();  // an ended burn's thread
    cache_.reset();
    abandonBurn_ = false;
    writerWaits_ = 0;

    // The drive is this program's alone until the burn has ended.
    std::string holders;
    driveClaimed_ = false;
    const ClaimResult claimed = ClaimDrive(holders);
    if (claimed != ClaimResult::Claimed) {
        const std::string reason = ClaimRefusalText(claimed, holders);
        DebugMessage(">>> " + reason, 0);
        return refuse(reason);
    }
    driveClaimed_ = true;
    const std::uint8_t type = GetDiscType();
    if (TestWrite && !MediumHasTestWrite(type)) {
        ReleaseDrive();
        driveClaimed_ = false;
        return refuse("NO TEST WRITE ON " +
                      std::string(DiscTypeNames[type < DiscTypeNames.size() ? type : 0]));
    }
    burnBlockSize_ = type == dtCdR || type == dtCdRw ? kCdBlockSize : kBlockSize;
    BytesWritten = 0;
    writeBuffer_.assign(kBlockSize, 0);
    // Everything else, the DVD-RW format (minutes) and the filling of the cache
    // included, runs in the write thread: the window stays responsive.
    burning_ = true;
    writeDonePending_ = true;
    writeThread_ = std::thread([this] { RunWriteThread(); });
    return true;
}

std::string TDiscBurner::StartReader() {
    if (Layer().CurrentDiscType == dtDvdRwRestrictedOverwrite ||
        Layer().CurrentDiscType == dtDvdRwSequential)
        FormatDvdRw();
    if (abandonBurn_) return "OPERATION ABORTED BY USER";
    if (!LaidOut([this] { PrepareLayout(true); }) || !BuildImageHeader()) return "THE IMAGE CANNOT BE LAID OUT [" + LayoutError() + "]";
    auto cache = std::make_unique<TCacheThread>(
        std::make_unique<ImageContent>(*this), CacheSize(), burnBlockSize_,
        [this](const std::string& message) { DebugMessage(message, 0); });
    {
        std::lock_guard lock(cacheMutex_);
        cache_ = std::move(cache);
    }
    burnQueueCapacity_ = cache_->Capacity();
    // The writer starts once the cache is filled; a failure of the reading before
    // that ends the burn here, before the drive is touched.
    while (!cache_->WaitUntilReady(std::chrono::milliseconds(100)))
        if (abandonBurn_) return "OPERATION ABORTED BY USER";
    return cache_->ErrorText();
}

bool TDiscBurner::DriveTookTestWrite() {
    alignas(16) std::array<std::uint8_t, 1024> buffer{};
    if (!ModeSense10(0x05, buffer.data(), false, 512, 1024)) return false;
    const std::uint8_t* page = buffer.data() + (buffer[16] == 5 ? 16 : 8);
    return (page[0] & 0x3F) == 0x05 && (page[2] & 0x10) != 0;
}

std::string TDiscBurner::PrepareDriveForWriting(std::uint16_t discType, std::uint8_t& firstTrack) {
    StartStopUnit(false);
    if (discType != dtDvdPlusRw) RezeroUnit();
    SetCDSpeed(ReadSpeed, WriteSpeed());
    WaitForReady(10000, 1000);
    const std::uint16_t speed = GetCurrentWriteSpeed();
    const bool finalize = FinalizeDisc;
    FinalizeDisc = true;
    const bool parametersSet = SetWriteParameters(TestWrite, UnderrunProtection, discType);
    FinalizeDisc = finalize;
    // A test write is only one when the drive holds the bit: otherwise it would
    // write for real.
    if (TestWrite && (!parametersSet || !DriveTookTestWrite()))
        return "THE DRIVE DOES NOT TAKE A TEST WRITE ON " +
               std::string(DiscTypeNames[discType < DiscTypeNames.size() ? discType : 0]);
    firstTrack = static_cast<std::uint8_t>(GetSessionCount() + 1);
    if (discType == dtDvdR) {
        static constexpr std::uint8_t kStreaming[28] = {
            0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x23, 0x12, 0x7F, 0x00, 0x00,
            0xAB, 0xBD, 0x00, 0x00, 0x03, 0xE8, 0x00, 0x00, 0x05, 0x8A, 0x00, 0x00, 0x03, 0xE8};
        SetStreaming(kStreaming, sizeof kStreaming);
        const std::time_t now = std::time(nullptr);
        std::tm local{};
        localtime_r(&now, &local);
        SendTimestamp(local);
        ReserveTrack(static_cast<std::uint32_t>((ImageSectors() + 31) / 32 * 32));
        WaitForReady(10000, 1000);
    }
    if (discType != dtDvdRam && !TestWrite && PerformOPC) SendOPCInformation();
    DebugMessage(">>> STARTING WRITE PROCESS ON " +
                     std::string(DiscTypeNames[discType < DiscTypeNames.size() ? discType : 0]) +
                     " AT " + WriteSpeedText(discType, speed),
                 1);
    if (TestWrite) DebugMessage(">>> TEST/DUMMY WRITE", 1);
    return {};
}

bool TDiscBurner::WriteDescriptorCopy(std::uint16_t discType, std::uint32_t sectors,
                                      std::string& error) {
    // Overwritable media carry the new session's descriptors at LBA 0 as well, so
    // that readers find the newest session.
    static constexpr std::uint8_t kDvdPlusRwFormat[12] = {0x00, 0x82, 0x00, 0x08, 0x00, 0x23,
                                                          0x05, 0x40, 0x98, 0x00, 0x00, 0x00};
    std::vector<std::uint8_t> copy(DescriptorCopy());
    copy.resize(std::size_t{sectors} * kSectorSize, 0xFF);
    for (int attempt = 0; attempt < 2; ++attempt) {
        SuppressNextErrorLog();
        if (Write10(0, static_cast<std::uint16_t>(sectors), copy.data(),
                    static_cast<std::uint32_t>(copy.size()))) {
            SynchronizeCache(1800000, false);
            return true;
        }
        if (discType == dtDvdPlusRw && LastAsc() == 0x30 && attempt == 0) {
            // A blank DVD+RW that was never formatted: format it and try again.
            if (!FormatUnit(0x11, kDvdPlusRwFormat, 12)) break;
            for (int round = 0; round < 1800; ++round) {
                if (!BurnWait(2000)) return false;
                ReadDiscInformation();
                if (LastAsc() != 0x04) break;
            }
            continue;
        }
        break;
    }
    if (DriveBusy()) {  // the copy is given up; the data follow
        BurnWait(kBusyWaitMs);
        return true;
    }
    error = "WRITER ERROR [" + LastErrorText() + "]";
    return false;
}

std::string TDiscBurner::WriteBlocks(std::uint16_t discType) {
    TCacheThread& cache = *cache_;
    const std::uint64_t limit = ImageSectors() * kSectorSize;
    std::uint8_t* buffer = writeBuffer_.data();
    std::uint32_t written = 0;  // sectors
    int n = cache.GetBlock(buffer);
    while (n == TCacheThread::kNoBlockYet && !abandonBurn_) {
        ++writerWaits_;
        cache.WaitForBlock([this] { return abandonBurn_.load(); });
        n = cache.GetBlock(buffer);
    }
    if (abandonBurn_) return "OPERATION ABORTED BY USER";
    std::string error;
    if ((discType == dtDvdPlusRw || discType == dtDvdRam ||
         discType == dtDvdRwRestrictedOverwrite || discType == dtDvdRwSequential) &&
        n > 0 &&
        !WriteDescriptorCopy(discType, static_cast<std::uint32_t>(n) / kSectorSize, error)) {
        cache.RequestStop();
        return error;
    }
    bool polling = DeviceBufferSize != 0;
    int untilPoll = 5;
    while (n > 0) {
        BytesWritten = std::min<std::uint64_t>(BytesWritten + static_cast<std::uint64_t>(n), limit);
        if (--untilPoll <= 0 && polling) {
            std::uint32_t size = 0, free = 0;
            polling = ReadBufferCapacity(size, free);
            untilPoll = 5;
        }
        const auto sectors =
            static_cast<std::uint16_t>(static_cast<std::uint32_t>(n) / kSectorSize);
        int tries = 0;
        while (!Write10(NextWritableAddress() + written, sectors, buffer,
                        static_cast<std::uint32_t>(n), 0x50)) {
            if (!DriveBusy()) {
                error = "WRITER ERROR [" + LastErrorText() + "]";
                break;
            }
            if (++tries >= kBusyRetries) {
                error = "WRITER BUSY/BUFFER FULL";
                break;
            }
            if (!BurnWait(kBusyWaitMs)) {
                error = "OPERATION ABORTED BY USER";
                break;
            }
        }
        if (!error.empty()) {
            // The reader stops first; the writer's text then stands.
            cache.RequestStop();
            return error;
        }
        written += sectors;
        for (;;) {
            n = cache.GetBlock(buffer);
            if (const std::string failed = cache.ErrorText(); !failed.empty()) return failed;
            if (n != TCacheThread::kNoBlockYet) break;
            ++writerWaits_;
            cache.WaitForBlock([this] { return abandonBurn_.load(); });
            if (abandonBurn_) return "OPERATION ABORTED BY USER";
        }
    }
    return {};
}

std::string TDiscBurner::FlushDrive(std::uint16_t discType) {
    std::uint32_t size = 0, free = 0;
    bool flushed = true;
    if (discType != dtDvdRam) ReadBufferCapacity(size, free);
    if (OnFinalizingTrack) OnFinalizingTrack(*this);
    if (discType == dtDvdR || discType == dtDvdRwRestrictedOverwrite ||
        discType == dtDvdRwSequential) {
        flushed = SynchronizeCache(1800000, true) || SynchronizeCache(1800000, true);
        DeviceFreeBufferSize = DeviceBufferSize.load();
        // The drive writes its buffer out meanwhile; half an hour at the most.
        for (int round = 0; round < 1800 && !ReadDiscInformation(); ++round) {
            const std::uint32_t step = DeviceBufferSize / 960;
            DeviceFreeBufferSize = DeviceFreeBufferSize > step ? DeviceFreeBufferSize - step : 0;
            if (!BurnWait(1000)) break;
        }
    } else if (!SynchronizeCache(120000, false)) {
        flushed = SynchronizeCache(120000, true);
    }
    // The drive reports errors of data it had buffered here: the disc does not
    // hold what was sent.
    const std::string error = flushed ? std::string() : "WRITER ERROR [" + LastErrorText() + "]";
    DeviceBufferSize = 0;
    DeviceFreeBufferSize = 0;
    return error;
}

bool TDiscBurner::CloseSession(std::uint16_t discType, std::uint8_t firstTrack) {
    if (discType != dtDvdR) SetWriteParameters(TestWrite, UnderrunProtection, discType);
    switch (discType) {
        case dtDvdPlusR:
            CloseTrackSessionEx(false, 1, 0, 0, firstTrack);
            return CloseTrackSessionEx(false, 2, 0, 0, 0xFF);
        case dtDvdR:
            CloseTrackSessionEx(false, 1, 0, 0, firstTrack);
            CloseTrackSessionEx(false, 1, 0, 0, static_cast<std::uint8_t>(firstTrack + 1));
            return CloseTrackSessionEx(false, 2, 0, 0, static_cast<std::uint8_t>(firstTrack + 2));
        case dtDvdRwRestrictedOverwrite:
        case dtDvdRwSequential:
            return CloseTrackSessionEx(true, 2, 0, 0, 0);
        case dtDvdPlusRw:
            return CloseTrackSessionEx(false, 3, 0, 0, 0xFF);
        default: {  // CD: the session
            bool retried = false;
            for (int tries = 0; tries < 1000; ++tries) {
                if (CloseTrackSession(false, Layer().ImmediateClose, false)) return true;
                if (!DriveBusy()) {
                    if (retried) return false;
                    retried = true;
                    continue;
                }
                if (!BurnWait(1000)) return false;
            }
            return false;
        }
    }
}

void TDiscBurner::RunWriteThread() {
    // The writer is the only one to talk to the drive until it ends.
    std::unique_lock deviceLock(DeviceLock());
    if (const std::string refused = RaiseWriterPriority(); !refused.empty())
        DebugMessage(refused, 0);
    std::string error;
    try {
        error = StartReader();
        if (error.empty()) error = WriteImage();
    } catch (const std::exception& failure) {
        // Nothing leaves the thread: a failure is the burn's outcome.
        error = std::string("INTERNAL ERROR [") + failure.what() + "]";
    }
    if (cache_) {
        cache_->RequestStop();
        if (const std::string cacheError = cache_->ErrorText();
            error.empty() && !cacheError.empty())
            error = cacheError;  // the reader failed after the last block it gave
    }
    SetCloseHandleAfterCommand(true);
    ReleaseDrive();
    deviceLock.unlock();
    burning_ = false;
    if (abandonBurn_) return;  // the burner is going away: no event
    RaiseInMainThread([this, error] {
        // No other burn starts before this event has been delivered: the thread
        // joined here is this burn's.
        WaitForBurn();
        if (writeThread_.get_id() != std::this_thread::get_id()) cache_.reset();
        writeDonePending_ = false;
        if (OnWriteDone) OnWriteDone(*this, error);
    });
}

std::string TDiscBurner::WriteImage() {
    // D: the drive.
    std::uint32_t size = 0, free = 0;
    DeviceBufferSize = 0;
    ReadBufferCapacity(size, free);  // polling stays off when the drive cannot tell
    const std::uint16_t discType = GetDiscType();
    Layer().CurrentDiscType = discType;
    std::uint8_t firstTrack = 1;
    if (std::string refused = PrepareDriveForWriting(discType, firstTrack); !refused.empty()) {
        ResetDrive();
        return refused;
    }

    // E: the data.
    std::string error = WriteBlocks(discType);
    if (!abandonBurn_) {
        // F: flushing, closing, resetting.
        const std::string flushError = FlushDrive(discType);
        if (error.empty()) error = flushError;
        if (error.empty()) {
            // A session that could not be closed leaves a disc most drives cannot
            // read: that is no success.
            if (!TestWrite && discType != dtDvdRam && FinalizeTrack &&
                !CloseSession(discType, firstTrack))
                error = "CLOSE TRACK/SESSION FAILED [" + LastErrorText() + "]";
            WaitForReady(240000, 5000);
            if (discType != dtDvdRam) ReadBufferCapacity(size, free);
            ResetDrive();
        }
    }
    return error;
}

}  // namespace tv
