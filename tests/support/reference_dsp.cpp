#include "support/reference_dsp.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace wavelore::reference {

MovingAverage::MovingAverage(int32_t length) : m_buffer(static_cast<size_t>(length), 0.0) {}

double MovingAverage::Filter(double x) {
    m_buffer[static_cast<size_t>(m_position)] = x;
    if (++m_position == static_cast<int32_t>(m_buffer.size())) {
        m_position = 0;
    }
    double sum = 0.0;
    for (double v : m_buffer) {
        sum += v;
    }
    return sum / static_cast<double>(m_buffer.size());
}

int32_t FirFilter::Design(int32_t taps, double low, double high) {
    const double pi = std::numbers::pi;
    int32_t n = taps;
    if (n % 2 == 0) {
        ++n;
    }
    const int32_t m = (n - 1) / 2;
    m_taps.assign(static_cast<size_t>(n), 0.0);
    m_delay.assign(static_cast<size_t>(n), 0.0);
    double a = low;
    double b = high;
    if (!(a == 0.0 && b < 1.0) && !(a > 0.0 && a < b && b < 1.0)) {
        a = std::clamp(a, 0.0, 1.0);
        b = std::clamp(b, 0.0, 1.0);
        if (!(a < b)) {
            return n;
        }
    }
    if (a == 0.0) {
        m_taps[m] = b;
        for (int32_t k = 1; k <= m; ++k) {
            m_taps[m + k] = m_taps[m - k] = std::sin(pi * k * b) / (pi * k);
        }
    } else {
        m_taps[m] = b - a;
        for (int32_t k = 1; k <= m; ++k) {
            m_taps[m + k] = m_taps[m - k] = 2.0 * std::sin(pi * k * (b - a) / 2.0) *
                                            std::cos(pi * k * (a + b) / 2.0) / (pi * k);
        }
    }
    double sum = 0.0;
    for (int32_t i = 0; i < n; ++i) {
        if (n > 1) {
            m_taps[i] *= 0.54 - 0.46 * std::cos(2.0 * pi * i / (n - 1));
        }
        sum += m_taps[i];
    }
    const double gain = std::fabs(sum);
    if (gain > 0.0 && std::isfinite(gain)) {
        for (double& t : m_taps) {
            t /= gain;
        }
    }
    return n;
}

void FirFilter::Filter(double* data, int32_t count) {
    const size_t n = m_taps.size();
    for (int32_t s = 0; s < count; ++s) {
        m_delay[0] = data[s];
        double sum = 0.0;
        for (size_t i = 0; i < n; ++i) {
            sum += m_delay[i] * m_taps[i];
        }
        data[s] = sum;
        for (size_t i = n - 1; i >= 1; --i) {
            m_delay[i] = m_delay[i - 1];
        }
    }
}

QuadratureOscillator::QuadratureOscillator(int32_t sampleRate) : m_sampleRate(sampleRate) {
    const double delta = 2.0 * std::numbers::pi * m_frequency / m_sampleRate;
    m_cos = std::cos(delta);
    m_sin = std::sin(delta);
}

int QuadratureOscillator::SetFrequency(double hz) {
    if (!(hz > 0.0)) {
        return -1;
    }
    if (hz != m_frequency) {
        m_frequency = hz;
        const double delta = 2.0 * std::numbers::pi * m_frequency / m_sampleRate;
        m_cos = std::cos(delta);
        m_sin = std::sin(delta);
    }
    return 0;
}

void QuadratureOscillator::Next(double& re, double& im) {
    re = m_re;
    im = m_im;
    const double r = m_re * m_cos - m_im * m_sin;
    const double i = m_re * m_sin + m_im * m_cos;
    const double magnitude = std::sqrt(r * r + i * i);
    m_re = r / magnitude;
    m_im = i / magnitude;
}

FskDemodulator::FskDemodulator(int32_t sampleRate, double upper, double lower, int32_t /*baud*/)
    : m_sampleRate(sampleRate), m_upperOsc(sampleRate), m_lowerOsc(sampleRate) {
    SetTones(sampleRate, upper, lower);
}

