#include "dsp/soft_ccir476.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <numbers>

#include "dsp/ccir476_table.h"

namespace wavelore {

namespace {

constexpr std::array<uint8_t, kCcir476WordCount> MakeWords() {
    std::array<uint8_t, kCcir476WordCount> words{};
    int n = 0;
    for (unsigned code = 0; code < 128; ++code) {
        if (std::popcount(code) == 4) {
            words[static_cast<size_t>(n++)] = static_cast<uint8_t>(code);
        }
    }
    return words;
}

constexpr std::array<uint8_t, kCcir476WordCount> kWords = MakeWords();

constexpr int IndexOf(uint8_t code) {
    for (int i = 0; i < kCcir476WordCount; ++i) {
        if (kWords[static_cast<size_t>(i)] == code) {
            return i;
        }
    }
    return -1;
}

// The repetition signal the DX slots carry while phasing.
constexpr uint32_t kRepetition = 0x66;
// The phasing pairs: (DX, RX) as word indices.
constexpr int kPhasingDx[] = {IndexOf(kRepetition), IndexOf(kCcirPhasing2)};
constexpr int kPhasingRx[] = {IndexOf(kCcirPhasing1), IndexOf(kCcirPhasing2)};
constexpr double kPhasingPairs = 4.0;

// Prior weights of what a DX/RX pair holds at the right alignment.
constexpr double kShareSame = 0.6;
constexpr double kSharePhasing = 0.3;
constexpr double kShareOther = 0.1;

double LogCosh(double x) {
    x = std::abs(x);
    return x + std::log1p(std::exp(-2.0 * x)) - std::numbers::ln2;
}

double LogSumExp(const double* v, int n) {
    const double top = *std::max_element(v, v + n);
    double sum = 0.0;
    for (int i = 0; i < n; ++i) {
        sum += std::exp(v[i] - top);
    }
    return top + std::log(sum);
}

double LogAddExp(double a, double b) {
    const double top = std::max(a, b);
    return top + std::log(std::exp(a - top) + std::exp(b - top));
}

// The best phasing pair's fit, and ln of the sum over the pairs.
void PhasingFit(const SlotFit& dx, const SlotFit& rx, double& best, double& logSum) {
    double fits[4];
    int n = 0;
    for (const int p : kPhasingDx) {
        for (const int q : kPhasingRx) {
            fits[n++] = dx.fit[static_cast<size_t>(p)] + rx.fit[static_cast<size_t>(q)];
        }
    }
    best = *std::max_element(fits, fits + n);
    logSum = LogSumExp(fits, n);
}

}  // namespace

const std::array<uint8_t, kCcir476WordCount>& Ccir476Words() {
    return kWords;
}

SlotFit FitSlot(const double* llr) {
    SlotFit slot;
    for (int i = 0; i < 7; ++i) {
        slot.base += LogCosh(llr[i] / 2.0);
    }
    for (int w = 0; w < kCcir476WordCount; ++w) {
        const unsigned code = kWords[static_cast<size_t>(w)];
        double fit = 0.0;
        for (int i = 0; i < 7; ++i) {
            fit += ((code >> i) & 1u) ? llr[i] : -llr[i];
        }
        slot.fit[static_cast<size_t>(w)] = fit / 2.0;
    }
    slot.valid =
        LogSumExp(slot.fit.data(), kCcir476WordCount) - std::log(kCcir476WordCount) - slot.base;
    return slot;
}

SoftCharacter CombineCopies(const SlotFit& dx, const SlotFit& rx) {
    int best = 0;
    double bestFit = -INFINITY;
    double secondFit = -INFINITY;
    SoftCharacter c;
    for (int w = 0; w < kCcir476WordCount; ++w) {
        const double fit = dx.fit[static_cast<size_t>(w)] + rx.fit[static_cast<size_t>(w)];
        c.fit[static_cast<size_t>(w)] = fit;
        if (fit > bestFit) {
            secondFit = bestFit;
            bestFit = fit;
            best = w;
        } else if (fit > secondFit) {
            secondFit = fit;
        }
    }
    c.code = kWords[static_cast<size_t>(best)];
    c.reliability = bestFit - secondFit;
    double phasingBest = 0.0;
    double phasingSum = 0.0;
    PhasingFit(dx, rx, phasingBest, phasingSum);
    // The likelier of the two readings, each with its prior share spread
    // over its possibilities.
    c.phasing = std::log(kSharePhasing / kPhasingPairs) + phasingBest >
                std::log(kShareSame / kCcir476WordCount) + bestFit;
    return c;
}

double PairEvidence(const SlotFit& dx, const SlotFit& rx) {
    double both[kCcir476WordCount];
    for (int w = 0; w < kCcir476WordCount; ++w) {
        both[w] = dx.fit[static_cast<size_t>(w)] + rx.fit[static_cast<size_t>(w)];
    }
    const double base = dx.base + rx.base;
    const double same = LogSumExp(both, kCcir476WordCount) - std::log(kCcir476WordCount) - base;
    double phasingBest = 0.0;
    double phasingSum = 0.0;
    PhasingFit(dx, rx, phasingBest, phasingSum);
    const double phasing = phasingSum - std::log(kPhasingPairs) - base;
    const double other = dx.valid + rx.valid;
    return LogAddExp(LogAddExp(std::log(kShareSame) + same, std::log(kSharePhasing) + phasing),
                     std::log(kShareOther) + other);
}

}  // namespace wavelore
