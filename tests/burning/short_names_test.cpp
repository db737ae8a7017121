#include "burning/short_names.h"

#include <gtest/gtest.h>

#include <set>

namespace tv {
namespace {

struct Directory {
    std::set<std::string> names;
    std::string Add(const std::string& longName, bool directory = false) {
        std::string name = ShortNameFor(longName, directory,
                                        [&](const std::string& n) { return names.contains(n); });
        names.insert(name);
        return name;
    }
};

TEST(ShortNames, ValidShortNamesStandUpperCased) {
    Directory d;
    EXPECT_EQ(d.Add("readme.txt"), "README.TXT");
    EXPECT_EQ(d.Add("SONG.MP3"), "SONG.MP3");
    EXPECT_EQ(d.Add("A$%'-_@~"), "A$%'-_@~");
    EXPECT_TRUE(IsValidShortName("12345678.ABC"));
    EXPECT_FALSE(IsValidShortName("123456789.ABC"));
    EXPECT_FALSE(IsValidShortName("A.B.C"));
    EXPECT_FALSE(IsValidShortName("a b.mp3"));
    EXPECT_FALSE(IsValidShortName("x."));
}

TEST(ShortNames, LongNamesGetUniqueAliases) {
    Directory d;
    EXPECT_EQ(d.Add("Langer Titel 1.mp3"), "LANGER~1.MP3");
    EXPECT_EQ(d.Add("Langer Titel 2.mp3"), "LANGER~2.MP3");
    EXPECT_EQ(d.Add("Ärger über Köln.flac"), "_RGER_~1.FLA");
    EXPECT_EQ(d.Add("a+b=c [live].mp3"), "A_B_C_~1.MP3");
    EXPECT_EQ(d.Add(".hidden.mp3"), "HIDDEN~1.MP3");
    EXPECT_EQ(d.Add("no extension at all"), "NOEXTE~1");
    EXPECT_EQ(d.Add("version.1.2.txt"), "VERSIO~1.TXT");
    EXPECT_EQ(d.Add("dir.name", true), "DIRNAM~1");  // a directory has no extension
    for (int i = 3; i <= 12; ++i) d.Add("Langer Titel " + std::to_string(i) + ".mp3");
    EXPECT_TRUE(d.names.contains("LANGE~10.MP3"));  // the base shrinks for more digits
    EXPECT_TRUE(d.names.contains("LANGE~12.MP3"));
}

TEST(ShortNames, AValidNameTakenByAnAliasGetsAnAliasOfItsOwn) {
    Directory d;
    EXPECT_EQ(d.Add("Langer Titel.mp3"), "LANGER~1.MP3");
    EXPECT_EQ(d.Add("langer~1.mp3"), "LANGER~2.MP3");
}

}  // namespace
}  // namespace tv
