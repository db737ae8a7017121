#include "burning/burn_job.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <memory>
#include <system_error>
#include <vector>

#include "base/text_encoding.h"
#include "burning/stream_ex.h"

namespace tv {
namespace {

constexpr std::size_t kCopyBlock = 1 << 20;

}  // namespace

void SkipUnburnableFile(TDiscBurner& burner, const std::string& fullPath,
                        const std::string& longFileName, bool& skip) {
    if (!fullPath.empty()) {
        const int fd = ::open(fullPath.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            burner.DebugMessage(">>> SKIPING; FILE IS IN USE " + fullPath, 0);
            skip = true;
        } else {
            ::close(fd);
        }
    }
    if (CountCharacters(longFileName) > 107) {
        burner.DebugMessage(">>> SKIPING; FILE NAME LENGTH > 107 " + fullPath, 0);
        skip = true;
    }
}

bool WriteImageFile(const TDiscBurner& burner, const std::string& imagePath, std::string& error) {
    std::unique_ptr<TFileStreamEx> image;
    try {
        image = std::make_unique<TFileStreamEx>(imagePath, TFileStreamEx::kCreate);
    } catch (const std::system_error& failure) {
        error = "CAN'T CREATE \"" + imagePath + "\": " + failure.code().message();
        return false;
    }
    const auto put = [&](const void* data, std::int64_t count) {
        if (image->Write(data, count) == count) return true;
        error = "CAN'T WRITE \"" + imagePath +
                "\": " + std::error_code(errno, std::generic_category()).message();
        return false;
    };
    const std::vector<std::uint8_t>& header = burner.HeaderStream();
    if (!put(header.data(), static_cast<std::int64_t>(header.size()))) return false;

    std::vector<std::uint8_t> buffer(kCopyBlock);
    const std::vector<std::uint8_t> zeros(kSectorSize, 0);
    std::uint64_t written = header.size();
    for (const auto& entry : burner.Files()) {
        if (entry->IsDirectory() || entry->SourcePath.empty() || entry->IsoLength == 0) continue;
        std::unique_ptr<TFileStreamEx> source;
        try {
            source =
                std::make_unique<TFileStreamEx>(entry->SourcePath, TFileStreamEx::kOpenReadShared);
        } catch (const std::system_error&) {
            error = "CAN'T OPEN FILE \"" + entry->SourcePath +
                    "\" OR FILE IS IN USES BY OTHER SOFTWARE";
            return false;
        }
        ::posix_fadvise(source->Handle(), 0, 0, POSIX_FADV_SEQUENTIAL);
        std::uint64_t left = entry->IsoLength;
        while (left > 0) {
            const auto want =
                static_cast<std::int64_t>(std::min<std::uint64_t>(left, buffer.size()));
            const std::int64_t got = source->Read(buffer.data(), want);
            if (got != want) {
                error = "CAN'T READ FILE \"" + entry->SourcePath +
                        "\": it is shorter than when it was added";
                return false;
            }
            if (!put(buffer.data(), got)) return false;
            left -= static_cast<std::uint64_t>(got);
        }
        written += entry->IsoLength;
        // The rest of the last sector is zero.
        const std::uint64_t tail = (kSectorSize - entry->IsoLength % kSectorSize) % kSectorSize;
        if (tail && !put(zeros.data(), static_cast<std::int64_t>(tail))) return false;
        written += tail;
    }
    // The post-gap makes a session at least 300 sectors long.
    const std::uint64_t total = burner.ImageSectors() * kSectorSize;
    while (written < total) {
        const auto count =
            static_cast<std::int64_t>(std::min<std::uint64_t>(total - written, kSectorSize));
        if (!put(zeros.data(), count)) return false;
        written += static_cast<std::uint64_t>(count);
    }
    return true;
}

}  // namespace tv
