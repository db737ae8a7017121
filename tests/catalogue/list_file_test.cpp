#include "catalogue/list_file.h"

#include <gtest/gtest.h>
#include <malloc.h>

#include <random>
#include <system_error>

#include "catalogue/song_columns.h"
#include "tests/support/temp_folder.h"
#include "tests/support/write_limit.h"

namespace tv {
namespace {

using test::ReadBytes;
using test::TempFolder;
using test::WriteBytes;

const std::string kCatalogueCaptions =
    "Titel\tInterpret\tZeit\tAlbum\tGenre\tJahr\tBitrate\tDateiname\tKommentar\tgespielt\tzuletzt\t"
    "Image\t\r\n";
const std::string kCopyCaptions =
    "Titel\tInterpret\tZeit\tAlbum\tGenre\tJahr\tBitrate\tDateiname\tKommentar\t\r\n";

TEST(ListFileFormat, EmptyListsHoldCaptionsAndOneLineOfTabs) {
    SongList catalogue(kSongColumnCount);
    EXPECT_EQ(FormatListText(catalogue), kCatalogueCaptions + std::string(12, '\t') + "\r\n");
    SongList playlist(kCopyColumnCount);
    EXPECT_EQ(FormatListText(playlist), kCopyCaptions + std::string(9, '\t') + "\r\n");
}

TEST(ListFileFormat, SavedFileReadsBackByteForByte) {
    TempFolder folder;
    const std::string original =
        kCatalogueCaptions +
        "Über Alles\tDie Bänd\t03:07\tAlbum 1\tRock\t1999\t128\t/music/a "
        "b/ü.mp3\tgut\t3\t24.12.2005\t\t\r\n"
        "Zweiter\tX\t  :  \t\t\t    \t0\t/music/c.mp3\t\t\t\t/pics/c.jpg\t\r\n";
    WriteBytes(folder / "ALL_SONGS.TSV", original);

    SongList list(kSongColumnCount);
    LoadList(list, folder / "ALL_SONGS.TSV");
    ASSERT_EQ(list.DataRowCount(), 2);
    EXPECT_EQ(list.Cell(1, colTitle), "Über Alles");
    EXPECT_EQ(list.Cell(2, colTime), "  :  ");
    EXPECT_EQ(list.Cell(2, colImage), "/pics/c.jpg");

    SaveList(list, folder / "COPY.TSV");
    EXPECT_EQ(ReadBytes(folder / "COPY.TSV"), original);
}

TEST(ListFileReading, CellsAreTheTextsBetweenTabs) {
    SongList list(kSongColumnCount);
    ReadListText(list, kCatalogueCaptions + "a\t\tc\t\r\n");
    EXPECT_EQ(list.Cell(1, 0), "a");
    EXPECT_EQ(list.Cell(1, 1), "");
    EXPECT_EQ(list.Cell(1, 2), "c");
    EXPECT_EQ(list.ColumnCount(), kSongColumnCount);
}

TEST(ListFileReading, CellsTheLineDoesNotReachKeepTheirContent) {
    SongList list(kCopyColumnCount);
    list.SetCell(1, 0, "old0");
    list.SetCell(1, 1, "old1");
    list.SetCell(1, 5, "old5");
    ReadListText(list, "Titel\r\na\r\n");
    EXPECT_EQ(list.Cell(1, 0), "a");
    EXPECT_EQ(list.Cell(1, 1), "old1");
    EXPECT_EQ(list.Cell(1, 5), "old5");
    // The header line overwrote only the first caption.
    EXPECT_EQ(list.Cell(0, 0), "Titel");
    EXPECT_EQ(list.Cell(0, 1), "Interpret");
}

TEST(ListFileReading, EveryKindOfLineEndSplitsLinesAndBlankLinesGiveEmptyRows) {
    SongList list(3);
    ReadListText(list, "A\tB\tC\r\none\rtwo\n\r\nfour\r\n");
    ASSERT_EQ(list.DataRowCount(), 4);
    EXPECT_EQ(list.Cell(0, 1), "B");
    EXPECT_EQ(list.Cell(1, 0), "one");
    EXPECT_EQ(list.Cell(2, 0), "two");
    EXPECT_EQ(list.Cell(3, 0), "");  // the blank line
    EXPECT_EQ(list.Cell(4, 0), "four");
}

TEST(ListFileReading, AZeroByteBeforeTheEndMakesTheFileUnreadable) {
    TempFolder folder;
    WriteBytes(folder / "L.TSV", std::string("H\r\nrow1\r\nro\0w2\r\nrow3\r\n", 22));
    SongList list(1);
    list.SetCell(1, 0, "before");
    try {
        LoadList(list, folder / "L.TSV");
        FAIL() << "a zero byte in the middle was read";
    } catch (const ListFileFormatError& error) {
        EXPECT_EQ(error.Offset(), 11u);
    }
    EXPECT_EQ(list.DataRowCount(), 1);  // unchanged
    EXPECT_EQ(list.Cell(1, 0), "before");
    // Zeros that only fill the end are no content.
    WriteBytes(folder / "P.TSV", std::string("H\r\nrow1\r\n\0\0\0\0", 13));
    LoadList(list, folder / "P.TSV");
    EXPECT_EQ(list.Cell(1, 0), "row1");
}

TEST(ListFileReading, UnicodeTextOfASpreadsheetIsDecodedFromUtf16) {
    TempFolder folder;
    const std::u16string text = u"Titel\tInterpret\r\n\u00DCber den Wolken\tReinhard Mey\r\n"
                                u"\U0001D11E Clef\tX\r\n";
    for (const bool little : {true, false}) {
        std::string bytes = test::Utf16Bytes(text, little);
        if (little) bytes += std::string(2, '\0');  // a closing zero unit
        WriteBytes(folder / "U.TSV", bytes);
        SongList list(2);
        LoadList(list, folder / "U.TSV");
        ASSERT_EQ(list.DataRowCount(), 2) << little;
        EXPECT_EQ(list.Cell(1, 0), "\xC3\x9C" "ber den Wolken");
        EXPECT_EQ(list.Cell(1, 1), "Reinhard Mey");
        EXPECT_EQ(list.Cell(2, 0), "\xF0\x9D\x84\x9E Clef");
    }
    // A zero unit in the middle is a zero byte like any other.
    WriteBytes(folder / "Z.TSV", std::string("\xFF\xFE" "a\0\0\0b\0", 8));
    SongList list(1);
    EXPECT_THROW(LoadList(list, folder / "Z.TSV"), ListFileFormatError);
}

TEST(ListFileReading, LongerLinesWidenTheListAndAreSavedBackWhole) {
    TempFolder folder;
    const std::string twelve =
        kCatalogueCaptions +
        "t\ta\t01:00\tal\tRock\t2000\t128\t/f.mp3\tc\t2\t01.01.2001\t/i.jpg\t\r\n";
    WriteBytes(folder / "SELECTION.TSV", twelve);
    SongList selection(kCopyColumnCount);
    LoadList(selection, folder / "SELECTION.TSV");
    EXPECT_EQ(selection.ColumnCount(), 12);
    EXPECT_EQ(selection.Cell(0, 11), "Image");
    SaveList(selection, folder / "SELECTION.TSV");
    EXPECT_EQ(ReadBytes(folder / "SELECTION.TSV"), twelve);
}

TEST(ListFileWriting, TabsAndLineBreaksInsideCellsBecomeBlanks) {
    SongList list(kCopyColumnCount);
    list.SetCell(1, colTitle, "a\tb");
    list.SetCell(1, colArtist, "c\r\nd");
    list.SetCell(1, colFileName, "/x.mp3");
    SongList reread(kCopyColumnCount);
    ReadListText(reread, FormatListText(list));
    EXPECT_EQ(reread.DataRowCount(), 1);
    EXPECT_EQ(reread.Cell(1, colTitle), "a b");
    EXPECT_EQ(reread.Cell(1, colArtist), "c  d");
    EXPECT_EQ(reread.Cell(1, colFileName), "/x.mp3");
}

TEST(ListFileReading, Windows1252FilesKeepTheirUmlauts) {
    TempFolder folder;
    WriteBytes(folder / "L.TSV",
               "Titel\r\nGr\xF6\xDF"
               "e \x80\r\n");
    SongList list(1);
    LoadList(list, folder / "L.TSV");
    EXPECT_EQ(list.Cell(1, 0), "Größe €");
    SaveList(list, folder / "L.TSV");
    EXPECT_EQ(ReadBytes(folder / "L.TSV"), "Titel\t\r\nGröße €\t\r\n");
}

// A file name is bytes. One that is not UTF-8 neither changes how the rest of our
// own UTF-8 file is read nor is itself converted; in a file of the old platform the
// texts are Windows-1252 and converted, the paths kept as they are.
TEST(ListFileReading, PathsAreBytesAndOnlyOtherCellsMayBeWindows1252) {
    TempFolder folder;
    const std::string path = "/Musik/B\xE4r \xFF.mp3";  // Latin-1 bytes in a name
    const std::string ours = kCatalogueCaptions + "Über\tDie Ärzte\t03:07\t\t\t\t128\t" + path +
                             "\t\t\t\t/Bilder/K\xF6ln.jpg\t\r\n";
    WriteBytes(folder / "OURS.TSV", ours);
    SongList list(kSongColumnCount);
    LoadList(list, folder / "OURS.TSV");
    EXPECT_EQ(list.Cell(1, colTitle), "Über");
    EXPECT_EQ(list.Cell(1, colArtist), "Die Ärzte");
    EXPECT_EQ(list.Cell(1, colFileName), path);
    EXPECT_EQ(list.Cell(1, colImage), "/Bilder/K\xF6ln.jpg");
    SaveList(list, folder / "OURS.TSV");
    EXPECT_EQ(ReadBytes(folder / "OURS.TSV"), ours);

    WriteBytes(folder / "OLD.TSV",
               "Titel\t\t\t\t\t\t\tDateiname\r\nGr\xF6\xDF"
               "e\t\t\t\t\t\t\tC:\\M\xFCsik\\a.mp3\r\n");
    SongList old(kCopyColumnCount);
    LoadList(old, folder / "OLD.TSV");
    EXPECT_EQ(old.Cell(1, colTitle), "Größe");
    EXPECT_EQ(old.Cell(1, colFileName), "C:\\M\xFCsik\\a.mp3");
}

// A few kilobytes of TABs and line breaks make many rows and many columns; a row
// keeps only the cells it has, so memory follows the file, not rows x columns.
TEST(ListFileReading, MemoryFollowsTheFileNotRowsTimesColumns) {
    TempFolder folder;
    const std::string text = std::string(20000, '\t') + std::string(20000, '\n');
    WriteBytes(folder / "TABS.TSV", text);
    const std::size_t before = mallinfo2().uordblks;
    SongList list(kSongColumnCount);
    LoadList(list, folder / "TABS.TSV");
    const std::size_t used = mallinfo2().uordblks - before;
    EXPECT_EQ(list.ColumnCount(), 20000);
    EXPECT_EQ(list.RowCount(), 20000);
    std::size_t cells = 0;
    for (int r = 0; r < list.RowCount(); ++r) cells += list.Row(r).CellCount();
    EXPECT_LE(cells, std::size_t{kSongColumnCount});  // only the captions
    EXPECT_LT(used, std::size_t{100} << 20);
    EXPECT_EQ(list.Cell(19999, 19999), "");
    EXPECT_EQ(list.Cell(0, 0), "");  // the header line overwrote the captions
}

TEST(ListFileReading, FailuresNameTheFileAndLeaveTheListUnchanged) {
    TempFolder folder;
    SongList list(kCopyColumnCount);
    list.SetCell(1, colFileName, "/keep.mp3");
    for (const std::filesystem::path& path : {folder / "MISSING.TSV", folder.Path()}) {
        try {
            LoadList(list, path);
            FAIL() << "no error for " << path;
        } catch (const std::system_error& error) {
            EXPECT_NE(std::string(error.what()).find(path.string()), std::string::npos);
        }
    }
    EXPECT_EQ(list.Cell(1, colFileName), "/keep.mp3");
    EXPECT_EQ(list.DataRowCount(), 1);
}

TEST(ListFileReading, BadInputLoadsWithoutHarm) {
    TempFolder folder;
    std::mt19937 random(7);
    std::string garbage(1 << 20, '\0');
    for (char& c : garbage) c = static_cast<char>(random() % 255 + 1);  // no zero byte
    WriteBytes(folder / "G.TSV", garbage);
    SongList fromGarbage(kSongColumnCount);
    LoadList(fromGarbage, folder / "G.TSV");
    EXPECT_GT(fromGarbage.DataRowCount(), 1);
    // Reading what was saved gives the same rows again.
    SaveList(fromGarbage, folder / "G2.TSV");
    SongList again(kSongColumnCount);
    LoadList(again, folder / "G2.TSV");
    EXPECT_EQ(FormatListText(again), FormatListText(fromGarbage));

    std::string longLine(10 << 20, 'x');
    WriteBytes(folder / "LONG.TSV", "H\r\n" + longLine);
    SongList withLongLine(kCopyColumnCount);
    LoadList(withLongLine, folder / "LONG.TSV");
    EXPECT_EQ(withLongLine.Cell(1, 0).size(), longLine.size());

    std::string wide = "H\r\n";
    for (int i = 0; i < 500; ++i) wide += std::to_string(i) + "\t";
    WriteBytes(folder / "WIDE.TSV", wide);
    SongList withWideLine(kCopyColumnCount);
    LoadList(withWideLine, folder / "WIDE.TSV");
    EXPECT_EQ(withWideLine.ColumnCount(), 500);
    EXPECT_EQ(withWideLine.Cell(1, 499), "499");

    WriteBytes(folder / "EMPTY.TSV", "");
    SongList fromEmpty(kCopyColumnCount);
    LoadList(fromEmpty, folder / "EMPTY.TSV");
    EXPECT_TRUE(fromEmpty.IsEmpty());
    EXPECT_EQ(fromEmpty.Cell(0, 0), "Titel");
}

TEST(ListFileWriting, FailureLeavesTheOldFileAndNoTemporaryFile) {
    TempFolder folder;
    const auto path = folder / "ALL_SONGS.TSV";
    WriteBytes(path, "old");
    SongList list(kSongColumnCount);
    // A folder where the file should be cannot be replaced by a file.
    std::filesystem::create_directory(folder / "DIR.TSV");
    WriteBytes(folder / "DIR.TSV" / "inside", "x");
    EXPECT_THROW(SaveList(list, folder / "DIR.TSV"), std::system_error);
    EXPECT_THROW(SaveList(list, folder / "no-such-folder" / "L.TSV"), std::system_error);
    EXPECT_EQ(ReadBytes(path), "old");
    int entries = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder.Path()))
        ++entries;
    EXPECT_EQ(entries, 2);  // ALL_SONGS.TSV and DIR.TSV, nothing left behind
}

