#include "base/atomic_file.h"

#include "base/file_descriptor.h"
#include "base/output_file.h"
#include "base/safe_open.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <system_error>

namespace tv {
namespace {

[[noreturn]] void ThrowErrno(int error, const std::filesystem::path& path) {
    throw std::system_error(error, std::generic_category(), path.string());
}

}  // namespace

void WriteFileAtomically(const std::filesystem::path& path, std::string_view data) {
    WriteOutputFile(path, data);
}

void WriteNewFileAtomically(const std::filesystem::path& path, std::string_view data) {
    struct stat existing {};
    if (::lstat(path.c_str(), &existing) == 0) ThrowErrno(EEXIST, path);
    OutputFile file(path);
    file.Write(data);
    file.Commit(false);  // a name that appeared meanwhile is not replaced either
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
