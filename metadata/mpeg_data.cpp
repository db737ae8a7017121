#include "metadata/mpeg_data.h"

#include "base/file_descriptor.h"
#include "base/safe_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <system_error>
#include <vector>

namespace tv {
namespace {

// Sampling rates by version (1..3) and header bits 11-10.
constexpr int kSampleRates[4][3] = {
    {0, 0, 0}, {44100, 48000, 32000}, {22050, 24000, 16000}, {11025, 12000, 8000}};

// Bitrates in kbit/s by header bits 15-12.
constexpr int kMpeg1Bitrates[3][16] = {
    {0, 32, 64, 96, 128, 160, 192, 224, 256, 288, 320, 352, 384, 416, 448, 0},  // Layer I
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 384, 0},     // Layer II
    {0, 32, 40, 48, 56, 64, 80, 96, 112, 128, 160, 192, 224, 256, 320, 0}};     // Layer III
constexpr int kMpeg2Bitrates[2][16] = {
    {0, 32, 48, 56, 64, 80, 96, 112, 128, 144, 160, 176, 192, 224, 256, 0},  // Layer I
    {0, 8, 16, 24, 32, 40, 48, 56, 64, 80, 96, 112, 128, 144, 160, 0}};      // Layers II and III

// Bytes per kbit/s and Hz of a frame: 12 * 4 for Layer I, 144 for Layer II and
// MPEG-1 Layer III, 72 for MPEG-2/2.5 Layer III (times 1000 for kbit/s).
int FrameFactor(int version, int layer) {
    if (layer == 1) return 48000;
    if (layer == 3 && version != 1) return 72000;
    return 144000;
}

// Where a Xing header begins: behind the header and the side information. Encoders
// put it there in CRC-protected streams too (the two CRC bytes are not skipped);
// for a protected frame the place behind the CRC is the second choice.
int XingOffset(const TMPEGData& data) {
    const bool mono = data.ChannelMode == 3;
    const int sideInformation = data.Version == 1 ? (mono ? 17 : 32) : (mono ? 9 : 17);
    return 4 + sideInformation;
}

bool HasXingHeader(const std::array<std::uint8_t, 256>& bytes) {
    return std::memcmp(bytes.data(), "Xing", 4) == 0 && bytes[7] == 15;
}

std::uint32_t BigEndian32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) |
           p[3];
}

// Reads a file front to back in large blocks.
class ByteReader {
  public:
    ByteReader(ByteSource& source, std::int64_t position) : source_(source), position_(position) {}

    std::int64_t Position() const noexcept { return position_; }
    bool AtEnd() const { return position_ >= source_.Size(); }
    std::int64_t Remaining() const { return source_.Size() - position_; }

    // The next byte; only when !AtEnd().
    std::uint8_t Next() {
        if (position_ < blockStart_ ||
            position_ >= blockStart_ + static_cast<std::int64_t>(block_.size()))
            Fill();
        return block_[static_cast<std::size_t>(position_++ - blockStart_)];
    }

    void Seek(std::int64_t position) noexcept { position_ = position; }

  private:
    void Fill() {
        block_.resize(64 * 1024);
        const std::size_t got = source_.ReadAt(position_, block_);
        if (got == 0) throw MPEGAnalysisError("Lesefehler: die Datei endet vorzeitig");
        block_.resize(got);
        blockStart_ = position_;
    }

    ByteSource& source_;
    std::int64_t position_;
    std::int64_t blockStart_ = 0;
    std::vector<std::uint8_t> block_;
};

void ReadExactly(ByteSource& source, std::int64_t offset, std::span<std::uint8_t> out) {
    if (offset < 0 || source.ReadAt(offset, out) != out.size())
        throw MPEGAnalysisError("Lesefehler: die Datei endet vorzeitig");
}

// The offset behind the ID3v2 tags at the start of the file.
std::int64_t SkipID3v2(ByteSource& source) {
    std::int64_t position = 0;
    for (;;) {
        std::array<std::uint8_t, 10> header{};
        if (source.ReadAt(position, header) != header.size()) return position;
        const bool tag = std::memcmp(header.data(), "ID3", 3) == 0 && header[3] != 0xFF &&
                         header[4] != 0xFF &&
                         (header[6] | header[7] | header[8] | header[9]) < 0x80;
        if (!tag) return position;
        const std::int64_t size = (std::int64_t{header[6]} << 21) |
                                  (std::int64_t{header[7]} << 14) | (std::int64_t{header[8]} << 7) |
                                  header[9];
        const bool footer = (header[5] & 0x10) != 0;
        position += 10 + size + (footer ? 10 : 0);
    }
}

