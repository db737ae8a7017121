#include "metadata/mpeg_data.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <random>
#include <vector>

#include "tests/support/temp_folder.h"

namespace tv {
namespace {

const std::filesystem::path kData = TV_TEST_DATA_DIR "/mp3";

class MemorySource final : public ByteSource {
  public:
    explicit MemorySource(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    std::int64_t Size() const override { return static_cast<std::int64_t>(bytes_.size()); }
    std::size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> out) override {
        if (offset >= Size()) return 0;
        const std::size_t n =
            std::min(out.size(), bytes_.size() - static_cast<std::size_t>(offset));
        std::memcpy(out.data(), bytes_.data() + offset, n);
        return n;
    }

  private:
    std::vector<std::uint8_t> bytes_;
};

void Put32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (24 - 8 * i));
}

// MPEG-1 Layer III, 128 kbit/s, 44.1 kHz, joint stereo, no CRC: frames of 417 bytes.
constexpr std::uint32_t kHeader128 = 0xFFFB9064;

// A stream of frames with the given header filling size bytes from offset on.
std::vector<std::uint8_t> Frames(std::size_t size, std::uint32_t header = kHeader128,
                                 int frameLength = 417, std::size_t offset = 0) {
    std::vector<std::uint8_t> bytes(size, 0x55);
    for (std::size_t at = offset; at + 4 <= size; at += static_cast<std::size_t>(frameLength))
        Put32(bytes, at, header);
    return bytes;
}

int Analyse(std::vector<std::uint8_t> bytes, TMPEGData& data) {
    MemorySource source(std::move(bytes));
    return AnalyseMPEGData(source, data);
}

TEST(DecodeMPEGHeader, RejectsWhatIsNoFrame) {
    TMPEGData data;
    data.FileSize = 4000000;
    EXPECT_TRUE(DecodeMPEGHeader(kHeader128, data));
    EXPECT_EQ(data.Version, 1);
    EXPECT_EQ(data.Layer, 3);
    EXPECT_EQ(data.BitRate, 128);
    EXPECT_EQ(data.SampleRate, 44100);
    EXPECT_EQ(data.ChannelMode, 1);
    EXPECT_TRUE(data.ProtectionBit);
    EXPECT_EQ(data.Duration, 250);
    EXPECT_EQ(data.FrameLength, 417);

    EXPECT_FALSE(DecodeMPEGHeader(0xFFEB9064, data));  // version bits 01
    EXPECT_FALSE(DecodeMPEGHeader(0xFFF99064, data));  // layer bits 00
    EXPECT_FALSE(DecodeMPEGHeader(0xFFFB0064, data));  // bitrate index 0
    EXPECT_FALSE(DecodeMPEGHeader(0xFFFBF064, data));  // bitrate index 15
    EXPECT_FALSE(DecodeMPEGHeader(0xFFFB9C64, data));  // sampling-rate bits 11
    EXPECT_FALSE(DecodeMPEGHeader(0x7FFB9064, data));  // no sync
}

TEST(MPEGFrameLength, FollowsTheStandardPerLayerAndVersion) {
    EXPECT_EQ(MPEGFrameLength(1, 3, 44100, 128, false), 417);
    EXPECT_EQ(MPEGFrameLength(1, 3, 44100, 128, true), 418);
    EXPECT_EQ(MPEGFrameLength(1, 2, 44100, 192, false), 626);
    EXPECT_EQ(MPEGFrameLength(1, 1, 44100, 384, false), 416);  // (12 * 384000 / 44100) * 4
    EXPECT_EQ(MPEGFrameLength(1, 1, 44100, 384, true), 420);
    EXPECT_EQ(MPEGFrameLength(2, 3, 24000, 64, false), 192);  // 72 * 64000 / 24000
    EXPECT_EQ(MPEGFrameLength(3, 3, 8000, 16, false), 144);
    EXPECT_EQ(MPEGFrameLength(2, 2, 24000, 64, false), 384);  // Layer II stays at 144
    EXPECT_EQ(MPEGFrameLength(1, 3, 0, 128, false), 0);
}

