#pragma once

#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace tv {

// Which audio files a folder scan counts.
struct AudioTypes {
    bool Mp3 = true;
    bool Wma = true;
    bool Wav = true;
    bool Mp2 = false;  // offered on the command line only
};

// True when the name, upper-cased, contains ".MP3", ".WMA", ".WAV" or ".MP2"
// (anywhere, so "a.mp3.bak" counts too) for a type that is switched on.
bool CountsAsAudioFile(std::string_view name, const AudioTypes& types);

// Walks a folder and all its subfolders in the order the file system lists them:
// hidden entries included, folders whose name begins with "." skipped, each real
// folder entered at most once (so links cannot make the walk endless). Calls
// beforeEntry before each entry (when it returns false the walk stops) and
// onAudioFile with the path (folder, "/", name, as bytes) of each counting file:
// a regular file, or a link to one, whose name counts. FIFOs, sockets and devices
// never count. A folder that cannot be listed, or vanishes while it is listed,
// contributes what was listed so far. Returns false when the walk was stopped.
bool ScanAudioFolder(const std::string& folder, const AudioTypes& types,
                     const std::function<bool()>& beforeEntry,
                     const std::function<void(const std::string& path)>& onAudioFile);

}  // namespace tv
