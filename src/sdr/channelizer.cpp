#include "sdr/channelizer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>
#include <numbers>

#include "common/nothrow.h"
#include "common/sample_rate.h"
#include "sdr/filter_design.h"
#include "sdr/halfband_decimator.h"
#include "sdr/iq_resampler.h"
#include "sdr/mixing_decimator.h"
#include "sdr/upper_sideband.h"

namespace wavelore {

namespace {

// IQ samples per pass through a channel; bounds the working arrays.
constexpr int32_t kChunk = 4096;
// The widest step of the mixing table's grid; the rest of a channel's
// offset is mixed after decimation, where it costs little.
constexpr double kGridHz = 2000.0;
// The half-band stages stop above this rate, leaving the resampler a wide
// transition.
constexpr double kResamplerLowestRate = 2.0 * CChannelizer::kAudioRate;
// Before the sideband filter the audio band is centred on 0 Hz: 0 Hz there
// is the carrier plus a quarter of the audio rate.
constexpr double kQuarter = CChannelizer::kAudioRate / 4.0;
// Flat to here either side of the audio band's middle, and free of
// anything that folds onto the audio from here on.
constexpr double kPassHz = kQuarter - CChannelizer::kAudioEdgeHz;
constexpr double kAliasHz = kQuarter + CChannelizer::kAudioEdgeHz;
// Full-scale 16-bit audio in the receive chain's units.
constexpr double kFullScale = 32768.0 * kSampleScale;
// The AGC: the level it keeps (RMS, chain units: a sound card's audio at
// about -16 dBFS), how fast it follows (seconds), and the quietest input it
// still lifts to that level (RMS of the unscaled audio, -140 dBFS).
constexpr double kAgcLevel = 50.0;
constexpr double kAgcSeconds = 1.0;
constexpr double kAgcFloor = 1e-14;
// Channels at most this far apart share their mix and first stages: the
// costly work at the full rate is done once for 490 and 518 kHz.
constexpr double kShareSpanHz = 250000.0;
// How far into the sampled band a channel may lie, as a fraction of the rate.
constexpr double kUsableFraction = 0.45;

double MixOffset(double centreHz, double channelHz) {
    return channelHz - CChannelizer::kCarrierOffsetHz + kQuarter - centreHz;
}

// Interleaved I and Q of count quads of samples at x: sample 4q + r to
// place q of phase r, I and Q apart. (Restrict parameters, not locals, are
// what lets the compiler vectorize this.)
void SplitQuads(const float* __restrict x, int32_t quads, float* __restrict i0,
                float* __restrict i1, float* __restrict i2, float* __restrict i3,
                float* __restrict q0, float* __restrict q1, float* __restrict q2,
                float* __restrict q3) {
    for (int32_t j = 0; j < quads; ++j) {
        i0[j] = x[8 * j];
        q0[j] = x[8 * j + 1];
        i1[j] = x[8 * j + 2];
        q1[j] = x[8 * j + 3];
        i2[j] = x[8 * j + 4];
        q2[j] = x[8 * j + 5];
        i3[j] = x[8 * j + 6];
        q3[j] = x[8 * j + 7];
    }
}

// The same into phases stride apart.
void SplitQuads(const std::complex<float>* iq, int32_t quads, int32_t stride, float* i, float* q) {
    // A complex<float> is an array of two floats.
    SplitQuads(reinterpret_cast<const float*>(iq), quads, i, i + stride, i + 2 * stride,
               i + 3 * stride, q, q + stride, q + 2 * stride, q + 3 * stride);
}

}  // namespace

// What channels close together share: the mix of their middle to 0 Hz by
// a periodic table (exact forever, on a grid of at most kGridHz) and the
// half-band stages while the rate still holds all of them.
class CChannelizer::CFront {
  public:
    // offsets: the members' mix offsets (Hz), nearest first to last.
    bool Design(double rate, double lowOffset, double highOffset);
    // The quads of earlier input Process reads before the new ones.
    int32_t History() const { return m_first ? m_mixer.History() : 0; }
    // Takes quads of input as CMixingDecimator does; the output stays here
    // until the next call.
    int32_t Process(const float* inI, const float* inQ, int32_t stride, int32_t quads);
    void Reset();

