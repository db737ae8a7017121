#include "base/text_case.h"

#include <gtest/gtest.h>

#include <random>

namespace tv {
namespace {

TEST(TextCase, MapsLettersBeyondAsciiOneByOne) {
    EXPECT_EQ(UpperCase("die ärzte – große Öfen"), "DIE ÄRZTE – GROßE ÖFEN");
    EXPECT_EQ(LowerCase("DIE ÄRZTE"), "die ärzte");
    EXPECT_EQ(UpperCase("ελλάδα"), "ΕΛΛΆΔΑ");
    EXPECT_EQ(UpperCase("/m/\xE4-x.mp3"), "/M/\xE4-X.MP3");  // a byte that is not UTF-8 stays
    EXPECT_EQ(UpperCase("abcdefghijklmnopqrstuvwxyz{|}`@[ 0123456789"),
              "ABCDEFGHIJKLMNOPQRSTUVWXYZ{|}`@[ 0123456789");
    std::string appended = "x";
    AppendUpperCase(appended, "yz ä");
    EXPECT_EQ(appended, "xYZ Ä");
}

// Folding in place agrees with folding aside, and says so when a character's
// upper case has another length ("ſ" is one byte longer than "S").
TEST(TextCase, InPlaceAgreesWithTheCopy) {
    std::string longer = "straſſe";
    EXPECT_FALSE(UpperCaseInPlace(longer.data(), longer.size()));
    EXPECT_EQ(UpperCase("straſſe"), "STRASSE");
    std::mt19937 random(7);
    const std::string pieces[] = {"a", "Z", "ä", "Ö", "ß", "é", "x y", "\xE4", "€", "{", "~", "ω"};
    for (int round = 0; round < 2000; ++round) {
        std::string text;
        const int count = static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) text += pieces[random() % std::size(pieces)];
        std::string inPlace = text;
        ASSERT_TRUE(UpperCaseInPlace(inPlace.data(), inPlace.size()));
        ASSERT_EQ(inPlace, UpperCase(text)) << text;
        ASSERT_EQ(LowerCase(UpperCase(text)), LowerCase(text)) << text;
    }
}

}  // namespace
}  // namespace tv
