#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>

#include "picture/rgb_image.h"

namespace tv {

// Decoded JPEG previews of recently shown files, so that the songs of one album
// (which share their "folder.jpg") and the two cover pictures of the window
// decode a file once. Entries are keyed by the file's identity (device, inode,
// size, modification time), so a changed file is decoded again; a larger
// decode replaces a smaller one and serves the smaller boxes too.
class PreviewCache {
  public:
    explicit PreviewCache(std::size_t byteBudget = std::size_t{64} << 20);

    // The preview of a JPEG file covering the box (or the whole picture when
    // the box is 0 × 0), decoded or from the cache. Throws std::exception when
    // the file cannot be read or decoded; fullWidth receives the picture's width
    // at full size.
    std::shared_ptr<const RgbImage> Preview(const std::filesystem::path& path, int boxWidth,
                                            int boxHeight, int& fullWidth);

    void Clear();

  private:
    struct Key {
        std::string Path;
        std::uint64_t Device = 0, Inode = 0, Size = 0;
        std::int64_t ModifiedNs = 0;
        auto operator<=>(const Key&) const = default;
    };
    struct Entry {
        std::shared_ptr<const RgbImage> Image;
        int FullWidth = 0;
        std::list<Key>::iterator Age;
    };

    std::mutex mutex_;
    std::size_t budget_;
    std::size_t used_ = 0;
    std::map<Key, Entry> entries_;
    std::list<Key> ages_;  // most recently used first
};

}  // namespace tv