    double OutputRate() const { return m_outRate; }
    double MixedHz() const { return m_mixedHz; }
    const float* OutI() const { return m_outI; }
    const float* OutQ() const { return m_outQ; }
    int32_t Stages() const { return (m_first ? 1 : 0) + static_cast<int32_t>(m_stages.size()); }
    int32_t OutputBlock() const { return m_outBlock; }

  private:
    int32_t MixOnly(const float* inI, const float* inQ, int32_t stride, int32_t quads);

    double m_mixedHz = 0.0;  // what the table takes away
    bool m_first = false;    // whether the rate allows even one stage
    CMixingDecimator m_mixer;
    // Without a stage the input is mixed as it is, by the whole table.
    std::vector<std::complex<float>> m_table;
    uint32_t m_mask = 0;
    uint32_t m_at = 0;
    std::vector<CHalfbandDecimator> m_stages;  // after the first
    double m_outRate = 0.0;
    int32_t m_outBlock = 0;
    std::vector<float> m_aI, m_aQ, m_bI, m_bQ;
    std::vector<float> m_fullI, m_fullQ;  // the output in order, when no stage follows
    const float* m_outI = nullptr;
    const float* m_outQ = nullptr;
};

// One channel after its front: the rest of its mix, its own half-band
// stages, the resampler to 11025 Hz, the sideband filter and the AGC.
class CChannelizer::CChannel {
  public:
    bool Design(const ChannelizerSettings& settings, const CFront& front, double offset);
    void Process(const float* inI, const float* inQ, int32_t count, size_t index,
                 IChannelSink& sink);
    void Flush(size_t index, IChannelSink& sink);
    void Reset();
    int32_t Stages() const { return static_cast<int32_t>(m_stages.size()); }

  private:
    void Deliver(const float* audio, int32_t count, size_t index, IChannelSink& sink);