TEST(AnalyseMPEGData, ConstantBitrateGivesTimeFromTheFileSize) {
    TMPEGData data;
    EXPECT_EQ(Analyse(Frames(4000000), data), 0);
    EXPECT_EQ(data.Duration, 250);
    EXPECT_EQ(data.BitRate, 128);
    EXPECT_EQ(data.FileSize, 4000000);
}

TEST(AnalyseMPEGData, JunkBeforeTheFirstFrameIsSkipped) {
    std::vector<std::uint8_t> bytes = Frames(4000010, kHeader128, 417, 10);
    for (int i = 0; i < 10; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>('J' + i);
    TMPEGData data;
    EXPECT_EQ(Analyse(bytes, data), 0);
    EXPECT_EQ(data.Duration, 250);  // from the whole file
}

TEST(AnalyseMPEGData, AFalseSyncWithoutAFollowingFrameIsPassedOver) {
    std::vector<std::uint8_t> bytes = Frames(200000, kHeader128, 417, 1000);
    Put32(bytes, 100, 0xFFFB9264);  // looks like a frame, but nothing follows it
    TMPEGData data;
    EXPECT_EQ(Analyse(bytes, data), 0);
    EXPECT_EQ(data.BitRate, 128);
    EXPECT_FALSE(data.Padding);  // the real frame, not the false one with padding
}

TEST(AnalyseMPEGData, AnID3v2TagIsSkippedEvenIfItHoldsSyncPatterns) {
    std::vector<std::uint8_t> tag(10 + 3000, 0);
    std::memcpy(tag.data(), "ID3\x03\x00\x00", 6);
    tag[8] = 3000 >> 7;
    tag[9] = 3000 & 0x7F;
    for (std::size_t at = 20; at + 4 < tag.size(); at += 417)
        Put32(tag, at, 0xFFFB9064);  // a false stream
    std::vector<std::uint8_t> bytes = tag;
    const std::vector<std::uint8_t> audio =
        Frames(417 * 100, 0xFFF34064, 104 /*MPEG-2 22.05 kHz 32 kbit/s*/);
    bytes.insert(bytes.end(), audio.begin(), audio.end());
    TMPEGData data;
    EXPECT_EQ(Analyse(bytes, data), 0);
    EXPECT_EQ(data.Version, 2);
    EXPECT_EQ(data.SampleRate, 22050);
}

TEST(AnalyseMPEGData, ATagClaimingMoreThanTheFileDoesNotHideTheAudio) {
    std::vector<std::uint8_t> bytes = Frames(100000, kHeader128, 417, 20);
    std::memcpy(bytes.data(), "ID3\x03\x00\x00\x7F\x7F\x7F\x7F", 10);  // about 256 MB
    TMPEGData data;
    EXPECT_EQ(Analyse(bytes, data), 0);
    EXPECT_EQ(data.BitRate, 128);
}

std::vector<std::uint8_t> XingFile(std::size_t size, std::uint8_t flags, std::uint32_t frames,
                                   std::uint32_t header = kHeader128, std::size_t at = 36) {
    std::vector<std::uint8_t> bytes = Frames(size, header);
    std::memcpy(bytes.data() + at, "Xing", 4);
    bytes[at + 4] = bytes[at + 5] = bytes[at + 6] = 0;
    bytes[at + 7] = flags;
    Put32(bytes, at + 8, frames);
    return bytes;
}

TEST(AnalyseMPEGData, XingHeaderOfACrcProtectedFrame) {
    constexpr std::uint32_t kProtected = kHeader128 & ~0x00010000u;  // a CRC follows the header
    TMPEGData data;
    // Where encoders put it: behind the side information, the CRC not skipped. 2000
    // frames in 418,000 bytes are 64 kbit/s, half the first frame's bitrate.
    EXPECT_EQ(Analyse(XingFile(418000, 15, 2000, kProtected, 36), data), 0);
    EXPECT_EQ(data.BitRate, 64);
    EXPECT_EQ(data.Duration, 52);
    // Behind the CRC as a second choice, only in protected frames.
    EXPECT_EQ(Analyse(XingFile(418000, 15, 2000, kProtected, 38), data), 0);
    EXPECT_EQ(data.BitRate, 64);
    EXPECT_EQ(Analyse(XingFile(418000, 15, 2000, kHeader128, 38), data), 0);
    EXPECT_EQ(data.BitRate, 128);
    EXPECT_EQ(data.Encoder, kEncoderUnknown);
}

TEST(AnalyseMPEGData, XingHeaderGivesTheAverageBitrate) {
    TMPEGData data;
    EXPECT_EQ(Analyse(XingFile(418000, 15, 1000), data), 0);
    EXPECT_EQ(data.FrameLength, 418);
    EXPECT_EQ(data.BitRate, 128);
    EXPECT_EQ(data.Duration, 26);
    EXPECT_EQ(data.Encoder, "Audio Catalyst VBR");

    EXPECT_EQ(Analyse(XingFile(418000, 7, 1000), data), 0);  // no quality field: ignored
    EXPECT_EQ(data.FrameLength, 417);
    EXPECT_EQ(data.Encoder, kEncoderUnknown);
}

TEST(AnalyseMPEGData, AbsurdXingCountsFailInsteadOfDividingByZero) {
    TMPEGData data;
    EXPECT_THROW(Analyse(XingFile(418000, 15, 0), data), MPEGAnalysisError);
    EXPECT_THROW(Analyse(XingFile(418000, 15, 0xFFFFFFFF), data), MPEGAnalysisError);  // bitrate 0
    EXPECT_EQ(Analyse(XingFile(418000, 15, 1), data), 0);  // huge bitrate, but a number
}

TEST(AnalyseMPEGData, ShortAndFramelessFiles) {
    TMPEGData data;
    EXPECT_EQ(Analyse({1, 2, 3, 4, 5}, data), 0);
    EXPECT_EQ(data.FileSize, 0);
    EXPECT_EQ(data.Encoder, kEncoderUnknown);
    EXPECT_EQ(Analyse(std::vector<std::uint8_t>(10000, 0), data), -1);
    // A frame that fits but leaves no room for the Xing test is a read error.
    EXPECT_THROW(Analyse(Frames(250, 0xFFFB1064 /*32 kbit/s: 104 bytes*/, 104), data),
                 MPEGAnalysisError);
    // A lone frame that runs past the end is no frame.
    EXPECT_EQ(Analyse(Frames(100, 0xFFFB1064, 104), data), -1);
}

TEST(AnalyseMPEGData, RandomBytesNeverCrash) {
    std::mt19937 random(99);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint8_t> bytes(random() % 5000);
        for (auto& b : bytes) b = static_cast<std::uint8_t>(random() % 4 == 0 ? 0xFF : random());
        TMPEGData data;
        try {
            const int result = Analyse(bytes, data);
            EXPECT_TRUE(result == 0 || result == -1);
        } catch (const MPEGAnalysisError&) {
        }
    }
}

