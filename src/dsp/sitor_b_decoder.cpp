#include "dsp/sitor_b_decoder.h"

#include <bit>

#include "dsp/ccir476_table.h"

namespace wavelore {

namespace {

// The synchroniser averages 100 samples, a little under one bit, before
// taking the sign.
constexpr int32_t kSmoothLength = 100;
// RX copies follow their DX copies by five 7-bit slots.
constexpr int kWindowBits = 42;
constexpr uint64_t kWindowMask = (uint64_t{1} << kWindowBits) - 1;
// The phasing signal of a SITOR-B emission (ITU-R M.476, M.625): phasing
// signal 1, the repetition signal, in the DX position and phasing signal 2,
// alpha, in the RX position.
constexpr uint32_t kDxPhasing = 0x66;
constexpr uint32_t kRxPhasing = 0x0F;

int Distance(uint32_t a, uint32_t b) {
    return std::popcount((a ^ b) & 0x7Fu);
}

}  // namespace

CSitorBDecoder::CSitorBDecoder(uint32_t sampleRate, uint32_t baud)
    : CCharacterDecoder(sampleRate, baud, kSmoothLength) {}

void CSitorBDecoder::ResetCharacters() {
    m_window = 0;
    m_bitCounter = 0;
    m_acquired = false;
    m_phase = false;
    m_printer.Reset();
    m_consecutiveErrors = 0;
}

void CSitorBDecoder::HandleBit(int bit, std::u16string& out) {
    m_window =
        ((m_window >> 1) | (uint64_t{bit != 0 ? 1u : 0u} << (kWindowBits - 1))) & kWindowMask;
    const uint32_t rx = static_cast<uint32_t>(m_window >> 35) & 0x7Fu;
    const uint32_t dx = static_cast<uint32_t>(m_window) & 0x7Fu;

    // Phasing never repeats itself 35 bits later, but its order tells the
    // RX slot from the DX slot: an RX slot ends here. Otherwise a decoder
    // started inside the phasing would take the first equal pair in the
    // message for the alignment, a chance match or one slot off, and lose
    // the header while it hunts for the slots again.
    if (!m_acquired && rx == kRxPhasing && dx == kDxPhasing) {
        m_acquired = true;
        m_bitCounter = 0;
        m_printer.Reset();
        m_phase = true;  // the next slot holds a DX copy
        return;
    }
    // The first time a character lines up with its copy five slots back,
    // take that as the slot boundary.
    if (!m_acquired && rx == dx) {
        m_acquired = true;
        m_bitCounter = 0;
        m_printer.Reset();
        m_phase = false;
        return;
    }

    m_bitCounter = (m_bitCounter + 1) % 7;
    if (m_bitCounter != 0) {
        return;
    }
    const int result = EvaluateSlot(rx, dx, out);
    if (result < 0) {
        // Two bad slots in a row: alignment is lost, so try every bit as a
        // slot boundary until a character is accepted again.
        if (++m_consecutiveErrors >= 2) {
            m_bitCounter = 6;
            m_phase = false;
            m_printer.Reset();
        }
        ++m_errorCount;
    } else if (result > 0) {
        m_consecutiveErrors = 0;
        ++m_goodCount;
    }
}

int CSitorBDecoder::EvaluateSlot(uint32_t rx, uint32_t dx, std::u16string& out) {
    const bool wasPhase = m_phase;
    m_phase = !m_phase;
    if (wasPhase) {
        // A DX copy whose RX copy has not arrived yet.
        return 0;
    }

    if (!m_strict && rx != dx) {
        const bool rxValid = Ccir476IsValid(rx);
        const bool dxValid = Ccir476IsValid(dx);
        if (rxValid && dxValid) {
            // The later copy wins.
            dx = rx;
        } else if (rxValid != dxValid) {
            const uint32_t good = rxValid ? rx : dx;
            const uint32_t bad = rxValid ? dx : rx;
            int nearest = 99;
            for (uint32_t code = 0; code < 128; ++code) {
                if (Ccir476IsValid(code)) {
                    const int d = Distance(bad, code);
                    if (d < nearest) {
                        nearest = d;
                    }
                }
            }
            // Repair only when the good copy is among the valid codes
            // nearest to the bad one.
            if (nearest == Distance(rx, dx)) {
                rx = good;
                dx = good;
            }
        }
    }

    if (rx == dx && Ccir476IsValid(rx)) {
        m_printer.Print(rx, out);
        return 1;
    }
    // A phasing signal in the RX position is not an error.
    if (rx == kCcirPhasing1 || rx == kCcirPhasing2) {
        return 0;
    }
    return -1;
}

}  // namespace wavelore
