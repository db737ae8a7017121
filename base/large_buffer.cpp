#include "base/large_buffer.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <new>
#include <system_error>

#include "base/file_descriptor.h"
#include "base/safe_open.h"

namespace tv {
namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

}  // namespace

LargeBuffer::LargeBuffer(std::size_t size) : size_(size) {
    if (size == 0) return;
    if (size >= 2 * kHugePage) {
        const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
        data_.reset(static_cast<char*>(std::aligned_alloc(kHugePage, rounded)));
        if (!data_) throw std::bad_alloc();
        ::madvise(data_.get(), rounded, MADV_HUGEPAGE);  // a hint; refused is fine
        return;
    }
    data_.reset(static_cast<char*>(std::malloc(size)));
    if (!data_) throw std::bad_alloc();
}

void LargeBuffer::Free::operator()(char* data) const noexcept {
    std::free(data);
}

void GrowingText::Reserve(std::size_t capacity) {
    if (capacity <= buffer_.Size()) return;
    LargeBuffer larger(capacity);
    if (size_ > 0) std::copy(buffer_.Data(), buffer_.Data() + size_, larger.Data());
    buffer_ = std::move(larger);
}

char* GrowingText::Extend(std::size_t bytes) {
    if (bytes > buffer_.Size() - size_)
        Reserve(std::max({size_ + bytes, buffer_.Size() * 2, std::size_t{4096}}));
    char* at = buffer_.Data() + size_;
    size_ += bytes;
    return at;
}

void GrowingText::Append(std::string_view text) {
    if (text.empty()) return;
    std::copy(text.begin(), text.end(), Extend(text.size()));
}

void GrowingText::Truncate(std::size_t size) noexcept {
    size_ = std::min(size_, size);
}

FileBytes::FileBytes(const std::filesystem::path& path) {
    FileDescriptor file = OpenRegularFile(path, O_RDONLY);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) throw std::system_error(errno, std::generic_category(), path.string());
    // One byte more than the size, to notice a file that grew meanwhile.
    std::size_t capacity = static_cast<std::size_t>(std::max<off_t>(info.st_size, 0)) + 1;
    buffer_ = LargeBuffer(capacity);
    for (;;) {
        if (size_ == capacity) {
            // The file grew: a larger buffer, the bytes so far copied over.
            LargeBuffer larger(capacity * 2);
            std::copy(buffer_.Data(), buffer_.Data() + size_, larger.Data());
            buffer_ = std::move(larger);
            capacity *= 2;
        }
        const ssize_t got = ::read(file.Get(), buffer_.Data() + size_, capacity - size_);
        if (got < 0) {
            if (errno == EINTR) continue;
            throw std::system_error(errno, std::generic_category(), path.string());
        }
        if (got == 0) break;
        size_ += static_cast<std::size_t>(got);
    }
}

}  // namespace tv
