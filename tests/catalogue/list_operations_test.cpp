#include "catalogue/list_operations.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "catalogue/list_file.h"
#include "catalogue/song_columns.h"

namespace tv {
namespace {

// Appends a row with a title and a file name (the first row of an empty list is
// used as it is).
int AddSong(SongList& list, const std::string& title, const std::string& file) {
    const int row = RowForNewEntry(list);
    list.SetCell(row, colTitle, title);
    list.SetCell(row, colFileName, file);
    return row;
}

std::vector<std::string> Titles(const SongList& list) {
    std::vector<std::string> titles;
    for (int r = 1; r <= list.DataRowCount(); ++r) titles.emplace_back(list.Cell(r, colTitle));
    return titles;
}

// The lookup as a plain scan, to check the index against.
int ScanForFileName(const SongList& list, const std::string& name) {
    for (int r = 1; r <= list.DataRowCount(); ++r)
        if (list.Cell(r, colFileName) == name) return r;
    return 0;
}

// A path names one file: names differing only in case are two songs. Other
// columns compare with the letters a-z folded.
TEST(FindSongRow, FileNamesAreExactOtherColumnsFoldAToZ) {
    SongList list(kCopyColumnCount);
    AddSong(list, "one", "/Music/Ärger.mp3");
    AddSong(list, "two", "/music/abc.MP3");
    AddSong(list, "three", "/MUSIC/ABC.mp3");
    EXPECT_EQ(FindSongRow(list, "/MUSIC/ABC.mp3", colFileName), 3);
    EXPECT_EQ(FindSongRow(list, "/music/abc.MP3", colFileName), 2);
    EXPECT_EQ(FindSongRow(list, "/music/abc.mp3", colFileName), 0);
    EXPECT_EQ(FindSongRow(list, "/Music/Ärger.mp3", colFileName), 1);
    EXPECT_EQ(FindSongRow(list, "/MUSIC/ÄRGER.MP3", colFileName), 0);
    EXPECT_EQ(FindSongRow(list, "ONE", colTitle), 1);
    EXPECT_EQ(FindSongRow(list, "x", -1), -1);
    EXPECT_EQ(FindSongRow(list, "x", kCopyColumnCount), -1);
}

TEST(FindSongRow, FindsTheFirstOfEqualNames) {
    SongList list(kCopyColumnCount);
    AddSong(list, "a", "/x.mp3");
    AddSong(list, "b", "/x.mp3");
    AddSong(list, "c", "/X.mp3");
    EXPECT_EQ(FindSongRow(list, "/x.mp3", colFileName), 1);
    list.SetCell(1, colFileName, "/y.mp3");
    EXPECT_EQ(FindSongRow(list, "/x.mp3", colFileName), 2);
    EXPECT_EQ(FindSongRow(list, "/y.mp3", colFileName), 1);
    EXPECT_EQ(FindSongRow(list, "/X.mp3", colFileName), 3);
}

// Random edits, appends, removals, sorts and reads, each followed by lookups that
// must agree with a plain scan.
TEST(FindSongRow, AgreesWithAPlainScanThroughEveryKindOfChange) {
    std::mt19937 random(1234);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const auto name = [&] {
        static const char* const names[] = {
            "",       "/a.mp3",  "/A.MP3",
            "/b.mp3", "/Bb.mp3", "/c.mp3",
            "/ä.mp3", "/Ä.mp3",  "/a-very-long-name-of-a-file-in-a-folder.mp3"};
        return std::string(names[pick(9)]);
    };
    SongList list(kSongColumnCount);
    for (int step = 0; step < 3000; ++step) {
        switch (pick(8)) {
            case 0:
            case 1:
                list.SetCell(1 + pick(list.DataRowCount()), colFileName, name());
                break;
            case 2:
                AddSong(list, "t", name());
                break;
            case 3: {
                const int top = 1 + pick(list.DataRowCount());
                DeleteListRows(list, top, std::min(list.DataRowCount(), top + pick(3)));
                break;
            }
            case 4:
                SortListByColumn(list, pick(2) ? colFileName : colTitle, pick(2));
                break;
            case 5:
                PasteRowsText(list, "\t\t\t\t\t\t\t" + name() + "\r\n", 1, 1);
                break;
            case 6: {
                SongList source(kSongColumnCount);
                AddSong(source, "s", name());
                AddSong(source, "s", name());
                AppendUniqueRows(source, list, 1, 2);
                break;
            }
            default:
                DeleteListRow(list, 1 + pick(list.DataRowCount()));
                break;
        }
        for (int probe = 0; probe < 3; ++probe) {
            const std::string wanted = name();
            ASSERT_EQ(FindSongRow(list, wanted, colFileName), ScanForFileName(list, wanted))
                << "step " << step << " name " << wanted;
        }
    }
}

TEST(AppendUniqueRows, FillsTheEmptyRowFirstAndSkipsWhatIsThere) {
    SongList catalogue(kSongColumnCount);
    AddSong(catalogue, "one", "/1.mp3");
    AddSong(catalogue, "two", "/2.mp3");
    AddSong(catalogue, "no file", "");
    AddSong(catalogue, "two again", "/2.mp3");
    AddSong(catalogue, "another file", "/2.MP3");
    catalogue.SetCell(1, colImage, "/cover.jpg");

    SongList playlist(kCopyColumnCount);
    std::vector<int> progress;
    EXPECT_EQ(AppendUniqueRows(catalogue, playlist, 1, 5, [&](int n) { progress.push_back(n); }),
              3);
    EXPECT_EQ(Titles(playlist), (std::vector<std::string>{"one", "two", "another file"}));
    EXPECT_EQ(progress, (std::vector<int>{1, 2, 3}));
    EXPECT_EQ(playlist.ColumnCount(), kCopyColumnCount);  // the image cell was dropped

    EXPECT_EQ(AppendUniqueRows(catalogue, playlist, 1, 5), 0);
    EXPECT_EQ(playlist.DataRowCount(), 3);
}

TEST(AppendUniqueRows, NeverOverwritesRowsBehindABlankFirstRow) {
    SongList target(kCopyColumnCount);
    AddSong(target, "keep", "/keep.mp3");
    target.AppendRow();
    target.SetCell(2, colFileName, "/second.mp3");
    target.SetCell(1, colFileName, "");  // e.g. cut to the clipboard
    SongList source(kCopyColumnCount);
    AddSong(source, "new", "/new.mp3");
    AppendUniqueRows(source, target, 1, 1);
    ASSERT_EQ(target.DataRowCount(), 3);
    EXPECT_EQ(target.Cell(2, colFileName), "/second.mp3");
    EXPECT_EQ(target.Cell(3, colFileName), "/new.mp3");
}

TEST(DeleteListRow, TheOnlyRowIsEmptiedOthersAreRemoved) {
    SongList list(kCopyColumnCount);
    AddSong(list, "a", "/a.mp3");
    AddSong(list, "b", "/b.mp3");
    DeleteListRow(list, 1);
    EXPECT_EQ(Titles(list), (std::vector<std::string>{"b"}));
    DeleteListRow(list, 1);
    EXPECT_EQ(list.DataRowCount(), 1);
    EXPECT_TRUE(list.IsEmpty());
    EXPECT_EQ(list.Cell(1, colTitle), "");
}

TEST(DeleteCatalogueRows, RemovesTheSameSongsFromTheOtherLists) {
    SongList catalogue(kSongColumnCount), selection(kCopyColumnCount), playlist(kCopyColumnCount),
        doubles(kCopyColumnCount);
    for (const char* n : {"a", "b", "c", "d"}) AddSong(catalogue, n, std::string("/") + n + ".mp3");
    AddSong(playlist, "b", "/b.mp3");
    AddSong(playlist, "B", "/B.mp3");  // another file
    AddSong(playlist, "x", "/x.mp3");
    AddSong(playlist, "c", "/c.mp3");
    AddSong(selection, "c", "/c.mp3");
    AddSong(doubles, "d", "/d.mp3");

    SongList* others[] = {&doubles, &selection, &playlist};
    DeleteCatalogueRows(catalogue, 2, 3, others);
    EXPECT_EQ(Titles(catalogue), (std::vector<std::string>{"a", "d"}));
    EXPECT_EQ(Titles(playlist), (std::vector<std::string>{"B", "x"}));
    EXPECT_TRUE(selection.IsEmpty());  // its only row went: one empty row stays
    EXPECT_EQ(Titles(doubles), (std::vector<std::string>{"d"}));

    DeleteCatalogueRows(catalogue, 1, 2, others);
    EXPECT_TRUE(catalogue.IsEmpty());
    EXPECT_TRUE(doubles.IsEmpty());
    EXPECT_EQ(Titles(playlist), (std::vector<std::string>{"B", "x"}));
}

TEST(SortListByColumn, ComparesBytesAndKeepsTheOrderOfEqualTexts) {
    SongList list(kCopyColumnCount);
    for (const char* t : {"b", "Zebra", "10", "Äpfel", "9", "b", "", "ba"}) {
        const int row = AddSong(list, t, "/" + std::to_string(list.DataRowCount()) + ".mp3");
        list.SetCell(row, colComment, std::to_string(row));
    }
    list.SetRowColour(1, 255);  // the first "b"

    SortListByColumn(list, colTitle, true);
    EXPECT_EQ(Titles(list),
              (std::vector<std::string>{"", "10", "9", "Zebra", "b", "b", "ba", "Äpfel"}));
    EXPECT_EQ(list.Cell(5, colComment), "1");  // equal texts in their old order
    EXPECT_EQ(list.Cell(6, colComment), "6");
    EXPECT_EQ(list.Row(5).Colour, RowColour(255));  // the colour moved with its row

    SortListByColumn(list, colTitle, false);
    EXPECT_EQ(Titles(list),
              (std::vector<std::string>{"Äpfel", "ba", "b", "b", "Zebra", "9", "10", ""}));
    EXPECT_EQ(list.Cell(3, colComment), "1");
    EXPECT_EQ(list.Cell(4, colComment), "6");
}

TEST(SortListByColumn, LargeOrderedAndEqualColumnsSortCorrectly) {
    SongList list(kCopyColumnCount);
    const int count = 50000;
    for (int i = 0; i < count; ++i) {
        char title[16];
        std::snprintf(title, sizeof title, "%08d", i);
        AddSong(list, title, "/same.mp3");
    }
    SortListByColumn(list, colTitle, false);
    EXPECT_EQ(list.Cell(1, colTitle), "00049999");
    SortListByColumn(list, colFileName, true);  // all equal: order unchanged
    EXPECT_EQ(list.Cell(1, colTitle), "00049999");
    EXPECT_EQ(list.Cell(count, colTitle), "00000000");
}

TEST(RowSelection, SelectAllAndClearRowsCoverTheDataRows) {
    SongList list(kCopyColumnCount);
    for (int i = 0; i < 5; ++i) AddSong(list, "t", "/" + std::to_string(i));
    SelectAllRows(list);
    EXPECT_EQ(list.SelectionTop(), 1);
    EXPECT_EQ(list.SelectionBottom(), 5);
    ClearRows(list, 2, 3);
    EXPECT_EQ(list.Cell(2, colTitle), "");
    EXPECT_EQ(list.Cell(3, colFileName), "");
    EXPECT_EQ(list.Cell(4, colTitle), "t");
    DeleteListRows(list, 4, 5);
    // A range that lost rows shrinks to the current row, never taking in others.
    EXPECT_EQ(list.SelectionTop(), 1);
    EXPECT_EQ(list.SelectionBottom(), 1);
}

TEST(RowSelection, TheCursorStaysOnItsSongOrMovesToTheRowAfterTheRemovedOnes) {
    SongList list(kCopyColumnCount);
    for (int i = 1; i <= 8; ++i) AddSong(list, std::to_string(i), "/" + std::to_string(i));
    list.SetCurrentRow(6);
    list.SetSelection(6, 7);
    DeleteListRows(list, 2, 3);  // rows above: the cursor and range follow their songs
    EXPECT_EQ(list.Cell(list.CurrentRow(), colTitle), "6");
    EXPECT_EQ(list.Cell(list.SelectionTop(), colTitle), "6");
    EXPECT_EQ(list.Cell(list.SelectionBottom(), colTitle), "7");

    list.SetCurrentRow(3);  // song "5"
    list.SetSelection(3, 4);
    DeleteListRows(list, 3, 4);  // the current song goes: the next one takes its place
    EXPECT_EQ(list.Cell(list.CurrentRow(), colTitle), "7");
    EXPECT_EQ(list.SelectionTop(), list.CurrentRow());
    EXPECT_EQ(list.SelectionBottom(), list.CurrentRow());

    list.SetCurrentRow(list.DataRowCount());  // the last song goes: the one before it
    DeleteListRow(list, list.DataRowCount());
    EXPECT_EQ(list.CurrentRow(), list.DataRowCount());
    EXPECT_EQ(list.Cell(list.CurrentRow(), colTitle), "7");
}

}  // namespace
}  // namespace tv
