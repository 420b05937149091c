#include <gtest/gtest.h>

#include "common/utf.h"

namespace wavelore {
namespace {

TEST(Utf, RoundTripsAsciiJapaneseAndSurrogatePairs) {
    const std::u16string text = u"ZCZC EA12\r\n\u3042\uFF10\U0001F600";
    const std::string utf8 = ToUtf8(text);
    EXPECT_EQ(utf8, "ZCZC EA12\r\n\xE3\x81\x82\xEF\xBC\x90\xF0\x9F\x98\x80");
    EXPECT_EQ(FromUtf8(utf8), text);
}

TEST(Utf, BadInputBecomesReplacementCharacters) {
    EXPECT_EQ(ToUtf8(std::u16string(1, char16_t(0xD800))), "\xEF\xBF\xBD");
    EXPECT_EQ(FromUtf8("A\xFF"
                       "B"),
              u"A\uFFFDB");
    EXPECT_EQ(FromUtf8("\xE3\x81"), u"\uFFFD\uFFFD");  // truncated at the end
    EXPECT_EQ(FromUtf8("\xC0\x80"), u"\uFFFD\uFFFD");  // overlong
}

}  // namespace
}  // namespace wavelore
