#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace tv {

// Disc types by the drive's current profile.
enum DiscType : std::uint16_t {
    dtUnknown = 0,
    dtCdRom = 1,
    dtCdR = 2,
    dtCdRw = 3,
    dtDvdRom = 4,
    dtDvdR = 5,
    dtDvdRam = 6,
    dtDvdRw = 7,
    dtDvdRwRestrictedOverwrite = 8,
    dtDvdRwSequential = 9,
    dtDvdPlusRw = 10,
    dtDvdPlusR = 11,
    dtDdcdRom = 12,
    dtDdcdR = 13,
    dtDdcdRw = 14,
};

// Display names of the disc types 0-14.
extern const std::array<std::string_view, 15> DiscTypeNames;

// The disc type of a GET CONFIGURATION profile; 0 for an unlisted one.
std::uint16_t DiscTypeOfProfile(std::uint16_t profile);

// What GetDiscInfo reports about the medium.
struct TDisc {
    bool Ready = false;
    std::uint32_t Capacity = 0;
    std::uint32_t Used = 0;
    std::uint32_t BlockSize = 0;
    std::uint8_t FirstSession = 0;
    std::uint8_t LastSession = 0;
    std::uint8_t LastSessionState = 0;  // 0 empty, 1 incomplete, 2 reserved/damaged, 3 complete
    std::uint8_t DiscStatus = 0;        // 0 blank, 1 appendable, 2 complete, 3 other
    std::uint16_t Profile = 0;
    std::string MediaName;
    bool Erasable = false;
};

}  // namespace tv
