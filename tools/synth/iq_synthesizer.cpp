#include "synth/iq_synthesizer.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <fstream>
#include <numbers>

#include "sdr/filter_design.h"
#include "synth/noise_source.h"

namespace wavelore::synth {

namespace {

constexpr double kAudioRate = 11025.0;
constexpr double kCarrierOffsetHz = 1700.0;
constexpr int kUp = 16;  // the polyphase step's factor
constexpr double kStopDb = 100.0;
// The audio is flat from 150 Hz to 5362.5 Hz, as a channel gives it back.
constexpr double kEdgeHz = 150.0;
constexpr double kQuarter = kAudioRate / 4.0;

std::vector<double> Taps(double rate, double passHz, double stopHz, double gain) {
    const int32_t count = KaiserTapCount(kStopDb, (stopHz - passHz) / rate);
    return KaiserLowPass((passHz + stopHz) / 2.0 / rate, count, KaiserBeta(kStopDb), gain);
}

}  // namespace

struct CIqScene::Channel {
    // The sideband at the audio rate, centred on 0 Hz.
    std::vector<std::complex<double>> base;
    std::vector<double> up;  // the polyphase step's prototype
    int32_t upTaps = 0;      // per phase
    double scale = 1.0;
    std::complex<double> phasor{1.0, 0.0};
    std::complex<double> step{1.0, 0.0};
    // The two samples at 16 times the audio rate either side of now.
    int64_t cached = -2;
    std::complex<double> lo, hi;

    std::complex<double> Up(int64_t j) const {
        const int64_t base0 = j / kUp;
        const int64_t phase = j % kUp;
        std::complex<double> sum;
        for (int32_t k = 0; k < upTaps; ++k) {
            const int64_t at = base0 - k;
            if (at >= 0 && at < static_cast<int64_t>(base.size())) {
                sum += base[static_cast<size_t>(at)] * up[static_cast<size_t>(k * kUp + phase)];
            }
        }
        return sum;
    }
};

CIqScene::CIqScene(std::vector<IqEmission> emissions, IqSceneOptions options) : m_options(options) {
    const double rate = m_options.sampleRate;
    const std::vector<double> sideband =
        Taps(kAudioRate, kQuarter - kEdgeHz, kQuarter + kEdgeHz, 1.0);
    const std::vector<double> up =
        Taps(kAudioRate * kUp, kQuarter + kEdgeHz, kAudioRate - kQuarter - kEdgeHz, kUp);
    double longest = 0.0;
    for (const IqEmission& emission : emissions) {
        Channel channel;
        const size_t n = emission.audio.size();
        // Turned down by a quarter of the audio rate, the upper sideband
        // lies on 0 Hz, where the half-band filter keeps it.
        std::vector<std::complex<double>> turned(n);
        static const std::complex<double> kTurn[4] = {{1, 0}, {0, -1}, {-1, 0}, {0, 1}};
        for (size_t k = 0; k < n; ++k) {
            turned[k] = emission.audio[k] / 32768.0 * kTurn[k % 4];
        }
        channel.base.assign(n, {});
        const size_t half = sideband.size() / 2;
        for (size_t k = 0; k < n; ++k) {
            std::complex<double> sum;
            // Centred, so the audio and its sideband stay in step.
            for (size_t t = 0; t < sideband.size(); ++t) {
                const int64_t at = static_cast<int64_t>(k + half) - static_cast<int64_t>(t);
                if (at >= 0 && at < static_cast<int64_t>(n) && sideband[t] != 0.0) {
                    sum += turned[static_cast<size_t>(at)] * sideband[t];
                }
            }
            // The real audio's sideband carries half its amplitude.
            channel.base[k] = 2.0 * sum;
        }
        channel.upTaps = static_cast<int32_t>((up.size() + kUp - 1) / kUp);
        channel.up.assign(static_cast<size_t>(channel.upTaps * kUp), 0.0);
        std::copy(up.begin(), up.end(), channel.up.begin());
        channel.scale = std::pow(10.0, emission.levelDb / 20.0);
        // The band's middle, a quarter above the receiver's carrier.
        const double offset =
            emission.frequencyHz - kCarrierOffsetHz + kQuarter - m_options.centreHz;
        channel.step = std::polar(1.0, 2.0 * std::numbers::pi * offset / rate);
        longest = std::max(longest, static_cast<double>(n) / kAudioRate);
        m_channels.push_back(std::move(channel));
    }
    const double seconds = m_options.seconds > 0.0 ? m_options.seconds : longest;
    m_total = static_cast<size_t>(seconds * rate);
}

CIqScene::~CIqScene() = default;

size_t CIqScene::Render(std::complex<float>* out, size_t max) {
    const size_t n = std::min(max, m_total - m_done);
    const double rate = m_options.sampleRate;
    std::vector<std::complex<double>> sum(n);
    for (Channel& c : m_channels) {
        for (size_t k = 0; k < n; ++k) {
            // Where this sample lies at 16 times the audio rate; the
            // polyphase filter's delay is left in, as a radio's would be.
            const double v = static_cast<double>(m_done + k) * kAudioRate * kUp / rate;
            const auto j = static_cast<int64_t>(v);
            if (j != c.cached) {
                c.lo = j == c.cached + 1 ? c.hi : c.Up(j);
                c.hi = c.Up(j + 1);
                c.cached = j;
            }
            const double f = v - static_cast<double>(j);
            sum[k] += c.scale * (c.lo + f * (c.hi - c.lo)) * c.phasor;
            c.phasor *= c.step;
        }
        c.phasor /= std::abs(c.phasor);
    }
    for (const IqCarrier& carrier : m_options.carriers) {
        const double a = std::pow(10.0, carrier.levelDb / 20.0);
        const double w = 2.0 * std::numbers::pi * (carrier.frequencyHz - m_options.centreHz) / rate;
        for (size_t k = 0; k < n; ++k) {
            sum[k] += std::polar(
                a, std::fmod(w * static_cast<double>(m_done + k), 2.0 * std::numbers::pi));
        }
    }
    if (m_options.noiseDb) {
        // Each component carries half the power; seeded by position so the
        // noise does not depend on how the scene is cut.
        const double sigma = std::sqrt(std::pow(10.0, *m_options.noiseDb / 10.0) / 2.0);
        CNoiseSource noise(m_options.seed * 2654435761u + static_cast<uint32_t>(m_done));
        for (size_t k = 0; k < n; ++k) {
            sum[k] += std::complex<double>(sigma * noise.Next(), sigma * noise.Next());
        }
    }
    for (size_t k = 0; k < n; ++k) {
        out[k] = std::complex<float>(sum[k]);
    }
    m_done += n;
    return n;
}

std::optional<IqFileKind> ParseIqFileKind(const std::string& name) {
    if (name == "wav") {
        return IqFileKind::Wav;
    }
    const std::optional<IqSampleFormat> raw = ParseIqSampleFormat(name);
    if (!raw) {
        return std::nullopt;
    }
    switch (*raw) {
        case IqSampleFormat::Cu8:
            return IqFileKind::Cu8;
        case IqSampleFormat::Cs16:
            return IqFileKind::Cs16;
        case IqSampleFormat::Cf32:
            return IqFileKind::Cf32;
    }
    return std::nullopt;
}

namespace {

void Put(std::string& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    }
}

int16_t ToShort(float x) {
    return static_cast<int16_t>(std::lround(std::clamp(x * 32768.0f, -32768.0f, 32767.0f)));
}

std::string WavHeader(uint64_t samples, double rate, double centre) {
    const uint32_t data = static_cast<uint32_t>(samples * 4);
    // auxi: start and stop times (left empty), centre, sampling rate, and
    // the fields after it unused.
    constexpr uint32_t kAuxi = 72;
    std::string h = "RIFF";
    Put(h, 4 + (8 + 16) + (8 + kAuxi) + (8 + data), 4);
    h += "WAVEfmt ";
    Put(h, 16, 4);
    Put(h, 1, 2);  // PCM
    Put(h, 2, 2);  // I and Q
    Put(h, static_cast<uint32_t>(rate), 4);
    Put(h, static_cast<uint32_t>(rate) * 4, 4);
    Put(h, 4, 2);
    Put(h, 16, 2);
    h += "auxi";
    Put(h, kAuxi, 4);
    h.append(32, '\0');
    Put(h, static_cast<uint32_t>(std::llround(centre)), 4);
    Put(h, static_cast<uint32_t>(rate), 4);
    h.append(kAuxi - 40, '\0');
    h += "data";
    Put(h, data, 4);
    return h;
}

}  // namespace

