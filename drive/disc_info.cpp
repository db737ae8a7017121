// What medium the drive holds: type, status, sessions, free space.

#include <algorithm>
#include <cstring>

#include "base/byte_order.h"
#include "drive/scsi_device.h"

namespace tv {

bool TSCSIDevice::ReadDiscInformation() {
    alignas(16) std::array<std::uint8_t, 56> answer{};
    if (!ReadDiscInformation(answer.data(), 56)) return false;
    discInformation_ = answer;
    return true;
}

std::uint8_t TSCSIDevice::GetDiscType() {
    alignas(16) std::array<std::uint8_t, 114> configuration{};
    std::uint16_t type = dtUnknown;
    if (GetConfiguration(2, 0, 114, configuration.data()))
        type = DiscTypeOfProfile(ReadBig16(configuration.data() + 6));
    if (type == dtUnknown) {
        alignas(16) std::array<std::uint8_t, 26> atip{};
        if (ReadTOC(4, atip.data(), 26, 0, true, 0)) {
            if (atip[6] & 0x80)
                type = (atip[6] & 0x40) ? dtCdRw : dtCdR;
            else
                type = dtCdRom;
        }
    }
    if (type == dtUnknown && ReadDiscInformation())
        type = (discInformation_[2] & 0x10) ? dtCdRw : dtCdR;
    if (type == dtUnknown && TestUnitReady(5000)) type = dtCdRom;
    return static_cast<std::uint8_t>(type);
}

void TSCSIDevice::GetDiscInfo(TDisc& result) {
    TDisc disc;
    if (!TestUnitReady(5000)) {
        // A drive on its way to ready is waited for; an empty drive or an open
        // tray stays as it is for now.
        if (LastAsc() == 0x3A) return;
        WaitForReady(3000, 5000);
        if (!TestUnitReady(5000)) return;  // not ready: the caller's record stays as it was
    }
    disc.Ready = true;

    bool trackInformationRead = false;
    alignas(16) std::array<std::uint8_t, 114> toc{};
    if (ReadTOC(0, toc.data(), 114, 0, false, 0)) {
        const std::uint8_t lastTrack = toc[3];
        toc.fill(0);
        ReadTOC(0, toc.data(), 114, lastTrack, false, 0);
        alignas(16) std::array<std::uint8_t, 4> sessions{};
        if (ReadTOC(1, sessions.data(), 4, 0, false, 0)) {
            disc.FirstSession = sessions[2];
            disc.LastSession = sessions[3];
        }
        atip_.fill(0);
        disc.Capacity = ReadTOC(4, atip_.data(), 26, 0, true, 0)
                            ? MsfToBlocks(0, atip_[12], atip_[13], atip_[14])
                            : 0;
        disc.MediaName = "CD-ROM";
    }

    alignas(16) std::array<std::uint8_t, 114> configuration{};
    if (GetConfiguration(2, 0, 114, configuration.data())) {
        disc.Profile = ReadBig16(configuration.data() + 6);
        struct Named {
            std::uint16_t Profile;
            const char* Name;
            bool Erasable;
        };
        static constexpr Named kNames[] = {{0x01, "Non-removable disk", false},
                                           {0x02, "Removable disk", false},
                                           {0x03, "MO Eraseable", true},
                                           {0x04, "MO Write Once", false},
                                           {0x05, "AS-MO", false},
                                           {0x08, "CD-ROM", false},
                                           {0x09, "CD-R", false},
                                           {0x0A, "CD-RW", true},
                                           {0x10, "DVD-ROM", false},
                                           {0x11, "DVD-R", false},
                                           {0x12, "DVD-RAM", false},
                                           {0x13, "DVD-RW Restricted Overwrite", true},
                                           {0x14, "DVD-RW Sequential Recording", true},
                                           {0x1A, "DVD+RW", true},
                                           {0x1B, "DVD+R", false},
                                           {0x20, "DDCD-ROM", false},
                                           {0x21, "DDCD-R", false},
                                           {0x22, "DDCD-RW", true}};
        disc.MediaName = "???????";
        for (const Named& named : kNames) {
            if (named.Profile != disc.Profile) continue;
            disc.MediaName = named.Name;
            disc.Erasable = named.Erasable;
        }
        if (ReadTrackInformation(GetDiscType() < dtDvdRom ? 0xFF : 1)) {
            std::uint32_t used = 0, blockSize = 0;
            if (ReadFormatCapacities(used, blockSize)) {
                disc.Used = used;
                disc.BlockSize = blockSize;
                disc.Capacity = std::max(disc.Capacity, used);
            }
            trackInformationRead = true;
        } else {
            disc.Used = trackInfo_.NextWritableAddress;
            disc.Capacity = trackInfo_.NextWritableAddress + trackInfo_.FreeBlocks;
            disc.BlockSize = 2048;
            ReadDiscInformation();
        }
    }

    if (ReadDiscInformation()) {
        const std::uint8_t status = discInformation_[2];
        disc.LastSessionState = (status >> 2) & 0x03;
        disc.DiscStatus = status & 0x03;
        disc.Erasable = status & 0x10;
    } else {
        ReadCapacity(disc.Used, disc.BlockSize);
        if (ReadTrackInformation(0)) disc.MediaName = "CD-ROM";
    }
    if (!trackInformationRead) {
        // Many read-only drives refuse READ TRACK INFORMATION (a pressed disc has
        // no track to write): the recorded size is what READ CAPACITY and the
        // lead-out of the table of contents say.
        std::uint32_t lastAddress = 0, blockLength = 0;
        if (ReadCapacity(lastAddress, blockLength)) {
            disc.Used = std::max(disc.Used, lastAddress + 1);
            if (disc.BlockSize == 0 || disc.BlockSize == 2048)
                disc.BlockSize = blockLength ? blockLength : 2048;
        }
        disc.Capacity = std::max(disc.Capacity, LeadOutAddress());
    }
    disc.Capacity = std::max(disc.Capacity, disc.Used);
    result = disc;
}

std::uint32_t TSCSIDevice::LeadOutAddress() {
    // READ TOC format 0 from track 0xAA: the lead-out's descriptor alone.
    alignas(16) std::array<std::uint8_t, 12> toc{};
    if (!ReadTOC(0, toc.data(), 12, 0xAA, false, 0) || toc[6] != 0xAA) return 0;
    return ReadBig32(toc.data() + 8);
}

int TSCSIDevice::GetDiscStatus() {
    if (!ReadDiscInformation()) return -1;
    const std::uint8_t bits = discInformation_[2] & 0x03;
    if (bits == 0x03) return 3;
    if (bits & 0x02) return 2;
    return bits & 0x01;
}

int TSCSIDevice::GetSessionCount() {
    if (!ReadDiscInformation()) return 0;
    if ((discInformation_[2] & 0x03) == 0) return 0;  // blank
    int sessions = discInformation_[4];
    if (((discInformation_[2] >> 2) & 0x03) == 0 && sessions > 0)
        --sessions;  // the empty last session
    return sessions;
}

bool TSCSIDevice::IsDiscErasable() {
    if (ReadDiscInformation()) return discInformation_[2] & 0x10;
    layer_.CurrentDiscType = GetDiscType();
    const std::uint16_t type = layer_.CurrentDiscType;
    return type == dtDvdRam || type == dtDvdRwRestrictedOverwrite || type == dtDvdRwSequential ||
           type == dtDvdPlusRw;
}

std::uint32_t TSCSIDevice::FindIsoVolumeSize() {
    alignas(16) std::array<std::uint8_t, 2048> block{};
    for (std::uint32_t address = 16; address <= 32; ++address) {
        block.fill(0);
        if (!Read10(address, 1, 2048, block.data())) continue;
        if ((block[0] == 1 || block[0] == 2) && std::memcmp(block.data() + 1, "CD001", 5) == 0)
            return ReadLittle32(block.data() + 80);
    }
    return 0;
}

std::uint32_t TSCSIDevice::GetFreeBlocks() {
    const std::uint8_t type = GetDiscType();
    const bool finalize = FinalizeDisc;
    FinalizeDisc = true;
    SetWriteParameters(false, UnderrunProtection, layer_.CurrentDiscType);
    FinalizeDisc = finalize;
    discInformation_[6] = 0;
    ReadDiscInformation();

    if (type < dtDvdRom) {
        FinalizeDisc = true;
        SetWriteParameters(false, UnderrunProtection, layer_.CurrentDiscType);
        FinalizeDisc = finalize;
        if (GetDiscStatus() == 2) return 0;  // a closed disc
        ReadDiscInformation();
        const std::uint8_t lastTrack = discInformation_[6];
        if (!ReadTrackInformation(lastTrack) && !ReadTrackInformation(lastTrack)) return 0;
        return std::max(trackInfo_.FreeBlocks, trackInfo_.TrackSize);
    }

    if (!ReadTrackInformation(discInformation_[6])) return 0;
    const auto general = [this]() -> std::uint32_t {
        if (trackInfo_.TrackSize == 0xFFFFFFFF) return 0;
        if (trackInfo_.LastRecordedAddress == 0) return trackInfo_.TrackSize;
        return trackInfo_.FreeBlocks;
    };
    if (type == dtDvdRwRestrictedOverwrite) {
        if (trackInfo_.NextWritableAddress != 0) return trackInfo_.FreeBlocks;
        std::uint32_t blocks = 0, size = 0;
        if (ReadFormatCapacities(blocks, size))
            return trackInfo_.FreeBlocks == trackInfo_.TrackSize ? trackInfo_.FreeBlocks
                   : blocks > trackInfo_.TrackSize               ? blocks - trackInfo_.TrackSize
                                                                 : 0;
        return general();
    }
    if (type == dtDvdRam || type == dtDvdPlusRw) {
        const std::uint32_t volume = FindIsoVolumeSize();
        return trackInfo_.TrackSize > volume ? trackInfo_.TrackSize - volume : 0;
    }
    return general();
}

}  // namespace tv
