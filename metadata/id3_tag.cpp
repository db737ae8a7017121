#include "metadata/id3_tag.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <vector>

#include "base/file_descriptor.h"
#include "base/output_file.h"
#include "base/safe_open.h"
#include "base/text_encoding.h"
#include "metadata/id3_genres.h"
#include "metadata/id3v2_tag.h"

namespace tv {
namespace {

constexpr std::size_t kTitleAt = 3, kArtistAt = 33, kAlbumAt = 63, kYearAt = 93, kCommentAt = 97;
constexpr std::size_t kTextWidth = 30, kYearWidth = 4, kTrackAt = 126, kGenreAt = 127;

std::string ReadField(std::span<const std::uint8_t, kID3v1Size> bytes, std::size_t at,
                      std::size_t width) {
    const auto* begin = reinterpret_cast<const char*>(bytes.data() + at);
    std::size_t length = 0;
    while (length < width && begin[length] != '\0') ++length;
    std::string_view text(begin, length);
    const auto control = [](char c) { return static_cast<unsigned char>(c) <= 32; };
    while (!text.empty() && control(text.front())) text.remove_prefix(1);
    while (!text.empty() && control(text.back())) text.remove_suffix(1);
    return Windows1252ToUtf8(text);
}

void WriteField(std::array<std::uint8_t, kID3v1Size>& bytes, std::size_t at, std::size_t width,
                const std::string& text) {
    const std::string converted = Utf8ToWindows1252(text);
    std::memcpy(bytes.data() + at, converted.data(), std::min(width, converted.size()));
}

[[noreturn]] void ThrowFileError(int error, const std::string& name) {
    throw std::system_error(error, std::generic_category(), name);
}

bool ReadExactly(int fd, std::uint8_t* data, std::size_t size, off_t at) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t got = ::pread(fd, data + done, size - done, at + static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;
        done += static_cast<std::size_t>(got);
    }
    return true;
}

}  // namespace

std::optional<ID3v1Fields> ParseID3v1(std::span<const std::uint8_t, kID3v1Size> bytes) {
    if (std::memcmp(bytes.data(), "TAG", 3) != 0) return std::nullopt;
    ID3v1Fields fields;
    fields.Title = ReadField(bytes, kTitleAt, kTextWidth);
    fields.Artist = ReadField(bytes, kArtistAt, kTextWidth);
    fields.Album = ReadField(bytes, kAlbumAt, kTextWidth);
    fields.Year = ReadField(bytes, kYearAt, kYearWidth);
    fields.Comment = ReadField(bytes, kCommentAt, kTextWidth);
    fields.Genre = bytes[kGenreAt];
    if (bytes[kTrackAt - 1] == 0 && bytes[kTrackAt] != 0) fields.Track = bytes[kTrackAt];
    return fields;
}

std::array<std::uint8_t, kID3v1Size> BuildID3v1(const ID3v1Fields& fields) {
    std::array<std::uint8_t, kID3v1Size> bytes;
    bytes.fill(' ');
    std::memcpy(bytes.data(), "TAG", 3);
    WriteField(bytes, kTitleAt, kTextWidth, fields.Title);
    WriteField(bytes, kArtistAt, kTextWidth, fields.Artist);
    WriteField(bytes, kAlbumAt, kTextWidth, fields.Album);
    WriteField(bytes, kYearAt, kYearWidth, fields.Year);
    const std::string comment = Utf8ToWindows1252(fields.Comment);
    if (fields.Track != 0 && comment.size() <= kTextWidth - 2) {
        // ID3v1.1: 28 bytes of comment, a zero, the track number.
        WriteField(bytes, kCommentAt, kTextWidth - 2, fields.Comment);
        bytes[kTrackAt - 1] = 0;
        bytes[kTrackAt] = fields.Track;
    } else {
        WriteField(bytes, kCommentAt, kTextWidth, fields.Comment);
    }
    bytes[kGenreAt] = fields.Genre;
    return bytes;
}

void TID3Tag::SetText(std::string& field, const std::string& value) {
    if (field == value) return;
    field = value;
    modified_ = true;
}

void TID3Tag::SetGenre(const std::string& value) {
    if (genre_ == value) return;
    genre_ = hasID3v2_ || GenreIndex(value) != kNoGenre ? value : "Unknown";
    modified_ = true;
}

void TID3Tag::SetFileName(const std::string& name) {
    if (name == fileName_) return;
    fileName_ = name;
    std::error_code error;
    readFromFile_ = false;
    if (!name.empty() && std::filesystem::exists(name, error)) {
        ReadTag();
        readFromFile_ = true;
    }
}

void TID3Tag::Clear() noexcept {
    title_.clear();
    artist_.clear();
    album_.clear();
    year_.clear();
    comment_.clear();
    genre_.clear();
    tagPosition_ = 0;
    track_ = 0;
    hasID3v1_ = hasID3v2_ = false;
    id3v2Version_ = 0;
    modified_ = false;
    readFromFile_ = false;
}

