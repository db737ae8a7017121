#include "catalogue/m3u_playlist.h"

#include <gtest/gtest.h>

#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"
#include "tests/support/temp_folder.h"
#include "tests/support/write_limit.h"

namespace tv {
namespace {

using test::TempFolder;
using test::WriteBytes;

int AddRow(SongList& list, const std::string& time, const std::string& artist,
           const std::string& title, const std::string& file) {
    const int row = RowForNewEntry(list);
    list.SetCell(row, colTime, time);
    list.SetCell(row, colArtist, artist);
    list.SetCell(row, colTitle, title);
    list.SetCell(row, colFileName, file);
    list.SetCell(row, colAlbum, "Album");
    return row;
}

TEST(M3UText, WritesLengthArtistTitleAndPath) {
    SongList list(kSongColumnCount);
    AddRow(list, "03:07", "Band", "Song", "/Musik/a.mp3");
    AddRow(list, "  :  ", "Ab-Cd", "Ef", "/Musik/\xE4.mp3");
    AddRow(list, "", "", "", "/x.mp3");
    // Only what is there goes into the information line; a row without a file
    // is left out; line breaks become blanks.
    AddRow(list, "00:05", "", "Nur Titel", "/y.mp3");
    AddRow(list, "00:05", "Nur Band", "", "/z.mp3");
    AddRow(list, "00:05", "Band", "Ohne Datei", "");
    AddRow(list, "00:05", "Zwei\r\nZeilen", "Titel\nmit Umbruch", "/Ordner\n/a.mp3");
    AddRow(list, "00:05", "", "Titel - mit Strich", "/s.mp3");
    EXPECT_EQ(M3UText(list),
              "#EXTM3U\r\n#EXTINF:187,Band - Song\r\n/Musik/a.mp3\r\n"
              "#EXTINF:-1,Ab-Cd - Ef\r\n/Musik/\xE4.mp3\r\n"
              "#EXTINF:-1,\r\n/x.mp3\r\n"
              "#EXTINF:5,Nur Titel\r\n/y.mp3\r\n"
              "#EXTINF:5,Nur Band\r\n/z.mp3\r\n"
              "#EXTINF:5,Zwei  Zeilen - Titel mit Umbruch\r\n/Ordner /a.mp3\r\n"
              "#EXTINF:5, - Titel - mit Strich\r\n/s.mp3\r\n");
    // What is read back keeps title and artist apart.
    const auto back = ParseM3U(M3UText(list), "/");
    ASSERT_EQ(back.size(), 7u);
    EXPECT_EQ(back[3].Title, "Nur Titel");
    EXPECT_EQ(back[3].Artist, "");
    EXPECT_EQ(back[6].Title, "Titel - mit Strich");
    EXPECT_EQ(back[6].Artist, "");
    EXPECT_EQ(M3USeconds("100:05"), 6005);
    EXPECT_EQ(M3USeconds("03:7x"), -1);
    EXPECT_EQ(M3USeconds("00:-1"), -1);
    EXPECT_EQ(M3USeconds("3:5"), 185);
}

// What we write comes back exactly: artists with dashes, unknown lengths, names
// that are not UTF-8.
TEST(M3U, WrittenPlaylistsReadBackExactly) {
    TempFolder folder;
    SongList list(kSongColumnCount);
    AddRow(list, "03:07", "Band", "Song", "/Musik/a.mp3");
    AddRow(list, "  :  ", "Ab-Cd", "Ef - Gh", "/Musik/\xE4.mp3");
    AddRow(list, "61:01", "Die Ärzte", "Schrei nach Liebe", "relativ/ü.mp3");
    WriteM3U(list, folder / "liste.m3u");
    SongList back(kSongColumnCount);
    EXPECT_EQ(AppendM3UEntries(back, ReadM3U(folder / "liste.m3u")), 3);
    ASSERT_EQ(back.DataRowCount(), 3);
    for (int row = 1; row <= 3; ++row) {
        for (int column : {colTime, colArtist, colTitle}) {
            EXPECT_EQ(back.Cell(row, column), list.Cell(row, column)) << row << "/" << column;
        }
        EXPECT_EQ(back.Cell(row, colAlbum), "");
    }
    EXPECT_EQ(back.Cell(1, colFileName), "/Musik/a.mp3");
    EXPECT_EQ(back.Cell(2, colFileName), "/Musik/\xE4.mp3");
    EXPECT_EQ(back.Cell(3, colFileName), (folder.Path() / "relativ/ü.mp3").string());
    // Loading again appends every entry again.
    AppendM3UEntries(back, ReadM3U(folder / "liste.m3u"));
    EXPECT_EQ(back.DataRowCount(), 6);
}

TEST(ParseM3U, ReadsTheFormsOtherPlayersWrite) {
    const std::string text =
        "\xEF\xBB\xBF#EXTM3U\n"
        "# a comment\n"
        "\n"
        "#EXTINF:245,Künstler - Titel mit - Strich\n"
        "Musik/eins.mp3\n"
        "#PLAYLIST:Abend\n"
        "/abs/zwei.mp3\r\n"
        "#EXTINF:abc,Nur Titel\n"
        "file:///Musik/drei%20vier.mp3\n"
        "#EXTINF:-1,Radio - Stream\n"
        "http://radio.example/stream\n"
        "#EXTINF:12\n"
        "../fünf.mp3";
    const auto entries = ParseM3U(text, "/home/u/listen");
    ASSERT_EQ(entries.size(), 5u);
    EXPECT_EQ(entries[0].Time, "04:05");
    EXPECT_EQ(entries[0].Artist, "Künstler");
    EXPECT_EQ(entries[0].Title, "Titel mit - Strich");
    EXPECT_EQ(entries[0].FileName, "/home/u/listen/Musik/eins.mp3");
    EXPECT_EQ(entries[1].Time, "");
    EXPECT_EQ(entries[1].Title, "");
    EXPECT_EQ(entries[1].FileName, "/abs/zwei.mp3");
    EXPECT_EQ(entries[2].Time, "  :  ");
    EXPECT_EQ(entries[2].Artist, "");
    EXPECT_EQ(entries[2].Title, "Nur Titel");
    EXPECT_EQ(entries[2].FileName, "/Musik/drei vier.mp3");
    EXPECT_EQ(entries[3].Time, "  :  ");
    EXPECT_EQ(entries[3].FileName, "http://radio.example/stream");
    EXPECT_EQ(entries[4].Time, "00:12");
    EXPECT_EQ(entries[4].Title, "");
    EXPECT_EQ(entries[4].FileName, "/home/u/fünf.mp3");
}

// Playlists written on Windows: backslashes, relative paths against the list's
// folder, drive letters, CR-only line ends, UTF-16, fractional lengths.
TEST(ParseM3U, ReadsPlaylistsOfWindowsPlayers) {
    TempFolder folder;
    std::filesystem::create_directories(folder / "listen");
    std::filesystem::create_directories(folder / "other");
    WriteBytes(folder / "other" / "a b.mp3", "x");
    WriteBytes(folder / "listen" / "back\\slash.mp3", "x");  // a Linux name with a backslash
    const std::string text =
        "#EXTM3U\r#EXTINF:12.5,Band - Eins\r..\\other\\a b.mp3\r"
        "back\\slash.mp3\r"
        "C:\\Musik\\fehlt.mp3\r"
        "#EXTINF:200.4,Drei\r..\\other\\gibt es nicht.mp3\r";
    const auto entries = ParseM3U(text, folder / "listen");
    ASSERT_EQ(entries.size(), 4u);
    EXPECT_EQ(entries[0].FileName, (folder / "other" / "a b.mp3").string());
    EXPECT_EQ(entries[0].Time, "00:13");
    EXPECT_EQ(entries[0].Title, "Eins");
    EXPECT_FALSE(entries[0].OnWindowsDrive);
    EXPECT_EQ(entries[1].FileName, (folder / "listen" / "back\\slash.mp3").string());
    EXPECT_EQ(entries[2].FileName, "C:\\Musik\\fehlt.mp3");
    EXPECT_TRUE(entries[2].OnWindowsDrive);
    // Nothing there either way: the Windows reading, where it would be.
    EXPECT_EQ(entries[3].FileName, (folder / "other" / "gibt es nicht.mp3").string());
    EXPECT_EQ(entries[3].Time, "03:20");
    // The same playlist as UTF-16 (little and big endian) with CR LF.
    for (const bool little : {true, false}) {
        const std::u16string utf16 = u"#EXTM3U\r\n#EXTINF:3,\u00C4rzte - Zw\u00F6lf\r\n/m/\u00FC.mp3\r\n";
        const auto decoded = ParseM3U(test::Utf16Bytes(utf16, little), "/");
        ASSERT_EQ(decoded.size(), 1u);
        EXPECT_EQ(decoded[0].Artist, "\xC3\x84rzte");
        EXPECT_EQ(decoded[0].Title, "Zw\xC3\xB6lf");
        EXPECT_EQ(decoded[0].FileName, "/m/\xC3\xBC.mp3");
    }
}

TEST(ParseM3U, TextOfTheOldPlatformKeepsItsUmlauts) {
    TempFolder folder;
    // A Windows-1252 playlist: "Größe" and a path whose file exists only with
    // the UTF-8 name.
    test::WriteBytes(folder /
                         "Gr\xC3\xB6\xC3\x9F"
                         "e.mp3",
                     "x");
    const std::string text =
        "#EXTM3U\r\n#EXTINF:1,B\xE4nd - Gr\xF6\xDF"
        "e\r\n" +
        (folder.Path() /
         "Gr\xF6\xDF"
         "e.mp3")
            .string() +
        "\r\n";
    const auto entries = ParseM3U(text, "/");
    ASSERT_EQ(entries.size(), 1u);
    EXPECT_EQ(entries[0].Artist, "Bänd");
    EXPECT_EQ(entries[0].Title, "Größe");
    EXPECT_EQ(entries[0].FileName, (folder.Path() / "Größe.mp3").string());

    // A relative name of the old code page in a playlist whose own folder has a
    // UTF-8 name: only the name is decoded.
    const auto jorg = folder / "J\xC3\xB6rg";
    std::filesystem::create_directories(jorg);
    test::WriteBytes(jorg / "Gr\xC3\xB6\xC3\x9F" "e.mp3", "x");
    const auto relative = ParseM3U("Gr\xF6\xDF" "e.mp3\r\n", jorg);
    ASSERT_EQ(relative.size(), 1u);
    EXPECT_EQ(relative[0].FileName, (jorg / "Gr\xC3\xB6\xC3\x9F" "e.mp3").string());
}

TEST(WriteM3U, AFailureLeavesTheOldPlaylist) {
    TempFolder folder;
    SongList list(kSongColumnCount);
    AddRow(list, "01:00", "a", "b", "/c.mp3");
    test::WriteBytes(folder / "alt.m3u", "#EXTM3U\r\nalt\r\n");
    EXPECT_THROW(WriteM3U(list, folder / "fehlt" / "x.m3u"), std::system_error);
    EXPECT_THROW(ReadM3U(folder / "fehlt.m3u"), std::system_error);
    EXPECT_EQ(test::ReadBytes(folder / "alt.m3u"), "#EXTM3U\r\nalt\r\n");
}

TEST(WriteM3U, AWriteFailingPartWayKeepsTheOldPlaylist) {
    TempFolder folder;
    SongList list(kSongColumnCount);
    for (int row = 0; row < 3000; ++row)
        AddRow(list, "01:00", "Interpret", "Titel", "/Musik/" + std::to_string(row) + ".mp3");
    const auto path = folder / "alt.m3u";
    test::WriteBytes(path, "#EXTM3U\r\nalt\r\n");
    const int result = test::FailsPartWay(16 * 1024, [&] { WriteM3U(list, path); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(test::ReadBytes(path), "#EXTM3U\r\nalt\r\n");
    EXPECT_EQ(test::NamesIn(folder.Path()), std::set<std::string>{"alt.m3u"});
}

TEST(ParseM3U, NamesNeverGetLineBreaksOrZeroBytes) {
    // Found by fuzzing: "%0a" in a file URL became a line break in the name, which
    // split the entry in two when the playlist was written again; a zero byte in
    // a line would end the playlist's list file there.
    const std::string text = std::string("file:///Musik/a%0ab%0D%09c%00.mp3\n") +
                             std::string("/Musik/mit\0null.mp3\n", 20) + "file:///Musik/x%20y.mp3\n";
    const auto entries = ParseM3U(text, "/");
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(entries[0].FileName, "/Musik/a%0ab%0D%09c%00.mp3");
    EXPECT_EQ(entries[1].FileName, "/Musik/x y.mp3");
    SongList playlist(kCopyColumnCount);
    AppendM3UEntries(playlist, entries);
    EXPECT_EQ(ParseM3U(M3UText(playlist), "/").size(), 2u);
}

}  // namespace
}  // namespace tv