TEST(ReadMPEGData, MissingFilesAndFilesThatVanish) {
    TMPEGData data;
    EXPECT_EQ(ReadMPEGData("/no/such/file.mp3", data), -1);
    test::TempFolder folder;
    std::filesystem::create_directory(folder / "dir.mp3");
    EXPECT_THROW(ReadMPEGData(folder / "dir.mp3", data), std::system_error);
    test::WriteBytes(folder / "zero.mp3", "");
    EXPECT_EQ(ReadMPEGData(folder / "zero.mp3", data), 0);
    test::WriteBytes(folder / "one.mp3", "x");
    EXPECT_EQ(ReadMPEGData(folder / "one.mp3", data), 0);
}

struct Expected {
    const char* File;
    int Version, Layer, SampleRate, ChannelMode, BitRate, Duration;
};

// Files made by lame and ffmpeg (tests/data/mp3/make_fixtures.sh).
TEST(ReadMPEGData, RealEncoderOutput) {
    const Expected cases[] = {
        {"cbr128_stereo.mp3", 1, 3, 44100, 1, 128, 3},
        {"cbr128_info.mp3", 1, 3, 44100, 1, 128, 3},
        {"junk_before.mp3", 1, 3, 44100, 1, 128, 3},
        {"id3v2_cover.mp3", 1, 3, 44100, 1, 128, 3},
        {"with_id3v1.mp3", 1, 3, 44100, 1, 128, 3},
        {"vbr_stereo.mp3", 1, 3, 44100, 1, 49, 12},
        {"vbr_mono.mp3", 1, 3, 44100, 3, 34, 3},
        {"mpeg2_vbr_stereo.mp3", 2, 3, 22050, 1, 17, 12},
        {"mpeg2_vbr_mono.mp3", 2, 3, 22050, 3, 10, 3},
        {"mpeg2_cbr64.mp3", 2, 3, 24000, 1, 64, 3},
        {"mpeg25_cbr16.mp3", 3, 3, 8000, 3, 16, 3},
        {"layer2_192.mp2", 1, 2, 44100, 0, 192, 3},
        // CRC-protected: the Xing header stands right behind the side information.
        {"crc_vbr_stereo.mp3", 1, 3, 44100, 1, 49, 12},
        {"crc_mpeg2_vbr_mono.mp3", 2, 3, 22050, 3, 10, 3},
    };
    for (const Expected& expected : cases) {
        SCOPED_TRACE(expected.File);
        TMPEGData data;
        ASSERT_EQ(ReadMPEGData(kData / expected.File, data), 0);
        EXPECT_EQ(data.Version, expected.Version);
        EXPECT_EQ(data.Layer, expected.Layer);
        EXPECT_EQ(data.SampleRate, expected.SampleRate);
        EXPECT_EQ(data.ChannelMode, expected.ChannelMode);
        EXPECT_EQ(data.BitRate, expected.BitRate);
        EXPECT_EQ(data.Duration, expected.Duration);
        EXPECT_EQ(data.FileSize,
                  static_cast<std::int64_t>(std::filesystem::file_size(kData / expected.File)));
    }
    TMPEGData data;
    EXPECT_EQ(ReadMPEGData(kData / "no_frames.wav", data), -1);
    EXPECT_EQ(ReadMPEGData(kData / "truncated.mp3", data), 0);
    EXPECT_EQ(data.Duration, 0);
}

