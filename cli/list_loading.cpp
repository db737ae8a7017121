#include "cli/list_loading.h"

#include <iostream>
#include <system_error>

#include "catalogue/list_file.h"

namespace tv::cli {

bool LoadListFile(SongList& list, const std::string& path) {
    try {
        LoadList(list, path);
        return true;
    } catch (const ListFileFormatError& error) {
        std::cerr << "tunevault-tool: " << path << ": Nullbyte bei Byte " << error.Offset()
                  << ", keine Listendatei\n";
    } catch (const std::system_error& error) {
        std::cerr << "tunevault-tool: " << path << ": " << error.code().message() << "\n";
    }
    return false;
}

}  // namespace tv::cli