    // The mix at the front's rate: a phasor in double precision.
    double m_stepCos = 1.0;
    double m_stepSin = 0.0;
    std::complex<double> m_phasor{1.0, 0.0};
    std::vector<CHalfbandDecimator> m_stages;
    CIqResampler m_resampler;
    CUpperSideband m_sideband;
    std::vector<float> m_mixI, m_mixQ, m_aI, m_aQ, m_bI, m_bQ, m_rI, m_rQ, m_audio;
    // The AGC or fixed gain.
    bool m_agc = true;
    double m_gain = 1.0;
    double m_power = -1.0;  // < 0 until the first audio
    double m_alpha = 0.0;
    SampleBlock m_block;
    int32_t m_fill = 0;
};

namespace {

// The half-band stages from rate while the band +-alias fits and the rate
// stays at or above the resampler's lowest; appends them to stages and
// returns the rate reached, or 0 when a design fails.
double DesignStages(double rate, double pass, double alias, int32_t& block,
                    std::vector<CHalfbandDecimator>& stages) {
    while (rate / 2.0 >= kResamplerLowestRate && alias < rate / 4.0) {
        stages.emplace_back();
        if (!stages.back().Design(rate, pass, alias, CChannelizer::kStopDb, block)) {
            return 0.0;
        }
        rate /= 2.0;
        block = block / 2 + 1;
    }
    return rate;
}

// Runs the stages over n samples starting in x, ping-ponging between a and
// b; returns the output count and where it lies.
int32_t RunStages(std::vector<CHalfbandDecimator>& stages, size_t first, const float*& xi,
                  const float*& xq, int32_t n, float* aI, float* aQ, float* bI, float* bQ) {
    bool toA = true;
    for (size_t s = first; s < stages.size(); ++s) {
        float* yi = toA ? aI : bI;
        float* yq = toA ? aQ : bQ;
        n = stages[s].Process(xi, xq, n, yi, yq);
        xi = yi;
        xq = yq;
        toA = !toA;
    }
    return n;
}

}  // namespace

bool CChannelizer::CFront::Design(double rate, double lowOffset, double highOffset) {
    const double middle = (lowOffset + highOffset) / 2.0;
    // The table: a power of two long, so its grid is at most kGridHz.
    uint32_t length = 64;
    while (rate / length > kGridHz && length < (1u << 20)) {
        length <<= 1;
    }
    const auto turns = static_cast<int64_t>(std::llround(middle * length / rate));
    m_mixedHz = static_cast<double>(turns) * rate / length;
    // Every member's band, wherever the table left it.
    const double spread =
        std::max(std::abs(lowOffset - m_mixedHz), std::abs(highOffset - m_mixedHz));
    const double pass = kPassHz + spread;
    const double alias = kAliasHz + spread;
    int32_t block = kChunk;
    m_stages.clear();
    m_table.clear();
    m_first = rate / 2.0 >= kResamplerLowestRate && alias < rate / 4.0;
    if (m_first) {
        if (!m_mixer.Design(rate, turns, length, pass, alias, kStopDb)) {
            return false;
        }
        rate /= 2.0;
        block = block / 2 + 1;
        m_outRate = DesignStages(rate, pass, alias, block, m_stages);
    } else {
        m_table.resize(length);
        for (uint32_t k = 0; k < length; ++k) {
            m_table[k] = std::complex<float>(TableTurn(turns, k, length));
        }
        m_mask = length - 1;
        m_outRate = rate;
    }
    m_outBlock = block;
    for (auto* v : {&m_aI, &m_aQ, &m_bI, &m_bQ}) {
        v->resize(kChunk / 2 + 1);
    }
    if (m_stages.empty()) {
        m_fullI.resize(kChunk);
        m_fullQ.resize(kChunk);
    }
    Reset();
    return m_outRate > 0.0;
}

void CChannelizer::CFront::Reset() {
    m_at = 0;
    m_mixer.Reset();
    for (CHalfbandDecimator& stage : m_stages) {
        stage.Reset();
    }
}

int32_t CChannelizer::CFront::MixOnly(const float* inI, const float* inQ, int32_t stride,
                                      int32_t quads) {
    for (int32_t j = 0; j < quads; ++j) {
        for (int32_t r = 0; r < 4; ++r) {
            const float xi = inI[r * stride + j];
            const float xq = inQ[r * stride + j];
            const float c = m_table[m_at].real();
            const float s = m_table[m_at].imag();
            m_fullI[static_cast<size_t>(4 * j + r)] = xi * c - xq * s;
            m_fullQ[static_cast<size_t>(4 * j + r)] = xi * s + xq * c;
            m_at = (m_at + 1) & m_mask;
        }
    }
    m_outI = m_fullI.data();
    m_outQ = m_fullQ.data();
    return 4 * quads;
}

int32_t CChannelizer::CFront::Process(const float* inI, const float* inQ, int32_t stride,
                                      int32_t quads) {
    if (!m_first) {
        return MixOnly(inI, inQ, stride, quads);
    }
    if (m_stages.empty()) {
        m_mixer.Process(inI, inQ, stride, quads, m_aI.data(), m_aQ.data(), m_bI.data(),
                        m_bQ.data());
        for (size_t j = 0; j < static_cast<size_t>(quads); ++j) {
            m_fullI[2 * j] = m_aI[j];
            m_fullQ[2 * j] = m_aQ[j];
            m_fullI[2 * j + 1] = m_bI[j];
            m_fullQ[2 * j + 1] = m_bQ[j];
        }
        m_outI = m_fullI.data();
        m_outQ = m_fullQ.data();
        return 2 * quads;
    }
    // The mix and first halving go straight into the next stage's own
    // arrays, even and odd apart as it keeps them.
    CHalfbandDecimator& next = m_stages[0];
    m_mixer.Process(inI, inQ, stride, quads, next.EvenI(), next.EvenQ(), next.OddI(), next.OddQ());
    const int32_t n = next.CommitPairs(quads, m_bI.data(), m_bQ.data());
    m_outI = m_bI.data();
    m_outQ = m_bQ.data();
    return RunStages(m_stages, 1, m_outI, m_outQ, n, m_aI.data(), m_aQ.data(), m_bI.data(),
                     m_bQ.data());
}

bool CChannelizer::CChannel::Design(const ChannelizerSettings& settings, const CFront& front,
                                    double offset) {
    const double step = -2.0 * std::numbers::pi * (offset - front.MixedHz()) / front.OutputRate();
    m_stepCos = std::cos(step);
    m_stepSin = std::sin(step);
    int32_t block = front.OutputBlock();
    m_mixI.resize(static_cast<size_t>(block));
    m_mixQ.resize(static_cast<size_t>(block));
    m_stages.clear();
    const double rate = DesignStages(front.OutputRate(), kPassHz, kAliasHz, block, m_stages);
    if (!(rate > 0.0) || !m_resampler.Design(rate, kAudioRate, kPassHz, kAliasHz, kStopDb, block)) {
        return false;
    }
    const int32_t audioBlock = m_resampler.MaxOutputs(block);
    if (!m_sideband.Design(kAudioRate, 2.0 * kAudioEdgeHz, kStopDb, audioBlock)) {
        return false;
    }
    for (auto* v : {&m_aI, &m_aQ, &m_bI, &m_bQ}) {
        v->resize(m_mixI.size() / 2 + 1);
    }
    for (auto* v : {&m_rI, &m_rQ, &m_audio}) {
        v->resize(static_cast<size_t>(audioBlock));
    }
    m_agc = settings.agc;
    m_gain = kFullScale * std::pow(10.0, settings.gainDb / 20.0);
    m_alpha = 1.0 / (kAgcSeconds * kAudioRate);
    m_block = SampleBlock(nullptr, kSamplesPerBuffer);
    if (m_block.Empty()) {
        return false;
    }
    Reset();
    return true;
}

void CChannelizer::CChannel::Reset() {
    for (CHalfbandDecimator& stage : m_stages) {
        stage.Reset();
    }
    m_phasor = {1.0, 0.0};
    m_resampler.Reset();
    m_sideband.Reset();
    m_power = -1.0;
    m_fill = 0;
}

void CChannelizer::CChannel::Process(const float* inI, const float* inQ, int32_t count,
                                     size_t index, IChannelSink& sink) {
    // The rest of the mix, into the channel's own arrays.
    std::complex<double> w = m_phasor;
    const std::complex<double> step(m_stepCos, m_stepSin);
    for (int32_t n = 0; n < count; ++n) {
        const std::complex<double> y = std::complex<double>(inI[n], inQ[n]) * w;
        m_mixI[static_cast<size_t>(n)] = static_cast<float>(y.real());
        m_mixQ[static_cast<size_t>(n)] = static_cast<float>(y.imag());
        w *= step;
    }
    // Renormalised once a pass: the drift of a few thousand steps is far
    // below a float's resolution.
    m_phasor = w / std::abs(w);
    const float* xi = m_mixI.data();
    const float* xq = m_mixQ.data();
    const int32_t n =
        RunStages(m_stages, 0, xi, xq, count, m_aI.data(), m_aQ.data(), m_bI.data(), m_bQ.data());
    const int32_t outputs = m_resampler.Process(xi, xq, n, m_rI.data(), m_rQ.data());
    m_sideband.Process(m_rI.data(), m_rQ.data(), outputs, m_audio.data());
    Deliver(m_audio.data(), outputs, index, sink);
}

void CChannelizer::CChannel::Deliver(const float* audio, int32_t count, size_t index,
                                     IChannelSink& sink) {
    if (count > 0 && m_power < 0.0) {
        // Start the AGC at the level of the first audio, not from nothing.
        double sum = 0.0;
        for (int32_t n = 0; n < count; ++n) {
            sum += double{audio[n]} * audio[n];
        }
        m_power = sum / count;
    }
    for (int32_t n = 0; n < count; ++n) {
        const double x = audio[n];
        double gain = m_gain;
        if (m_agc) {
            m_power += m_alpha * (x * x - m_power);
            gain = kAgcLevel / std::sqrt(m_power + kAgcFloor);
        }
        m_block[m_fill++] = x * gain;
        if (m_fill == kSamplesPerBuffer) {
            sink.OnChannelBlock(index, m_block);
            m_fill = 0;
        }
    }
}

void CChannelizer::CChannel::Flush(size_t index, IChannelSink& sink) {
    if (m_fill == 0) {
        return;
    }
    std::fill(m_block.Data() + m_fill, m_block.Data() + kSamplesPerBuffer, 0.0);
    sink.OnChannelBlock(index, m_block);
    m_fill = 0;
}

std::unique_ptr<CChannelizer> CChannelizer::Create(const ChannelizerSettings& settings,
                                                   std::string& error) {
    if (!(settings.sampleRate >= kAudioRate) || !std::isfinite(settings.sampleRate)) {
        error = "the IQ sample rate must be at least 11025 Hz";
        return nullptr;
    }
    if (settings.channels.empty()) {
        error = "no channel to receive";
        return nullptr;
    }
    for (double channel : settings.channels) {
        if (!Covers(settings.sampleRate, settings.centreHz, channel)) {
            char text[160];
            std::snprintf(text, sizeof text,
                          "the channel at %.0f Hz lies outside the band sampled at %.0f Hz "
                          "around %.0f Hz",
                          channel, settings.sampleRate, settings.centreHz);
            error = text;
            return nullptr;
        }
    }
    std::unique_ptr<CChannelizer> channelizer;
    // The designs size vectors, which say a shortage of memory by throwing.
    if (!WithoutThrowing([&] { channelizer = Build(settings, error); })) {
        error = "out of memory";
        return nullptr;
    }
    return channelizer;
}

std::unique_ptr<CChannelizer> CChannelizer::Build(const ChannelizerSettings& settings,
                                                  std::string& error) {
    std::unique_ptr<CChannelizer> channelizer(new (std::nothrow) CChannelizer);
    if (!channelizer) {
        error = "out of memory";
        return nullptr;
    }
    channelizer->m_settings = settings;
    // Channels in order of frequency; those within kShareSpanHz of the
    // first of a run share a front.
    std::vector<size_t> order(settings.channels.size());
    for (size_t c = 0; c < order.size(); ++c) {
        order[c] = c;
    }
    std::sort(order.begin(), order.end(),
              [&](size_t a, size_t b) { return settings.channels[a] < settings.channels[b]; });
    channelizer->m_channels.resize(order.size());
    channelizer->m_frontOf.resize(order.size());
    for (size_t first = 0; first < order.size();) {
        size_t last = first;
        while (last + 1 < order.size() &&
               settings.channels[order[last + 1]] - settings.channels[order[first]] <=
                   kShareSpanHz) {
            ++last;
        }
        const double low = MixOffset(settings.centreHz, settings.channels[order[first]]);
        const double high = MixOffset(settings.centreHz, settings.channels[order[last]]);
        std::unique_ptr<CFront> front(new (std::nothrow) CFront);
        if (!front || !front->Design(settings.sampleRate, low, high)) {
            error = "cannot set up the channel filters";
            return nullptr;
        }
        for (size_t k = first; k <= last; ++k) {
            const size_t c = order[k];
            std::unique_ptr<CChannel> made(new (std::nothrow) CChannel);
            if (!made || !made->Design(settings, *front,
                                       MixOffset(settings.centreHz, settings.channels[c]))) {
                error = "cannot set up the channel filters";
                return nullptr;
            }
            channelizer->m_channels[c] = std::move(made);
            channelizer->m_frontOf[c] = channelizer->m_fronts.size();
        }
        channelizer->m_history = std::max(channelizer->m_history, front->History());
        channelizer->m_fronts.push_back(std::move(front));
        first = last + 1;
    }
    channelizer->m_stride = channelizer->m_history + kChunk / 4;
    channelizer->m_quadsI.assign(4 * static_cast<size_t>(channelizer->m_stride), 0.0f);
    channelizer->m_quadsQ.assign(4 * static_cast<size_t>(channelizer->m_stride), 0.0f);
    return channelizer;
}

CChannelizer::~CChannelizer() = default;

bool CChannelizer::Covers(double sampleRate, double centreHz, double channelHz) {
    if (!(sampleRate >= kAudioRate) || !std::isfinite(centreHz) || !std::isfinite(channelHz)) {
        return false;
    }
    return std::abs(MixOffset(centreHz, channelHz)) + kAliasHz <= kUsableFraction * sampleRate;
}

std::vector<double> CChannelizer::CoveredChannels(double sampleRate, double centreHz,
                                                  const std::vector<double>& candidates) {
    std::vector<double> covered;
    for (double channel : candidates) {
        if (Covers(sampleRate, centreHz, channel)) {
            covered.push_back(channel);
        }
    }
    return covered;
}

void CChannelizer::Process(const std::complex<float>* iq, size_t count, IChannelSink& sink) {
    constexpr size_t kQuads = kChunk / 4;
    float* inI = m_quadsI.data() + m_history;
    float* inQ = m_quadsQ.data() + m_history;
    while (count > 0) {
        int32_t quads = 0;
        if (m_waiting > 0) {
            // The quad the last call began.
            while (m_waiting < 4 && count > 0) {
                m_wait[m_waiting++] = *iq++;
                --count;
            }
            if (m_waiting < 4) {
                return;
            }
            SplitQuads(m_wait, 1, m_stride, inI, inQ);
            m_waiting = 0;
            quads = 1;
        }
        // Split once for all fronts.
        const auto more = static_cast<int32_t>(std::min(count / 4, kQuads - quads));
        SplitQuads(iq, more, m_stride, inI + quads, inQ + quads);
        quads += more;
        iq += 4 * more;
        count -= 4 * static_cast<size_t>(more);
        if (count < 4) {
            for (; count > 0; --count) {
                m_wait[m_waiting++] = *iq++;
            }
        }
        RunFronts(quads, sink);
    }
}

void CChannelizer::RunFronts(int32_t quads, IChannelSink& sink) {
    if (quads == 0) {
        return;
    }
    const float* inI = m_quadsI.data() + m_history;
    const float* inQ = m_quadsQ.data() + m_history;
    for (size_t f = 0; f < m_fronts.size(); ++f) {
        CFront& front = *m_fronts[f];
        const int32_t m = front.Process(inI, inQ, m_stride, quads);
        for (size_t c = 0; c < m_channels.size(); ++c) {
            if (m_frontOf[c] == f) {
                m_channels[c]->Process(front.OutI(), front.OutQ(), m, c, sink);
            }
        }
    }
    // The last quads stay for the windows of the next ones.
    for (float* phases : {m_quadsI.data(), m_quadsQ.data()}) {
        for (int32_t r = 0; r < 4; ++r) {
            float* phase = phases + r * m_stride;
            std::memmove(phase, phase + quads, sizeof(float) * static_cast<size_t>(m_history));
        }
    }
}

void CChannelizer::Flush(IChannelSink& sink) {
    if (m_waiting > 0) {
        // The last quad is completed with silence, as the blocks are.
        std::fill(m_wait + m_waiting, m_wait + 4, std::complex<float>());
        SplitQuads(m_wait, 1, m_stride, m_quadsI.data() + m_history, m_quadsQ.data() + m_history);
        m_waiting = 0;
        RunFronts(1, sink);
    }
    for (size_t c = 0; c < m_channels.size(); ++c) {
        m_channels[c]->Flush(c, sink);
    }
}

void CChannelizer::Reset() {
    m_waiting = 0;
    std::fill(m_quadsI.begin(), m_quadsI.end(), 0.0f);
    std::fill(m_quadsQ.begin(), m_quadsQ.end(), 0.0f);
    for (auto& front : m_fronts) {
        front->Reset();
    }
    for (auto& channel : m_channels) {
        channel->Reset();
    }
}

int32_t CChannelizer::DecimatorStages(size_t channel) const {
    if (channel >= m_channels.size()) {
        return 0;
    }
    return m_fronts[m_frontOf[channel]]->Stages() + m_channels[channel]->Stages();
}

size_t CChannelizer::FrontCount() const {
    return m_fronts.size();
}

}  // namespace wavelore
