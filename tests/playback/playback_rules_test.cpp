#include <gtest/gtest.h>

#include <map>
#include <random>
#include <set>

#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"
#include "playback/play_count.h"
#include "playback/player_rules.h"
#include "playback/random_pick.h"

namespace tv {
namespace {

int AddSong(SongList& list, const std::string& file, const std::string& played = "") {
    const int row = RowForNewEntry(list);
    list.SetCell(row, colTitle, "t" + file);
    list.SetCell(row, colFileName, file);
    if (!played.empty()) list.SetCell(row, colPlayCount, played);
    return row;
}

TEST(CountPlay, CountsTheCatalogueRowOfTheFile) {
    SongList catalogue(kSongColumnCount);
    AddSong(catalogue, "/m/a.mp3", "abc");
    AddSong(catalogue, "/m/b.mp3", "41");
    AddSong(catalogue, "/m/ä.mp3");
    EXPECT_EQ(CountPlay(catalogue, "/M/A.MP3", "x"), 0);  // another file
    EXPECT_EQ(CountPlay(catalogue, "/m/a.mp3", "24.12.2005"), 1);
    EXPECT_EQ(catalogue.Cell(1, colPlayCount), "1");  // not a number
    EXPECT_EQ(catalogue.Cell(1, colLastPlayed), "24.12.2005");
    EXPECT_EQ(CountPlay(catalogue, "/m/b.mp3", "1.1.2006"), 2);
    EXPECT_EQ(catalogue.Cell(2, colPlayCount), "42");
    EXPECT_EQ(CountPlay(catalogue, "/m/ä.mp3", "x"), 3);
    EXPECT_EQ(catalogue.Cell(3, colPlayCount), "1");  // empty
    // Unknown files change nothing.
    EXPECT_EQ(CountPlay(catalogue, "/m/Ä.mp3", "x"), 0);
    EXPECT_EQ(CountPlay(catalogue, "/anderswo.mp3", "x"), 0);
    EXPECT_EQ(catalogue.Cell(3, colPlayCount), "1");
    // Lists with fewer columns grow to the catalogue's twelve.
    SongList narrow(kCopyColumnCount);
    AddSong(narrow, "/n.mp3");
    EXPECT_EQ(CountPlay(narrow, "/n.mp3", "d"), 1);
    EXPECT_EQ(narrow.Cell(1, colPlayCount), "1");
}

TEST(PlayerRules, ButtonsFollowTheStateTable) {
    EXPECT_EQ(ButtonsFor(PlayerState::Empty, 0, 0), PlayerButtons{});
    EXPECT_EQ(ButtonsFor(PlayerState::Playing, 0, 1000),
              (PlayerButtons{false, true, true, true, false, true}));
    EXPECT_EQ(ButtonsFor(PlayerState::Playing, 1000, 1000),
              (PlayerButtons{false, true, true, false, true, true}));
    EXPECT_EQ(ButtonsFor(PlayerState::Playing, 0, 0),  // length not known yet
              (PlayerButtons{false, true, true, true, false, true}));
    EXPECT_EQ(ButtonsFor(PlayerState::Paused, 500, 1000),
              (PlayerButtons{true, false, true, false, false, true}));
    EXPECT_EQ(ButtonsFor(PlayerState::Stopped, 500, 1000),
              (PlayerButtons{true, false, false, false, false, true}));
}

TEST(PlayerRules, WindingSpeedsUpTheLongerItIsHeld) {
    std::int64_t position = 10000;
    int hold = 1;
    for (int tick = 0; tick < 20; ++tick) position = WindPosition(position, hold, true);
    EXPECT_EQ(position, 10000 + 32000);  // 9 x 1 s + 10 x 2 s + 1 x 3 s
    EXPECT_EQ(hold, 21);
    for (int tick = 0; tick < 500; ++tick) WindPosition(position, hold, false);
    EXPECT_EQ(hold, 254);
    EXPECT_EQ(WindPosition(100000, hold, false), 100000 - 26000);
    int released = 0;
    EXPECT_EQ(WindPosition(5000, released, true), 5000);
}

TEST(PlayerRules, TimesRowsAndHighlight) {
    EXPECT_EQ(PlayTimeText(0), "00:00");
    EXPECT_EQ(PlayTimeText(187999), "03:07");
    EXPECT_EQ(PlayTimeText(6005000), "100:05");
    EXPECT_EQ(NextPlaylistRow(3, 3), 1);
    EXPECT_EQ(NextPlaylistRow(0, 3), 1);
    EXPECT_EQ(NextPlaylistRow(2, 3), 3);
    SongList playlist(kCopyColumnCount);
    for (const char* file : {"/a", "/b", "/c"}) AddSong(playlist, file);
    int current = 0;
    MoveHighlight(playlist, current, 2, 0xE1FFFF);
    EXPECT_EQ(current, 2);
    EXPECT_EQ(playlist.Row(2).Colour, RowColour(0xE1FFFF));
    MoveHighlight(playlist, current, 3, 0xE1FFFF);
    EXPECT_FALSE(playlist.Row(2).Colour.has_value());
    EXPECT_EQ(playlist.Row(3).Colour, RowColour(0xE1FFFF));
    MoveHighlight(playlist, current, 7, 0xE1FFFF);  // outside: only the old one is cleared
    EXPECT_FALSE(playlist.Row(3).Colour.has_value());
}

TEST(AppendRandomSongs, PicksDistinctSongsTheListDoesNotHold) {
    SongList catalogue(kSongColumnCount);
    for (int i = 1; i <= 10; ++i) AddSong(catalogue, "/m/" + std::to_string(i) + ".mp3");
    AddSong(catalogue, "/M/1.MP3");  // another file than row 1's: paths are exact
    AddSong(catalogue, "");          // never appendable
    SongList playlist(kCopyColumnCount);
    std::mt19937 random(1);
    EXPECT_EQ(AppendRandomSongs(catalogue, playlist, 3, random), 3);
    EXPECT_EQ(playlist.DataRowCount(), 3);  // the empty first row was filled
    // Asking for more than there is: every other song once, then it stops.
    EXPECT_EQ(AppendRandomSongs(catalogue, playlist, 100, random), 8);
    std::set<std::string, std::less<>> names;
    for (int row = 1; row <= playlist.DataRowCount(); ++row) {
        const std::string name(playlist.Cell(row, colFileName));
        EXPECT_TRUE(names.insert(name).second) << name;
    }
    EXPECT_EQ(names.size(), 11u);
    EXPECT_EQ(AppendRandomSongs(catalogue, playlist, 5, random), 0);
}

TEST(AppendRandomSongs, EverySongIsEquallyLikely) {
    SongList catalogue(kSongColumnCount);
    for (int i = 1; i <= 5; ++i) AddSong(catalogue, "/m/" + std::to_string(i) + ".mp3");
    std::map<std::string, int> firstPicks;
    std::mt19937 random(20261208);
    for (int round = 0; round < 5000; ++round) {
        SongList playlist(kCopyColumnCount);
        AddSong(playlist, "/m/3.mp3");  // never picked
        AppendRandomSongs(catalogue, playlist, 1, random);
        ++firstPicks[std::string(playlist.Cell(2, colFileName))];
    }
    EXPECT_EQ(firstPicks.count("/m/3.mp3"), 0u);
    ASSERT_EQ(firstPicks.size(), 4u);
    for (const auto& [name, count] : firstPicks) EXPECT_NEAR(count, 1250, 150) << name;
}

}  // namespace
}  // namespace tv
