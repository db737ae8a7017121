#include "base/safe_open.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>

namespace tv {
namespace {

// The error for a file of this type; none for a regular file.
std::error_code TypeError(mode_t mode) {
    if (S_ISREG(mode)) return {};
    if (S_ISDIR(mode)) return {EISDIR, std::generic_category()};
    return UserFileError::NotRegularFile;
}

class UserFileErrorCategory final : public std::error_category {
  public:
    const char* name() const noexcept override { return "user-file"; }
    std::string message(int code) const override {
        if (code == static_cast<int>(UserFileError::NotRegularFile))
            return "keine gewöhnliche Datei (Pipe, Socket oder Gerät)";
        return "unbekannter Fehler";
    }
};

}  // namespace

const std::error_category& UserFileCategory() noexcept {
    static const UserFileErrorCategory category;
    return category;
}

std::error_code make_error_code(UserFileError error) noexcept {
    return {static_cast<int>(error), UserFileCategory()};
}

FileDescriptor OpenRegularFile(const std::filesystem::path& path, int accessFlags,
                               std::error_code& error) noexcept {
    error.clear();
    // Devices are not even opened (opening one can have effects of its own); the
    // check after opening catches a file replaced in between.
    struct stat before {};
    if (::stat(path.c_str(), &before) == 0) {
        error = TypeError(before.st_mode);
        if (error) return FileDescriptor();
    }
    FileDescriptor file(::open(path.c_str(), accessFlags | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (!file.Valid()) {
        error.assign(errno, std::generic_category());
        return file;
    }
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) {
        error.assign(errno, std::generic_category());
        return FileDescriptor();
    }
    error = TypeError(info.st_mode);
    if (error) return FileDescriptor();
    const int flags = ::fcntl(file.Get(), F_GETFL);
    if (flags < 0 || ::fcntl(file.Get(), F_SETFL, flags & ~O_NONBLOCK) != 0) {
        error.assign(errno, std::generic_category());
        return FileDescriptor();
    }
    return file;
}

FileDescriptor OpenRegularFile(const std::filesystem::path& path, int accessFlags) {
    std::error_code error;
    FileDescriptor file = OpenRegularFile(path, accessFlags, error);
    if (error) throw std::system_error(error, path.string());
    return file;
}

bool IsRegularFile(const std::filesystem::path& path) noexcept {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

}  // namespace tv
