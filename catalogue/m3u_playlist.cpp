#include "catalogue/m3u_playlist.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <optional>

#include "base/atomic_file.h"
#include "base/text_encoding.h"
#include "base/text_scan.h"
#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"

namespace tv {
namespace {

constexpr std::string_view kHeader = "#EXTM3U";
constexpr std::string_view kInfo = "#EXTINF:";
constexpr std::string_view kUnknownTime = "  :  ";

bool AllDigits(std::string_view text) {
    if (text.empty()) return false;
    for (const char c : text)
        if (c < '0' || c > '9') return false;
    return true;
}

std::string_view Trimmed(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return text;
}

std::string TwoDigits(long long value) {
    std::string text = std::to_string(value);
    return text.size() < 2 ? "0" + text : text;
}

// "187" -> "03:07", "12.5" -> "00:13" (rounded); anything but a non-negative
// number -> "  :  ".
std::string TimeText(std::string_view length) {
    length = Trimmed(length);
    double value = -1;
    const auto [end, error] = std::from_chars(length.data(), length.data() + length.size(), value,
                                              std::chars_format::fixed);
    if (error != std::errc() || end != length.data() + length.size() || !(value >= 0) ||
        value > 1e12)
        return std::string(kUnknownTime);
    const auto seconds = static_cast<long long>(std::llround(value));
    return TwoDigits(seconds / 60) + ":" + TwoDigits(seconds % 60);
}

int FromHex(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "file:///Musik/a%20b.mp3" -> "/Musik/a b.mp3". Escapes of control characters
// (%00 ... %1F) stay as they are: a zero byte, TAB, CR or LF in a name would cut it
// or break the lines of the playlist and list files it is written to.
std::string PathOfFileUrl(std::string_view url) {
    url.remove_prefix(7);  // "file://"
    if (!url.starts_with('/')) {
        const std::size_t slash = url.find('/');  // a host name: "localhost/..."
        url.remove_prefix(slash == std::string_view::npos ? url.size() : slash);
    }
    std::string path;
    for (std::size_t i = 0; i < url.size(); ++i) {
        if (url[i] == '%' && i + 2 < url.size() && FromHex(url[i + 1]) >= 0 &&
            FromHex(url[i + 2]) >= 0 && FromHex(url[i + 1]) * 16 + FromHex(url[i + 2]) >= 0x20) {
            path += static_cast<char>(FromHex(url[i + 1]) * 16 + FromHex(url[i + 2]));
            i += 2;
        } else {
            path += url[i];
        }
    }
    return path;
}

bool IsUrl(std::string_view line) {
    const std::size_t colon = line.find("://");
    if (colon == std::string_view::npos || colon == 0) return false;
    for (std::size_t i = 0; i < colon; ++i) {
        const char c = line[i];
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        if (!letter && !(i > 0 && ((c >= '0' && c <= '9') || c == '+' || c == '-' || c == '.')))
            return false;
    }
    return true;
}

bool Exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(std::filesystem::path(path), error);
}

std::string Absolute(const std::string& path, const std::filesystem::path& folder) {
    if (path.starts_with('/') || folder.empty()) return path;
    return (folder / path).lexically_normal().string();
}

// The name of an existing file a path stands for: as written, or, for a name in
// another code page, as the Windows-1252 text it was on the old platform.
std::optional<std::string> ExistingName(const std::string& written,
                                        const std::filesystem::path& folder) {
    const std::string path = Absolute(written, folder);
    if (Exists(path)) return path;
    if (!IsValidUtf8(path)) {
        // Names of the old platform's code page, each part of the path on its own:
        // the playlist's own folder may well be UTF-8 ("/home/jörg/…").
        std::string decoded;
        std::size_t start = 0;
        while (start <= path.size()) {
            const std::size_t slash = std::min(path.find('/', start), path.size());
            const std::string_view part = std::string_view(path).substr(start, slash - start);
            decoded += IsValidUtf8(part) ? std::string(part) : Windows1252ToUtf8(part);
            if (slash < path.size()) decoded += '/';
            start = slash + 1;
        }
        if (Exists(decoded)) return decoded;
    }
    return std::nullopt;
}

// "C:\Musik\a.mp3", "d:/a.mp3": a path on a Windows drive.
bool IsDriveLetterPath(std::string_view path) {
    return path.size() >= 3 && std::isalpha(static_cast<unsigned char>(path[0])) &&
           path[1] == ':' && (path[2] == '\\' || path[2] == '/');
}

// The file name a path line stands for. drivePath is set when the line names a
// Windows drive that no file here matches.
std::string FileNameOf(std::string_view line, const std::filesystem::path& folder,
                       bool& drivePath) {
    std::string path;
    if (line.starts_with("file://")) {
        path = PathOfFileUrl(line);
    } else if (IsUrl(line)) {
        return std::string(line);  // a stream: kept as it is
    } else {
        path = std::string(line);
    }
    if (auto found = ExistingName(path, folder)) return *found;
    // Playlists of Windows players separate folders by backslashes; on Linux a
    // backslash is a character of a name, so that reading comes second.
    if (path.find('\\') != std::string::npos) {
        std::string slashed = path;
        std::replace(slashed.begin(), slashed.end(), '\\', '/');
        if (auto found = ExistingName(slashed, folder)) return *found;
        // Missing either way: a relative path is Windows', an absolute one is a
        // Linux name and stays as written.
        if (!path.starts_with('/') && !IsDriveLetterPath(path)) path = std::move(slashed);
    }
    // No such file: the name's bytes as written (a drive path), else as the
    // absolute name it would have here.
    if (IsDriveLetterPath(path)) {
        drivePath = true;
        return path;
    }
    return Absolute(path, folder);
}

// A line break would end the entry's line: it becomes a blank.
std::string OnOneLine(std::string text) {
    std::replace_if(text.begin(), text.end(), [](char c) { return c == '\r' || c == '\n'; }, ' ');
    return text;
}

void SplitArtistAndTitle(std::string_view text, M3UEntry& entry) {
    const std::size_t dash = text.find(" - ");
    if (dash == std::string_view::npos) {
        entry.Title = std::string(text);
        return;
    }
    entry.Artist = std::string(text.substr(0, dash));
    entry.Title = std::string(text.substr(dash + 3));
}

}  // namespace

int M3USeconds(std::string_view time) {
    const std::size_t colon = time.find(':');
    if (colon == std::string_view::npos) return -1;
    const std::string_view minutes = time.substr(0, colon);
    const std::string_view seconds = time.substr(colon + 1, 2);
    if (!AllDigits(minutes) || !AllDigits(seconds) || minutes.size() > 6) return -1;
    int m = 0, s = 0;
    std::from_chars(minutes.data(), minutes.data() + minutes.size(), m);
    std::from_chars(seconds.data(), seconds.data() + seconds.size(), s);
    return m * 60 + s;
}

std::string M3UText(const SongList& playlist) {
    std::string text(kHeader);
    text += "\r\n";
    if (playlist.IsEmpty()) return text;  // no entries
    for (int row = 1; row <= playlist.DataRowCount(); ++row) {
        const std::string_view file = playlist.Cell(row, colFileName);
        if (file.empty()) continue;  // nothing to play
        const std::string artist = OnOneLine(std::string(playlist.Cell(row, colArtist)));
        const std::string title = OnOneLine(std::string(playlist.Cell(row, colTitle)));
        text += kInfo;
        text += std::to_string(M3USeconds(playlist.Cell(row, colTime)));
        text += ',';
        text += artist;
        // Without an artist the dash is left out, unless the title has one of its
        // own: it would then be read back as artist and title.
        if ((!artist.empty() && !title.empty()) || (artist.empty() && title.find(" - ") !=
                                                                          std::string::npos))
            text += " - ";
        text += title;
        text += "\r\n";
        text += OnOneLine(std::string(file));
        text += "\r\n";
    }
    return text;
}

void WriteM3U(const SongList& playlist, const std::filesystem::path& path) {
    WriteFileAtomically(path, M3UText(playlist));
}

std::vector<M3UEntry> ParseM3U(std::string_view text, const std::filesystem::path& folder) {
    if (text.starts_with("\xFF\xFE") || text.starts_with("\xFE\xFF")) {
        const std::string decoded = DecodeByteOrderMark(std::string(text));  // UTF-16
        return ParseM3U(decoded, folder);
    }
    if (text.starts_with("\xEF\xBB\xBF")) text.remove_prefix(3);  // a byte-order mark
    std::vector<M3UEntry> entries;
    M3UEntry pending;
    bool havePending = false;
    while (!text.empty()) {
        // Lines end at CR LF, LF or a lone CR (old Mac players).
        const std::size_t end = FindLineEnd(text);
        std::string_view line = text.substr(0, end);
        std::size_t next = end == text.size() ? text.size() : end + 1;
        if (end != text.size() && text[end] == '\r' && next < text.size() &&
            text[next] == '\n')
            ++next;
        text.remove_prefix(next);
        if (Trimmed(line).empty()) continue;
        if (line.starts_with(kInfo)) {
            const std::string info = DecodeFileText(std::string(line.substr(kInfo.size())));
            const std::size_t comma = info.find(',');
            pending = M3UEntry{};
            pending.Time = TimeText(std::string_view(info).substr(0, comma));
            if (comma != std::string::npos)
                SplitArtistAndTitle(std::string_view(info).substr(comma + 1), pending);
            havePending = true;
            continue;
        }
        if (line.starts_with('#')) continue;  // "#EXTM3U", comments, other tags
        // No file name holds a zero byte; in a list file it would end the text.
        if (line.find('\0') != std::string_view::npos) continue;
        M3UEntry entry = havePending ? std::move(pending) : M3UEntry{};
        havePending = false;
        entry.FileName = FileNameOf(line, folder, entry.OnWindowsDrive);
        entries.push_back(std::move(entry));
    }
    return entries;
}

std::vector<M3UEntry> ReadM3U(const std::filesystem::path& path) {
    return ParseM3U(ReadWholeFile(path), path.parent_path());
}

int AppendM3UEntries(SongList& playlist, const std::vector<M3UEntry>& entries) {
    for (const M3UEntry& entry : entries) {
        const int row = RowForNewEntry(playlist);
        playlist.SetCell(row, colTime, entry.Time);
        playlist.SetCell(row, colArtist, entry.Artist);
        playlist.SetCell(row, colTitle, entry.Title);
        playlist.SetCell(row, colFileName, entry.FileName);
    }
    return static_cast<int>(entries.size());
}

}  // namespace tv
