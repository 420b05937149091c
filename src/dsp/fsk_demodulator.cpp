#include "dsp/fsk_demodulator.h"

#include <algorithm>
#include <cmath>

#include "common/modes.h"

namespace wavelore {

namespace {
constexpr int32_t kFilterTaps = 128;
constexpr double kPostFilterHz = 100.0;
// Room either side of the tones for drift and the keying sidebands.
constexpr double kBandMarginHz = 150.0;
// Scales the energy difference so that the log takes over from well below
// the level of a real signal.
constexpr double kCompressScale = 1000000.0;
}  // namespace

CFskDemodulator::CFskDemodulator(int32_t sampleRate, double upper, double lower, int32_t baud)
    : m_sampleRate(sampleRate), m_baud(baud), m_upperOsc(sampleRate), m_lowerOsc(sampleRate) {
    SetTones(sampleRate, upper, lower);
}

void CFskDemodulator::SetTones(int32_t /*sampleRate*/, double upper, double lower) {
    m_upper = upper;
    m_lower = lower;
    m_upperOsc.SetFrequency(upper);
    m_lowerOsc.SetFrequency(lower);
    m_postFilter.Design(kFilterTaps, 0.0, kPostFilterHz / kNyquist);
    m_bandPass.Design(kFilterTaps, (lower - kBandMarginHz) / kNyquist,
                      (upper + kBandMarginHz) / kNyquist);
}

bool CFskDemodulator::SetInvert(bool invert) {
    const bool previous = m_invert;
    m_invert = invert;
    return previous;
}

SampleBlock CFskDemodulator::Process(const SampleBlock& block) {
    if (m_sampleRate < 2048 || block.Empty()) {
        return {};
    }
    SampleBlock out = block.Copy();
    if (out.Empty()) {
        return {};
    }
    const int32_t count = out.Count();
    double* x = out.Data();
    m_bandPass.Filter(x, count);

    alignas(64) double iu[kChunk];
    alignas(64) double qu[kChunk];
    alignas(64) double il[kChunk];
    alignas(64) double ql[kChunk];
    for (int32_t start = 0; start < count; start += kChunk) {
        const int32_t n = std::min(kChunk, count - start);
        double* chunk = x + start;
        for (int32_t k = 0; k < n; ++k) {
            double cu, su, cl, sl;
            m_upperOsc.Next(cu, su);
            m_lowerOsc.Next(cl, sl);
            iu[k] = chunk[k] * cu;
            qu[k] = chunk[k] * su;
            il[k] = chunk[k] * cl;
            ql[k] = chunk[k] * sl;
        }
        m_iu.FilterBlock(iu, n);
        m_qu.FilterBlock(qu, n);
        m_il.FilterBlock(il, n);
        m_ql.FilterBlock(ql, n);
        for (int32_t k = 0; k < n; ++k) {
            const double value = (iu[k] * iu[k] + qu[k] * qu[k]) - (il[k] * il[k] + ql[k] * ql[k]);
            chunk[k] = m_invert ? -value : value;
        }
    }

    m_postFilter.Filter(x, count);
    for (int32_t k = 0; k < count; ++k) {
        const double v = x[k] * kCompressScale;
        if (std::fabs(v) >= 1.0) {
            x[k] = v > 0.0 ? std::log(v) : -std::log(-v);
        }
    }
    return out;
}

}  // namespace wavelore
