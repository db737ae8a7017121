#include "metadata/id3_tag.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <taglib/id3v1tag.h>
#include <taglib/mpegfile.h>

#include <cstring>

#include "metadata/id3_genres.h"
#include "metadata/id3v2_tag.h"
#include "tests/support/temp_folder.h"

namespace tv {
namespace {

const std::filesystem::path kData = TV_TEST_DATA_DIR "/mp3";

// What an independent reader (TagLib) finds in a file's ID3v1 tag.
struct TagLibView {
    std::string Title, Artist, Album, Comment, Genre;
    unsigned Year = 0;
    bool HasTag = false;
};

TagLibView ReadWithTagLib(const std::filesystem::path& path) {
    TagLib::MPEG::File file(path.c_str(), false);
    TagLibView view;
    if (TagLib::ID3v1::Tag* tag = file.ID3v1Tag(false); tag && !tag->isEmpty()) {
        view.HasTag = true;
        view.Title = tag->title().to8Bit(true);
        view.Artist = tag->artist().to8Bit(true);
        view.Album = tag->album().to8Bit(true);
        view.Comment = tag->comment().to8Bit(true);
        view.Genre = tag->genre().to8Bit(true);
        view.Year = tag->year();
    }
    return view;
}

std::filesystem::path CopyFixture(const test::TempFolder& folder, const char* name) {
    const auto target = folder / name;
    std::filesystem::copy_file(kData / name, target);
    return target;
}

TEST(TID3Tag, ReadsLatin1TagsAsUtf8) {
    TID3Tag tag;
    tag.SetFileName((kData / "with_id3v1.mp3").string());
    EXPECT_EQ(tag.Title(), "Über Alles");
    EXPECT_EQ(tag.Artist(), "Die Ärzte");
    EXPECT_EQ(tag.Album(), "Das Album");
    EXPECT_EQ(tag.Year(), "1998");
    EXPECT_EQ(tag.Comment(), "Kommentar");  // the track number behind a zero byte is not read
    EXPECT_EQ(tag.Genre(), "Rock");
    EXPECT_EQ(
        tag.TagPosition(),
        static_cast<std::int64_t>(std::filesystem::file_size(kData / "with_id3v1.mp3")) - 128);
    EXPECT_FALSE(tag.Modified());
}

TEST(TID3Tag, WrittenTagsReadBackExactlyWithTagLib) {
    test::TempFolder folder;
    const auto path = CopyFixture(folder, "with_id3v1.mp3");
    const auto size = std::filesystem::file_size(path);
    TID3Tag tag;
    tag.SetFileName(path.string());
    tag.SetTitle("Grüße aus Köln, Ça va ½");
    tag.SetArtist("Motörhead");
    tag.SetAlbum("");
    tag.SetYear("2001");
    tag.SetComment("30 Zeichen genau: 1234567890ab");
    tag.SetGenre("heavy metal");
    tag.Save();
    EXPECT_FALSE(tag.Modified());
    EXPECT_EQ(std::filesystem::file_size(path), size);  // overwritten in place

    const TagLibView view = ReadWithTagLib(path);
    ASSERT_TRUE(view.HasTag);
    EXPECT_EQ(view.Title, "Grüße aus Köln, Ça va ½");
    EXPECT_EQ(view.Artist, "Motörhead");
    EXPECT_EQ(view.Album, "");
    EXPECT_EQ(view.Year, 2001u);
    EXPECT_EQ(view.Comment, "30 Zeichen genau: 1234567890ab");
    EXPECT_EQ(view.Genre, "Heavy Metal");  // byte 137

    TID3Tag again;
    again.SetFileName(path.string());
    EXPECT_EQ(again.Title(), "Grüße aus Köln, Ça va ½");
    EXPECT_EQ(again.Genre(), "Heavy Metal");
}

TEST(TID3Tag, AFileWithoutTagGetsOneAppendedOnceThenOverwritten) {
    test::TempFolder folder;
    const auto path = CopyFixture(folder, "cbr128_stereo.mp3");
    const auto size = std::filesystem::file_size(path);
    TID3Tag tag;
    tag.SetFileName(path.string());
    EXPECT_EQ(tag.Title(), "");
    EXPECT_EQ(tag.Genre(), "");
    EXPECT_EQ(tag.TagPosition(), static_cast<std::int64_t>(size));
    tag.SetTitle("A title of exactly thirty char");
    tag.SetArtist("An artist whose name is longer than thirty");
    tag.SetGenre("rock");
    tag.Save();
    EXPECT_EQ(std::filesystem::file_size(path), size + 128);
    const std::string bytes = test::ReadBytes(path).substr(size);
    EXPECT_EQ(bytes.substr(0, 33), "TAGA title of exactly thirty char");
    EXPECT_EQ(bytes.substr(33, 30), "An artist whose name is longer");
    EXPECT_EQ(bytes.substr(63, 30), std::string(30, ' '));  // blanks, no zero byte
    EXPECT_EQ(static_cast<unsigned char>(bytes[127]), 17u);

    tag.SetTitle("Second");
    tag.Save();
    EXPECT_EQ(std::filesystem::file_size(path), size + 128);
    EXPECT_EQ(ReadWithTagLib(path).Title, "Second");
}

TEST(TID3Tag, UnchangedValuesWriteNothing) {
    test::TempFolder folder;
    const auto path = CopyFixture(folder, "with_id3v1.mp3");
    TID3Tag tag;
    tag.SetFileName(path.string());
    tag.SetTitle("Über Alles");
    tag.SetGenre("Rock");
    EXPECT_FALSE(tag.Modified());
    std::filesystem::remove(path);  // a write would fail now
    EXPECT_NO_THROW(tag.Save());
}

TEST(TID3Tag, GenresOutsideTheTableAreUnknown) {
    test::TempFolder folder;
    const auto path = CopyFixture(folder, "cbr128_stereo.mp3");
    TID3Tag tag;
    tag.SetFileName(path.string());
    tag.SetGenre("Schlager");
    EXPECT_EQ(tag.Genre(), "Unknown");
    tag.Save();
    EXPECT_EQ(static_cast<unsigned char>(test::ReadBytes(path).back()), 255u);
    TID3Tag reread;
    reread.SetFileName(path.string());
    EXPECT_EQ(reread.Genre(), "");
}

TEST(TID3Tag, TheSameNameIsNotReadAgain) {
    test::TempFolder folder;
    const auto path = CopyFixture(folder, "with_id3v1.mp3");
    TID3Tag tag;
    tag.SetFileName(path.string());
    TID3Tag writer;
    writer.SetFileName(path.string());
    writer.SetTitle("Changed");
    writer.Save();
    tag.SetFileName(path.string());
    EXPECT_EQ(tag.Title(), "Über Alles");
    tag.SetFileName("");  // a missing name only stores the name
    EXPECT_EQ(tag.Title(), "Über Alles");
}

TEST(TID3Tag, AFileThatGrewSinceReadingKeepsItsAudio) {
    test::TempFolder folder;
    const auto path = CopyFixture(folder, "with_id3v1.mp3");
    TID3Tag tag;
    tag.SetFileName(path.string());
    // Someone replaces the file with one that has no tag at its end.
    std::filesystem::copy_file(kData / "cbr128_stereo.mp3", path,
                               std::filesystem::copy_options::overwrite_existing);
    const std::string audio = test::ReadBytes(path);
    tag.SetTitle("New");
    tag.Save();
    const std::string after = test::ReadBytes(path);
    EXPECT_EQ(after.substr(0, audio.size()), audio);
    EXPECT_EQ(after.size(), audio.size() + 128);
}

TEST(TID3Tag, WriteFailuresReachTheCallerAndKeepTheTagModified) {
    test::TempFolder folder;
    std::filesystem::create_directory(folder / "dir.mp3");
    TID3Tag tag;
    EXPECT_THROW(tag.SetFileName((folder / "dir.mp3").string()), std::system_error);
    tag.SetTitle("x");
    EXPECT_THROW(tag.WriteTag(), std::system_error);
    EXPECT_TRUE(tag.Modified());
    EXPECT_EQ(tag.Title(), "x");

    TID3Tag vanished;
    vanished.SetFileName((folder / "gone.mp3").string());
    vanished.SetTitle("y");
    EXPECT_THROW(vanished.Save(), std::system_error);
    EXPECT_FALSE(std::filesystem::exists(folder / "gone.mp3"));
}

// A tag whose writing fails like a read-only or locked file does.
class UnwritableTag final : public TID3Tag {
  public:
    void WriteTag() override { throw std::system_error(EROFS, std::generic_category(), "x"); }
};

TEST(TID3Tag, AFailedSaveReadsTheFileAgainInsteadOfKeepingUnsavedValues) {
    test::TempFolder folder;
    const auto file = CopyFixture(folder, "with_id3v1.mp3");
    UnwritableTag tag;
    tag.SetFileName(file.string());
    ASSERT_EQ(tag.Title(), "Über Alles");
    tag.SetTitle("Nie gespeichert");
    tag.SetGenre("Jazz");
    EXPECT_THROW(tag.Save(), std::system_error);
    // The tag shows the file again: reading the same file gives its real values.
    EXPECT_EQ(tag.Title(), "Über Alles");
    EXPECT_EQ(tag.Genre(), "Rock");
    EXPECT_FALSE(tag.Modified());
    tag.SetFileName(file.string());
    EXPECT_EQ(tag.Title(), "Über Alles");

    // A file that vanished: nothing of the unsaved values stays, and the next
    // reading of that name reads the file that is there by then.
    const auto other = CopyFixture(folder, "cbr128_stereo.mp3");
    UnwritableTag lost;
    lost.SetFileName(other.string());
    lost.SetTitle("Verloren");
    std::filesystem::remove(other);
    EXPECT_THROW(lost.Save(), std::system_error);
    EXPECT_EQ(lost.Title(), "");
    std::filesystem::copy_file(kData / "with_id3v1.mp3", other);
    lost.SetFileName(other.string());
    EXPECT_EQ(lost.Title(), "Über Alles");
}

TEST(TID3Tag, FifosAndDevicesAreRefusedWithoutBlocking) {
    test::TempFolder folder;
    const auto fifo = folder / "pipe.mp3";
    ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
    TID3Tag tag;
    EXPECT_THROW(tag.SetFileName(fifo.string()), std::system_error);
    tag.SetTitle("x");
    EXPECT_THROW(tag.WriteTag(), std::system_error);
    TID3Tag device;
    EXPECT_THROW(device.SetFileName("/dev/zero"), std::system_error);
}

TEST(ID3v1Bytes, TextsAreWindows1252OnDisk) {
    ID3v1Fields fields;
    fields.Title = "a – b € ☺";
    const auto bytes = BuildID3v1(fields);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(bytes.data()) + 3, 9), "a \x96 b \x80 ?");
    EXPECT_EQ(ParseID3v1(bytes)->Title, "a – b € ?");
}

