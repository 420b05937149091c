#pragma once

#include <cstdint>
#include <vector>

namespace wavelore::synth {

// One character of a time-diversity (FEC) emission: the code sent in the DX
// position and the code repeated in the RX position five character slots
// later. Traffic sends the same code twice; phasing sends two different
// signals; the end-of-emission signals have no RX copy.
struct FecUnit {
    uint16_t dx = 0;
    uint16_t rx = 0;
    bool hasRx = true;
};

// The geometry of an FEC code: code length and the phasing signals.
struct FecCode {
    int bitsPerCode;
    uint16_t phasingDx;
    uint16_t phasingRx;
};

// CCIR 476 mode B: 7 bits, 35 bits between copies. Phasing signal 1 (the
// repetition signal) takes the DX position and alpha the RX position, as
// heard on the air.
constexpr FecCode kCcir476Fec{7, 0x66, 0x0F};
// The Japanese ten-bit code: 10 bits, 50 bits between copies.
constexpr FecCode kNavtexJFec{10, 0x099, 0x184};

// Lays the units out in transmission order: slot 2n carries units[n].dx and
// slot 2n+5 carries units[n].rx, so DX and RX alternate and the copies of a
// character are five slots apart. Slots with nothing of their own (the two
// RX slots before the first unit, DX slots after the last) carry the phasing
// signal of their position. The emission ends with the last slot that
// carries a unit's code.
std::vector<uint16_t> InterleaveFec(const std::vector<FecUnit>& units, const FecCode& code);

// Appends the bits of code, bit 0 first (the order they are sent).
void AppendCodeBits(uint32_t code, int bitCount, std::vector<uint8_t>& bits);

}  // namespace wavelore::synth
