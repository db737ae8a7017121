#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "burning/stream_ex.h"

namespace tv {

class TDiscBurner;

// The bytes of a laid-out session in the order they lie on the disc: the header
// area, then every file's data padded with zeros to whole sectors, then the
// post-gap (zeros up to ImageSectors). The write pipeline and the image file
// writer both take their bytes from here, so a disc and an image file of the same
// layout are the same bytes.
//
// It keeps its own copy of the header and of the file list (source path and
// length of each file with data), so the burner's tree may change meanwhile.
class ImageContent {
  public:
    explicit ImageContent(const TDiscBurner& burner);
    ~ImageContent();
    ImageContent(const ImageContent&) = delete;
    ImageContent& operator=(const ImageContent&) = delete;

    // The header and the padded files.
    std::uint64_t DataBytes() const noexcept { return dataBytes_; }
    // Zeros after the data, so that the session has ImageSectors sectors.
    std::uint64_t PostGapBytes() const noexcept { return postGapBytes_; }

    // Fills out with the next data bytes and returns how many; fewer than
    // out.size() only at the end of the data, 0 after it. Returns false with the
    // reason in error when a file cannot be opened ("CAN'T OPEN FILE ...") or has
    // become shorter since it was added.
    bool ReadData(std::span<std::uint8_t> out, std::size_t& got, std::string& error);

  private:
    struct Source {
        std::string Path;
        std::uint64_t Length;
    };

    std::vector<std::uint8_t> header_;
    std::vector<Source> files_;
    std::uint64_t dataBytes_ = 0;
    std::uint64_t postGapBytes_ = 0;

    // Where reading stands.
    std::uint64_t headerDone_ = 0;
    std::size_t fileIndex_ = 0;
    std::uint64_t fileDone_ = 0;  // bytes of the current file, its padding included
    std::unique_ptr<TFileStreamEx> open_;
};

}  // namespace tv
