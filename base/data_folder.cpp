#include "base/data_folder.h"

#include <unistd.h>

#include <system_error>

namespace tv {

std::filesystem::path ChooseDataFolder(const std::filesystem::path& programFolder,
                                       const char* xdgDataHome, const char* home) {
    if (!programFolder.empty() && ::access(programFolder.c_str(), W_OK | X_OK) == 0)
        return programFolder;
    // The XDG base directory rules: only an absolute XDG_DATA_HOME counts.
    std::filesystem::path base;
    if (xdgDataHome != nullptr && xdgDataHome[0] == '/')
        base = xdgDataHome;
    else if (home != nullptr && home[0] != '\0')
        base = std::filesystem::path(home) / ".local" / "share";
    else
        throw std::filesystem::filesystem_error(
            "Weder XDG_DATA_HOME noch HOME ist gesetzt", programFolder,
            std::make_error_code(std::errc::no_such_file_or_directory));
    const std::filesystem::path folder = base / "tunevault";
    std::filesystem::create_directories(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add);
    return folder;
}

}  // namespace tv
