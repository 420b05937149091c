#pragma once

#include <array>
#include <cstdint>

namespace wavelore {

// Soft decisions on CCIR 476 characters sent twice (SITOR-B): from the
// log-likelihood ratios of the bits of a slot, how well each of the 35
// valid words fits it, and from a DX and an RX slot, the word both were
// most likely sent as, or whether they hold the phasing signals.

constexpr int kCcir476WordCount = 35;

// The 35 valid codes (four 1 bits in seven), ascending.
const std::array<uint8_t, kCcir476WordCount>& Ccir476Words();

// How a 7-bit slot fits each valid word: fit[w] = sum over the bits of
// +-llr/2 (+ where the word has a 1), and base = sum of ln cosh(llr/2), so
// that fit[w] - base is the log-likelihood ratio of "the slot holds word w"
// against "the slot holds random bits".
struct SlotFit {
    std::array<double, kCcir476WordCount> fit{};
    double base = 0.0;
    // ln of the likelihood ratio of "some valid word, each as likely"
    // against random bits.
    double valid = 0.0;
};

// llr: the slot's seven bits in the order received (the code's bit 0
// first), each the log-likelihood ratio of a 1 in nats.
SlotFit FitSlot(const double* llr);

// One character from its DX and RX copies.
struct SoftCharacter {
    // The valid code that best fits both copies together (maximum
    // likelihood over the 35 words).
    uint8_t code = 0;
    // ln of how much likelier that word is than the runner-up: 0 means a
    // coin toss, 5 about 150 to 1.
    double reliability = 0.0;
    // How both copies together fit each word (the sum of their fits).
    std::array<double, kCcir476WordCount> fit{};
    // The slots look more like the phasing signals (repetition or beta in
    // DX, alpha or beta in RX) than like one character sent twice.
    bool phasing = false;
};
SoftCharacter CombineCopies(const SlotFit& dx, const SlotFit& rx);

// Evidence (ln likelihood ratio against random bits) that dx and rx are the
// DX and RX slots of a SITOR-B emission: one character sent twice, the
// phasing signals, or at least two valid words. Positive on average at the
// right alignment, negative elsewhere and in noise.
double PairEvidence(const SlotFit& dx, const SlotFit& rx);

}  // namespace wavelore
