#include "burning/image_content.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <cerrno>

#include <algorithm>
#include <cstring>
#include <system_error>

#include "burning/disc_burner.h"
#include "burning/iso_layout.h"
#include "burning/joliet_names.h"

namespace tv {
namespace {

std::uint64_t Padded(std::uint64_t bytes) {
    return (bytes + kSectorSize - 1) / kSectorSize * kSectorSize;
}

}  // namespace

ImageContent::ImageContent(const TDiscBurner& burner) : header_(burner.HeaderStream()) {
    dataBytes_ = header_.size();
    for (const auto& entry : burner.Files()) {
        if (entry->IsDirectory() || entry->SourcePath.empty() || entry->IsoLength == 0) continue;
        files_.push_back({entry->SourcePath, entry->IsoLength});
        dataBytes_ += Padded(entry->IsoLength);
    }
    const std::uint64_t total = burner.ImageSectors() * kSectorSize;
    postGapBytes_ = total > dataBytes_ ? total - dataBytes_ : 0;
}

ImageContent::~ImageContent() = default;

bool ImageContent::ReadData(std::span<std::uint8_t> out, std::size_t& got, std::string& error) {
    got = 0;
    // The header from memory; the first file continues in the same buffer.
    if (headerDone_ < header_.size()) {
        const auto count = static_cast<std::size_t>(
            std::min<std::uint64_t>(header_.size() - headerDone_, out.size()));
        std::memcpy(out.data(), header_.data() + headerDone_, count);
        headerDone_ += count;
        got = count;
    }
    while (got < out.size() && fileIndex_ < files_.size()) {
        const Source& file = files_[fileIndex_];
        if (!open_) {
            try {
                open_ = std::make_unique<TFileStreamEx>(file.Path, TFileStreamEx::kOpenReadShared);
            } catch (const std::system_error&) {
                error = "CAN'T OPEN FILE \"" + LogText(file.Path) +
                        "\" OR FILE IS IN USES BY OTHER SOFTWARE";
                return false;
            }
            ::posix_fadvise(open_->Handle(), 0, 0, POSIX_FADV_SEQUENTIAL);
            fileDone_ = 0;
            // A file that grew or shrank since it was added is not the file laid
            // out: burning it cut or padded would pass for a good copy.
            struct stat info {};
            if (::fstat(open_->Handle(), &info) != 0 ||
                static_cast<std::uint64_t>(info.st_size) != file.Length) {
                error = "CAN'T READ FILE \"" + LogText(file.Path) +
                        "\": ITS SIZE HAS CHANGED SINCE IT WAS ADDED";
                return false;
            }
        }
        const std::uint64_t padded = Padded(file.Length);
        const auto want =
            static_cast<std::size_t>(std::min<std::uint64_t>(padded - fileDone_, out.size() - got));
        // The file's own bytes, then zeros up to its sector boundary.
        const std::size_t fromFile = static_cast<std::size_t>(
            std::min<std::uint64_t>(file.Length > fileDone_ ? file.Length - fileDone_ : 0, want));
        if (fromFile > 0) {
            errno = 0;
            const std::int64_t read =
                open_->Read(out.data() + got, static_cast<std::int64_t>(fromFile));
            if (read != static_cast<std::int64_t>(fromFile)) {
                // A read error names the system's reason; an early end of the file
                // means it became shorter while it was read.
                error = "CAN'T READ FILE \"" + LogText(file.Path) + "\": " +
                        (errno != 0 ? std::error_code(errno, std::generic_category()).message()
                                    : std::string("IT IS SHORTER THAN WHEN IT WAS ADDED"));
                return false;
            }
        }
        std::memset(out.data() + got + fromFile, 0, want - fromFile);
        got += want;
        fileDone_ += want;
        if (fileDone_ == padded) {
            open_.reset();
            ++fileIndex_;
        }
    }
    return true;
}

}  // namespace tv
