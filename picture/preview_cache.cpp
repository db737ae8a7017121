#include "picture/preview_cache.h"

#include <sys/stat.h>

#include <algorithm>

#include "base/atomic_file.h"
#include "base/safe_open.h"
#include "picture/jpeg_codec.h"

namespace tv {

PreviewCache::PreviewCache(std::size_t byteBudget) : budget_(byteBudget) {}

std::shared_ptr<const RgbImage> PreviewCache::Preview(const std::filesystem::path& path,
                                                      int boxWidth, int boxHeight, int& fullWidth) {
    FileDescriptor file = OpenRegularFile(path, O_RDONLY);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0)
        throw std::filesystem::filesystem_error("stat", path,
                                                std::error_code(errno, std::generic_category()));
    const Key key{
        path.string(), static_cast<std::uint64_t>(info.st_dev),
        static_cast<std::uint64_t>(info.st_ino), static_cast<std::uint64_t>(info.st_size),
        static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};

    std::unique_lock lock(mutex_);
    if (auto found = entries_.find(key); found != entries_.end()) {
        Entry& entry = found->second;
        const bool whole = entry.Image->Width >= entry.FullWidth;
        const bool covers = boxWidth > 0 && boxHeight > 0 && entry.Image->Width >= boxWidth &&
                            entry.Image->Height >= boxHeight;
        if (whole || covers) {
            ages_.splice(ages_.begin(), ages_, entry.Age);
            fullWidth = entry.FullWidth;
            return entry.Image;
        }
    }
    lock.unlock();

    const std::string data = ReadWholeFile(path);
    const std::span<const std::uint8_t> bytes(reinterpret_cast<const std::uint8_t*>(data.data()),
                                              data.size());
    auto image = std::make_shared<const RgbImage>(DecodeJpeg(bytes, boxWidth, boxHeight));
    fullWidth = ReadJpegSize(bytes).Width;

    lock.lock();
    if (auto old = entries_.find(key); old != entries_.end()) {
        used_ -= old->second.Image->Pixels.size();
        ages_.erase(old->second.Age);
        entries_.erase(old);
    }
    const std::size_t bytesUsed = image->Pixels.size();
    if (bytesUsed <= budget_) {
        ages_.push_front(key);
        entries_[key] = Entry{image, fullWidth, ages_.begin()};
        used_ += bytesUsed;
        while (used_ > budget_) {
            const auto oldest = entries_.find(ages_.back());
            used_ -= oldest->second.Image->Pixels.size();
            entries_.erase(oldest);
            ages_.pop_back();
        }
    }
    return image;
}

void PreviewCache::Clear() {
    std::lock_guard lock(mutex_);
    entries_.clear();
    ages_.clear();
    used_ = 0;
}

}  // namespace tv
