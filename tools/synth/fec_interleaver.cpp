#include "synth/fec_interleaver.h"

#include <algorithm>
#include <cstddef>

namespace wavelore::synth {

std::vector<uint16_t> InterleaveFec(const std::vector<FecUnit>& units, const FecCode& code) {
    const std::ptrdiff_t count = static_cast<std::ptrdiff_t>(units.size());
    if (count == 0) {
        return {};
    }
    std::ptrdiff_t lastSlot = 2 * (count - 1);
    for (std::ptrdiff_t n = 0; n < count; ++n) {
        if (units[n].hasRx) {
            lastSlot = std::max(lastSlot, 2 * n + 5);
        }
    }
    std::vector<uint16_t> slots(static_cast<std::size_t>(lastSlot + 1));
    for (std::ptrdiff_t slot = 0; slot <= lastSlot; ++slot) {
        if (slot % 2 == 0) {
            const std::ptrdiff_t n = slot / 2;
            slots[slot] = n < count ? units[n].dx : code.phasingDx;
        } else {
            const std::ptrdiff_t n = (slot - 5) / 2;
            const bool own = slot >= 5 && n < count && units[n].hasRx;
            slots[slot] = own ? units[n].rx : code.phasingRx;
        }
    }
    return slots;
}

void AppendCodeBits(uint32_t code, int bitCount, std::vector<uint8_t>& bits) {
    for (int i = 0; i < bitCount; ++i) {
        bits.push_back(static_cast<uint8_t>((code >> i) & 1U));
    }
}

}  // namespace wavelore::synth
