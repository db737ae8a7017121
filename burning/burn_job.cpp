#include "burning/burn_job.h"

#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "base/file_descriptor.h"
#include "base/safe_open.h"
#include "burning/joliet_names.h"
#include "burning/stream_ex.h"

namespace tv {
namespace {

constexpr std::size_t kCopyBlock = 1 << 20;

}  // namespace

void SkipUnburnableFile(TDiscBurner& burner, const std::string& fullPath,
                        const std::string& longFileName, bool& skip) {
    if (!fullPath.empty()) {
        // Opened the way every file of the user's is: a FIFO never blocks here.
        std::error_code error;
        if (!OpenRegularFile(fullPath, O_RDONLY, error).Valid()) {
            burner.DebugMessage(">>> SKIPING; FILE IS IN USE " + LogText(fullPath), 0);
            skip = true;
        }
    }
    if (JolietLength(longFileName) > 107) {
        burner.DebugMessage(">>> SKIPING; FILE NAME LENGTH > 107 " + LogText(fullPath), 0);
        skip = true;
    }
}

namespace {

// Writes the image into an open file: from the file's current position on, the
// header, the file data with zero padding, and the post-gap.
bool WriteImageData(const TDiscBurner& burner, TStreamEx& image, const std::string& imageName,
                    std::string& error) {
    const auto put = [&](const void* data, std::int64_t count) {
        if (image.Write(data, count) == count) return true;
        error = "CAN'T WRITE \"" + LogText(imageName) +
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
            error = "CAN'T OPEN FILE \"" + LogText(entry->SourcePath) +
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
                error = "CAN'T READ FILE \"" + LogText(entry->SourcePath) +
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

}  // namespace

bool WriteImageFile(const TDiscBurner& burner, const std::string& imagePath, std::string& error,
                    const ImageFileOptions& options) {
    const std::filesystem::path target(imagePath);
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
    // A temporary file in the target's folder, renamed when everything is written
    // and on the disk: a failed or interrupted run leaves no partial image.
    std::string temporary = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkstemp(temporary.data());
    if (fd < 0) {
        error = "CAN'T CREATE \"" + LogText(imagePath) +
                "\": " + std::error_code(errno, std::generic_category()).message();
        return false;
    }
    FileDescriptor file(fd);
    ::fchmod(fd, 0644);
    THandleStreamEx image(fd);
    const auto fail = [&](const std::string& what) {
        if (error.empty())
            error = what + " \"" + LogText(imagePath) +
                    "\": " + std::error_code(errno, std::generic_category()).message();
        file.Reset();
        ::unlink(temporary.c_str());
        return false;
    };
    error.clear();
    const std::uint64_t sessionStart = burner.Layout().NextWritableAddress;
    if (sessionStart > 0) {
        // The session lies at its address; the space before it stays a hole.
        if (options.DescriptorsAtStart &&
            image.Write(burner.DescriptorCopy().data(),
                        static_cast<std::int64_t>(burner.DescriptorEnd())) !=
                static_cast<std::int64_t>(burner.DescriptorEnd()))
            return fail("CAN'T WRITE");
        if (image.Seek(static_cast<std::int64_t>(sessionStart * kSectorSize),
                       TStreamEx::Origin::Begin) < 0)
            return fail("CAN'T WRITE");
    }
    if (!WriteImageData(burner, image, imagePath, error)) return fail("CAN'T WRITE");
    if (::fsync(fd) != 0) return fail("CAN'T WRITE");
    if (::close(file.Release()) != 0) return fail("CAN'T WRITE");
    if (::rename(temporary.c_str(), imagePath.c_str()) != 0) return fail("CAN'T CREATE");
    return true;
}

}  // namespace tv
