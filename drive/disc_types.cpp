#include "drive/disc_types.h"

namespace tv {

const std::array<std::string_view, 15> DiscTypeNames = {
    "UNKNOWN", "CD-ROM", "CD-R",   "CD-RW", "DVD-ROM",  "DVD-R",  "DVD-RAM", "DVD-RW",
    "DVD-RW",  "DVD-RW", "DVD+RW", "DVD+R", "DDCD-ROM", "DDCD-R", "DDCD-RW"};

std::uint16_t DiscTypeOfProfile(std::uint16_t profile) {
    switch (profile) {
        case 0x08:
            return dtCdRom;
        case 0x09:
            return dtCdR;
        case 0x0A:
            return dtCdRw;
        case 0x10:
            return dtDvdRom;
        case 0x11:
            return dtDvdR;
        case 0x12:
            return dtDvdRam;
        case 0x13:
            return dtDvdRwRestrictedOverwrite;
        case 0x14:
            return dtDvdRwSequential;
        case 0x1A:
            return dtDvdPlusRw;
        case 0x1B:
            return dtDvdPlusR;
        case 0x20:
            return dtDdcdRom;
        case 0x21:
            return dtDdcdR;
        case 0x22:
            return dtDdcdRw;
        default:
            return dtUnknown;
    }
}

}  // namespace tv
