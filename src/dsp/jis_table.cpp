#include "dsp/jis_table.h"

#include <array>

namespace wavelore {

constexpr JisRow kJisTable[kJisTableRows] = {
#include "dsp/jis_table.inc"
};

namespace {

constexpr uint16_t ScanTable(uint16_t jis) {
    for (const JisRow& row : kJisTable) {
        if (row.jis == jis) {
            return row.unicode;
        }
        if (row.jis == 0) {
            break;
        }
    }
    return 0;
}

// Every code whose two bytes are seven-bit, which covers all a decoder can
// pair; the first matching row wins, as in the scan.
constexpr int32_t kIndexSize = 128 * 128;

constexpr bool InIndex(uint16_t jis) {
    return (jis & 0x8080) == 0;
}

constexpr int32_t IndexOf(uint16_t jis) {
    return ((jis >> 8) << 7) | (jis & 0x7F);
}

constexpr std::array<uint16_t, kIndexSize> BuildIndex() {
    std::array<uint16_t, kIndexSize> index{};
    std::array<bool, kIndexSize> filled{};
    for (const JisRow& row : kJisTable) {
        if (row.jis == 0) {
            break;
        }
        if (InIndex(row.jis) && !filled[IndexOf(row.jis)]) {
            filled[IndexOf(row.jis)] = true;
            index[IndexOf(row.jis)] = row.unicode;
        }
    }
    return index;
}

constexpr std::array<uint16_t, kIndexSize> kIndex = BuildIndex();

static_assert(kJisTable[kJisTableRows - 1].jis == 0, "the table ends with a zero row");
static_assert(ScanTable(0x2422) == 0x3042 && kIndex[IndexOf(0x2422)] == 0x3042);
static_assert(ScanTable(0x0D0A) == 0x000A && kIndex[IndexOf(0x0D0A)] == 0x000A);

}  // namespace

uint16_t JisToUnicode(uint16_t jis) {
    return InIndex(jis) ? kIndex[IndexOf(jis)] : ScanTable(jis);
}

uint16_t JisToUnicodeScan(uint16_t jis) {
    return ScanTable(jis);
}

}  // namespace wavelore
