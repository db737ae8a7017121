#include "base/atomic_file.h"

#include "base/file_descriptor.h"
#include "base/large_buffer.h"
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
    return std::string(FileBytes(path).View());
}

}  // namespace tv
