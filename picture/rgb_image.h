#pragma once

#include <cstdint>
#include <vector>

namespace tv {

// A picture as rows of 8-bit red, green and blue.
struct RgbImage {
    int Width = 0;
    int Height = 0;
    std::vector<std::uint8_t> Pixels;  // Width * Height * 3 bytes, top row first

    bool Empty() const noexcept { return Width <= 0 || Height <= 0; }
};

}  // namespace tv
