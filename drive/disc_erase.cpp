// Erasing a rewritable disc: the command in immediate mode, then a thread that
// waits for the drive, estimates the progress and resets the drive.

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "drive/scsi_device.h"

namespace tv {
namespace {

constexpr std::uint8_t kDvdRamFormat[12] = {0x00, 0x82, 0x00, 0x08, 0x00, 0x22,
                                            0x21, 0x20, 0x00, 0x00, 0x08, 0x00};
constexpr std::uint8_t kDvdPlusRwFormat[12] = {0x00, 0x82, 0x00, 0x08, 0x00, 0x23,
                                               0x05, 0x40, 0x98, 0x00, 0x00, 0x00};

// "8.0X" or "48X", followed by "(11,080 KB/s)".
std::string SpeedText(std::uint16_t discType, std::uint16_t speed, const char* between) {
    char factor[32];
    if (discType >= dtDvdRam && discType <= dtDvdPlusRw)
        std::snprintf(factor, sizeof factor, "%.1fX", speed / 1385.0);
    else
        std::snprintf(factor, sizeof factor, "%.0fX", speed / 176.4);
    std::string grouped = std::to_string(speed);
    for (int at = static_cast<int>(grouped.size()) - 3; at > 0; at -= 3)
        grouped.insert(static_cast<std::size_t>(at), ",");
    return std::string(factor) + between + "(" + grouped + " KB/s)";
}

}  // namespace

void TSCSIDevice::WaitForErase() {
    if (eraseThread_.joinable()) eraseThread_.join();
}

void TSCSIDevice::AbandonErase() {
    *alive_ = false;  // a queued OnEraseDone finds the device gone
    {
        std::lock_guard lock(eraseWaitMutex_);
        abandonErase_ = true;
    }
    eraseWake_.notify_all();
    WaitForErase();
}

bool TSCSIDevice::EraseWait(std::uint32_t milliseconds) {
    std::unique_lock lock(eraseWaitMutex_);
    return !eraseWake_.wait_for(lock, Clock().Real(milliseconds),
                                [this] { return abandonErase_.load(); });
}

bool TSCSIDevice::EraseDisc(bool quick) {
    if (erasing_) return false;  // one erase at a time
    WaitForErase();              // an ended erase's thread
    // The drive is this program's alone until the erase has ended.
    std::string detail;
    if (const ClaimResult claimed = ClaimDrive(detail); claimed != ClaimResult::Claimed) {
        DebugMessage(">>> " + ClaimRefusalText(claimed, detail), 0);
        return false;
    }
    TestUnitReady(5000);
    StartStopUnit(false);
    const std::uint16_t type = GetDiscType();
    layer_.CurrentDiscType = type;
    eraseMode_ = quick ? 1 : 0;
    if (!TestUnitReady(5000) && !WaitForReady(30000, 5000)) {
        ReleaseDrive();
        return false;
    }
    if (type != dtDvdRam) {
        SetCDSpeed(ReadSpeed, writeSpeed_);
        SetWriteParameters(false, false, type);
    }
    const std::uint16_t speed = GetCurrentWriteSpeed();
    if (!TestUnitReady(5000) && !WaitForReady(30000, 5000)) {
        ReleaseDrive();
        return false;
    }

    char text[128];
    std::snprintf(text, sizeof text, "STARTING ERASE PROCESS ON %s AT %s",
                  std::string(DiscTypeNames[type < DiscTypeNames.size() ? type : 0]).c_str(),
                  SpeedText(type, speed, "").c_str());
    DebugMessage(std::string(">>> ") + text, 1);

    bool accepted = false;
    if (type != dtDvdRam && type != dtDvdPlusRw) {
        const std::uint8_t cdb[12] = {0xA1, static_cast<std::uint8_t>(0x10 | (quick ? 1 : 0))};
        accepted = Command(cdb, 12, 0x40, nullptr, 0, 4800000, true);
    } else if (type == dtDvdPlusRw) {
        accepted = FormatUnit(0x11, kDvdPlusRwFormat, 12);
        if (!accepted) {
            RezeroUnit();
            Sleep(1000);
            accepted = FormatUnit(0x11, kDvdPlusRwFormat, 12);
        }
    } else if (quick) {
        std::fill(transferBuffer_.begin(), transferBuffer_.end(), 0);
        for (std::uint32_t address = 0; address <= 320; address += 32)
            Write10(address, 32, transferBuffer_.data(), 65536);
        SynchronizeCache(30000, false);
        accepted = true;
    } else {
        accepted = FormatUnit(0x11, kDvdRamFormat, 12);
    }
    if (!accepted) {
        ReleaseDrive();
        erasing_ = false;
        if (OnEraseDone) OnEraseDone(*this, true);
        return false;
    }

    const std::uint16_t expected = type > dtCdRw ? (quick ? 600 : 4440) : (quick ? 150 : 4500);
    eraseProgress_ = 0;
    erasing_ = true;
    eraseThread_ = std::thread([this, type, expected] { RunEraseThread(type, expected); });
    return true;
}

// One TEST UNIT READY probe, followed by two seconds when the drive is not ready.
bool TSCSIDevice::EraseProbe(int& elapsed, int expected, bool& ready) {
    eraseProgress_ = std::clamp(static_cast<int>(std::lround(100.0 * elapsed / expected)), 0, 100);
    ready = TestUnitReady(5000);
    if (!ready) EraseWait(2000);
    return ready;
}

void TSCSIDevice::RunEraseThread(std::uint16_t discType, std::uint16_t expectedSeconds) {
    const int expected = expectedSeconds;
    int elapsed = 0;
    bool ready = false;
    // Not ready, and the erase still wanted.
    const auto notReady = [this] { return LastAsc() == 0x04 && !EraseAbandoned(); };
    const auto probe = [&] { EraseProbe(elapsed, expected, ready); };
    bool writeFailed = false;

    if (discType == dtDvdRwRestrictedOverwrite || discType == dtDvdRwSequential) {
        do {
            probe();
            elapsed += 1;
        } while (notReady() && elapsed <= expected);
        EraseWait(5000);
        do {
            probe();
            elapsed += 1;
        } while (notReady() && elapsed <= expected);
    } else if (discType == dtDvdPlusRw) {
        // The format runs in the background; the first blocks are written over. The
        // wait is bounded by the expected duration too.
        do {
            EraseWait(2000);
            ReadDiscInformation();
            elapsed += 2;
        } while (notReady() && elapsed <= expected);
        std::fill(transferBuffer_.begin(), transferBuffer_.end(), 0);
        const int resume = elapsed + 1;
        const int writes = eraseMode_ == 1 ? 65 : 71001;
        bool written = true;
        for (int i = 0; i < writes && written && !EraseAbandoned(); ++i)
            written =
                Write10(static_cast<std::uint32_t>(i) * 32, 32, transferBuffer_.data(), 65536);
        writeFailed = !written;
        if (written && !EraseAbandoned()) {
            EraseWait(300);
            SynchronizeCache(30000, false);
            CloseTrackSessionEx(false, 3, 0, 0, 0);
            elapsed = resume;
        }
    } else if (discType == dtDvdRam && eraseMode_ == 1) {
        for (std::uint32_t address = 0; address <= 2048 && !EraseAbandoned(); address += 32)
            Write10(address, 32, transferBuffer_.data(), 65536);
        SynchronizeCache(30000, false);
        elapsed = 0;
    } else {
        elapsed = 0;
    }

    if (layer_.SlowReadyVendor && !EraseAbandoned()) {
        do {
            probe();
            elapsed += 2;
        } while (notReady() && elapsed <= expected);
        ReadDiscInformation();
        EraseWait(5000);
    }

    bool becameReady = true;
    if (!EraseAbandoned() && (!TestUnitReady(5000) || !ReadDiscInformation())) {
        if (discType != dtDvdRam) {
            do {
                eraseProgress_ =
                    std::clamp(static_cast<int>(std::lround(100.0 * elapsed / expected)), 0, 100);
                ReadDiscInformation();
                if (notReady()) EraseWait(5000);
                elapsed += 5;
            } while (notReady() && elapsed <= expected);
        }
        do {
            probe();
            elapsed += 2;
        } while (notReady() && elapsed <= expected);
        becameReady = false;
        do {
            senseBuffer_.fill(0);
            RequestSense(senseBuffer_.data(), 40);
            const std::uint8_t asc = senseBuffer_[0] == 0xF0 ? 0x04 : senseBuffer_[12];
            if (!EraseWait(2000)) break;
            if (asc == 0) {
                becameReady = true;
                break;
            }
            elapsed += 2;
        } while (elapsed <= expected);
    }
    if (EraseAbandoned()) {
        // The device is going away: no reset, no event.
        ReleaseDrive();
        erasing_ = false;
        return;
    }

    eraseProgress_ = 100;
    ResetDrive();

    // An erase whose drive never became ready, or whose zero-writing failed, is
    // reported as failed.
    const bool withError = !becameReady || writeFailed;
    // The claim holds until the reset is done; the drive table is read again
    // after it (reloading the transport closes every handle, the claim's too).
    ReleaseDrive();
    if (layer_.BuiltIn() != nullptr) ReinitializeASPI();
    erasing_ = false;
    // Queued, not waited for: the main thread may be busy ending this device.
    RaiseInMainThread([this, withError] {
        erasing_ = false;
        if (OnEraseDone) OnEraseDone(*this, withError);
    });
}

}  // namespace tv
