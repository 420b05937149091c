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
    SetTones(upper, lower);
}

void CFskDemodulator::SetTones(double upper, double lower) {
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

size_t CFskDemodulator::Process(const double* in, size_t n, double* out) {
    if (m_sampleRate < 2048 || n == 0) {
        return 0;
    }
    m_bandPass.Process(in, n, out);

    alignas(64) double iu[kChunk];
    alignas(64) double qu[kChunk];
    alignas(64) double il[kChunk];
    alignas(64) double ql[kChunk];
    for (size_t start = 0; start < n; start += kChunk) {
        const size_t c = std::min<size_t>(kChunk, n - start);
        double* chunk = out + start;
        m_upperOsc.Process(chunk, c, iu, qu);
        m_lowerOsc.Process(chunk, c, il, ql);
        m_iu.Process(iu, c, iu);
        m_qu.Process(qu, c, qu);
        m_il.Process(il, c, il);
        m_ql.Process(ql, c, ql);
        for (size_t k = 0; k < c; ++k) {
            const double value = (iu[k] * iu[k] + qu[k] * qu[k]) - (il[k] * il[k] + ql[k] * ql[k]);
            chunk[k] = m_invert ? -value : value;
        }
    }

    m_postFilter.Process(out, n, out);
    for (size_t k = 0; k < n; ++k) {
        const double v = out[k] * kCompressScale;
        if (std::fabs(v) >= 1.0) {
            out[k] = v > 0.0 ? std::log(v) : -std::log(-v);
        }
    }
    return n;
}

void CFskDemodulator::Reset() {
    m_bandPass.Reset();
    m_postFilter.Reset();
    m_upperOsc.Reset();
    m_lowerOsc.Reset();
    for (CMovingAverage* integrator : {&m_iu, &m_qu, &m_il, &m_ql}) {
        integrator->Reset();
    }
}

}  // namespace wavelore
