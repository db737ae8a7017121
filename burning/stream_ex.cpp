#include "burning/stream_ex.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

#include "base/safe_open.h"

namespace tv {

std::int64_t TStreamEx::Size() {
    const std::int64_t position = Seek(0, Origin::Current);
    const std::int64_t size = Seek(0, Origin::End);
    Seek(position, Origin::Begin);
    return size;
}

std::int64_t THandleStreamEx::Read(void* buffer, std::int64_t count) {
    auto* p = static_cast<char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t got = ::read(handle_, p + done, static_cast<std::size_t>(count - done));
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) return done;  // 0 when nothing could be read at all
        if (got == 0) break;
        done += got;
    }
    return done;
}

std::int64_t THandleStreamEx::Write(const void* buffer, std::int64_t count) {
    const auto* p = static_cast<const char*>(buffer);
    std::int64_t done = 0;
    while (done < count) {
        const ssize_t put = ::write(handle_, p + done, static_cast<std::size_t>(count - done));
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) return done;
        done += put;
    }
    return done;
}

std::int64_t THandleStreamEx::Seek(std::int64_t offset, Origin origin) {
    const int whence = origin == Origin::Begin     ? SEEK_SET
                       : origin == Origin::Current ? SEEK_CUR
                                                   : SEEK_END;
    return ::lseek(handle_, offset, whence);
}

void THandleStreamEx::SetSize(std::int64_t size) {
    Seek(size, Origin::Begin);
    if (::ftruncate(handle_, size) != 0) throw std::system_error(errno, std::generic_category());
}

TFileStreamEx::TFileStreamEx(const std::string& fileName, unsigned mode)
    : THandleStreamEx(-1), fileName_(fileName) {
    if (mode == kCreate) {
        handle_ = ::open(fileName.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (handle_ < 0) throw std::system_error(errno, std::generic_category(), fileName);
        return;
    }
    // An existing file is a file of the user's: never a FIFO or device that blocks.
    const int access = (mode & 3) == 1 ? O_WRONLY : (mode & 3) == 2 ? O_RDWR : O_RDONLY;
    handle_ = OpenRegularFile(fileName, access).Release();
}

TFileStreamEx::~TFileStreamEx() {
    if (handle_ >= 0) ::close(handle_);
}

}  // namespace tv