void FskDemodulator::SetTones(int32_t /*sampleRate*/, double upper, double lower) {
    m_upperOsc.SetFrequency(upper);
    m_lowerOsc.SetFrequency(lower);
    m_postFilter.Design(128, 0.0, 100.0 / 5512.0);
    m_bandPass.Design(128, (lower - 150.0) / 5512.0, (upper + 150.0) / 5512.0);
}

bool FskDemodulator::SetInvert(bool invert) {
    const bool previous = m_invert;
    m_invert = invert;
    return previous;
}

SampleBlock FskDemodulator::Process(const SampleBlock& block) {
    if (m_sampleRate < 2048 || block.Empty()) {
        return {};
    }
    const int32_t count = block.Count();
    std::vector<double> x(block.Data(), block.Data() + count);
    m_bandPass.Filter(x.data(), count);
    for (int32_t s = 0; s < count; ++s) {
        double cu, su, cl, sl;
        m_upperOsc.Next(cu, su);
        m_lowerOsc.Next(cl, sl);
        const double iu = m_iu.Filter(x[s] * cu);
        const double qu = m_qu.Filter(x[s] * su);
        const double il = m_il.Filter(x[s] * cl);
        const double ql = m_ql.Filter(x[s] * sl);
        const double value = (iu * iu + qu * qu) - (il * il + ql * ql);
        x[s] = m_invert ? -value : value;
    }
    m_postFilter.Filter(x.data(), count);
    for (double& y : x) {
        const double v = y * 1000000.0;
        if (std::fabs(v) >= 1.0) {
            y = v > 0.0 ? std::log(v) : -std::log(-v);
        }
    }
    return SampleBlock(x.data(), count);
}

BitSynchroniser::BitSynchroniser(uint32_t sampleRate, uint32_t baud, int32_t smoothLength)
    : m_samplesPerBit(static_cast<int32_t>(sampleRate / baud)), m_smoother(smoothLength) {}

std::u16string BitSynchroniser::Decode(const SampleBlock& block, CCharacterDecoder& handler) {
    std::u16string text;
    const int32_t half = m_samplesPerBit / 2;
    for (int32_t i = 0; i < block.Count(); ++i) {
        const double s = m_smoother.Filter(block[i]);
        const bool level = s > 0.0;
        if (level != m_level) {
            m_level = level;
            const int32_t r = m_bitPhase % m_samplesPerBit;
            const int32_t e = r < half ? -r : m_samplesPerBit - r;
            const int32_t d = e / 5;
            if (d == 0) {
                m_bitPhase = 0;
            } else {
                m_bitPhase += d;
            }
        }
        if (m_bitPhase % m_samplesPerBit == half) {
            handler.HandleBit(m_level ? 1 : 0, text);
        }
        ++m_bitPhase;
        if (m_bitPhase >= (1 << 30)) {
            m_bitPhase -= (1 << 30) / m_samplesPerBit * m_samplesPerBit;
        }
    }
    return text;
}

std::vector<int> SitorBBits(const std::vector<uint8_t>& codes, int phasingPairs) {
    constexpr uint8_t kDxPhasing = 0x33;
    constexpr uint8_t kRxPhasing = 0x0F;
    std::vector<int> bits;
    auto send = [&bits](uint8_t code) {
        for (int b = 0; b < 7; ++b) {
            bits.push_back((code >> b) & 1);
        }
    };
    const int total = phasingPairs + static_cast<int>(codes.size());
    for (int t = 0; t < total + 2; ++t) {
        send(t < phasingPairs ? kDxPhasing
             : t < total      ? codes[static_cast<size_t>(t - phasingPairs)]
                              : kRxPhasing);
        const int copy = t - 2;
        send(copy < phasingPairs ? kRxPhasing : codes[static_cast<size_t>(copy - phasingPairs)]);
    }
    return bits;
}

}  // namespace wavelore::reference
