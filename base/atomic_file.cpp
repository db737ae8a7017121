#include "base/atomic_file.h"

#include "base/file_descriptor.h"
#include "base/safe_open.h"

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <system_error>
#include <utility>

namespace tv {
namespace {

[[noreturn]] void ThrowErrno(int error, const std::filesystem::path& path) {
    throw std::system_error(error, std::generic_category(), path.string());
}

std::filesystem::path ResolveTarget(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::path target = path;
    for (int hops = 0; hops < 40 && std::filesystem::is_symlink(target, ec); ++hops) {
        const std::filesystem::path link = std::filesystem::read_symlink(target, ec);
        if (ec) break;
        target = link.is_absolute() ? link : target.parent_path() / link;
    }
    return target;
}

}  // namespace

namespace {

// Writes data into a new temporary file in the folder of target, flushed to the
// disk; returns its name. Throws naming path on failure (nothing is left behind).
std::filesystem::path WriteTemporary(const std::filesystem::path& path,
                                     const std::filesystem::path& target, std::string_view data) {
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");

    static std::atomic<unsigned> counter{0};
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder / ("." + target.filename().string() + ".tmp" +
                              std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0666);
        if (fd < 0 && errno != EEXIST) ThrowErrno(errno, path);
    }
    if (fd < 0) ThrowErrno(EEXIST, path);
    FileDescriptor file(fd);

    auto fail = [&](int error) {
        ::unlink(temporary.c_str());
        ThrowErrno(error, path);
    };

    struct stat old {};
    if (::stat(target.c_str(), &old) == 0) ::fchmod(file.Get(), old.st_mode & 07777);

    const char* p = data.data();
    std::size_t left = data.size();
    while (left > 0) {
        const ssize_t written = ::write(file.Get(), p, left);
        if (written < 0) {
            if (errno == EINTR) continue;
            fail(errno);
        }
        p += written;
        left -= static_cast<std::size_t>(written);
    }
    if (::fsync(file.Get()) != 0) fail(errno);
    if (::close(file.Release()) != 0) fail(errno);
    return temporary;
}

}  // namespace

void WriteFileAtomically(const std::filesystem::path& path, std::string_view data) {
    const std::filesystem::path target = ResolveTarget(path);
    const std::filesystem::path temporary = WriteTemporary(path, target, data);
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        ThrowErrno(error, path);
    }
}

void WriteNewFileAtomically(const std::filesystem::path& path, std::string_view data) {
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0) ThrowErrno(EEXIST, path);
    const std::filesystem::path temporary = WriteTemporary(path, path, data);
    // A name that appeared meanwhile is not replaced either.
    int renamed =
        ::renameat2(AT_FDCWD, temporary.c_str(), AT_FDCWD, path.c_str(), RENAME_NOREPLACE);
    if (renamed != 0 && errno == EINVAL) {
        // A file system without that flag: a hard link fails on an existing name too.
        renamed = ::link(temporary.c_str(), path.c_str());
        if (renamed == 0) ::unlink(temporary.c_str());
    }
    if (renamed != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        ThrowErrno(error, path);
    }
}

std::string ReadWholeFile(const std::filesystem::path& path) {
    FileDescriptor file = OpenRegularFile(path, O_RDONLY);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) ThrowErrno(errno, path);

    std::string text;
    if (info.st_size > 0) text.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[1 << 16];
    for (;;) {
        // Read straight into the string when its size is known.
        if (text.capacity() > text.size()) {
            const std::size_t old = text.size();
            text.resize(text.capacity());
            const ssize_t got = ::read(file.Get(), text.data() + old, text.size() - old);
            if (got < 0) {
                text.resize(old);
                if (errno == EINTR) continue;
                ThrowErrno(errno, path);
            }
            text.resize(old + static_cast<std::size_t>(got));
            if (got == 0) break;
            continue;
        }
        const ssize_t got = ::read(file.Get(), buffer, sizeof buffer);
        if (got < 0) {
            if (errno == EINTR) continue;
            ThrowErrno(errno, path);
        }
        if (got == 0) break;
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

}  // namespace tv