TEST(ID3v1Bytes, FieldsAreTrimmedAndZeroPaddedTagsReadLikeBlankPadded) {
    std::array<std::uint8_t, kID3v1Size> bytes{};
    std::memcpy(bytes.data(), "TAG  Title\0junk", 15);
    std::memcpy(bytes.data() + 33, "Artist                        ", 30);
    bytes[127] = 200;
    const auto fields = ParseID3v1(bytes);
    ASSERT_TRUE(fields.has_value());
    EXPECT_EQ(fields->Title, "Title");
    EXPECT_EQ(fields->Artist, "Artist");
    EXPECT_EQ(GenreName(fields->Genre), "Unknown");
    bytes[0] = 't';
    EXPECT_FALSE(ParseID3v1(bytes).has_value());  // "TAG" is case-sensitive
}

TEST(ID3Genres, NamesAndBytesMapBothWays) {
    EXPECT_EQ(GenreIndex("rock"), 17);
    EXPECT_EQ(GenreIndex("ROCK & ROLL"), 78);
    EXPECT_EQ(GenreIndex("Psychadelic"), 67);
    EXPECT_EQ(GenreIndex("Psychedelic"), 67);
    EXPECT_EQ(GenreIndex("Folk/Rock"), 81);
    EXPECT_EQ(GenreIndex("Christian Gangs"), 136);
    EXPECT_EQ(GenreIndex("Christian Gangsta Rap"), 136);
    EXPECT_EQ(GenreIndex("Synthpop"), 147);
    EXPECT_EQ(GenreIndex("Unknown"), 255);
    EXPECT_EQ(GenreIndex(""), 255);
    for (int byte = 0; byte < 148; ++byte)
        EXPECT_EQ(GenreIndex(GenreName(static_cast<std::uint8_t>(byte))), byte);
    EXPECT_EQ(GenreName(125), "Dance Hall");
    EXPECT_EQ(GenreName(126), "Goa");
    EXPECT_EQ(GenreName(254), "Unknown");
    EXPECT_EQ(GenreName(255), "");
}

