#pragma once

#include <filesystem>
#include <string>

namespace tv {

// Where the list files and SONGVAT.INI live. They belong beside the program;
// when the program's folder is writable (the build tree, a portable copy) they
// stay there. An installed program's folder (/usr/bin) is not: then they live in
// $XDG_DATA_HOME/tunevault, by default ~/.local/share/tunevault, made on first
// use. xdgDataHome and home are the environment's values (null or empty when
// unset). Throws std::filesystem::filesystem_error when the folder cannot be made.
std::filesystem::path ChooseDataFolder(const std::filesystem::path& programFolder,
                                       const char* xdgDataHome, const char* home);

}  // namespace tv
