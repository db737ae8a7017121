#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <stdexcept>
#include <string>

namespace tv {

// What the first MPEG audio frame of a file tells.
struct TMPEGData {
    std::uint16_t Duration = 0;    // playing time in whole seconds
    std::int64_t FileSize = 0;     // size of the whole file in bytes
    std::uint8_t Version = 0;      // 0 reserved, 1 MPEG 1, 2 MPEG 2, 3 MPEG 2.5
    std::uint8_t Layer = 0;        // 0 reserved, 1..3 Layer I..III
    std::int32_t SampleRate = 0;   // Hz
    std::int32_t BitRate = 0;      // kbit/s
    std::uint8_t ChannelMode = 0;  // 0 stereo, 1 joint stereo, 2 dual channel, 3 single channel
    bool CopyFlag = false;
    bool Original = false;
    bool ProtectionBit = false;  // as stored: true = no CRC follows the header
    bool Padding = false;
    std::uint16_t FrameLength = 0;  // bytes; the average frame length of a Xing file
    std::string Encoder = "Encoder nicht erkannt";
};

inline constexpr char kEncoderUnknown[] = "Encoder nicht erkannt";

// A failure of the analysis: the file could not be read as far as needed, or a VBR
// header gave numbers that cannot be divided by.
class MPEGAnalysisError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

void ClearMPEGData(TMPEGData& data);
bool IsValidMPEGData(const TMPEGData& data);

// Frame length in bytes for a version, layer, sampling rate (Hz), bitrate (kbit/s)
// and padding, as the standard defines it per layer and version; 0 when the
// sampling rate is below 1.
int MPEGFrameLength(int version, int layer, int sampleRate, int bitRate, bool padding);

// Decodes the 32-bit frame header H (first byte highest) into the header fields,
// the frame length and the playing time (from FileSize, which must be set first);
// returns whether the result is a valid frame.
bool DecodeMPEGHeader(std::uint32_t header, TMPEGData& data);

// Random access to a file's bytes.
class ByteSource {
  public:
    virtual ~ByteSource() = default;
    virtual std::int64_t Size() const = 0;
    // Reads up to out.size() bytes at offset and returns how many it got (fewer only
    // at the end). Throws std::system_error when reading fails.
    virtual std::size_t ReadAt(std::int64_t offset, std::span<std::uint8_t> out) = 0;
};

// Analyses the bytes of a file: skips ID3v2 tags at the start, finds the first
// acceptable frame (a valid header whose frame fits the file and, where the file
// goes on, is followed by another header of the same version, layer and sampling
// rate), looks for a Xing VBR header in it and guesses the encoder. Returns 0, or
// -1 when no acceptable frame was found. Throws MPEGAnalysisError (and
// std::system_error from the source) when the analysis fails.
int AnalyseMPEGData(ByteSource& source, TMPEGData& data);

// The same for a file: -1 when it does not exist, 0 with a cleared record for a
// file of 5 bytes or fewer. Throws std::system_error when the file cannot be read
// or is not a regular file (a FIFO or device is never opened for reading).
int ReadMPEGData(const std::filesystem::path& fileName, TMPEGData& data);

}  // namespace tv
