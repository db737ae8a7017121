#pragma once

#include <string>
#include <string_view>
#include <unordered_map>

namespace tv {

// What became of the file a "Dateiname" cell names.
enum class SongFileState {
    Present,      // a file (anything but a folder) of that name exists
    Missing,      // its folder exists, the file does not (or the cell is empty)
    Unreachable,  // its folder is missing or cannot be looked into (an unplugged
                  // disk, an unmounted share, no permission)
};

// Tells present, missing and unreachable files apart; each folder is looked at
// once, however many songs it holds.
class OrphanCheck {
  public:
    SongFileState Check(std::string_view path);
    // Whether the folder a path names can be looked into (true for a path
    // without a folder).
    bool FolderReachable(std::string_view path);

  private:
    bool FolderExists(const std::string& folder);

    std::unordered_map<std::string, bool> folders_;
};

// The folder part of a path (before its last "/"); empty when it has none.
std::string_view FolderOf(std::string_view path);

}  // namespace tv
