#include "burning/burn_job.h"

#include <fcntl.h>
#include <unistd.h>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <system_error>
#include <vector>

#include "base/file_descriptor.h"
#include "base/safe_open.h"
#include "burning/image_content.h"
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

std::uint64_t InsertJobFiles(TDiscBurner& burner, const std::vector<std::string>& paths,
                             const std::function<void(const std::string&)>& log) {
    std::uint64_t total = 0;
    for (const std::string& path : paths) {
        std::error_code error;
        if (path.empty() || !std::filesystem::exists(path, error)) continue;
        burner.InsertFile("\\", path, false);
        const std::uintmax_t size = std::filesystem::file_size(path, error);
        if (!error) total += size;
        if (log) log(">>> INSERTING FILE \"" + LogText(path) + "\"");
    }
    return total;
}

std::string BurnDoneLine(const std::string& error) {
    return error.empty() ? ">>> BURNCD DONE, Successful!" : ">>> BURNCD DONE, " + error;
}

std::string NoRoomMessage(std::uint64_t imageSectors, std::uint64_t freeBlocks,
                          const std::string& decimalSeparator) {
    if (imageSectors <= freeBlocks) return {};
    const auto megabytes = [&](std::uint64_t sectors) {
        char text[64];
        std::snprintf(text, sizeof text, "%.1f", static_cast<double>(sectors) * 2048 / 1048576);
        std::string result(text);
        if (const std::size_t dot = result.find('.'); dot != std::string::npos)
            result.replace(dot, 1, decimalSeparator);
        return result + " MB";
    };
    return "Die Dateien brauchen " + megabytes(imageSectors) + ", auf der CD/DVD sind nur " +
           megabytes(freeBlocks) + " frei. Es wird nicht gebrannt.";
}

namespace {

// Writes the image into an open file: from the file's current position on, the
// bytes of ImageContent (header, padded files, post-gap).
bool WriteImageData(const TDiscBurner& burner, TStreamEx& image, const std::string& imageName,
                    std::string& error) {
    const auto put = [&](const void* data, std::int64_t count) {
        if (image.Write(data, count) == count) return true;
        error = "CAN'T WRITE \"" + LogText(imageName) +
                "\": " + std::error_code(errno, std::generic_category()).message();
        return false;
    };
    ImageContent content(burner);
    std::vector<std::uint8_t> buffer(kCopyBlock);
    for (;;) {
        std::size_t got = 0;
        if (!content.ReadData(buffer, got, error)) return false;
        if (got == 0) break;
        if (!put(buffer.data(), static_cast<std::int64_t>(got))) return false;
    }
    std::fill(buffer.begin(), buffer.end(), 0);
    for (std::uint64_t left = content.PostGapBytes(); left > 0;) {
        const auto count = static_cast<std::int64_t>(std::min<std::uint64_t>(left, buffer.size()));
        if (!put(buffer.data(), count)) return false;
        left -= static_cast<std::uint64_t>(count);
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
