#include "metadata/id3_tag.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "base/file_descriptor.h"
#include "base/safe_open.h"
#include "base/text_encoding.h"
#include "metadata/id3_genres.h"

namespace tv {
namespace {

constexpr std::size_t kTitleAt = 3, kArtistAt = 33, kAlbumAt = 63, kYearAt = 93, kCommentAt = 97;
constexpr std::size_t kTextWidth = 30, kYearWidth = 4, kGenreAt = 127;

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
    WriteField(bytes, kCommentAt, kTextWidth, fields.Comment);
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
    genre_ = GenreIndex(value) != kNoGenre ? value : "Unknown";
    modified_ = true;
}

void TID3Tag::SetFileName(const std::string& name) {
    if (name == fileName_) return;
    fileName_ = name;
    std::error_code error;
    if (!name.empty() && std::filesystem::exists(name, error)) ReadTag();
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
    if (fields) {
        tagPosition_ = info.st_size - static_cast<off_t>(kID3v1Size);
    } else {
        fields = ID3v1Fields{};
        tagPosition_ = info.st_size;
    }
    title_ = fields->Title;
    artist_ = fields->Artist;
    album_ = fields->Album;
    year_ = fields->Year;
    comment_ = fields->Comment;
    genre_ = GenreName(fields->Genre);
}

void TID3Tag::WriteTag() {
    if (!modified_) return;
    const auto bytes = BuildID3v1({title_, artist_, album_, year_, comment_, GenreIndex(genre_)});

    FileDescriptor file = OpenRegularFile(fileName_, O_RDWR);
    struct stat info {};
    if (::fstat(file.Get(), &info) != 0) ThrowFileError(errno, fileName_);

    // Where the tag goes is looked at now, not taken from the last reading.
    off_t position = info.st_size;
    if (info.st_size >= static_cast<off_t>(kID3v1Size)) {
        std::uint8_t head[3];
        if (!ReadExactly(file.Get(), head, sizeof head,
                         info.st_size - static_cast<off_t>(kID3v1Size)))
            ThrowFileError(errno ? errno : EIO, fileName_);
        if (std::memcmp(head, "TAG", 3) == 0)
            position = info.st_size - static_cast<off_t>(kID3v1Size);
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::pwrite(file.Get(), bytes.data() + done, bytes.size() - done,
                                         position + static_cast<off_t>(done));
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) {
            const int error = written < 0 ? errno : EIO;
            // An append that failed half-way is taken back.
            if (position == info.st_size) [[maybe_unused]]
                const int ignored = ::ftruncate(file.Get(), info.st_size);
            ThrowFileError(error, fileName_);
        }
        done += static_cast<std::size_t>(written);
    }
    if (::close(file.Release()) != 0) ThrowFileError(errno, fileName_);
    tagPosition_ = position;
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
        title_.clear();
        artist_.clear();
        album_.clear();
        year_.clear();
        comment_.clear();
        genre_.clear();
        tagPosition_ = 0;
        modified_ = false;
        fileName_.clear();  // the next FileName reads the file again
    }
}

}  // namespace tv
