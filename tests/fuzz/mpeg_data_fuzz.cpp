// MPEG audio analysis on bytes: frame headers, ID3v2 skipping, Xing/Info headers
// and the encoder guess. A result is either "no frame" or a consistent header.

#include <cstring>

#include "metadata/mpeg_data.h"
#include "tests/fuzz/fuzz_check.h"

namespace {

class MemorySource final : public tv::ByteSource {
  public:
    MemorySource(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::int64_t Size() const override { return static_cast<std::int64_t>(size_); }
    std::size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> out) override {
        if (offset < 0 || static_cast<std::size_t>(offset) >= size_) return 0;
        const std::size_t count = std::min(out.size(), size_ - static_cast<std::size_t>(offset));
        std::memcpy(out.data(), data_ + offset, count);
        return count;
    }

  private:
    const std::uint8_t* data_;
    std::size_t size_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tv;
    if (size >= 4) {
        TMPEGData header;
        const std::uint32_t word = std::uint32_t(data[0]) << 24 | std::uint32_t(data[1]) << 16 |
                                   std::uint32_t(data[2]) << 8 | data[3];
        if (DecodeMPEGHeader(word, header)) {
            FUZZ_CHECK(header.Version >= 1 && header.Version <= 3);
            FUZZ_CHECK(header.Layer >= 1 && header.Layer <= 3);
        }
    }
    MemorySource source(data, size);
    TMPEGData result;
    try {
        const int found = AnalyseMPEGData(source, result);
        if (size <= 5) {
            // Too short to hold a frame: success with nothing found, as the old
            // program answered.
            FUZZ_CHECK(found == 0 && result.FileSize == 0 && result.SampleRate == 0);
        } else if (found == 0) {
            FUZZ_CHECK(IsValidMPEGData(result));
            FUZZ_CHECK(result.SampleRate >= 8000 && result.SampleRate <= 48000);
            // A frame's bitrate is one of the table's (at most 448); a Xing file's is
            // the average its header implies (file size / frames), which a header
            // claiming few frames can push beyond the table, but never to 0 or less.
            if (result.Encoder == "Audio Catalyst VBR")
                FUZZ_CHECK(result.BitRate > 0);
            else
                FUZZ_CHECK(result.BitRate >= 0 && result.BitRate <= 448);
            FUZZ_CHECK(result.FileSize == static_cast<std::int64_t>(size));
            FUZZ_CHECK(!result.Encoder.empty());
        }
    } catch (const MPEGAnalysisError&) {
        // a file that cannot be analysed: reported, never a crash
    }
    return 0;
}
