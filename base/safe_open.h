#pragma once

#include <fcntl.h>

#include <filesystem>
#include <system_error>

#include "base/file_descriptor.h"

namespace tv {

// The error a file of the user's gives when it is not a regular file: a FIFO, a
// socket or a device (a directory gives EISDIR).
enum class UserFileError { NotRegularFile = 1 };
const std::error_category& UserFileCategory() noexcept;
std::error_code make_error_code(UserFileError error) noexcept;

// Opens a file of the user's (O_RDONLY or O_RDWR, plus O_CLOEXEC) without ever
// blocking: it is opened with O_NONBLOCK, checked to be a regular file (a symbolic
// link to one counts), and then O_NONBLOCK is cleared again. A FIFO, socket,
// device or directory is refused. Returns an invalid descriptor with the reason in
// error on failure.
FileDescriptor OpenRegularFile(const std::filesystem::path& path, int accessFlags,
                               std::error_code& error) noexcept;

// The same; throws std::system_error naming the file on failure.
FileDescriptor OpenRegularFile(const std::filesystem::path& path, int accessFlags);

// True when path names a regular file (following symbolic links). Never opens it.
bool IsRegularFile(const std::filesystem::path& path) noexcept;

}  // namespace tv

template <>
struct std::is_error_code_enum<tv::UserFileError> : std::true_type {};
