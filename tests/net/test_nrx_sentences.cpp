// NMEA 0183 NRX sentences: the published example, the 82-character limit
// and the escapes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "net/nrx_sentences.h"

namespace wavelore {
namespace {

// The text field of a sentence, escapes undone.
std::u16string TextOf(const std::string& sentence) {
    const size_t star = sentence.rfind('*');
    size_t at = 0;
    for (int comma = 0; comma < 13; ++comma) {
        at = sentence.find(',', at) + 1;
    }
    std::u16string text;
    for (size_t i = at; i < star; ++i) {
        if (sentence[i] == '^') {
            text += static_cast<char16_t>(std::stoi(sentence.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            text += static_cast<char16_t>(sentence[i]);
        }
    }
    return text;
}

TEST(NrxSentences, ThePublishedExampleWithItsFirstChecksumCorrected) {
    NrxMessage m;
    m.sequence = 0;
    m.code = "TD02";
    m.frequencyIndex = 1;
    m.year = 2001;
    m.month = 6;
    m.day = 27;
    m.hour = 13;
    m.minute = 56;
    m.totalCharacters = 241;
    m.badCharacters = 3;
    // The first two sentences as published, four full ones, and a last one
    // of two line feeds. The second ends short: CR does not fit.
    m.text = std::u16string(34, u'=') + u"\r\nISSUED ON SATURDAY 06 JANUARY 2001.\r\n" +
             std::u16string(194, u'X') + u"\n\n";
    const std::vector<std::string> s = EncodeNrx(m);
    ASSERT_EQ(s.size(), 7u);
    // Usually quoted with *09; the checksum of these characters is 18.
    EXPECT_EQ(s[0],
              "$CRNRX,007,001,00,TD02,1,135600,27,06,2001,241,3,A,==========================*18"
              "\r\n");
    EXPECT_EQ(
        s[1],
        "$CRNRX,007,002,00,,,,,,,,,,========^0D^0AISSUED ON SATURDAY 06 JANUARY 2001.*29\r\n");
    EXPECT_EQ(s[6], "$CRNRX,007,007,00,,,,,,,,,,^0A^0A*79\r\n");
    EXPECT_EQ(s[0].size(), 82u);
    for (size_t i = 2; i < 6; ++i) {
        EXPECT_EQ(s[i].size(), 82u) << s[i];
    }
}

TEST(NrxSentences, EveryReservedCharacterIsEscapedAndNoSentenceExceeds82) {
    NrxMessage m;
    m.sequence = 117;  // two digits: 17
    m.code = "EA12";
    m.valid = false;
    std::u16string text = u"\r\n$*,!\\^~ \x01\x7F\xE9\x20AC";
    for (int i = 0; i < 40; ++i) {
        text += u"GALE 8 AT 12:00, ^24 $ISSUED~! ";
    }
    m.text = text;
    m.totalCharacters = static_cast<int64_t>(text.size());
    const std::vector<std::string> s = EncodeNrx(m);
    ASSERT_GT(s.size(), 10u);
    std::u16string joined;
    for (size_t i = 0; i < s.size(); ++i) {
        const std::string& sentence = s[i];
        EXPECT_LE(sentence.size(), 82u) << sentence;
        ASSERT_EQ(sentence.substr(sentence.size() - 2), "\r\n");
        const size_t star = sentence.size() - 5;
        ASSERT_EQ(sentence[star], '*');
        EXPECT_EQ(sentence.substr(star + 1, 2), NmeaChecksum(sentence.substr(1, star - 1)));
        const std::string number = std::to_string(1000 + i + 1).substr(1);
        const std::string total = std::to_string(1000 + s.size()).substr(1);
        EXPECT_EQ(sentence.substr(0, 18), "$CRNRX," + total + "," + number + ",17,");
        // Only printable characters, and no reserved one, in the text.
        const std::string field = sentence.substr(0, star);
        for (const char c : field.substr(field.find(",17,") + 4)) {
            EXPECT_TRUE(c >= 0x20 && c <= 0x7E) << sentence;
        }
        joined += TextOf(sentence);
    }
    EXPECT_NE(s[0].find(",EA12,,,,,,"), std::string::npos) << s[0];
    EXPECT_NE(s[0].find(",0,V,^0D^0A^24^2A^2C^21^5C^5E^7E ^01^7F^E9?GA*"), std::string::npos)
        << s[0];
    // Escapes undone, the text comes back whole (beyond U+00FF as ?).
    std::u16string expected = text;
    expected[13] = u'?';
    EXPECT_EQ(joined, expected);
}

}  // namespace
}  // namespace wavelore
