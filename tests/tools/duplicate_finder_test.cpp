#include "tools/duplicate_finder.h"

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "base/text_case.h"
#include "catalogue/list_operations.h"
#include "catalogue/song_columns.h"

namespace tv {
namespace {

struct Song {
    std::string Title, Artist, Time, File;
};

void Fill(SongList& list, const std::vector<Song>& songs) {
    for (const Song& song : songs) {
        const int row = RowForNewEntry(list);
        list.SetCell(row, colTitle, song.Title);
        list.SetCell(row, colArtist, song.Artist);
        list.SetCell(row, colTime, song.Time);
        list.SetCell(row, colFileName, song.File);
    }
}

std::vector<std::pair<int, int>> Pairs(const std::vector<Song>& songs, DoubleOptions options) {
    SongList list(kSongColumnCount);
    Fill(list, songs);
    return FindDuplicatePairs(list, options);
}

// The comparison loop as it reads: every pair in order, each value converted
// again for every pair, the first later duplicate of each row.
std::vector<std::pair<int, int>> LiteralPairs(const SongList& list, const DoubleOptions& o) {
    const auto text = [&](int row, int column) {
        std::string value(list.Cell(row, column));
        if (column == colFileName) value = std::string(FileNamePart(value));
        return o.CaseSensitive ? value : UpperCase(value);
    };
    const auto agree = [&](const std::string& a, const std::string& b) {
        if (o.Exact) return a == b;
        if (a.empty() || b.empty()) return false;
        return a.find(b) != std::string::npos || b.find(a) != std::string::npos;
    };
    const auto shortened = [](std::string time) {
        if (time.empty()) return time;
        std::size_t end = time.size() - 1;
        while (end > 0 && (static_cast<unsigned char>(time[end]) & 0xC0) == 0x80) --end;
        return time.substr(0, end);
    };
    std::vector<std::pair<int, int>> pairs;
    const int n = list.DataRowCount();
    for (int r = 1; r < n; ++r) {
        for (int s = r + 1; s <= n; ++s) {
            int found = 0;
            if ((o.Criteria & kDoubleByName) && agree(text(r, colFileName), text(s, colFileName)))
                found += kDoubleByName;
            if ((o.Criteria & kDoubleByTitle) && agree(text(r, colTitle), text(s, colTitle)))
                found += kDoubleByTitle;
            if ((o.Criteria & kDoubleByArtist) && agree(text(r, colArtist), text(s, colArtist)))
                found += kDoubleByArtist;
            if (o.Criteria & kDoubleByLength) {
                const std::string a(list.Cell(r, colTime)), b(list.Cell(s, colTime));
                if (o.Exact ? a == b : shortened(a) == shortened(b)) found += kDoubleByLength;
            }
            if (found == o.Criteria) {
                pairs.emplace_back(r, s);
                break;
            }
        }
    }
    return pairs;
}

TEST(FindDuplicatePairs, AgreementFollowsTheCriteriaAndOptions) {
    const DoubleOptions exactTitle{kDoubleByTitle, true, false};
    const DoubleOptions similarTitle{kDoubleByTitle, false, false};
    // Empty titles agree only exactly.
    EXPECT_EQ(Pairs({{"", "", "", "/a"}, {"", "", "", "/b"}}, exactTitle).size(), 1u);
    EXPECT_TRUE(Pairs({{"", "", "", "/a"}, {"", "", "", "/b"}}, similarTitle).empty());
    // One title inside the other agrees only when not exact.
    const std::vector<Song> live = {{"Yesterday", "", "", "/a"},
                                    {"Yesterday (Live)", "", "", "/b"}};
    EXPECT_EQ(Pairs(live, similarTitle), (std::vector<std::pair<int, int>>{{1, 2}}));
    EXPECT_TRUE(Pairs(live, exactTitle).empty());
    // Lengths within the same ten seconds agree when not exact.
    const DoubleOptions length{kDoubleByLength, false, false};
    EXPECT_EQ(Pairs({{"", "", "03:41", "/a"}, {"", "", "03:47", "/b"}}, length).size(), 1u);
    EXPECT_TRUE(Pairs({{"", "", "03:39", "/a"}, {"", "", "03:41", "/b"}}, length).empty());
    // File names agree across folders, and across case unless case matters.
    const std::vector<Song> names = {{"", "", "", "/A/song.mp3"}, {"", "", "", "/B/SONG.MP3"}};
    EXPECT_EQ(Pairs(names, {kDoubleByName, true, false}).size(), 1u);
    EXPECT_TRUE(Pairs(names, {kDoubleByName, true, true}).empty());
    // Umlauts are folded too.
    EXPECT_EQ(Pairs({{"Ärger", "", "", "/a"}, {"ärger", "", "", "/b"}}, exactTitle).size(), 1u);
    // Every checked criterion must agree.
    EXPECT_TRUE(Pairs({{"Song", "A", "", "/a"}, {"Song", "B", "", "/b"}},
                      {kDoubleByTitle | kDoubleByArtist, true, false})
                    .empty());
    // One row, or no criterion: nothing.
    EXPECT_TRUE(Pairs({{"x", "", "", "/a"}}, exactTitle).empty());
    EXPECT_TRUE(Pairs({{"x", "", "", "/a"}, {"x", "", "", "/b"}}, {0, true, false}).empty());
}

TEST(FindDuplicatePairs, EachRowIsPairedWithItsFirstLaterDuplicate) {
    const std::vector<Song> three = {{"Same", "", "", "/1"},
                                     {"Other", "", "", "/2"},
                                     {"Same", "", "", "/3"},
                                     {"Same", "", "", "/4"}};
    EXPECT_EQ(Pairs(three, {kDoubleByTitle, true, false}),
              (std::vector<std::pair<int, int>>{{1, 3}, {3, 4}}));
    // Similar: a later shorter title inside an earlier longer one counts too.
    const std::vector<Song> nested = {{"Love Song (Remix)", "", "", "/1"},
                                      {"Xyz", "", "", "/2"},
                                      {"Love", "", "", "/3"},
                                      {"Song", "", "", "/4"}};
    EXPECT_EQ(Pairs(nested, {kDoubleByTitle, false, false}),
              (std::vector<std::pair<int, int>>{{1, 3}}));
}

// A short value inside many others that each have many rows: its rows look into
// every agreeing group from their own place on (instead of merging them all).
TEST(FindDuplicatePairs, AShortValueInsideManyFrequentOnesEqualsTheLiteralLoop) {
    std::mt19937 random(7);
    std::vector<Song> songs;
    for (int group = 0; group < 20; ++group)
        for (int copy = 0; copy < 10; ++copy)
            songs.push_back({"Love " + std::to_string(group), random() % 3 ? "A" : "B", "",
                             "/" + std::to_string(songs.size())});
    songs.push_back({"Love", "B", "", "/love"});
    songs.push_back({"ove", "A", "", "/ove"});
    std::shuffle(songs.begin(), songs.end(), random);
    SongList list(kSongColumnCount);
    Fill(list, songs);
    for (const int criteria : {int{kDoubleByTitle}, kDoubleByTitle | kDoubleByArtist}) {
        const DoubleOptions options{criteria, false, false};
        EXPECT_EQ(FindDuplicatePairs(list, options), LiteralPairs(list, options)) << criteria;
    }
}

// Values with zero bytes (which the suffix array cannot take) are compared too.
TEST(FindDuplicatePairs, ValuesWithZeroBytesAgreeAsTheLiteralLoopSays) {
    SongList list(kSongColumnCount);
    Fill(list, {{std::string("a\0b", 3), "", "", "/1"},
                {"x", "", "", "/2"},
                {std::string("\0", 1), "", "", "/3"},
                {std::string("za\0bz", 5), "", "", "/4"}});
    const DoubleOptions similar{kDoubleByTitle, false, false};
    EXPECT_EQ(FindDuplicatePairs(list, similar), LiteralPairs(list, similar));
    EXPECT_EQ(FindDuplicatePairs(list, similar),
              (std::vector<std::pair<int, int>>{{1, 3}, {3, 4}}));
}

// Differential: random lists over a small alphabet (so that containment and
// equality are frequent), every combination of criteria and options, against the
// literal loop.
TEST(FindDuplicatePairs, EqualsTheLiteralLoopOnRandomLists) {
    std::mt19937 random(20261208);
    const std::vector<std::string> pieces = {"",    "a",  "A", "ab", "b",   "ä", "Ä",
                                             "abc", "ba", "c", " ",  "x-y", "ß"};
    const auto word = [&](int parts) {
        std::string text;
        const int count = static_cast<int>(random() % static_cast<unsigned>(parts + 1));
        for (int i = 0; i < count; ++i) text += pieces[random() % pieces.size()];
        return text;
    };
    const std::vector<std::string> times = {"", "03:41", "03:47", "03:39", "  :  ", "1", "03:4ä"};
    for (int round = 0; round < 60; ++round) {
        SongList list(kSongColumnCount);
        const int rows = 1 + static_cast<int>(random() % 60);
        for (int i = 0; i < rows; ++i) {
            const int row = RowForNewEntry(list);
            list.SetCell(row, colTitle, word(3));
            list.SetCell(row, colArtist, word(2));
            list.SetCell(row, colTime, times[random() % times.size()]);
            list.SetCell(row, colFileName, "/" + word(1) + "/" + word(3));
        }
        for (int criteria = 1; criteria < 16; ++criteria) {
            for (int flags = 0; flags < 4; ++flags) {
                const DoubleOptions options{criteria, (flags & 1) != 0, (flags & 2) != 0};
                SCOPED_TRACE("round " + std::to_string(round) + " criteria " +
                             std::to_string(criteria) + " flags " + std::to_string(flags));
                ASSERT_EQ(FindDuplicatePairs(list, options), LiteralPairs(list, options));
            }
        }
    }
}

TEST(FillDoublesList, ListsEachFileOnceAndSortsByTheFirstCriterion) {
    SongList catalogue(kSongColumnCount);
    Fill(catalogue, {{"B", "x", "01:00", "/m/2.mp3"},
                     {"A", "y", "02:00", "/m/1.mp3"},
                     {"B", "z", "01:00", "/m/3.mp3"},
                     {"B", "w", "01:00", "/m/4.mp3"}});
    catalogue.SetCell(1, colComment, "kommentar");
    catalogue.SetCell(1, colImage, "/bild.jpg");
    SongList doubles(kCopyColumnCount);
    Fill(doubles, {{"alt", "", "", "/alt.mp3"}});
    const DoubleOptions options{kDoubleByTitle | kDoubleByLength, true, false};
    const auto pairs = FindDuplicatePairs(catalogue, options);
    EXPECT_EQ(FillDoublesList(catalogue, doubles, pairs, options), 3);
    ASSERT_EQ(doubles.DataRowCount(), 3);
    for (int row = 1; row <= 3; ++row) EXPECT_EQ(doubles.Cell(row, colTitle), "B");
    EXPECT_EQ(doubles.Cell(1, colFileName), "/m/2.mp3");  // equal titles keep their order
    EXPECT_EQ(doubles.Cell(1, colComment), "kommentar");
    EXPECT_EQ(doubles.ColumnCount(), kCopyColumnCount);
    // Sorted by the whole path when names are compared.
    const DoubleOptions byName{kDoubleByName | kDoubleByTitle, false, false};
    Fill(catalogue, {{"B", "", "", "/a/4.mp3"}});
    FillDoublesList(catalogue, doubles, FindDuplicatePairs(catalogue, byName), byName);
    ASSERT_EQ(doubles.DataRowCount(), 2);
    EXPECT_EQ(doubles.Cell(1, colFileName), "/a/4.mp3");
    EXPECT_EQ(doubles.Cell(2, colFileName), "/m/4.mp3");
    // No pairs: the one empty row.
    FillDoublesList(catalogue, doubles, {}, byName);
    EXPECT_TRUE(doubles.IsEmpty());
    EXPECT_EQ(doubles.DataRowCount(), 1);
    EXPECT_EQ(doubles.Cell(1, colTitle), "");
}

TEST(FindDuplicatePairs, ProgressCanStopTheComparison) {
    SongList list(kSongColumnCount);
    for (int i = 0; i < 3000; ++i) Fill(list, {{"t" + std::to_string(i % 7), "", "", "/f"}});
    int calls = 0;
    const auto stopAtOnce = [&](int) {
        ++calls;
        return false;
    };
    EXPECT_TRUE(FindDuplicatePairs(list, {kDoubleByTitle, false, false}, stopAtOnce).empty());
    EXPECT_EQ(calls, 1);
}

}  // namespace
}  // namespace tv