// An ID3v1.1 tag's track number survives every write whose comment fits in 28
// bytes; a longer comment takes the 30 bytes as before.
TEST(ID3v1Bytes, TheTrackNumberIsKept) {
    ID3v1Fields fields{"T", "A", "L", "1999", "kurz", 17, 9};
    auto bytes = BuildID3v1(fields);
    EXPECT_EQ(bytes[125], 0);
    EXPECT_EQ(bytes[126], 9);
    EXPECT_EQ(ParseID3v1(bytes)->Track, 9);
    EXPECT_EQ(ParseID3v1(bytes)->Comment, "kurz");
    fields.Comment = std::string(28, 'c');
    EXPECT_EQ(BuildID3v1(fields)[126], 9);
    fields.Comment = std::string(29, 'c');
    bytes = BuildID3v1(fields);
    EXPECT_EQ(ParseID3v1(bytes)->Comment, fields.Comment);
    EXPECT_EQ(ParseID3v1(bytes)->Track, 0);
}

TEST(TID3Tag, AWriteKeepsTheTrackOfTheFile) {
    test::TempFolder folder;
    const auto path = CopyFixture(folder, "with_id3v1.mp3");
    TID3Tag tag;
    tag.SetFileName(path.string());
    ASSERT_NE(tag.Track(), 0);
    const std::uint8_t track = tag.Track();
    tag.SetTitle("Neu");
    tag.Save();
    TagLib::MPEG::File file(path.c_str(), false);
    EXPECT_EQ(file.ID3v1Tag(false)->track(), track);
    EXPECT_EQ(file.ID3v1Tag(false)->title().to8Bit(true), "Neu");
}