void TID3Tag::ReadTag() {
    FileDescriptor file = OpenRegularFile(fileName_, O_RDONLY);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) ThrowFileError(errno, fileName_);

    std::optional<ID3v1Fields> fields;
    if (info.st_size >= static_cast<off_t>(kID3v1Size)) {
        std::array<std::uint8_t, kID3v1Size> bytes{};
        if (!ReadExactly(file.Get(), bytes.data(), bytes.size(),
                         info.st_size - static_cast<off_t>(kID3v1Size)))
            ThrowFileError(errno ? errno : EIO, fileName_);
        fields = ParseID3v1(bytes);
    }
    hasID3v1_ = fields.has_value();
    if (fields) {
        tagPosition_ = info.st_size - static_cast<off_t>(kID3v1Size);
    } else {
        fields = ID3v1Fields{};
        tagPosition_ = info.st_size;
    }
    const std::optional<ID3v2Texts> v2 = ReadID3v2(file.Get(), fileName_);
    hasID3v2_ = v2.has_value();
    id3v2Version_ = v2 ? v2->Version : 0;
    // The ID3v2 tag's texts where it has them (not cut at 30 bytes), the ID3v1
    // tag's for the rest.
    const auto pick = [&](const std::string ID3v2Texts::*member, const std::string& fromV1) {
        return v2 && !((*v2).*member).empty() ? (*v2).*member : fromV1;
    };
    title_ = pick(&ID3v2Texts::Title, fields->Title);
    artist_ = pick(&ID3v2Texts::Artist, fields->Artist);
    album_ = pick(&ID3v2Texts::Album, fields->Album);
    year_ = pick(&ID3v2Texts::Year, fields->Year);
    comment_ = pick(&ID3v2Texts::Comment, fields->Comment);
    genre_ = pick(&ID3v2Texts::Genre, GenreName(fields->Genre));
    track_ = fields->Track;
}

namespace {

// Writes a 128-byte ID3v1 tag into an open file: over the tag at its end, or
// appended. Returns where it went. Throws naming the file.
off_t WriteID3v1(int fd, const std::array<std::uint8_t, kID3v1Size>& bytes,
                 const std::string& name) {
    struct stat info {};
    if (::fstat(fd, &info) != 0) ThrowFileError(errno, name);
    // Where the tag goes is looked at now, not taken from the last reading.
    off_t position = info.st_size;
    if (info.st_size >= static_cast<off_t>(kID3v1Size)) {
        std::uint8_t head[3];
        if (!ReadExactly(fd, head, sizeof head, info.st_size - static_cast<off_t>(kID3v1Size)))
            ThrowFileError(errno ? errno : EIO, name);
        if (std::memcmp(head, "TAG", 3) == 0)
            position = info.st_size - static_cast<off_t>(kID3v1Size);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::pwrite(fd, bytes.data() + done, bytes.size() - done,
                                         position + static_cast<off_t>(done));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            const int error = written < 0 ? errno : EIO;
            // An append that failed half-way is taken back.
            if (position == info.st_size) [[maybe_unused]]
                const int ignored = ::ftruncate(fd, info.st_size);
            ThrowFileError(error, name);
        }
        done += static_cast<std::size_t>(written);
    }
    return position;
}

// Copies the whole of one open file into another.
void CopyContents(int from, int to, const std::string& name) {
    off_t offset = 0;
    for (;;) {
        const ssize_t copied = ::copy_file_range(from, &offset, to, nullptr, 1 << 24, 0);
        if (copied < 0 && errno == EINTR) continue;
        if (copied < 0 && (errno == EXDEV || errno == ENOSYS || errno == EINVAL)) break;
        if (copied < 0) ThrowFileError(errno, name);
        if (copied == 0) return;
    }
    // Without copy_file_range (another file system): read and write.
    std::vector<char> buffer(1 << 20);
    for (;;) {
        const ssize_t got = ::pread(from, buffer.data(), buffer.size(), offset);
        if (got < 0 && errno == EINTR) continue;
        if (got < 0) ThrowFileError(errno, name);
        if (got == 0) return;
        for (ssize_t done = 0; done < got;) {
            const ssize_t put = ::write(to, buffer.data() + done, static_cast<std::size_t>(got - done));
            if (put < 0 && errno == EINTR) continue;
            if (put <= 0) ThrowFileError(put < 0 ? errno : EIO, name);
            done += put;
        }
        offset += got;
    }
}

}  // namespace

void TID3Tag::WriteTag() {
    if (!modified_) return;
    const auto bytes = BuildID3v1(
        {title_, artist_, album_, year_, comment_, GenreIndex(genre_), track_});

    // Opened for writing either way: a file the user may not write stays as it is.
    FileDescriptor file = OpenRegularFile(fileName_, O_RDWR);
    off_t position = 0;
    if (!hasID3v2_) {
        position = WriteID3v1(file.Get(), bytes, fileName_);
        if (::close(file.Release()) != 0) ThrowFileError(errno, fileName_);
    } else {
        // The ID3v2 tag may grow: the file is written anew beside itself and
        // replaces itself only when complete.
        OutputFile copy(fileName_);
        CopyContents(file.Get(), copy.Fd(), fileName_);
        UpdateID3v2(copy.TemporaryPath(),
                    {title_, artist_, album_, year_, comment_, genre_, id3v2Version_});
        position = WriteID3v1(copy.Fd(), bytes, fileName_);
        copy.Commit();
    }
    tagPosition_ = position;
    hasID3v1_ = true;
    modified_ = false;
}

void TID3Tag::Save() {
    try {
        WriteTag();
    } catch (...) {
        // The values were not written: the tag shows the file as it is again, so
        // that a later read of the same file does not take them for its contents.
        Reload();
        throw;
    }
}

void TID3Tag::Reload() noexcept {
    try {
        ReadTag();
        modified_ = false;
    } catch (const std::exception&) {
        Clear();
        fileName_.clear();  // the next FileName reads the file again
    }
}

}  // namespace tv
