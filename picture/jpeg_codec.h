#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "picture/rgb_image.h"

namespace tv {

// JPEG on libjpeg(-turbo). Failures throw std::runtime_error with libjpeg's text.

// Whether the bytes start like a JPEG file.
bool LooksLikeJpeg(std::span<const std::uint8_t> bytes) noexcept;

struct JpegSize {
    int Width = 0;
    int Height = 0;
};
// The size from the header alone.
JpegSize ReadJpegSize(std::span<const std::uint8_t> bytes);

// Decodes the picture. With a box, the decoder scales by 1/2, 1/4 or 1/8 in the
// DCT while the result still covers the box (a preview decodes only about as
// many pixels as it shows); without one (0, 0) at full size.
RgbImage DecodeJpeg(std::span<const std::uint8_t> bytes, int boxWidth = 0, int boxHeight = 0);

// Encodes a picture as a baseline JPEG of the given quality (the program saves
// at 80).
std::vector<std::uint8_t> EncodeJpeg(const RgbImage& image, int quality = 80);

}  // namespace tv