// Files with an ID3v2 tag: its texts (whole, in UTF-8) before the ID3v1 tag's.
TEST(TID3Tag, ReadsTheId3v2TagBeforeTheId3v1Tag) {
    test::TempFolder folder;
    const auto path = CopyFixture(folder, "id3v2_cover.mp3");
    TID3Tag tag;
    tag.SetFileName(path.string());
    EXPECT_TRUE(tag.HasID3v2());
    EXPECT_EQ(tag.ID3v2Version(), 3);
    EXPECT_EQ(tag.Title(), "Cover Song");
    // A tag of 2.2 and one cut short by the end of the data.
    const std::string v22("ID3\x02\x00\x00\x00\x00\x00\x0BTT2\x00\x00\x05\x00Zwei", 21);
    ASSERT_TRUE(ParseID3v2(v22).has_value());
    EXPECT_EQ(ParseID3v2(v22)->Title, "Zwei");
    EXPECT_EQ(ParseID3v2(v22)->Version, 2);
    EXPECT_FALSE(ParseID3v2("ID3").has_value());
    // A version after 2.4 is not read as if it were 2.4.
    std::string v5 = v22;
    v5[3] = '\x05';
    EXPECT_FALSE(ParseID3v2(v5).has_value());
    v5[3] = '\xCB';
    EXPECT_FALSE(ParseID3v2(v5).has_value());
    EXPECT_FALSE(ParseID3v2(v22.substr(0, 12)).value_or(ID3v2Texts{}).Title.size() > 4);
}

}  // namespace
}  // namespace tv
