// The JPEG codec against another reader and writer: Qt's own JPEG plugin decodes
// what the codec writes, and the codec decodes colour and greyscale files Qt
// writes, each compared with the picture that went in.

#include <gtest/gtest.h>

#include <QBuffer>
#include <QGuiApplication>
#include <QImage>
#include <cstdlib>

#include "picture/jpeg_codec.h"

using namespace tv;

namespace {

// A smooth picture with a sharp square of one colour in its upper left quarter.
QImage TestPicture(int width, int height) {
    QImage image(width, height, QImage::Format_RGB888);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const bool square = x < width / 2 && y < height / 2;
            image.setPixelColor(x, y, square ? QColor(230, 20, 20)
                                             : QColor(x * 255 / width, y * 255 / height, 128));
        }
    return image;
}

RgbImage FromQImage(const QImage& source) {
    const QImage rgb = source.convertToFormat(QImage::Format_RGB888);
    RgbImage image;
    image.Width = rgb.width();
    image.Height = rgb.height();
    for (int y = 0; y < rgb.height(); ++y) {
        const auto* line = rgb.constScanLine(y);
        image.Pixels.insert(image.Pixels.end(), line, line + rgb.width() * 3);
    }
    return image;
}

// The mean difference of the colour values of two pictures of one size.
double MeanDifference(const RgbImage& a, const RgbImage& b) {
    EXPECT_EQ(a.Width, b.Width);
    EXPECT_EQ(a.Height, b.Height);
    if (a.Pixels.size() != b.Pixels.size() || a.Pixels.empty()) return 1e9;
    long long sum = 0;
    for (std::size_t i = 0; i < a.Pixels.size(); ++i) sum += std::abs(int(a.Pixels[i]) - int(b.Pixels[i]));
    return double(sum) / double(a.Pixels.size());
}

std::vector<std::uint8_t> QtJpeg(const QImage& image, int quality) {
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, "JPG", quality));
    return {bytes.begin(), bytes.end()};
}

}  // namespace

TEST(JpegAgainstQt, QtReadsWhatTheCodecWrites) {
    const QImage original = TestPicture(321, 243);  // not a multiple of the 8 × 8 blocks
    const std::vector<std::uint8_t> bytes = EncodeJpeg(FromQImage(original), 90);
    QImage read;
    ASSERT_TRUE(read.loadFromData(bytes.data(), static_cast<int>(bytes.size()), "JPG"));
    EXPECT_LT(MeanDifference(FromQImage(read), FromQImage(original)), 3.0);
    EXPECT_EQ(read.pixelColor(50, 50).red() > 200 && read.pixelColor(50, 50).green() < 50, true);
    // Red stays red, not blue: the channel order is the file's.
    EXPECT_NEAR(read.pixelColor(300, 230).blue(), 128, 6);
}

TEST(JpegAgainstQt, TheCodecReadsColourAndGreyFilesQtWrites) {
    const QImage colour = TestPicture(200, 150);
    const RgbImage fromColour = DecodeJpeg(QtJpeg(colour, 92));
    EXPECT_LT(MeanDifference(fromColour, FromQImage(colour)), 3.0);

    const QImage grey = colour.convertToFormat(QImage::Format_Grayscale8);
    const std::vector<std::uint8_t> greyBytes = QtJpeg(grey, 92);
    const RgbImage fromGrey = DecodeJpeg(greyBytes);
    EXPECT_LT(MeanDifference(fromGrey, FromQImage(grey)), 3.0);
    for (std::size_t i = 0; i + 2 < fromGrey.Pixels.size(); i += 3) {
        ASSERT_EQ(fromGrey.Pixels[i], fromGrey.Pixels[i + 1]);  // grey in all three channels
        ASSERT_EQ(fromGrey.Pixels[i], fromGrey.Pixels[i + 2]);
    }
    // A preview of Qt's file: a quarter in each direction, the colours as Qt reads
    // them scaled down.
    const RgbImage preview = DecodeJpeg(QtJpeg(colour, 92), 50, 38);
    ASSERT_EQ(preview.Width, 50);
    const QImage scaled = colour.scaled(preview.Width, preview.Height, Qt::IgnoreAspectRatio,
                                        Qt::SmoothTransformation);
    EXPECT_LT(MeanDifference(preview, FromQImage(scaled)), 8.0);
}

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication application(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
