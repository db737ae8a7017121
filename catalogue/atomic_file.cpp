#include "catalogue/atomic_file.h"

#include "catalogue/file_descriptor.h"

#include <fcntl.h>
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

void WriteFileAtomically(const std::filesystem::path& path, std::string_view data) {
    const std::filesystem::path target = ResolveTarget(path);
    const std::filesystem::path folder =
        target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");

    static std::atomic<unsigned> counter{0};
    std::filesystem::path temporary;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temporary = folder / ("." + target.filename().string() + ".tmp" +
                              std::to_string(::getpid()) + "-" + std::to_string(counter++));
        fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
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
    if (::rename(temporary.c_str(), target.c_str()) != 0) fail(errno);
}

std::string ReadWholeFile(const std::filesystem::path& path) {
    FileDescriptor file(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (file.Get() < 0) ThrowErrno(errno, path);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) ThrowErrno(errno, path);
    if (S_ISDIR(info.st_mode)) ThrowErrno(EISDIR, path);

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
