// The MMC commands of the device, the wait for a ready drive and the write
// parameters page.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "base/byte_order.h"
#include "drive/scsi_device.h"

namespace tv {
namespace {

constexpr std::uint8_t kIn = 0x48, kOut = 0x50, kNone = 0x40;

}  // namespace

bool TSCSIDevice::TestUnitReady(std::uint32_t timeoutMs) {
    const std::uint8_t cdb[6] = {0x00};
    return Command(cdb, 6, kNone, nullptr, 0, timeoutMs);
}

bool TSCSIDevice::RezeroUnit() {
    const std::uint8_t cdb[6] = {0x01};
    return Command(cdb, 6, kNone, nullptr, 0, 10000);
}

bool TSCSIDevice::RequestSense(std::uint8_t* buffer, std::uint8_t length) {
    const std::uint8_t cdb[6] = {0x03, 0, 0, 0, length, 0};
    return Command(cdb, 6, kIn, buffer, length, 10000);
}

bool TSCSIDevice::FormatUnit(std::uint8_t cdb1, const std::uint8_t* parameters,
                             std::uint32_t length) {
    alignas(16) std::array<std::uint8_t, 4080> list{};
    const std::uint32_t bytes = std::min<std::uint32_t>(length, list.size());
    if (parameters) std::copy(parameters, parameters + bytes, list.begin());
    const std::uint8_t cdb[6] = {0x04, cdb1};
    return Command(cdb, 6, kOut, list.data(), bytes, 10000);
}

bool TSCSIDevice::StartStopUnit(bool eject) {
    // The built-in transport lets go of the drive right after this command.
    SetCloseHandleAfterCommand(true);
    const std::uint8_t cdb[6] = {0x1B, 0, 0, 0, static_cast<std::uint8_t>(eject ? 2 : 3), 0};
    const bool done = Command(cdb, 6, kNone, nullptr, 0, 20000);
    SetCloseHandleAfterCommand(false);
    return done;
}

bool TSCSIDevice::PreventAllowRemoval(bool allow) {
    if (allow) SetCloseHandleAfterCommand(true);
    const std::uint8_t cdb[6] = {0x1E, 0, 0, 0, static_cast<std::uint8_t>(allow ? 0 : 1), 0};
    const bool done = Command(cdb, 6, kNone, nullptr, 0, 10000);
    SetCloseHandleAfterCommand(false);
    return done;
}

bool TSCSIDevice::ReadFormatCapacities(std::uint32_t& blocks, std::uint32_t& blockSize) {
    alignas(16) std::array<std::uint8_t, 248> answer{};
    const std::uint8_t cdb[10] = {0x23, 0, 0, 0, 0, 0, 0, 0, 248, 0};
    if (!Command(cdb, 10, kIn, answer.data(), 248, 10000)) return false;
    blockSize = 2048;
    const auto is = [&](int at, std::uint32_t value) {
        return ReadBig32(answer.data() + at) == value;
    };
    if (is(8, 0x00000800))
        blocks = ReadBig32(answer.data() + 4);
    else if (is(16, 0x00000800) || is(16, 0x98000000))
        blocks = ReadBig32(answer.data() + 12);
    else if (is(24, 0x00000800))
        blocks = ReadBig32(answer.data() + 20);
    else
        blocks = ReadBig32(answer.data() + 4);
    return true;
}

bool TSCSIDevice::ReadCapacity(std::uint32_t& lastAddress, std::uint32_t& blockLength) {
    alignas(16) std::array<std::uint8_t, 32> answer{};
    const std::uint8_t cdb[10] = {0x25};
    if (!Command(cdb, 10, kIn, answer.data(), 8, 10000)) return false;
    lastAddress = ReadBig32(answer.data());
    blockLength = ReadBig32(answer.data() + 4);
    return true;
}

bool TSCSIDevice::Read10(std::uint32_t address, std::uint16_t blocks, std::uint32_t length,
                         std::uint8_t* buffer) {
    std::uint8_t cdb[10] = {0x28};
    WriteBig32(cdb + 2, address);
    WriteBig16(cdb + 7, blocks);
    return Command(cdb, 10, kIn, buffer, length, 10000);
}

bool TSCSIDevice::Write10(std::uint32_t address, std::uint16_t blocks, std::uint8_t* buffer,
                          std::uint32_t length, std::uint8_t flags) {
    std::uint8_t cdb[10] = {0x2A};
    WriteBig32(cdb + 2, address);
    WriteBig16(cdb + 7, blocks);
    return Command(cdb, 10, flags, buffer, length, 120000, true);
}

bool TSCSIDevice::SynchronizeCache(std::uint32_t timeoutMs, bool immediate) {
    const std::uint8_t cdb[10] = {0x35, static_cast<std::uint8_t>(immediate ? 2 : 0)};
    return Command(cdb, 10, kNone, nullptr, 0, timeoutMs);
}

bool TSCSIDevice::GetConfiguration(std::uint8_t rt, std::uint16_t feature, std::uint16_t length,
                                   std::uint8_t* buffer) {
    std::uint8_t cdb[10] = {0x46, rt, 0, static_cast<std::uint8_t>(feature)};
    WriteBig16(cdb + 7, length);
    return Command(cdb, 10, kIn, buffer, length, 30000);
}

bool TSCSIDevice::ReadTOC(std::uint8_t format, std::uint8_t* buffer, std::uint32_t length,
                          std::uint8_t number, bool msf, std::uint8_t control) {
    if (length > 255) throw std::out_of_range("READ TOC allocation length above 255");
    const std::uint8_t cdb[10] = {
        0x43, static_cast<std::uint8_t>(msf ? 2 : 0), format, 0, 0, 0, number,
        0,    static_cast<std::uint8_t>(length),      control};
    return Command(cdb, 10, kIn, buffer, length, 10000);
}

bool TSCSIDevice::ReadDiscInformation(std::uint8_t* buffer, std::uint16_t length) {
    std::uint8_t cdb[10] = {0x51};
    WriteBig16(cdb + 7, length);
    return Command(cdb, 10, kIn, buffer, length, 10000);
}

bool TSCSIDevice::ReadTrackInformation(std::uint8_t track) {
    trackInfo_ = TrackInformation{};
    alignas(16) std::array<std::uint8_t, 40> answer{};
    const std::uint8_t cdb[10] = {0x52, 1, 0, 0, 0, track, 0, 0, 40, 0};
    if (!Command(cdb, 10, kIn, answer.data(), 40, 60000)) return false;
    trackInfo_.DataLength = ReadBig16(answer.data());
    trackInfo_.TrackNumber = answer[2];
    trackInfo_.SessionNumber = answer[3];
    trackInfo_.TrackMode = answer[5];
    trackInfo_.DataMode = answer[6];
    trackInfo_.Valid = answer[7];
    trackInfo_.StartAddress = ReadBig32(answer.data() + 8);
    trackInfo_.NextWritableAddress = ReadBig32(answer.data() + 12);
    trackInfo_.FreeBlocks = ReadBig32(answer.data() + 16);
    trackInfo_.FixedPacketSize = ReadBig32(answer.data() + 20);
    trackInfo_.TrackSize = ReadBig32(answer.data() + 24);
    trackInfo_.LastRecordedAddress = ReadBig32(answer.data() + 28);
    return true;
}

bool TSCSIDevice::ReserveTrack(std::uint32_t blocks) {
    std::uint8_t cdb[12] = {0x53};
    WriteBig32(cdb + 5, blocks);
    return Command(cdb, 12, kNone, nullptr, 0, 10000);
}

bool TSCSIDevice::SendOPCInformation() {
    const std::uint8_t cdb[10] = {0x54, 1};
    return Command(cdb, 10, kNone, nullptr, 0, 150000);
}

bool TSCSIDevice::ModeSelect10(const std::uint8_t* data, std::uint16_t length) {
    const auto bytes =
        static_cast<std::uint16_t>(std::min<std::size_t>(length, transferBuffer_.size()));
    std::copy(data, data + bytes, transferBuffer_.begin());
    std::uint8_t cdb[10] = {0x55, 0x10};
    WriteBig16(cdb + 7, bytes);
    return Command(cdb, 10, kOut, transferBuffer_.data(), bytes, 10000);
}

bool TSCSIDevice::ModeSense10(std::uint8_t page, std::uint8_t* buffer, bool defaults,
                              std::uint16_t length, std::uint32_t bufferSize) {
    std::uint8_t cdb[10] = {0x5A, 0, static_cast<std::uint8_t>(page | (defaults ? 0x80 : 0))};
    WriteBig16(cdb + 7, length);
    std::fill(transferBuffer_.begin(), transferBuffer_.begin() + length, 0);
    const bool done = Command(cdb, 10, kIn, transferBuffer_.data(), length, 20000);
    std::fill(buffer, buffer + bufferSize, 0);
    if (done)
        std::copy(transferBuffer_.begin(),
                  transferBuffer_.begin() + std::min<std::uint32_t>(length, bufferSize), buffer);
    return done;
}

bool TSCSIDevice::CloseTrackSession(bool track, bool immediate, bool finalize) {
    const std::uint8_t function = finalize ? 5 : track ? 1 : 2;
    return CloseTrackSessionEx(immediate, function, 0, 0, track ? 0xFF : 0);
}

bool TSCSIDevice::CloseTrackSessionEx(bool immediate, std::uint8_t function, std::uint8_t b3,
                                      std::uint8_t b4, std::uint8_t b5) {
    const std::uint8_t cdb[10] = {
        0x5B, static_cast<std::uint8_t>(immediate ? 1 : 0), function, b3, b4, b5};
    return Command(cdb, 10, kNone, nullptr, 0, 180000);
}

bool TSCSIDevice::ReadBufferCapacity(std::uint32_t& size, std::uint32_t& free) {
    alignas(16) std::array<std::uint8_t, 32> answer{};
    const std::uint8_t cdb[10] = {0x5C, 0, 0, 0, 0, 0, 0, 0, 32, 0};
    if (!Command(cdb, 10, kIn, answer.data(), 32, 10000)) {
        DeviceFreeBufferSize = 0;
        return false;
    }
    size = ReadBig32(answer.data() + 4);
    free = ReadBig32(answer.data() + 8);
    DeviceBufferSize = size;
    DeviceFreeBufferSize = free == 0xFFFFFFFF ? size : free;
    return true;
}

bool TSCSIDevice::SendCueSheet(const std::uint8_t* data, std::uint32_t length) {
    std::vector<std::uint8_t> sheet(data, data + length);
    std::uint8_t cdb[10] = {0x5D};
    cdb[6] = static_cast<std::uint8_t>(length >> 16);
    WriteBig16(cdb + 7, length);
    return Command(cdb, 10, kOut, sheet.data(), length, 30000);
}

bool TSCSIDevice::SetStreaming(const std::uint8_t* data, std::uint16_t length) {
    std::vector<std::uint8_t> descriptor(data, data + length);
    std::uint8_t cdb[12] = {0xB6};
    WriteBig16(cdb + 9, length);
    return Command(cdb, 12, kOut, descriptor.data(), length, 10000);
}

bool TSCSIDevice::SetCDSpeed(std::uint16_t readSpeed, std::uint16_t writeSpeed) {
    std::uint8_t cdb[12] = {0xBB};
    WriteBig16(cdb + 2, readSpeed ? readSpeed : 0xFFFF);
    WriteBig16(cdb + 4, writeSpeed ? writeSpeed : 0xFFFF);
    return Command(cdb, 12, kNone, nullptr, 0, 10000);
}

bool TSCSIDevice::SendDVDStructure(std::uint8_t format, const std::uint8_t* data,
                                   std::uint16_t length) {
    std::vector<std::uint8_t> structure(data, data + length);
    std::uint8_t cdb[12] = {0xBF};
    cdb[7] = format;
    WriteBig16(cdb + 8, length);
    return Command(cdb, 12, kOut, structure.data(), length, 10000);
}

bool TSCSIDevice::SendTimestamp(const std::tm& time) {
    alignas(16) std::array<std::uint8_t, 22> list{};
    WriteBig16(list.data(), 0x0014);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02d%02d%02d%02d%02d", time.tm_year + 1900,
                  time.tm_mon + 1, time.tm_mday, time.tm_hour, time.tm_min, time.tm_sec);
    std::memcpy(list.data() + 8, text, 14);
    return SendDVDStructure(0x0F, list.data(), 22);
}

