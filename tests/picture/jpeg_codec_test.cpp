// JPEG decoding and encoding on libjpeg: round trips, the DCT-scaled previews and
// refusals of what is not a JPEG.

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "picture/jpeg_codec.h"

using namespace tv;

namespace {

// A smooth picture with a sharp red square in its upper left quarter.
RgbImage TestPicture(int width, int height) {
    RgbImage image;
    image.Width = width;
    image.Height = height;
    image.Pixels.resize(static_cast<std::size_t>(width) * height * 3);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            std::uint8_t* p = &image.Pixels[(static_cast<std::size_t>(y) * width + x) * 3];
            const bool square = x < width / 2 && y < height / 2;
            p[0] = square ? 230 : static_cast<std::uint8_t>(x * 255 / width);
            p[1] = square ? 20 : static_cast<std::uint8_t>(y * 255 / height);
            p[2] = square ? 20 : 128;
        }
    return image;
}

const std::uint8_t* Pixel(const RgbImage& image, int x, int y) {
    return &image.Pixels[(static_cast<std::size_t>(y) * image.Width + x) * 3];
}

}  // namespace

TEST(JpegCodec, EncodedPictureDecodesToTheSamePicture) {
    const RgbImage original = TestPicture(640, 480);
    const std::vector<std::uint8_t> bytes = EncodeJpeg(original, 80);
    ASSERT_TRUE(LooksLikeJpeg(bytes));
    EXPECT_EQ(ReadJpegSize(bytes).Width, 640);
    EXPECT_EQ(ReadJpegSize(bytes).Height, 480);

    const RgbImage decoded = DecodeJpeg(bytes);
    ASSERT_EQ(decoded.Width, 640);
    ASSERT_EQ(decoded.Height, 480);
    long long difference = 0;
    for (std::size_t i = 0; i < original.Pixels.size(); ++i)
        difference += std::abs(int(original.Pixels[i]) - int(decoded.Pixels[i]));
    EXPECT_LT(double(difference) / double(original.Pixels.size()), 4.0);
    // Inside the red square and outside it.
    EXPECT_GT(Pixel(decoded, 100, 100)[0], 200);
    EXPECT_LT(Pixel(decoded, 100, 100)[1], 50);
    EXPECT_NEAR(Pixel(decoded, 600, 400)[2], 128, 6);
}

TEST(JpegCodec, QualityChangesTheFileSize) {
    const RgbImage original = TestPicture(400, 400);
    EXPECT_LT(EncodeJpeg(original, 30).size(), EncodeJpeg(original, 80).size());
    EXPECT_LT(EncodeJpeg(original, 80).size(), EncodeJpeg(original, 100).size());
}

TEST(JpegCodec, PreviewDecodesTheSmallestScaleThatCoversTheBox) {
    const std::vector<std::uint8_t> bytes = EncodeJpeg(TestPicture(3000, 2000), 80);
    struct Case {
        int BoxWidth, BoxHeight, Width, Height;
    };
    for (const Case& c : {Case{137, 137, 375, 250},    // 1/8 covers it
                          Case{300, 300, 750, 500},    // 1/8 is too small for 300 rows
                          Case{700, 600, 1500, 1000},  // 1/2
                          Case{2000, 1500, 3000, 2000}, Case{0, 0, 3000, 2000}}) {
        const RgbImage preview = DecodeJpeg(bytes, c.BoxWidth, c.BoxHeight);
        EXPECT_EQ(preview.Width, c.Width) << c.BoxWidth << "x" << c.BoxHeight;
        EXPECT_EQ(preview.Height, c.Height) << c.BoxWidth << "x" << c.BoxHeight;
        EXPECT_EQ(preview.Pixels.size(), std::size_t(c.Width) * c.Height * 3);
        // The square is where it was, at every scale.
        EXPECT_GT(Pixel(preview, c.Width / 4, c.Height / 4)[0], 200);
        EXPECT_LT(Pixel(preview, c.Width / 4, c.Height / 4)[1], 60);
    }
}

TEST(JpegCodec, WhatIsNoJpegIsRefusedWithAnException) {
    const std::vector<std::uint8_t> text = {'n', 'o', ' ', 'j', 'p', 'e', 'g'};
    EXPECT_FALSE(LooksLikeJpeg(text));
    EXPECT_THROW(DecodeJpeg(text), std::runtime_error);
    EXPECT_THROW(ReadJpegSize(text), std::runtime_error);
    EXPECT_THROW(DecodeJpeg({}), std::runtime_error);

    // The start of a JPEG and then rubbish: libjpeg gives up on the header.
    std::vector<std::uint8_t> broken = EncodeJpeg(TestPicture(64, 64));
    broken.resize(40);
    for (std::size_t i = 4; i < broken.size(); ++i) broken[i] = 0xFF;
    EXPECT_TRUE(LooksLikeJpeg(broken));
    EXPECT_THROW(DecodeJpeg(broken), std::runtime_error);

    // A file cut after its header still decodes (the rest grey), as viewers do.
    std::vector<std::uint8_t> cut = EncodeJpeg(TestPicture(256, 256));
    cut.resize(cut.size() / 2);
    const RgbImage partial = DecodeJpeg(cut);
    EXPECT_EQ(partial.Width, 256);
    EXPECT_EQ(partial.Pixels.size(), std::size_t(256) * 256 * 3);
}

TEST(JpegCodec, HugeDeclaredSizeIsRefusedBeforeAllocating) {
    // A valid little JPEG whose frame header claims 60000 × 60000 pixels.
    std::vector<std::uint8_t> bytes = EncodeJpeg(TestPicture(16, 16));
    for (std::size_t i = 2; i + 8 < bytes.size(); ++i)
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xC0) {  // SOF0: length, precision, height, width
            bytes[i + 5] = 0xEA;
            bytes[i + 6] = 0x60;
            bytes[i + 7] = 0xEA;
            bytes[i + 8] = 0x60;
            break;
        }
    EXPECT_EQ(ReadJpegSize(bytes).Width, 60000);
    EXPECT_THROW(DecodeJpeg(bytes), std::runtime_error);
    // Scaled to a small box it is within bounds again (7500 × 7500 by the DCT).
    EXPECT_NO_THROW(DecodeJpeg(bytes, 137, 137));
}

TEST(JpegCodec, EmptyOrInconsistentPictureIsNotEncoded) {
    EXPECT_THROW(EncodeJpeg(RgbImage{}), std::runtime_error);
    RgbImage wrong = TestPicture(10, 10);
    wrong.Pixels.resize(10);
    EXPECT_THROW(EncodeJpeg(wrong), std::runtime_error);
}
