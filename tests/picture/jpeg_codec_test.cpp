// JPEG decoding and encoding on libjpeg: round trips, the DCT-scaled previews and
// refusals of what is not a JPEG.

#include <gtest/gtest.h>

#include <cstdlib>
#include <stdexcept>

#include "picture/jpeg_codec.h"
#include "picture/preview_cache.h"
#include "tests/support/temp_folder.h"

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

// The preview cache: a picture is decoded once for the boxes it covers; a larger
// decode replaces a smaller one and serves the smaller boxes; a changed file is
// decoded again; what does not fit the budget is forgotten, oldest first.
TEST(PreviewCache, DecodesOnceReplacesSmallerDecodesAndForgetsBeyondItsBudget) {
    test::TempFolder folder;
    const auto write = [&](const std::string& name, int width, int height) {
        const std::vector<std::uint8_t> bytes = EncodeJpeg(TestPicture(width, height), 80);
        test::WriteBytes(folder / name, std::string(bytes.begin(), bytes.end()));
        return folder / name;
    };
    const auto cover = write("folder.jpg", 400, 400);
    // Room for one full decode (480,000 bytes) and a little more.
    PreviewCache cache(600'000);
    int fullWidth = 0;
    const auto small = cache.Preview(cover, 100, 100, fullWidth);
    EXPECT_EQ(fullWidth, 400);
    EXPECT_EQ(small->Width, 100);  // the scaled decode of a quarter
    EXPECT_EQ(cache.Preview(cover, 90, 90, fullWidth), small);  // covered: the same picture
    const auto whole = cache.Preview(cover, 0, 0, fullWidth);
    EXPECT_EQ(whole->Width, 400);
    EXPECT_EQ(cache.Preview(cover, 100, 100, fullWidth), whole);  // the larger one serves it
    EXPECT_EQ(cache.Preview(cover, 0, 0, fullWidth), whole);

    // The file changes (another size): decoded anew, never the old picture.
    write("folder.jpg", 200, 100);
    const auto changed = cache.Preview(cover, 0, 0, fullWidth);
    EXPECT_EQ(changed->Width, 200);
    EXPECT_EQ(changed->Height, 100);
    EXPECT_EQ(fullWidth, 200);

    // Three pictures of 270,000 bytes do not fit: the one used longest ago goes.
    // Asked again, it is a new decode (another object); the others stay.
    cache.Clear();
    const auto a = write("a.jpg", 300, 300), b = write("b.jpg", 300, 300), c = write("c.jpg", 300, 300);
    const auto first = cache.Preview(a, 0, 0, fullWidth);
    const auto second = cache.Preview(b, 0, 0, fullWidth);
    const auto third = cache.Preview(c, 0, 0, fullWidth);
    EXPECT_EQ(cache.Preview(c, 0, 0, fullWidth), third);
    EXPECT_EQ(cache.Preview(b, 0, 0, fullWidth), second);
    EXPECT_NE(cache.Preview(a, 0, 0, fullWidth), first);
    // A picture larger than the whole budget is decoded but not kept.
    const auto huge = write("gross.jpg", 500, 500);
    const auto once = cache.Preview(huge, 0, 0, fullWidth);
    EXPECT_EQ(once->Width, 500);
    EXPECT_NE(cache.Preview(huge, 0, 0, fullWidth), once);
}
