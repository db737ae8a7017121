#include "catalogue/list_status.h"

#include <gtest/gtest.h>

#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"
#include "tests/support/temp_folder.h"

namespace tv {
namespace {

TEST(ListStatus, EmptyListsSayKeineEintraege) {
    SongList catalogue(kSongColumnCount), selection(kCopyColumnCount), doubles(kCopyColumnCount);
    EXPECT_EQ(ListStatus(catalogue, ListKind::Catalogue, ",").Count, "Auswahl : Keine Einträge");
    EXPECT_EQ(ListStatus(catalogue, ListKind::Catalogue, ",").Size, "");
    const ListStatusTexts texts = ListStatus(selection, ListKind::Selection, ",");
    EXPECT_EQ(texts.Count, "Auswahl : Keine Einträge");
    EXPECT_EQ(texts.Size, "Größe : 0,00 MB");
    EXPECT_EQ(ListStatus(doubles, ListKind::Doubles, ",").Count, "Doppelt : Keine Einträge");
}

TEST(ListStatus, CountsRowsAndSumsTheFilesThatExist) {
    test::TempFolder folder;
    test::WriteBytes(folder / "a.mp3", std::string(1048576, 'a'));
    test::WriteBytes(folder / "b.mp3", std::string(524288 + 5000, 'b'));
    SongList playlist(kCopyColumnCount);
    for (const char* name : {"a.mp3", "b.mp3", "gone.mp3"}) {
        const int row = RowForNewEntry(playlist);
        playlist.SetCell(row, colFileName, (folder / name).string());
    }
    const ListStatusTexts texts = ListStatus(playlist, ListKind::Playlist, ",");
    EXPECT_EQ(texts.Count, "Playlist : 3 Einträge");
    EXPECT_EQ(texts.Size, "Größe : 1,50 MB");
    EXPECT_EQ(ListStatus(playlist, ListKind::Playlist, ".").Size, "Größe : 1.50 MB");

    SongList catalogue(kSongColumnCount);
    catalogue.SetCell(1, colFileName, "/x.mp3");
    EXPECT_EQ(ListStatus(catalogue, ListKind::Catalogue, ",").Count, "Gesamt : 1 Einträge");
}

TEST(FormatMebibytes, RoundsToTwoDecimals) {
    EXPECT_EQ(FormatMebibytes(0, ","), "0,00");
    EXPECT_EQ(FormatMebibytes(1234.5678, ","), "1234,57");
    EXPECT_EQ(FormatMebibytes(0.004, "."), "0.00");
}

}  // namespace
}  // namespace tv