// ffprobe, where it is installed, agrees on time (to the second) and bitrate.
TEST(ReadMPEGData, AgreesWithFfprobe) {
    if (std::system("ffprobe -version >/dev/null 2>&1") != 0)
        GTEST_SKIP() << "ffprobe is not installed";
    for (const auto& entry : std::filesystem::directory_iterator(kData)) {
        const std::string name = entry.path().filename().string();
        if (!name.ends_with(".mp3") && !name.ends_with(".mp2")) continue;
        if (name == "truncated.mp3") continue;
        SCOPED_TRACE(name);
        const std::string command =
            "ffprobe -v error -show_entries format=duration,bit_rate -of csv=p=0 '" +
            entry.path().string() + "'";
        std::unique_ptr<FILE, int (*)(FILE*)> pipe(::popen(command.c_str(), "r"), ::pclose);
        double seconds = 0, bitsPerSecond = 0;
        ASSERT_EQ(std::fscanf(pipe.get(), "%lf,%lf", &seconds, &bitsPerSecond), 2);
        TMPEGData data;
        ASSERT_EQ(ReadMPEGData(entry.path(), data), 0);
        EXPECT_NEAR(data.Duration, seconds, 1.0);
        // ffprobe counts tags and the ID3v2 picture into its average.
        EXPECT_NEAR(data.BitRate, bitsPerSecond / 1000, name == "id3v2_cover.mp3" ? 15 : 2);
    }
}

}  // namespace
}  // namespace tv