bool TSCSIDevice::WaitForReady(std::uint32_t totalMs, std::uint32_t stepMs) {
    // The drive is asked every stepMs, and never waited for beyond totalMs: the
    // last pause ends with the time (a 3-second wait never sleeps 5 seconds).
    std::int64_t budget = totalMs;
    const auto pause = [&](std::uint32_t wanted) {  // false when the time is up
        if (budget <= 0) return false;
        const std::int64_t slice = std::min<std::int64_t>(wanted, budget);
        Sleep(static_cast<std::uint32_t>(slice));
        budget -= slice;
        return true;
    };
    const std::uint32_t step = std::max<std::uint32_t>(stepMs, 1);
    senseBuffer_.fill(0);
    if (slowToReady_ || layer_.SlowReadyVendor) {
        do {
            if (!pause(1500)) break;
            TestUnitReady(5000);
        } while (LastAsc() == 0x04);
    }
    if (layer_.CurrentDiscType == dtDvdRam) {
        senseBuffer_[12] = 0x04;
    } else {
        alignas(16) std::array<std::uint8_t, 56> information{};
        do {
            if (!pause(step)) return false;
            ReadDiscInformation(information.data(), 56);
        } while (LastAsc() == 0x04);
    }
    if (TestUnitReady(5000) && senseBuffer_[12] == 0) return true;
    do {
        if (!pause(step)) return false;
        TestUnitReady(5000);
    } while (LastAsc() == 0x04);
    for (;;) {
        senseBuffer_.fill(0);
        RequestSense(senseBuffer_.data(), 40);
        const std::uint8_t asc = senseBuffer_[0] == 0xF0 ? 0x04 : senseBuffer_[12];
        if (asc == 0) return true;
        if (!pause(step)) return false;
    }
}