bool SameStream(const TMPEGData& a, const TMPEGData& b) {
    return a.Version == b.Version && a.Layer == b.Layer && a.SampleRate == b.SampleRate;
}

}  // namespace

void ClearMPEGData(TMPEGData& data) {
    data = TMPEGData{};
}

bool IsValidMPEGData(const TMPEGData& data) {
    return data.Version != 0 && data.Layer != 0 && data.BitRate > 0 && data.SampleRate > 0;
}

int MPEGFrameLength(int version, int layer, int sampleRate, int bitRate, bool padding) {
    if (sampleRate < 1 || layer < 1 || layer > 3) return 0;
    const std::int64_t bitsPerSecond = std::int64_t{bitRate} * 1000;
    if (layer == 1)
        return static_cast<int>((12 * bitsPerSecond / sampleRate + (padding ? 1 : 0)) * 4);
    const int factor = (layer == 3 && version != 1) ? 72 : 144;
    return static_cast<int>(factor * bitsPerSecond / sampleRate + (padding ? 1 : 0));
}

bool DecodeMPEGHeader(std::uint32_t header, TMPEGData& data) {
    data.Version = data.Layer = data.ChannelMode = 0;
    data.SampleRate = data.BitRate = 0;
    data.CopyFlag = data.Original = data.ProtectionBit = data.Padding = false;
    data.FrameLength = 0;

    if ((header & 0xFFE00000u) != 0xFFE00000u) return false;
    static constexpr std::uint8_t kVersions[4] = {3, 0, 2, 1};
    data.Version = kVersions[(header >> 19) & 3];
    if (data.Version == 0) return false;
    data.Layer = static_cast<std::uint8_t>(4 - ((header >> 17) & 3)) % 4;  // bits 00 give 0
    const unsigned rateIndex = (header >> 10) & 3;
    data.SampleRate = rateIndex < 3 ? kSampleRates[data.Version][rateIndex] : 0;
    data.ProtectionBit = (header >> 16) & 1;
    data.CopyFlag = (header >> 3) & 1;
    data.Original = (header >> 2) & 1;
    data.ChannelMode = static_cast<std::uint8_t>((header >> 6) & 3);
    data.Padding = (header >> 9) & 1;

    const unsigned bitrateIndex = (header >> 12) & 15;
    if (data.Layer >= 1 && data.Layer <= 3) {
        data.BitRate = data.Version == 1 ? kMpeg1Bitrates[data.Layer - 1][bitrateIndex]
                                         : kMpeg2Bitrates[data.Layer == 1 ? 0 : 1][bitrateIndex];
    }
    if (data.BitRate > 0) {
        const std::int64_t seconds = data.FileSize * 8 / (std::int64_t{data.BitRate} * 1000);
        data.Duration = static_cast<std::uint16_t>(std::clamp<std::int64_t>(seconds, 0, 65535));
    } else {
        data.Duration = 0;
    }
    data.FrameLength = static_cast<std::uint16_t>(
        MPEGFrameLength(data.Version, data.Layer, data.SampleRate, data.BitRate, data.Padding));
    return IsValidMPEGData(data);
}

