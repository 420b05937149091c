#include <gtest/gtest.h>

#include <cctype>
#include <clocale>
#include <cwctype>

#include "common/char_class.h"

namespace wavelore {
namespace {

TEST(CharClass, AsciiAgreesWithTheCLocale) {
    std::setlocale(LC_ALL, "C");
    for (int c = 0; c < 128; ++c) {
        SCOPED_TRACE(c);
        EXPECT_EQ(IsSpace(static_cast<char16_t>(c)), std::isspace(c) != 0);
        EXPECT_EQ(IsAlpha(static_cast<char16_t>(c)), std::isalpha(c) != 0);
        EXPECT_EQ(IsDigit(static_cast<char16_t>(c)), std::isdigit(c) != 0);
        EXPECT_EQ(IsPrint(static_cast<char16_t>(c)), std::isprint(c) != 0);
    }
}

TEST(CharClass, FullwidthFormsAreLettersAndDigitsInAnyLocale) {
    std::setlocale(LC_ALL, "C");
    for (char16_t c = 0xFF21; c <= 0xFF3A; ++c) {  // Ａ..Ｚ
        EXPECT_TRUE(IsAlpha(c)) << std::hex << int{c};
        EXPECT_TRUE(IsAlpha(static_cast<char16_t>(c + 0x20))) << std::hex << c + 0x20;  // ａ..ｚ
        EXPECT_FALSE(IsDigit(c));
    }
    for (char16_t c = 0xFF10; c <= 0xFF19; ++c) {  // ０..９
        EXPECT_TRUE(IsDigit(c)) << std::hex << int{c};
        EXPECT_FALSE(IsAlpha(c));
    }
    // The C library in this locale knows none of them, which is why the
    // receiver has its own classes.
    EXPECT_FALSE(std::iswdigit(0xFF11));
    // The neighbours of the fullwidth letters are punctuation.
    EXPECT_FALSE(IsAlpha(0xFF20));  // ＠
    EXPECT_FALSE(IsAlpha(0xFF3B));  // ［
    EXPECT_FALSE(IsDigit(0xFF1A));  // ：
}

TEST(CharClass, JapaneseTextIsLettersAndIdeographicSpaceIsSpace) {
    const std::u16string text = u"ぁあアヲ漢字気象警報ー々ｱ";
    for (char16_t c : text) {
        EXPECT_TRUE(IsAlpha(c)) << std::hex << static_cast<int>(c);
        EXPECT_FALSE(IsSpace(c));
    }
    EXPECT_TRUE(IsSpace(0x3000));   // ideographic space
    EXPECT_FALSE(IsAlpha(0x3001));  // 、
    EXPECT_FALSE(IsAlpha(0x3002));  // 。
    EXPECT_FALSE(IsAlpha(0x300C));  // 「
}

TEST(CharClass, UnicodeSpacesDigitsAndNonClasses) {
    for (char16_t c :
         {0x0085, 0x00A0, 0x1680, 0x2000, 0x2007, 0x200A, 0x2028, 0x2029, 0x202F, 0x205F}) {
        EXPECT_TRUE(IsSpace(c)) << std::hex << int{c};
    }
    for (char16_t c : {0x200B, 0xFEFF, 0x180E}) {  // zero width: not White_Space
        EXPECT_FALSE(IsSpace(c)) << std::hex << int{c};
    }
    EXPECT_TRUE(IsDigit(0x0661));   // Arabic-Indic one
    EXPECT_FALSE(IsDigit(0x00B2));  // superscript two is not a decimal digit
    EXPECT_FALSE(IsDigit(0x2460));  // circled one
    EXPECT_TRUE(IsAlpha(0x00E9));   // é
    EXPECT_TRUE(IsAlpha(0x03A9));   // Ω
    EXPECT_TRUE(IsAlpha(0x0416));   // Ж
    EXPECT_FALSE(IsAlpha(0x00D7));  // ×
    for (char16_t c : {0xD800, 0xDBFF, 0xDC00, 0xDFFF, 0xFFFF}) {
        EXPECT_FALSE(IsAlpha(c) || IsDigit(c) || IsSpace(c) || IsPrint(c)) << std::hex << int{c};
    }
    for (char16_t c : {0x0080, 0x0085, 0x009F, 0xFDD0, 0xFFFE}) {
        EXPECT_FALSE(IsPrint(c)) << std::hex << int{c};
    }
    for (char16_t c : {0x00A0, 0x00FF, 0x200B, 0x3000, 0x3042, 0xFF21, 0xFFFD}) {
        EXPECT_TRUE(IsPrint(c)) << std::hex << int{c};
    }
}

}  // namespace
}  // namespace wavelore
