#pragma once

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

namespace tv::test {

// A fresh folder below the system's temporary folder, removed with everything in
// it when the object goes.
class TempFolder {
  public:
    // Where the folder goes: the system's temporary folder, or, for a test whose
    // child process runs as another user (see RunUnprivileged), the first of it,
    // /tmp and /var/tmp that every user may pass through.
    enum class Reach { Owner, EveryUser };

    explicit TempFolder(Reach reach = Reach::Owner) {
        std::filesystem::path base = std::filesystem::temp_directory_path();
        if (reach == Reach::EveryUser) {
            for (const std::filesystem::path& candidate : {base, std::filesystem::path("/tmp"),
                                                         std::filesystem::path("/var/tmp")}) {
                if (EveryUserPassesThrough(candidate)) {
                    base = candidate;
                    break;
                }
            }
        }
        std::string pattern = (base / "tunevault-test-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        path_ = pattern;
    }
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    ~TempFolder() {
        std::error_code error;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, error);
        std::filesystem::remove_all(path_, error);
    }

    const std::filesystem::path& Path() const noexcept { return path_; }
    std::filesystem::path operator/(std::string_view name) const { return path_ / name; }

  private:
    // True when the folder and every folder above it may be searched by others.
    static bool EveryUserPassesThrough(std::filesystem::path folder) {
        folder = std::filesystem::absolute(folder);
        for (;;) {
            struct stat info {};
            if (::stat(folder.c_str(), &info) != 0 || (info.st_mode & S_IXOTH) == 0) return false;
            if (folder == folder.root_path()) return true;
            folder = folder.parent_path();
        }
    }

    std::filesystem::path path_;
};

inline void WriteBytes(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Text as a file in UTF-16 with its byte-order mark ("Unicode text" of a
// spreadsheet), little or big endian.
inline std::string Utf16Bytes(std::u16string_view text, bool littleEndian = true) {
    std::string bytes = littleEndian ? "\xFF\xFE" : "\xFE\xFF";
    for (const char16_t unit : text) {
        const char low = static_cast<char>(unit & 0xFF), high = static_cast<char>(unit >> 8);
        bytes += littleEndian ? std::string{low, high} : std::string{high, low};
    }
    return bytes;
}

inline std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace tv::test
