#pragma once

#include <cstdint>

namespace tv {

// Multi-byte fields in SCSI commands and answers are big-endian.
inline std::uint16_t ReadBig16(const std::uint8_t* p) {
    return static_cast<std::uint16_t>((p[0] << 8) | p[1]);
}
inline std::uint32_t ReadBig32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}
inline void WriteBig16(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value >> 8);
    p[1] = static_cast<std::uint8_t>(value);
}
inline void WriteBig32(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value >> 24);
    p[1] = static_cast<std::uint8_t>(value >> 16);
    p[2] = static_cast<std::uint8_t>(value >> 8);
    p[3] = static_cast<std::uint8_t>(value);
}
inline void WriteLittle16(std::uint8_t* p, std::uint32_t value) {
    p[0] = static_cast<std::uint8_t>(value);
    p[1] = static_cast<std::uint8_t>(value >> 8);
}
inline void WriteLittle32(std::uint8_t* p, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(value >> (8 * i));
}
inline std::uint32_t ReadLittle32(const std::uint8_t* p) {
    return (std::uint32_t{p[3]} << 24) | (std::uint32_t{p[2]} << 16) | (std::uint32_t{p[1]} << 8) |
           p[0];
}

// Swaps the bytes of a 16-bit or 32-bit value between drive and host order.
inline std::uint16_t SwapWord(std::uint16_t value) {
    return static_cast<std::uint16_t>((value << 8) | (value >> 8));
}
inline std::uint32_t SwapDWord(std::uint32_t value) {
    return (value >> 24) | ((value >> 8) & 0xFF00u) | ((value << 8) & 0xFF0000u) | (value << 24);
}

// Minutes, seconds and frames (and hours) as a block count, and back.
inline std::uint32_t MsfToBlocks(std::uint32_t h, std::uint32_t m, std::uint32_t s,
                                 std::uint32_t f) {
    return h * 270000 + m * 4500 + s * 75 + f;
}
struct Msf {
    std::uint32_t M, S, F;
};
inline Msf BlocksToMsf(std::uint32_t blocks) {
    return {blocks / 4500, (blocks / 75) % 60, blocks % 75};
}

}  // namespace tv
