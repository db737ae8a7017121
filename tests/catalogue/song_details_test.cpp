#include "catalogue/song_details.h"

#include <gtest/gtest.h>

#include "base/text_case.h"

namespace tv {
namespace {

TEST(CapitalizeWords, RaisesLettersAfterSeparatorsOnly) {
    EXPECT_EQ(CapitalizeWords(""), "");
    EXPECT_EQ(CapitalizeWords("hello WORLD"), "Hello World");
    EXPECT_EQ(CapitalizeWords("rock&roll (live)-mix.2:end"), "Rock&Roll (Live)-Mix.2:End");
    // Words that begin with an umlaut or an accent keep their capital.
    EXPECT_EQ(CapitalizeWords("ÜBER ALLES"), "Über Alles");
    EXPECT_EQ(CapitalizeWords("über den wolken"), "Über Den Wolken");
    EXPECT_EQ(CapitalizeWords("DIE ÄRZTE"), "Die Ärzte");
    EXPECT_EQ(CapitalizeWords("ängste"), "Ängste");
    EXPECT_EQ(CapitalizeWords("walzer für élise"), "Walzer Für Élise");
    EXPECT_EQ(CapitalizeWords("ßtraße ÇA Ωmega"), "ßtraße Ça Ωmega");  // "ß" has no capital of one letter
    EXPECT_EQ(CapitalizeWords(std::string("caf\xE9 \xFFx")), std::string("Caf\xE9 \xFFx"));  // not UTF-8: kept
    EXPECT_EQ(CapitalizeWords("o'neil"), "O'neil");
}

TEST(TextCase, FollowsUnicodeRules) {
    EXPECT_EQ(LowerCase("ÄÖÜ ÉÈ ΣΑΣ ДОМ"), "äöü éè σασ дом");
    EXPECT_EQ(UpperCase("äöü straße"), "ÄÖÜ STRAßE");
    EXPECT_EQ(LowerCase("bad \xFF byte"), "bad \xFF byte");
}

TEST(FormatPlayingTime, HasTwoDigitsAtLeast) {
    EXPECT_EQ(FormatPlayingTime(187), "03:07");
    EXPECT_EQ(FormatPlayingTime(0), "00:00");
    EXPECT_EQ(FormatPlayingTime(6000), "100:00");
}

TEST(GuessFromPath, ArtistAndTitleFromTheName) {
    PathGuess guess = GuessFromPath("/music/mixed/01 - band - song title.mp3");
    EXPECT_EQ(guess.Artist, "band ");  // the blank before the dash stays
    EXPECT_EQ(guess.Title, "song title");
    EXPECT_EQ(CapitalizeWords(guess.Artist), "Band ");
    EXPECT_EQ(CapitalizeWords(guess.Title), "Song Title");

    guess = GuessFromPath("/music/song (band).mp3");
    EXPECT_EQ(guess.Artist, "band");
    EXPECT_EQ(guess.Title, "song ");

    guess = GuessFromPath("/music/Best_Of/JUST_A_NAME.MP3");
    EXPECT_EQ(guess.Title, "just a name");
    EXPECT_EQ(guess.Artist, "best of");  // from the folder
}

TEST(GuessFromPath, YearFromTheNameOrTheFolders) {
    PathGuess guess = GuessFromPath("/x/best of/1985 - my_song.mp3");
    EXPECT_EQ(guess.Year, "1985");
    EXPECT_EQ(guess.Title, "my song");
    EXPECT_EQ(guess.Artist, "best of");

    EXPECT_EQ(GuessFromPath("/music/85/a.mp3").Year, "1985");
    EXPECT_EQ(GuessFromPath("/music/07/a.mp3").Year, "2007");
    EXPECT_EQ(GuessFromPath("/music/1850/a.mp3").Year, "2018");
    EXPECT_EQ(GuessFromPath("/music/2005 live/a.mp3").Year, "2005");
    EXPECT_EQ(GuessFromPath("/music/4000/a.mp3").Year, "");
    EXPECT_EQ(GuessFromPath("/1999/2003/a.mp3").Year, "1999");  // the topmost folder first
    EXPECT_EQ(GuessFromPath("1999/a.mp3").Year, "");  // before the first separator: never looked at
}

TEST(GuessFromPath, OddNamesDoNotBreakIt) {
    EXPECT_EQ(GuessFromPath("").Title, "");
    EXPECT_EQ(GuessFromPath("/").Title, "");
    EXPECT_EQ(GuessFromPath("/m/1").Title, "1");  // one character is never removed
    EXPECT_EQ(GuessFromPath("/m/---.mp3").Title, "");
    EXPECT_EQ(GuessFromPath("/m/a)b(c.mp3").Artist, "c.mp3");
}

TEST(SplitCompilationTitle, SplitsOnlyForCompilationArtists) {
    std::string title = "Singer / Hit Song", artist = "Various Artists";
    EXPECT_TRUE(SplitCompilationTitle(title, artist));
    EXPECT_EQ(artist, "Singer");
    EXPECT_EQ(title, "Hit Song");

    title = "Duo - Track / Mix";
    artist = "Verschiedene Interpreten";
    EXPECT_TRUE(SplitCompilationTitle(title, artist));
    EXPECT_EQ(artist, "Duo - Track");  // " / " first
    EXPECT_EQ(title, "Mix");

    title = "Duo - Track";
    artist = "The Various";
    EXPECT_FALSE(SplitCompilationTitle(title, artist));
    EXPECT_EQ(title, "Duo - Track");
}

TEST(StripQuotes, RemovesOneQuoteAtEachEnd) {
    EXPECT_EQ(StripQuotes("\"/a b.mp3\""), "/a b.mp3");
    EXPECT_EQ(StripQuotes("\"\"x\"\""), "\"x\"");
    EXPECT_EQ(StripQuotes("plain"), "plain");
}

}  // namespace
}  // namespace tv