void TSCSIDevice::ResetDrive() {
    SetWriteParameters(false, false, dtCdR);
    SetCDSpeed(GetMaxReadSpeed(), 2);
    RezeroUnit();
    PreventAllowRemoval(true);
    StartStopUnit(false);
    RezeroUnit();
    TestUnitReady(5000);
}

bool TSCSIDevice::SetWriteParameters(bool testWrite, bool underrunFree, std::uint16_t discType) {
    if (discType == dtDvdRam) return true;
    alignas(16) std::array<std::uint8_t, 1024> buffer{};
    if (!ModeSense10(0x05, buffer.data(), false, 512, 512)) return false;
    int offset = 8;
    if (buffer[16] == 5)
        offset = 16;
    else if (buffer[8] != 5 && buffer[7] == 5)
        offset = 7;
    std::copy(buffer.begin() + offset, buffer.begin() + 512, buffer.begin() + 512);
    std::uint8_t* p = buffer.data() + 512;
    std::copy(p, p + writeParameters_.size(), writeParameters_.begin());

    const auto packet = [p](std::uint32_t size) { WriteBig32(p + 10, size); };
    p[1] = 0x32;
    if (discType == dtDvdR) {
        p[2] = 0x60;
        p[3] = 0xE5;
        p[5] = 16;
        packet(16);
    } else {
        p[2] = 0x01;
        p[3] = 0x04;
        p[5] = 0;
        packet(0);
    }
    p[4] = 8;
    if (DiscAtOnce) {
        p[2] = 0x02;
        p[4] = 0;
    }
    if (discType == dtDvdPlusRw || discType == dtDvdPlusR) {
        p[2] = 0x22;
        p[3] |= 0xC0;
    }
    if (lsvModel_) p[2] |= 0x20;
    if (discType == dtDvdR || discType == dtDvdRw || discType == dtDvdRwRestrictedOverwrite ||
        discType == dtDvdRwSequential || discType == dtDvdPlusR) {
        p[3] |= 0xE0;
    } else if (!testWrite && !FinalizeDisc) {
        p[3] |= 0xC0;  // another session may follow
    } else if ((p[3] & 0xC0) == 0xC0) {
        p[3] &= 0x3F;
    }
    if (underrunFree && (capabilityFlags_ & capability::kUnderrunFree))
        p[2] |= 0x40;
    else
        p[2] &= ~0x40;
    if (testWrite && (capabilityFlags_ & capability::kTestWrite))
        p[2] |= 0x10;
    else
        p[2] &= ~0x10;
    p[6] = p[7] = p[8] = p[9] = 0;
    if (discType == dtDvdPlusR) packet(16);
    if (discType == dtDvdRwRestrictedOverwrite || discType == dtDvdRwSequential) {
        p[2] = 0x20;
        p[3] = 0xC5;
        p[5] = 16;
    }
    if (discType == dtDvdPlusR) p[3] = 0xC4;
    if (discType == dtDvdPlusRw) {
        p[3] = 0x04;
        p[5] = 16;
    }
    WriteBig16(p + 14, 150);
    std::copy(p, p + writeParameters_.size(), writeParameters_.begin());

    alignas(16) std::array<std::uint8_t, 8 + 512> list{};
    std::copy(p, p + (p[1] + 2), list.begin() + 8);
    return ModeSelect10(list.data(), static_cast<std::uint16_t>(p[1] + 10));
}

}  // namespace tv
