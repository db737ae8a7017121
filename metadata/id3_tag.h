#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

namespace tv {

// The six values of an ID3v1 tag as UTF-8 texts, its genre byte, and the track
// number of an ID3v1.1 tag (0: none).
struct ID3v1Fields {
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;
    std::string Comment;
    std::uint8_t Genre = 255;
    std::uint8_t Track = 0;
};

inline constexpr std::size_t kID3v1Size = 128;

// Reads the 128 bytes of an ID3v1 tag; nothing when they do not start with "TAG".
// Each text is taken up to its first zero byte, stripped of leading and trailing
// characters 0..32 and converted from Windows-1252. Byte 125 zero and byte 126
// not is the track number of ID3v1.1.
std::optional<ID3v1Fields> ParseID3v1(std::span<const std::uint8_t, kID3v1Size> bytes);

// The 128 bytes of a tag: "TAG", each text converted to Windows-1252 (characters
// without a byte there become '?'), cut to its field width and padded with blanks,
// and the genre byte. A track number is kept (ID3v1.1) when the comment fits into
// 28 bytes; a longer comment takes all 30 as before.
std::array<std::uint8_t, kID3v1Size> BuildID3v1(const ID3v1Fields& fields);

// The tags of one audio file: its ID3v1 tag, and its ID3v2 tag when it has one.
// Setting FileName reads them when the name is new and the file exists; a value
// is the ID3v2 tag's where that has it, else the ID3v1 tag's. Setting a value
// marks the tag modified when the value changes; Save writes a modified tag: the
// ID3v1 tag in place, and the same frames of an ID3v2 tag the file has (a file
// without one gets none).
class TID3Tag {
  public:
    TID3Tag() = default;
    virtual ~TID3Tag() = default;

    const std::string& Title() const noexcept { return title_; }
    const std::string& Artist() const noexcept { return artist_; }
    const std::string& Album() const noexcept { return album_; }
    const std::string& Year() const noexcept { return year_; }
    const std::string& Comment() const noexcept { return comment_; }
    const std::string& Genre() const noexcept { return genre_; }
    std::int64_t TagPosition() const noexcept { return tagPosition_; }
    const std::string& FileName() const noexcept { return fileName_; }
    bool Modified() const noexcept { return modified_; }
    // Which tags the file had when it was read, and the track number of its ID3v1.1
    // tag (0: none).
    bool HasID3v1() const noexcept { return hasID3v1_; }
    bool HasID3v2() const noexcept { return hasID3v2_; }
    int ID3v2Version() const noexcept { return id3v2Version_; }
    std::uint8_t Track() const noexcept { return track_; }

    void SetTitle(const std::string& value) { SetText(title_, value); }
    void SetArtist(const std::string& value) { SetText(artist_, value); }
    void SetAlbum(const std::string& value) { SetText(album_, value); }
    void SetYear(const std::string& value) { SetText(year_, value); }
    void SetComment(const std::string& value) { SetText(comment_, value); }
    // A name outside the genre table is kept as "Unknown" (the ID3v1 tag has only
    // the table); a file with an ID3v2 tag keeps the name as given.
    void SetGenre(const std::string& value);

    // Stores a new name and reads the tag when a file of that name exists; the same
    // name again does nothing. Throws std::system_error when the file cannot be read.
    void SetFileName(const std::string& name);
    // Whether the values are the ones read from the file now named (a missing
    // file leaves the previous values, which are then not its own).
    bool ReadFromFile() const noexcept { return readFromFile_; }

    // Reads the tag at the end of the file: without one, every value is empty and a
    // later write appends. Throws std::system_error when the file cannot be read.
    virtual void ReadTag();

    // Writes a modified tag: the ID3v1 tag over a tag found at the end of the file
    // now, or appended behind its last byte, so a file that changed since it was
    // read never has its audio overwritten. A file with an ID3v2 tag is written as
    // a whole: a copy in the same folder gets both tags, is flushed and renamed
    // over the file (its mode and owner kept), so a failure or a full disk leaves
    // the file as it was; the audio bytes never change. A file the user may not
    // write is refused either way. Throws std::system_error when the file cannot
    // be written; the tag then stays modified.
    virtual void WriteTag();

    // Writes a modified tag (WriteTag). When that fails the tag reads the file
    // again, so it never holds unsaved values as if they came from the file, and
    // the error is passed on.
    void Save();

  private:
    void Reload() noexcept;
    void Clear() noexcept;

    void SetText(std::string& field, const std::string& value);

    std::string title_, artist_, album_, year_, comment_, genre_;
    std::int64_t tagPosition_ = 0;
    std::uint8_t track_ = 0;
    bool hasID3v1_ = false;
    bool hasID3v2_ = false;
    int id3v2Version_ = 0;
    bool readFromFile_ = false;
    std::string fileName_;
    bool modified_ = false;
};

}  // namespace tv
