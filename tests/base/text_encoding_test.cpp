#include "base/text_encoding.h"

#include <gtest/gtest.h>

namespace tv {
namespace {

TEST(TextEncoding, Windows1252RoundTripsEveryByte) {
    std::string all;
    for (int b = 1; b < 256; ++b) all.push_back(static_cast<char>(b));
    const std::string utf8 = Windows1252ToUtf8(all);
    EXPECT_TRUE(IsValidUtf8(utf8));
    EXPECT_EQ(Utf8ToWindows1252(utf8), all);
    EXPECT_EQ(Windows1252ToUtf8("\x80\x9F\xE4\xDF"), "€Ÿäß");
}

TEST(TextEncoding, CharactersWithoutAByteBecomeQuestionMarks) {
    EXPECT_EQ(Utf8ToWindows1252("Ärger – ok ☺ 𝄞"), "\xC4rger \x96 ok ? ?");
}

TEST(TextEncoding, RecognisesIllFormedUtf8) {
    EXPECT_TRUE(IsValidUtf8("plain ASCII text that is long enough for the fast path"));
    EXPECT_TRUE(IsValidUtf8("Grüße 𝄞"));
    EXPECT_FALSE(
        IsValidUtf8("Gr\xFC\xDF"
                    "e"));                          // Windows-1252
    EXPECT_FALSE(IsValidUtf8("\xC0\xAF"));          // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80"));      // surrogate
    EXPECT_FALSE(IsValidUtf8("abc\xE2\x82"));       // cut short
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80"));  // beyond U+10FFFF
}

TEST(TextEncoding, FileTextIsUtf8OrElseWindows1252) {
    EXPECT_EQ(DecodeFileText("\xEF\xBB\xBFGr\xC3\xBC\xC3\x9F"
                             "e"),
              "Grüße");
    EXPECT_EQ(DecodeFileText("Gr\xFC\xDF"
                             "e"),
              "Grüße");
}

}  // namespace
}  // namespace tv
