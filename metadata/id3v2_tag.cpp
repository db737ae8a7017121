#include "metadata/id3v2_tag.h"

#include <taglib/id3v2framefactory.h>
#include <taglib/id3v2header.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/tbytevectorstream.h>
#include <taglib/tdebuglistener.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <system_error>
#include <vector>

namespace tv {
namespace {

// Tags bigger than this are not read: ID3v2 sizes have 28 bits (256 MiB), and a
// cover picture of a few megabytes is the most a music file carries.
constexpr std::size_t kLargestTag = 64 << 20;

// TagLib reports frames it cannot read (a comment with a broken byte-order mark)
// on standard error; the catalogue reads what it can and says nothing.
class SilentTagLib final : public TagLib::DebugListener {
  public:
    void printMessage(const TagLib::String&) override {}
};

void SilenceTagLib() {
    static SilentTagLib silent;
    static const bool once = (TagLib::setDebugListener(&silent), true);
    (void)once;
}

std::string Utf8(const TagLib::String& text) {
    return text.to8Bit(true);
}

TagLib::String TagText(const std::string& utf8) {
    return TagLib::String(utf8, TagLib::String::UTF8);
}

}  // namespace

std::size_t ID3v2TagSize(std::string_view header) {
    if (header.size() < 10 || header.substr(0, 3) != "ID3") return 0;
    const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(header[at]); };
    // Versions after 2.4 may change the layout; TagLib would read them as 2.4.
    if (byte(3) < 2 || byte(3) > 4 || byte(4) == 0xFF) return 0;
    std::size_t size = 0;
    for (std::size_t at = 6; at < 10; ++at) {
        if (byte(at) & 0x80) return 0;  // sizes are "sync-safe": seven bits a byte
        size = size << 7 | byte(at);
    }
    const bool footer = byte(3) == 4 && (byte(5) & 0x10);
    return size + 10 + (footer ? 10 : 0);
}

std::optional<ID3v2Texts> ParseID3v2(std::string_view data) {
    if (ID3v2TagSize(data) == 0) return std::nullopt;
    SilenceTagLib();
    TagLib::ByteVectorStream stream(
        TagLib::ByteVector(data.data(), static_cast<unsigned int>(data.size())));
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    TagLib::ID3v2::Tag* tag = file.isValid() ? file.ID3v2Tag(false) : nullptr;
    if (tag == nullptr || !file.hasID3v2Tag()) return std::nullopt;
    ID3v2Texts texts;
    texts.Title = Utf8(tag->title());
    texts.Artist = Utf8(tag->artist());
    texts.Album = Utf8(tag->album());
    texts.Comment = Utf8(tag->comment());
    texts.Genre = Utf8(tag->genre());
    if (const unsigned year = tag->year(); year != 0) texts.Year = std::to_string(year);
    texts.Version = static_cast<int>(tag->header()->majorVersion());
    return texts;
}

std::optional<ID3v2Texts> ReadID3v2(int fd, const std::string& fileName) {
    const auto readAt = [&](char* data, std::size_t size, off_t at) -> std::size_t {
        std::size_t done = 0;
        while (done < size) {
            const ssize_t got = ::pread(fd, data + done, size - done, at + static_cast<off_t>(done));
            if (got < 0 && errno == EINTR) continue;
            if (got < 0) throw std::system_error(errno, std::generic_category(), fileName);
            if (got == 0) break;
            done += static_cast<std::size_t>(got);
        }
        return done;
    };
    char header[10];
    if (readAt(header, sizeof header, 0) < sizeof header) return std::nullopt;
    const std::size_t size = ID3v2TagSize(std::string_view(header, sizeof header));
    if (size == 0 || size > kLargestTag) return std::nullopt;
    std::string tag(size, '\0');
    tag.resize(readAt(tag.data(), size, 0));  // a cut file gives what it has
    return ParseID3v2(tag);
}

void UpdateID3v2(const std::filesystem::path& path, const ID3v2Texts& texts) {
    SilenceTagLib();
    TagLib::MPEG::File file(path.c_str(), TagLib::ID3v2::FrameFactory::instance(), false);
    if (!file.isValid() || file.readOnly())
        throw std::system_error(file.isValid() ? EACCES : EIO, std::generic_category(),
                                path.string());
    TagLib::ID3v2::Tag* tag = file.ID3v2Tag(false);
    if (tag == nullptr) return;  // a file without ID3v2 gets none
    tag->setTitle(TagText(texts.Title));
    tag->setArtist(TagText(texts.Artist));
    tag->setAlbum(TagText(texts.Album));
    tag->setComment(TagText(texts.Comment));
    tag->setGenre(TagText(texts.Genre));
    unsigned year = 0;
    std::from_chars(texts.Year.data(), texts.Year.data() + texts.Year.size(), year);
    tag->setYear(year);
    const TagLib::ID3v2::Version version =
        tag->header()->majorVersion() == 3 ? TagLib::ID3v2::v3 : TagLib::ID3v2::v4;
    if (!file.save(TagLib::MPEG::File::ID3v2, TagLib::File::StripNone, version,
                   TagLib::File::DoNotDuplicate))
        throw std::system_error(EIO, std::generic_category(), path.string());
}

}  // namespace tv