// A write that fails part-way (the file size limit of a child process) over an
// existing list: the call fails, the old bytes stay, no temporary file is left.
TEST(ListFileWriting, AWriteFailingPartWayKeepsTheOldList) {
    TempFolder folder;
    const auto path = folder / "ALL_SONGS.TSV";
    WriteBytes(path, "alt\r\n");
    SongList list(kSongColumnCount);
    list.BeginBulkChange();
    std::vector<std::string_view> cells{"Titel", "Interpret", "3:00"};
    for (int row = 1; row <= 40000; ++row) list.SetRowCellsInBulk(row, cells);  // 1.4 MB
    list.EndBulkChange();
    const int result = test::FailsPartWay(256 * 1024, [&] { SaveList(list, path); });
    EXPECT_EQ(result, 0);
    EXPECT_EQ(ReadBytes(path), "alt\r\n");
    EXPECT_EQ(test::NamesIn(folder.Path()), std::set<std::string>{"ALL_SONGS.TSV"});
}

TEST(Clipboard, RowsAreCopiedInListFileFormatAndPastedWithinTheRange) {
    SongList list(3);
    for (int r = 1; r <= 3; ++r) {
        if (r > 1) list.AppendRow();
        for (int c = 0; c < 3; ++c) list.SetCell(r, c, std::to_string(r) + std::to_string(c));
    }
    EXPECT_EQ(FormatRowsText(list, 2, 3), "20\t21\t22\t\r\n30\t31\t32\t\r\n");

    // Lines beyond the range and cells beyond the last column are dropped.
    PasteRowsText(list, "a\tb\tc\td\te\r\nf\r\ng\r\n", 1, 2);
    EXPECT_EQ(list.Cell(1, 0), "a");
    EXPECT_EQ(list.Cell(1, 2), "c");
    EXPECT_EQ(list.Cell(2, 0), "f");
    EXPECT_EQ(list.Cell(2, 1), "21");  // not reached by the short line
    EXPECT_EQ(list.Cell(3, 0), "30");
    EXPECT_EQ(list.ColumnCount(), 3);
    EXPECT_EQ(list.DataRowCount(), 3);
}

}  // namespace
}  // namespace tv

