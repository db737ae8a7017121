#include "tools/folder_scan.h"

#include <sys/stat.h>

#include <set>
#include <utility>

namespace tv {
namespace {

bool ContainsFolded(std::string_view name, std::string_view upperNeedle) {
    if (name.size() < upperNeedle.size()) return false;
    for (std::size_t i = 0; i + upperNeedle.size() <= name.size(); ++i) {
        bool match = true;
        for (std::size_t k = 0; k < upperNeedle.size() && match; ++k) {
            char c = name[i + k];
            if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 32);
            match = c == upperNeedle[k];
        }
        if (match) return true;
    }
    return false;
}

using FolderIdentity = std::pair<dev_t, ino_t>;

class Scanner {
  public:
    Scanner(const AudioTypes& types, const std::function<bool()>& beforeEntry,
            const std::function<void(const std::string&)>& onAudioFile)
        : types_(types), beforeEntry_(beforeEntry), onAudioFile_(onAudioFile) {}

    // False when the walk was stopped.
    bool Scan(const std::string& folder) {
        struct stat info {};
        if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return true;
        if (!visited_.insert({info.st_dev, info.st_ino}).second) return true;  // entered already

        std::error_code error;
        std::filesystem::directory_iterator entries(folder, error);
        if (error) return true;
        const std::string prefix = folder.ends_with('/') ? folder : folder + '/';
        for (; entries != std::filesystem::directory_iterator(); entries.increment(error)) {
            if (beforeEntry_ && !beforeEntry_()) return false;
            // Names are bytes: they need not be UTF-8 and are passed on unchanged.
            const std::string name = entries->path().filename().string();
            std::error_code typeError;
            if (entries->is_directory(typeError)) {
                if (!name.starts_with('.') && !Scan(prefix + name)) return false;
            } else if (entries->is_regular_file(typeError) && CountsAsAudioFile(name, types_)) {
                // Only regular files (or links to them): a FIFO, socket or device
                // named "x.mp3" is no song and would block whoever reads it.
                onAudioFile_(prefix + name);
            }
        }
        return true;
    }

  private:
    const AudioTypes& types_;
    const std::function<bool()>& beforeEntry_;
    const std::function<void(const std::string&)>& onAudioFile_;
    std::set<FolderIdentity> visited_;
};

}  // namespace

bool CountsAsAudioFile(std::string_view name, const AudioTypes& types) {
    return (types.Mp3 && ContainsFolded(name, ".MP3")) ||
           (types.Wma && ContainsFolded(name, ".WMA")) ||
           (types.Wav && ContainsFolded(name, ".WAV")) ||
           (types.Mp2 && ContainsFolded(name, ".MP2"));
}

bool ScanAudioFolder(const std::string& folder, const AudioTypes& types,
                     const std::function<bool()>& beforeEntry,
                     const std::function<void(const std::string& path)>& onAudioFile) {
    return Scanner(types, beforeEntry, onAudioFile).Scan(folder);
}

}  // namespace tv
