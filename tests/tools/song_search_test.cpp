#include "tools/song_search.h"

#include <gtest/gtest.h>

#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"

namespace tv {
namespace {

void MakeList(SongList& list) {
    const char* rows[][5] = {
        // title, artist, genre, file, comment
        {"Rocky", "Band", "Pop", "/m/a.mp3", ""},
        {"Song", "Die Ärzte", "Punk", "/m/b.mp3", "rock"},
        {"Other", "Band", "Hard Rock", "/m/c.mp3", ""},
        {"Quiet", "Solo", "Jazz", "/m/rockabilly.mp3", ""},
    };
    for (const auto& r : rows) {
        const int row = RowForNewEntry(list);
        list.SetCell(row, colTitle, r[0]);
        list.SetCell(row, colArtist, r[1]);
        list.SetCell(row, colGenre, r[2]);
        list.SetCell(row, colFileName, r[3]);
        list.SetCell(row, colComment, r[4]);
    }
}

TEST(SongSearch, AllFieldsJoinColumnsZeroToSevenWithoutTheComment) {
    SongList list(kSongColumnCount);
    MakeList(list);
    SongSearch search;
    EXPECT_EQ(search.FindAll(list, SearchField::All, SearchText("rock"), 1, 4),
              (std::vector<int>{1, 3, 4}));
    // A text may span the end of one cell and the start of the next.
    EXPECT_EQ(search.FindAll(list, SearchField::All, "ROCKY   BAND", 1, 4), (std::vector<int>{1}));
    EXPECT_EQ(search.FindAll(list, SearchField::Comment, "ROCK", 1, 4), (std::vector<int>{2}));
    EXPECT_TRUE(search.FindAll(list, SearchField::None, "ROCK", 1, 4).empty());
    EXPECT_TRUE(search.FindAll(list, SearchField::All, "", 1, 4).empty());
}

TEST(SongSearch, LettersBeyondAsciiAreComparedWithoutCase) {
    SongList list(kSongColumnCount);
    MakeList(list);
    SongSearch search;
    EXPECT_EQ(search.FindAll(list, SearchField::Artist, SearchText("ÄRZTE"), 1, 4),
              (std::vector<int>{2}));
    EXPECT_EQ(search.FindAll(list, SearchField::Artist, SearchText("ärzte"), 1, 4),
              (std::vector<int>{2}));
    EXPECT_EQ(SearchText("die ärzte"), "DIE ÄRZTE");
}

TEST(SongSearch, PassesStartAnywhereAndWrapAround) {
    SongList list(kSongColumnCount);
    MakeList(list);
    SongSearch search;
    // A full pass from row 3: rows 3, 4, 1, 2 in that order.
    EXPECT_EQ(search.FindAll(list, SearchField::All, "BAND", 3, 4), (std::vector<int>{3, 1}));
    EXPECT_EQ(search.FindFirst(list, SearchField::All, "BAND", 2, 4), 3);
    // A pass past the current row 3 (rows 4, 1, 2) does not look at row 3.
    EXPECT_EQ(search.FindFirst(list, SearchField::Genre, "HARD", 4, 3), 0);
    EXPECT_EQ(search.FindFirst(list, SearchField::Genre, "HARD", 4, 4), 3);
    // The kept texts follow changes of the list.
    list.SetCell(4, colGenre, "Hard Bop");
    EXPECT_EQ(search.FindFirst(list, SearchField::Genre, "HARD", 4, 3), 4);
    // One row: a pass past it examines nothing.
    SongList one(kSongColumnCount);
    one.SetCell(1, colTitle, "x");
    EXPECT_EQ(search.FindFirst(one, SearchField::All, "X", 1, 1), 1);
    EXPECT_EQ(search.FindFirst(one, SearchField::All, "X", 1, 0), 0);
}

TEST(SongSearch, FieldIsTheFirstCheckedBox) {
    EXPECT_EQ(FieldOf({}), SearchField::All);
    SearchBoxes boxes;
    boxes.All = false;
    EXPECT_EQ(FieldOf(boxes), SearchField::None);
    boxes.Album = true;
    boxes.Title = true;
    EXPECT_EQ(FieldOf(boxes), SearchField::Title);
    boxes.Title = false;
    boxes.Comment = true;
    EXPECT_EQ(FieldOf(boxes), SearchField::Album);
}

}  // namespace
}  // namespace tv