namespace tv {
namespace {

// A large file is read a part at a time (8 MiB): lines and line ends cut at a
// part's end, a line longer than a part, a mark at the start, a Windows-1252 cell
// late in the file and zero bytes after the first part all read as the whole text
// read at once does.
TEST(ListFileReading, LargeFilesReadInPartsAsTheWholeText) {
    constexpr std::size_t kPart = std::size_t{8} << 20;
    TempFolder folder;
    const auto line = [](std::size_t length, const std::string& end) {
        std::string text(length, 'x');
        for (std::size_t i = 9; i < length; i += 10) text[i] = '\t';
        return text + end;
    };
    // The CR of a CR LF is the last byte of the first part; the next line end is a
    // lone CR at the end of the second part; a line longer than a part; a lone LF.
    std::string text = "\xEF\xBB\xBF" + line(kPart - 3 - 1, "\r\n");
    text += line(kPart - 1 - 1, "\r") + "\r\n";
    text += line(kPart + 1000, "\n") + "Gr\xF6\xDF" "e\t\t\t\t\t\t\t/m/\xF6.mp3\r\n" + line(100, "");
    WriteBytes(folder / "L.TSV", text);
    SongList whole(kSongColumnCount);
    ReadListText(whole, std::string_view(text).substr(3));
    SongList parts(kSongColumnCount);
    LoadList(parts, folder / "L.TSV");
    ASSERT_EQ(parts.RowCount(), 6);
    EXPECT_EQ(parts.Cell(4, 0), "Größe");          // Windows-1252, as on the old platform
    EXPECT_EQ(parts.Cell(4, colFileName), "/m/\xF6.mp3");  // a path stays bytes
    parts.SetCell(4, 0, whole.Cell(4, 0));
    ASSERT_EQ(parts.ColumnCount(), whole.ColumnCount());
    for (int r = 0; r < parts.RowCount(); ++r)
        for (int c = 0; c < parts.ColumnCount(); ++c)
            ASSERT_TRUE(parts.Cell(r, c) == whole.Cell(r, c)) << "row " << r << " column " << c << ": " << parts.Cell(r, c).size() << " " << whole.Cell(r, c).size();

    // A zero byte in the second part with more text behind it: unreadable, the
    // list stays fresh; zeros only to the end: the text ends there.
    std::string zeros = line(kPart + 100, "\r\n") + "a\tb\r\n";
    WriteBytes(folder / "Z.TSV", zeros + std::string(kPart, '\0') + "c");
    SongList broken(kCopyColumnCount);
    try {
        LoadList(broken, folder / "Z.TSV");
        FAIL() << "a zero byte before the end was read";
    } catch (const ListFileFormatError& error) {
        EXPECT_EQ(error.Offset(), zeros.size());
    }
    EXPECT_EQ(broken.RowCount(), 2);
    EXPECT_EQ(broken.ColumnCount(), kCopyColumnCount);
    EXPECT_EQ(broken.Cell(0, colTitle), "Titel");
    EXPECT_TRUE(broken.IsEmpty());
    WriteBytes(folder / "P.TSV", zeros + std::string(kPart, '\0'));
    LoadList(broken, folder / "P.TSV");
    EXPECT_EQ(broken.RowCount(), 2);
    EXPECT_EQ(broken.Cell(1, 0), "a");
    EXPECT_EQ(broken.Cell(1, 1), "b");
}

// The cell splitter tests eight bytes at once; a plain byte loop written here is the
// reference, on short random texts whose TABs and line ends fall on every offset.
TEST(ListFileReading, RandomTextsSplitAsAByteLoopSplitsThem) {
    const std::vector<std::string> pieces = {"a", "b", "\xC3\x84", "\t", "\r", "\n", "\r\n", "xyzxyzxyz"};
    std::mt19937 random(7);
    for (int round = 0; round < 400; ++round) {
        std::string text;
        const int count = static_cast<int>(random() % 60);
        for (int i = 0; i < count; ++i) text += pieces[random() % pieces.size()];

        // The reference: lines end at CR LF, CR or LF, the empty text after a closing
        // TAB is no cell, and cells the text does not reach keep what they held.
        std::vector<std::vector<std::string>> expected(2);
        for (int c = 0; c < kCopyColumnCount; ++c) expected[0].push_back(std::string(SongColumnCaption(c)));
        std::size_t line = 0, pos = 0;
        while (pos < text.size()) {
            std::vector<std::string> cells;
            std::string cell;
            while (pos < text.size() && text[pos] != '\r' && text[pos] != '\n') {
                if (text[pos] == '\t') {
                    cells.push_back(cell);
                    cell.clear();
                } else {
                    cell += text[pos];
                }
                ++pos;
            }
            if (!cell.empty()) cells.push_back(cell);
            if (pos < text.size()) pos += text.compare(pos, 2, "\r\n") == 0 ? 2 : 1;
            if (expected.size() <= line) expected.resize(line + 1);
            auto& row = expected[line++];
            if (row.size() < cells.size()) row.resize(cells.size());
            std::copy(cells.begin(), cells.end(), row.begin());
        }

        SongList list(kCopyColumnCount);
        ReadListText(list, text);
        ASSERT_EQ(list.RowCount(), static_cast<int>(expected.size())) << text;
        for (int r = 0; r < list.RowCount(); ++r) {
            const auto& row = expected[static_cast<std::size_t>(r)];
            ASSERT_LE(static_cast<int>(row.size()), list.ColumnCount()) << text;
            for (int c = 0; c < list.ColumnCount(); ++c) {
                const std::string want = static_cast<std::size_t>(c) < row.size() ? row[static_cast<std::size_t>(c)] : "";
                ASSERT_EQ(list.Cell(r, c), want) << "row " << r << " column " << c << " of \"" << text << "\"";
            }
        }
    }
}

}  // namespace
}  // namespace tv