int AnalyseMPEGData(ByteSource& source, TMPEGData& data) {
    ClearMPEGData(data);
    const std::int64_t size = source.Size();
    if (size <= 5) return 0;
    data.FileSize = size;

    // A tag that claims to be larger than the file hides nothing: search it all.
    std::int64_t start = SkipID3v2(source);
    if (start > size) start = 0;
    ByteReader reader(source, start);
    std::int64_t frame = -1;
    bool restarting = false;
    while (frame < 0) {
        if (reader.Remaining() < 4) {
            if (restarting) throw MPEGAnalysisError("Lesefehler: die Datei endet vorzeitig");
            ClearMPEGData(data);  // only a tag, or a few bytes behind it
            return -1;
        }
        std::uint32_t header = 0;
        for (int i = 0; i < 4; ++i) header = (header << 8) | reader.Next();
        bool valid = DecodeMPEGHeader(header, data);
        while (!valid && !reader.AtEnd()) {
            header = (header << 8) | reader.Next();
            valid = DecodeMPEGHeader(header, data);
        }
        if (!valid) {
            ClearMPEGData(data);
            return -1;
        }
        const std::int64_t candidate = reader.Position() - 4;
        const std::int64_t rest =
            size - candidate - data.FrameLength + (data.ProtectionBit ? 2 : 0);
        bool accepted = rest > 0;
        // A real frame is followed by the next one (where the file goes on).
        const std::int64_t next = candidate + data.FrameLength;
        if (accepted && next + 4 <= size) {
            std::array<std::uint8_t, 4> bytes{};
            ReadExactly(source, next, bytes);
            TMPEGData following;
            following.FileSize = size;
            accepted = DecodeMPEGHeader(BigEndian32(bytes.data()), following) &&
                       SameStream(following, data);
        }
        if (accepted) {
            frame = candidate;
            break;
        }
        ClearMPEGData(data);
        data.FileSize = size;
        if (reader.AtEnd()) {
            ClearMPEGData(data);
            return -1;
        }
        reader.Seek(candidate + 4);
        restarting = true;
    }

    // Xing VBR header behind the side information of the first frame.
    std::array<std::uint8_t, 256> xing{};
    ReadExactly(source, frame + XingOffset(data), xing);
    bool found = HasXingHeader(xing);
    if (!found && !data.ProtectionBit && frame + XingOffset(data) + 2 + 256 <= size) {
        ReadExactly(source, frame + XingOffset(data) + 2, xing);
        found = HasXingHeader(xing);
    }
    if (found) {
        data.Encoder = "Audio Catalyst VBR";
        const std::uint32_t frames = BigEndian32(xing.data() + 8);
        if (frames == 0) throw MPEGAnalysisError("Rechenfehler: der Xing-Kopf nennt 0 Frames");
        data.FrameLength = static_cast<std::uint16_t>(data.FileSize / frames);
        const std::int64_t bitRate = std::int64_t{data.FrameLength} * data.SampleRate /
                                         FrameFactor(data.Version, data.Layer) -
                                     (data.Padding ? 1 : 0);
        if (bitRate <= 0)
            throw MPEGAnalysisError("Rechenfehler: der Xing-Kopf ergibt keine Bitrate");
        data.BitRate = static_cast<std::int32_t>(bitRate);
        const std::int64_t seconds = data.FileSize * 8 / (bitRate * 1000);
        data.Duration = static_cast<std::uint16_t>(std::min<std::int64_t>(seconds, 65535));
    }

    // Encoder guess from the fourth header byte and the bytes behind the header.
    std::array<std::uint8_t, 8> b{};
    ReadExactly(source, frame, b);
    switch (b[3]) {
        case 0x04:
            data.Encoder = b[6] == 0x0F ? "Mp3 Compressor" : "Xing 2.20";
            break;
        case 0x44:
            data.Encoder =
                b[7] == 0 ? "l3Enc" : (b[6] == 1 ? "Audioactive P. Studio" : "mp3 Producer");
            break;
        case 0x6C:
            data.Encoder = "Audio Catalyst";
            break;
        case 0x4C:
            data.Encoder = "Audio Catalyst VBR";
            break;
        default:
            break;
    }
    return 0;
}

namespace {

class FileByteSource final : public ByteSource {
  public:
    explicit FileByteSource(const std::filesystem::path& path)
        : name_(path.string()), fd_(OpenRegularFile(path, O_RDONLY)) {
        struct stat info {};
        if (::fstat(fd_.Get(), &info) != 0)
            throw std::system_error(errno, std::generic_category(), name_);
        size_ = info.st_size;
    }

    std::int64_t Size() const override { return size_; }

    std::size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> out) override {
        std::size_t done = 0;
        while (done < out.size()) {
            const ssize_t got = ::pread(fd_.Get(), out.data() + done, out.size() - done,
                                        offset + static_cast<off_t>(done));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) throw std::system_error(errno, std::generic_category(), name_);
            if (got == 0) break;
            done += static_cast<std::size_t>(got);
        }
        return done;
    }

  private:
    std::string name_;
    FileDescriptor fd_;
    std::int64_t size_ = 0;
};

}  // namespace

int ReadMPEGData(const std::filesystem::path& fileName, TMPEGData& data) {
    ClearMPEGData(data);
    std::error_code error;
    if (!std::filesystem::exists(fileName, error)) return -1;
    FileByteSource source(fileName);
    return AnalyseMPEGData(source, data);
}

}  // namespace tv
