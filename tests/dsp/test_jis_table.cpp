#include <gtest/gtest.h>

#include <set>

#include "dsp/jis_table.h"

namespace wavelore {
namespace {

TEST(JisTable, HoldsThePublishedRowsThenLineFeedThenTerminator) {
    EXPECT_EQ(kJisTableRows, 6881);
    std::set<uint16_t> codes;
    for (int32_t i = 0; i < kJisCharacterRows; ++i) {
        const JisRow& row = kJisTable[i];
        EXPECT_GE(row.jis >> 8, 0x21) << i;
        EXPECT_LE(row.jis >> 8, 0x7E) << i;
        EXPECT_NE(row.unicode, 0) << i;
        codes.insert(row.jis);
    }
    EXPECT_EQ(codes.size(), 6879u) << "JIS codes are unique";
    const JisRow& lineFeed = kJisTable[kJisCharacterRows];
    EXPECT_EQ(lineFeed.shiftJis, 0);
    EXPECT_EQ(lineFeed.jis, 0x0D0A);
    EXPECT_EQ(lineFeed.unicode, 0x000A);
    const JisRow& end = kJisTable[kJisTableRows - 1];
    EXPECT_EQ(end.shiftJis | end.jis | end.unicode, 0);
}

TEST(JisTable, KnownRows) {
    // Hiragana A, fullwidth digit zero, and the one code where common
    // codecs differ from the published table (reverse solidus).
    EXPECT_EQ(JisToUnicode(0x2422), 0x3042);
    EXPECT_EQ(JisToUnicode(0x2330), 0xFF10);
    EXPECT_EQ(JisToUnicode(0x2140), 0x005C);
    EXPECT_EQ(JisToUnicode(0x2121), 0x3000);
    EXPECT_EQ(JisToUnicode(0x7426), 0x7199);
    EXPECT_EQ(JisToUnicode(0x0D0A), 0x000A);
    // Shift-JIS column: 0x2422 is 0x82A0, 0x7426 is 0xEAA4.
    for (const JisRow& row : kJisTable) {
        if (row.jis == 0x2422) {
            EXPECT_EQ(row.shiftJis, 0x82A0);
        }
        if (row.jis == 0x7426) {
            EXPECT_EQ(row.shiftJis, 0xEAA4);
        }
    }
}

TEST(JisTable, UnassignedCodesGiveZero) {
    EXPECT_EQ(JisToUnicode(0x0000), 0);
    EXPECT_EQ(JisToUnicode(0x2221 + 0x0E), 0);  // gap in row 2
    EXPECT_EQ(JisToUnicode(0x7427), 0);         // past the last kanji
    EXPECT_EQ(JisToUnicode(0x0D0D), 0);
    EXPECT_EQ(JisToUnicode(0xFFFF), 0);
}

TEST(JisTable, IndexedLookupMatchesTheScanForEveryKey) {
    for (uint32_t key = 0; key <= 0xFFFF; ++key) {
        const auto jis = static_cast<uint16_t>(key);
        ASSERT_EQ(JisToUnicode(jis), JisToUnicodeScan(jis)) << std::hex << key;
    }
}

}  // namespace
}  // namespace wavelore