bool WriteIqRecording(const std::filesystem::path& path, IqFileKind kind, CIqScene& scene,
                      double sampleRate, double centreHz, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error != nullptr) {
            *error = why + ": " + path.string();
        }
        return false;
    };
    if (kind == IqFileKind::Wav && scene.TotalSamples() * 4ULL > 0xFFFFFF00ULL) {
        return fail("recording too long for a WAV file");
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    if (!file) {
        return fail("cannot create");
    }
    if (kind == IqFileKind::Wav) {
        const std::string header = WavHeader(scene.TotalSamples(), sampleRate, centreHz);
        file.write(header.data(), static_cast<std::streamsize>(header.size()));
    }
    std::vector<std::complex<float>> block(65536);
    std::string bytes;
    while (size_t n = scene.Render(block.data(), block.size())) {
        bytes.clear();
        for (size_t k = 0; k < n; ++k) {
            for (const float x : {block[k].real(), block[k].imag()}) {
                switch (kind) {
                    case IqFileKind::Cu8:
                        bytes.push_back(static_cast<char>(static_cast<uint8_t>(
                            std::lround(std::clamp(x * 127.5f + 127.5f, 0.0f, 255.0f)))));
                        break;
                    case IqFileKind::Cs16:
                    case IqFileKind::Wav:
                        Put(bytes, static_cast<uint16_t>(ToShort(x)), 2);
                        break;
                    case IqFileKind::Cf32: {
                        uint32_t bits;
                        std::memcpy(&bits, &x, sizeof bits);
                        Put(bytes, bits, 4);
                        break;
                    }
                }
            }
        }
        file.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    file.close();
    return file ? true : fail("cannot write");
}

}  // namespace wavelore::synth
