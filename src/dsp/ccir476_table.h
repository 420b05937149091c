#pragma once

#include <cstdint>

namespace wavelore {

// The CCIR 476 seven-bit constant-ratio code shared by SITOR-B and AMTOR.
extern const char kCcir476Letters[128];
extern const char kCcir476Figures[128];

constexpr uint32_t kCcirPhasing1 = 0x0F;  // also "alpha"
constexpr uint32_t kCcirPhasing2 = 0x33;  // also "beta"
constexpr uint32_t kCcirFigures = 0x36;
constexpr uint32_t kCcirLetters = 0x5A;
constexpr uint32_t kCcirCarriageReturn = 0x78;

// A code is valid when its letters entry is not '*': exactly the 35 codes
// with four 1 bits.
inline bool Ccir476IsValid(uint32_t code) {
    return code < 128 && kCcir476Letters[code] != '*';
}

}  // namespace wavelore
