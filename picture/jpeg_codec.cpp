#include "picture/jpeg_codec.h"

#include <csetjmp>
#include <cstdio>
#include <stdexcept>

#include <jpeglib.h>

namespace tv {
namespace {

// libjpeg reports fatal errors through error_exit, which must not return: it
// jumps back to the caller's setjmp, and the message is kept for the exception.
struct ErrorManager {
    jpeg_error_mgr Base{};
    std::jmp_buf Jump{};
    char Message[JMSG_LENGTH_MAX] = {};
};

void ExitOnError(j_common_ptr info) {
    auto* errors = reinterpret_cast<ErrorManager*>(info->err);
    (*info->err->format_message)(info, errors->Message);
    std::longjmp(errors->Jump, 1);
}

void SilenceWarnings(j_common_ptr, int) {}

// The DCT scale (numerator over 8) for a box: the smallest that still covers it.
unsigned ScaleFor(int width, int height, int boxWidth, int boxHeight) {
    if (boxWidth <= 0 || boxHeight <= 0) return 8;
    for (unsigned numerator : {1u, 2u, 4u}) {
        const long long w = (static_cast<long long>(width) * numerator + 7) / 8;
        const long long h = (static_cast<long long>(height) * numerator + 7) / 8;
        if (w >= boxWidth && h >= boxHeight) return numerator;
    }
    return 8;
}

// The decode itself; false (message in errors) when libjpeg gave up. No C++
// object with a destructor lives between setjmp and longjmp here.
bool Decode(jpeg_decompress_struct& info, ErrorManager& errors, std::span<const std::uint8_t> bytes,
            int boxWidth, int boxHeight, bool headerOnly, RgbImage& image) {
    if (setjmp(errors.Jump)) return false;
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&info, TRUE);
    image.Width = static_cast<int>(info.image_width);
    image.Height = static_cast<int>(info.image_height);
    if (headerOnly) return true;
    info.out_color_space = JCS_RGB;
    info.scale_num = ScaleFor(image.Width, image.Height, boxWidth, boxHeight);
    info.scale_denom = 8;
    info.dct_method = JDCT_ISLOW;
    jpeg_calc_output_dimensions(&info);
    // A picture larger than any cover (a broken or hostile header) is refused
    // before memory is taken for it.
    if (static_cast<unsigned long long>(info.output_width) * info.output_height > 200'000'000ULL) {
        std::snprintf(errors.Message, sizeof errors.Message, "Bild zu groß");
        return false;
    }
    jpeg_start_decompress(&info);
    image.Width = static_cast<int>(info.output_width);
    image.Height = static_cast<int>(info.output_height);
    image.Pixels.resize(static_cast<std::size_t>(image.Width) * image.Height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = image.Pixels.data() + static_cast<std::size_t>(info.output_scanline) *
                                                 static_cast<std::size_t>(image.Width) * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    return true;
}

bool Encode(jpeg_compress_struct& info, ErrorManager& errors, const RgbImage& image, int quality,
            unsigned char*& buffer, unsigned long& size) {
    if (setjmp(errors.Jump)) return false;
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, &buffer, &size);
    info.image_width = static_cast<JDIMENSION>(image.Width);
    info.image_height = static_cast<JDIMENSION>(image.Height);
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        auto* row = const_cast<JSAMPROW>(image.Pixels.data() +
                                         static_cast<std::size_t>(info.next_scanline) *
                                             static_cast<std::size_t>(image.Width) * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    return true;
}

RgbImage RunDecode(std::span<const std::uint8_t> bytes, int boxWidth, int boxHeight,
                   bool headerOnly) {
    jpeg_decompress_struct info{};
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.Base);
    errors.Base.error_exit = ExitOnError;
    errors.Base.emit_message = SilenceWarnings;
    RgbImage image;
    const bool decoded = Decode(info, errors, bytes, boxWidth, boxHeight, headerOnly, image);
    jpeg_destroy_decompress(&info);
    if (!decoded) throw std::runtime_error(errors.Message);
    return image;
}

}  // namespace

bool LooksLikeJpeg(std::span<const std::uint8_t> bytes) noexcept {
    return bytes.size() >= 3 && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

JpegSize ReadJpegSize(std::span<const std::uint8_t> bytes) {
    const RgbImage header = RunDecode(bytes, 0, 0, true);
    return {header.Width, header.Height};
}

RgbImage DecodeJpeg(std::span<const std::uint8_t> bytes, int boxWidth, int boxHeight) {
    return RunDecode(bytes, boxWidth, boxHeight, false);
}

std::vector<std::uint8_t> EncodeJpeg(const RgbImage& image, int quality) {
    if (image.Empty() ||
        image.Pixels.size() != static_cast<std::size_t>(image.Width) * image.Height * 3)
        throw std::runtime_error("kein Bild");
    jpeg_compress_struct info{};
    ErrorManager errors;
    info.err = jpeg_std_error(&errors.Base);
    errors.Base.error_exit = ExitOnError;
    errors.Base.emit_message = SilenceWarnings;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    const bool encoded = Encode(info, errors, image, quality, buffer, size);
    jpeg_destroy_compress(&info);
    std::vector<std::uint8_t> bytes;
    if (encoded && buffer != nullptr) bytes.assign(buffer, buffer + size);
    std::free(buffer);
    if (!encoded) throw std::runtime_error(errors.Message);
    return bytes;
}

}  // namespace tv
