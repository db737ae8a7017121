#include "tools/orphan_check.h"

#include <sys/stat.h>

#include <cerrno>

namespace tv {

std::string_view FolderOf(std::string_view path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string_view::npos) return {};
    return slash == 0 ? path.substr(0, 1) : path.substr(0, slash);
}

bool OrphanCheck::FolderReachable(std::string_view path) {
    const std::string folder(FolderOf(path));
    return folder.empty() || FolderExists(folder);
}

bool OrphanCheck::FolderExists(const std::string& folder) {
    const auto [it, inserted] = folders_.try_emplace(folder, false);
    if (inserted) {
        struct stat info {};
        it->second = ::stat(folder.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
    }
    return it->second;
}

SongFileState OrphanCheck::Check(std::string_view path) {
    if (path.empty()) return SongFileState::Missing;
    if (!FolderReachable(path)) return SongFileState::Unreachable;
    const std::string file(path);
    struct stat info {};
    if (::stat(file.c_str(), &info) == 0)
        return S_ISDIR(info.st_mode) ? SongFileState::Missing : SongFileState::Present;
    // Only a clear "not there" deletes a row; any other failure (no permission,
    // an I/O error, a stale network handle) may pass.
    return errno == ENOENT || errno == ENOTDIR ? SongFileState::Missing
                                               : SongFileState::Unreachable;
}

}  // namespace tv
