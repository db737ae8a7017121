// Finding the drives, selecting and identifying one, and what it can do.

#include <fcntl.h>
#include <scsi/scsi.h>

#include <algorithm>
#include <cstring>

#include "base/byte_order.h"
#include "drive/scsi_device.h"

namespace tv {
namespace {

std::string Trimmed(std::string text) {
    while (!text.empty() && text.back() == ' ') text.pop_back();
    while (!text.empty() && text.front() == ' ') text.erase(0, 1);
    return text;
}

// The page offset of a MODE SENSE answer: where the page code stands.
int PageOffset(const std::uint8_t* answer, std::uint8_t page, int fallback) {
    if ((answer[16] & 0x3F) == page) return 16;
    if ((answer[8] & 0x3F) != page && (answer[7] & 0x3F) == page) return 7;
    if ((answer[8] & 0x3F) == page) return 8;
    return fallback;
}

std::uint16_t HostWord(const std::array<std::uint8_t, 516>& page, int at) {
    std::uint16_t value;
    std::memcpy(&value, page.data() + at, sizeof value);
    return value;
}

void StoreHostWord(std::array<std::uint8_t, 516>& page, int at, std::uint16_t value) {
    std::memcpy(page.data() + at, &value, sizeof value);
}

}  // namespace

bool TSCSIDevice::Inquiry() {
    inquiry_.fill(0);
    const std::uint8_t cdb[6] = {0x12, 0, 0, 0, 128, 0};
    return Command(cdb, 6, 0x48, inquiry_.data(), 128, 10000);
}

void TSCSIDevice::ScanDevices() {
    const std::uint8_t savedAdapter = adapter_, savedTarget = target_, savedLun = lun_;
    deviceList_.clear();
    lun_ = 0;
    if (DoDebug) DebugMessage(">>> " + layer_.TransportName(), 1);
    // The built-in transport knows where its drives are (targets and LUNs of 8 and
    // more among them); a library is asked at every address it can have.
    std::vector<DriveAddress> addresses;
    if (const BuiltInTransport* builtIn = layer_.BuiltIn()) {
        addresses = builtIn->Addresses();
    } else {
        for (unsigned adapter = 0; adapter < adapterCount_; ++adapter)
            for (unsigned target = 0; target < 8; ++target)
                for (unsigned lun = 0; lun < 8; ++lun)
                    addresses.push_back({static_cast<std::uint8_t>(adapter),
                                         static_cast<std::uint8_t>(target),
                                         static_cast<std::uint8_t>(lun)});
    }
    int inquiredAdapter = -1;
    for (const DriveAddress& address : addresses) {
        if (address.Adapter != inquiredAdapter) {
            inquiredAdapter = address.Adapter;
            HostAdapterInquiry(address.Adapter);
            if (DoDebug) {
                const std::string manager(reinterpret_cast<const char*>(haInquiry_.HA_ManagerId),
                                          16);
                std::string identifier(reinterpret_cast<const char*>(haInquiry_.HA_Identifier), 16);
                identifier = Trimmed(identifier.substr(0, identifier.find('\0')));
                DebugMessage(">>> " + manager + " (" + identifier + ")", 1);
            }
        }
        adapter_ = address.Adapter;
        target_ = address.Target;
        lun_ = address.Lun;
        if (!Inquiry()) continue;
        const std::uint8_t type = inquiry_[0];
        if (type != 5 && type != 4) continue;
        std::string identity(reinterpret_cast<const char*>(inquiry_.data() + 8), 28);
        std::replace_if(
            identity.begin(), identity.end(),
            [](char c) { return static_cast<unsigned char>(c) < 32; }, ' ');
        const std::string name = GetDriveLetter();
        std::string line = std::to_string(address.Adapter) + ":" + std::to_string(address.Target) +
                           ":" + std::to_string(address.Lun) + "," + (name.empty() ? "?" : name) +
                           ": " + identity;
        if (type == 4) line += " (not supported)";
        deviceList_.push_back(line);
    }
    adapter_ = savedAdapter;
    target_ = savedTarget;
    lun_ = savedLun;
    lastErrorText_.clear();
    EndCommandRun();
}

std::string TSCSIDevice::GetDriveLetter() {
    if (BuiltInTransport* builtIn = layer_.BuiltIn())
        return builtIn->DriveName(adapter_, target_, lun_);
    // A library transport: the drive whose address matches.
    SgSystem& system = layer_.System();
    for (const std::string& name : system.OpticalDrives()) {
        int fd = system.Open("/dev/" + name, O_RDWR | O_NONBLOCK);
        if (fd < 0) fd = system.Open("/dev/" + name, O_RDONLY | O_NONBLOCK);
        if (fd < 0) continue;
        int idlun[2] = {0, 0};
        const bool known = system.Ioctl(fd, SCSI_IOCTL_GET_IDLUN, idlun) == 0;
        system.Close(fd);
        if (known && ((idlun[0] >> 24) & 0xFF) == adapter_ && (idlun[0] & 0xFF) == target_)
            return name;
    }
    const std::uint8_t drive = GetDiskInfo(adapter_, target_, lun_);
    return drive == 128 ? std::string() : std::string(1, static_cast<char>('A' + drive));
}

void TSCSIDevice::ResetSelection() {
    adapter_ = target_ = lun_ = kNoAddress;
    deviceId_.clear();
    deviceDescription_.clear();
    deviceType_ = 127;
}

namespace {

// "adapter:target:lun," followed by anything: the numbers of a device id.
bool ParseDeviceId(const std::string& id, std::uint8_t& adapter, std::uint8_t& target,
                   std::uint8_t& lun) {
    std::size_t at = 0;
    const auto number = [&](char end, std::uint8_t& value) {
        std::size_t digits = 0;
        unsigned parsed = 0;
        while (at < id.size() && id[at] >= '0' && id[at] <= '9' && digits < 3) {
            parsed = parsed * 10 + static_cast<unsigned>(id[at] - '0');
            ++at;
            ++digits;
        }
        if (digits == 0 || parsed > 255 || at >= id.size() || id[at] != end) return false;
        ++at;
        value = static_cast<std::uint8_t>(parsed);
        return true;
    };
    return number(':', adapter) && number(':', target) && number(',', lun);
}

}  // namespace

void TSCSIDevice::SetDevice(const std::string& deviceId) {
    const auto reject = [this] {
        DebugMessage("INVALID DEVICE ID / NOT A CD OR DVD DRIVE", 0);
        ResetSelection();
    };
    if (deviceId.empty()) {
        ResetSelection();
        return;
    }
    std::uint8_t adapter = 0, target = 0, lun = 0;
    if (deviceId.size() <= 4 || !ParseDeviceId(deviceId, adapter, target, lun)) {
        reject();
        return;
    }
    adapter_ = adapter;
    target_ = target;
    lun_ = lun;
    deviceId_ = deviceId;
    IdentifyDevice();
    if (deviceType_ != 5 && deviceType_ != 4) {
        reject();
        return;
    }
    ApplyModelChecks();
    if (OnDeviceChange) OnDeviceChange(*this);
    DetectWriteModes();
}

void TSCSIDevice::IdentifyDevice() {
    ReadCapabilities();
    if (!Inquiry()) {
        // A drive that does not answer is no CD/DVD drive for now: the type of a
        // drive selected before must not let this address pass.
        deviceType_ = 127;
        deviceDescription_ = lastErrorText_;
        return;
    }
    deviceType_ = inquiry_[0];
    for (int i = 8; i < 56; ++i)
        if (inquiry_[static_cast<std::size_t>(i)] < 32) inquiry_[static_cast<std::size_t>(i)] = ' ';
    const auto text = [this](int at, int size) {
        return std::string(reinterpret_cast<const char*>(inquiry_.data() + at),
                           static_cast<std::size_t>(size));
    };
    deviceDescription_ = text(8, 8) + " " + text(16, 16) + " " + text(32, 4);
}

// Adjustments for a few drive models, by product and vendor.
void TSCSIDevice::ApplyModelChecks() {
    const std::string rawProduct(reinterpret_cast<const char*>(inquiry_.data() + 16), 16);
    const std::string product = Trimmed(rawProduct);
    std::string vendor =
        Trimmed(std::string(reinterpret_cast<const char*>(inquiry_.data() + 8), 8));
    if (vendor.size() < 3) vendor = "     ";
    forcedUnderrunFree_ = product == "CD-W512EB";
    lsvModel_ = product == "CRX175E" || product == "CD-RW  CRX800E";
    layer_.SlowReadyVendor = product.starts_with("UJDA") || vendor.starts_with("TDK");
    layer_.ImmediateClose = product != "CDRW321040X";
    slowToReady_ = rawProduct == "DVD-RW  DVR-103 " || rawProduct == "DVD-RW  DVR-104 ";
    if (slowToReady_) layer_.ImmediateClose = true;
}

namespace {

constexpr std::uint32_t kWriteBits = capability::kCdRWrite | capability::kCdRwWrite |
                                     capability::kDvdRWrite | capability::kDvdRamWrite |
                                     capability::kDvdPlusRwWrite;

// The capability bits of mode page 2A (read at its page code).
std::uint32_t CapabilityBitsOfPage(const std::uint8_t* page) {
    std::uint32_t flags = 0;
    const std::uint8_t read = page[2], write = page[3];
    if (read & 0x01) flags |= capability::kCdRRead;
    if (read & 0x02) flags |= capability::kCdRwRead;
    if (read & 0x04) flags |= capability::kMethod2;
    if (read & 0x08) flags |= capability::kDvdRomRead;
    if (read & 0x10) flags |= capability::kDvdRRead;
    if (read & 0x20) flags |= capability::kDvdRamRead;
    if (write & 0x01) flags |= capability::kCdRWrite;
    if (write & 0x02) flags |= capability::kCdRwWrite;
    if (write & 0x04) flags |= capability::kTestWrite;
    if (write & 0x10) flags |= capability::kDvdRWrite;
    if (write & 0x20) flags |= capability::kDvdRamWrite;
    if (page[4] & 0x80) flags |= capability::kUnderrunFree;
    return flags;
}

}  // namespace

bool TSCSIDevice::CanWrite() const noexcept {
    return (capabilityFlags_ & kWriteBits) != 0 || writeModeFlags_ != 0;
}

bool TSCSIDevice::ReadCapabilities() {
    capabilityFlags_ = 0;
    deviceMaxWriteSpeed_ = deviceMaxReadSpeed_ = 0;
    capabilities_.fill(0);
    alignas(16) std::array<std::uint8_t, 257> answer{};
    int offset = -1;
    // The default values first; many ATAPI drives refuse them and give only their
    // current values, which then serve for the capabilities as well.
    bool haveDefaults = ModeSense10(0x2A, answer.data(), true, 255, 256);
    alignas(16) std::array<std::uint8_t, 257> current{};
    const bool haveCurrent = ModeSense10(0x2A, current.data(), false, 128, 256);
    if (!haveDefaults && haveCurrent) answer = current;
    if (haveDefaults || haveCurrent) {
        offset = PageOffset(answer.data(), 0x2A, 8);
        std::copy(answer.begin() + offset, answer.end(), capabilities_.begin());
        capabilityFlags_ = CapabilityBitsOfPage(capabilities_.data());
        const bool dvdRamWrite = capabilities_[3] & 0x20;

        alignas(16) std::array<std::uint8_t, 257> vendorPage{};
        if (ModeSense10(0x30, vendorPage.data(), false, 128, 256) &&
            (vendorPage[16] == 0x30 || vendorPage[8] == 0x30 || vendorPage[7] == 0x30))
            capabilityFlags_ |= capability::kUnderrunFree;
        if (forcedUnderrunFree_) capabilityFlags_ |= capability::kUnderrunFree;

        const std::uint16_t maxWrite = ReadBig16(capabilities_.data() + 18);
        const std::uint16_t maxRead = ReadBig16(capabilities_.data() + 8);
        deviceMaxWriteSpeed_ = maxWrite ? maxWrite : (dvdRamWrite ? 1 : 0);
        deviceMaxReadSpeed_ = maxRead ? maxRead : (dvdRamWrite ? 1 : 0);

        alignas(16) std::array<std::uint8_t, 114> configuration{};
        if (GetConfiguration(2, 0x002A, 114, configuration.data()) &&
            ReadBig16(configuration.data() + 8) == 0x002A) {
            capabilityFlags_ |= 0x80 | 0x100;
            if (configuration[12] == 1) capabilityFlags_ |= 0x8000 | 0x10000;
        }
        configuration.fill(0);
        if (GetConfiguration(2, 0x002F, 114, configuration.data()) &&
            ReadBig16(configuration.data() + 8) == 0x002F) {
            capabilityFlags_ |= 0x10 | 0x20;
            if (configuration[12] == 1) capabilityFlags_ |= 0x1000 | 0x2000;
        }
    }

    if (!haveCurrent) return false;
    const int at = PageOffset(current.data(), 0x2A, offset >= 0 ? offset : 15);
    capabilities_.fill(0);
    std::copy(current.begin() + at, current.end(), capabilities_.begin());
    // A drive that writes and does not say how fast gets the lowest DVD speed; one
    // that cannot write has no write speed.
    const bool writes = (capabilityFlags_ & kWriteBits) != 0;
    if (writes && ReadBig16(capabilities_.data() + 20) == 0)
        WriteBig16(capabilities_.data() + 20, 1385);
    if (writes && ReadBig16(capabilities_.data() + 18) == 0)
        WriteBig16(capabilities_.data() + 18, 1385);
    for (const int word : {20, 18, 14, 8, 12})
        StoreHostWord(capabilities_, word, ReadBig16(capabilities_.data() + word));
    deviceMaxWriteSpeed_ = std::max(deviceMaxWriteSpeed_, HostWord(capabilities_, 18));
    deviceMaxReadSpeed_ = std::max(deviceMaxReadSpeed_, HostWord(capabilities_, 8));
    if (!writes) deviceMaxWriteSpeed_ = 0;
    return true;
}

bool TSCSIDevice::DetectWriteModes() {
    writeModeFlags_ = 0;
    for (int kind = 0; kind < 3; ++kind)
        if (ProbeWriteMode(kind)) writeModeFlags_ |= static_cast<std::uint8_t>(1 << kind);
    return true;
}

bool TSCSIDevice::ProbeWriteMode(int kind) {
    alignas(16) std::array<std::uint8_t, 1024> buffer{};
    if (!ModeSense10(0x05, buffer.data(), false, 512, 1024)) return false;
    std::uint8_t* page = buffer.data() + (buffer[16] == 5 ? 16 : 8);
    std::copy(page, page + writeParameters_.size(), writeParameters_.begin());
    page[4] = 0;
    page[2] = kind == 2 ? 1 : kind == 1 ? 2 : 3;
    if (kind == 0) page[4] = 1;
    page[3] = 0;
    page[8] = page[9] = 0;
    WriteBig16(page + 14, 150);
    // The page length is the drive's word: it is bounded by the list it goes into
    // (0xFF would give 257 bytes behind an 8-byte header).
    alignas(16) std::array<std::uint8_t, 8 + 256> list{};
    const std::size_t pageBytes = std::min<std::size_t>(std::size_t{page[1]} + 2, list.size() - 8);
    std::copy(page, page + pageBytes, list.begin() + 8);
    return ModeSelect10(list.data(), static_cast<std::uint16_t>(pageBytes + 8));
}

std::uint16_t TSCSIDevice::GetMaxReadSpeed() {
    return ReadCapabilities() ? HostWord(capabilities_, 8) : 0;
}

std::uint16_t TSCSIDevice::GetCurrentWriteSpeed() {
    return ReadCapabilities() ? HostWord(capabilities_, 20) : 0;
}

void TSCSIDevice::SetWriteSpeed(std::uint16_t value) {
    SetCDSpeed(ReadSpeed, value);
    writeSpeed_ = value;
}

}  // namespace tv
