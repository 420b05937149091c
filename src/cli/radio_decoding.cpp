#include "cli/radio_decoding.h"

#include <algorithm>
#include <chrono>
#include <complex>
#include <cstdio>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "app/receiver_config.h"
#include "app/station_table.h"
#include "cli/run_reception.h"
#include "cli/text_handler.h"
#include "common/decoder_text.h"
#include "common/sample_block.h"
#include "common/utf.h"
#include "receiver/channel_decoder.h"
#include "sdr/channelizer.h"
#include "sdr/iq_file_source.h"
#include "sdr/radio_settings.h"
#include "system/termination_signals.h"
#ifdef WAVELORE_HAVE_SOAPY
#include "sdr/soapy/sdr_device.h"
#endif

namespace wavelore::cli {

namespace {

using namespace std::chrono_literals;

// IQ samples read at once: about 25 ms at 2 Msps.
constexpr size_t kReadSamples = 1 << 16;

void Complain(const std::string& text) {
    std::fprintf(stderr, "wavelore-decode: %s\n", text.c_str());
}

// "518", "4209.5": a channel's frequency as a name.
std::u16string KiloHertz(int32_t hz) {
    return CStationTable::KilohertzText(hz);
}

// Hands each channel's audio to its decoder.
class CChannelFanOut final : public IChannelSink {
  public:
    explicit CChannelFanOut(std::vector<std::unique_ptr<CChannelDecoder>>& decoders)
        : m_decoders(decoders) {}
    void OnChannelBlock(size_t channel, const SampleBlock& block) override {
        if (!m_decoders[channel]->Push(block)) {
            ++m_dropped;
        }
    }
    uint64_t Dropped() const { return m_dropped; }

  private:
    std::vector<std::unique_ptr<CChannelDecoder>>& m_decoders;
    uint64_t m_dropped = 0;
};

// The radio as the options set it up.
RadioSettings Radio(const CliOptions& options, const std::vector<double>& wanted) {
    RadioSettings radio;
    radio.args = options.sdr.value_or("");
    radio.sampleRate = options.sdrRate;
    radio.centreHz = options.sdrCentre.value_or(0.0);
    radio.gainDb = options.gainDb;
    radio.ppm = options.ppm;
    radio.upconverterHz = options.upconverter;
    radio.directSampling = options.directSampling;
    radio.channels = wanted;
    return radio;
}

std::unique_ptr<IIqSource> OpenSource(const CliOptions& options, const RadioSettings& radio,
                                      std::string& error) {
    if (!options.iq.empty()) {
        IqFileSettings file;
        if (!ChooseIqFileFormat(options.iq, options.iqFormat, file, error)) {
            error =
                "--iq " + options.iq + ": give its format with --iq-format cu8, cs16, cf32 or wav";
            return nullptr;
        }
        file.sampleRate = options.iqRate;
        file.centreHz = options.iqCentre;
        return CIqFileSource::Open(
            file, options.playIq ? CIqFileSource::Pace::RealTime : CIqFileSource::Pace::AsTaken,
            error);
    }
#ifdef WAVELORE_HAVE_SOAPY
    SdrSettings sdr = radio.Sdr();
    sdr.antenna = options.antenna;
    return CSdrDevice::Open(sdr, error);
#else
    static_cast<void>(radio);
    error = "--sdr: this wavelore-decode was built without SoapySDR";
    return nullptr;
#endif
}

std::string Frequencies(const std::vector<double>& channels) {
    std::string text;
    for (const double hz : channels) {
        text += (text.empty() ? "" : ", ") +
                ToUtf8(CStationTable::FrequencyText(static_cast<int32_t>(hz)));
    }
    return text;
}

}  // namespace

int ListSdr() {
#ifdef WAVELORE_HAVE_SOAPY
    const std::vector<SdrDeviceInfo> devices = ListSdrDevices();
    if (devices.empty()) {
        Complain("No SDR devices found");
        return kExitInputError;
    }
    for (const SdrDeviceInfo& device : devices) {
        std::printf("%s: %s\n", device.label.c_str(), device.args.c_str());
    }
    std::fflush(stdout);
    return kExitSuccess;
#else
    Complain("--list-sdr: this wavelore-decode was built without SoapySDR");
    return kExitInputError;
#endif
}

int DecodeRadio(const CliOptions& options) {
    std::vector<double> wanted;
    for (const CliOptions::Channel& channel : options.channels) {
        wanted.push_back(channel.frequencyHz);
    }
    std::vector<Mode> modes(wanted.size(), options.mode);
    for (size_t i = 0; i < options.channels.size(); ++i) {
        modes[i] = options.channels[i].mode;
    }
    std::string error;
    const RadioSettings radio = Radio(options, wanted);
    std::unique_ptr<IIqSource> source = OpenSource(options, radio, error);
    if (!source) {
        Complain(error);
        return kExitInputError;
    }
    // The band as on the antenna.
    const IqFormat format = options.sdr ? radio.AntennaBand(source->Format()) : source->Format();
    if (wanted.empty()) {
        wanted = radio.ChannelsIn(format);
        modes.assign(wanted.size(), options.mode);
        if (wanted.empty()) {
            Complain("the band sampled (" + source->Description() +
                     ") holds none of 490, 518 and 4209.5 kHz; choose with --channel");
            return kExitUsage;
        }
    }
    for (const double hz : wanted) {
        if (!CChannelizer::Covers(format.sampleRate, format.centreHz, hz)) {
            Complain("--channel " + ToUtf8(CStationTable::FrequencyText(static_cast<int32_t>(hz))) +
                     " lies outside the band sampled (" + source->Description() + ")");
            return kExitUsage;
        }
    }
    ChannelizerSettings settings;
    settings.sampleRate = format.sampleRate;
    settings.centreHz = format.centreHz;
    settings.channels = wanted;
    std::unique_ptr<CChannelizer> channelizer = CChannelizer::Create(settings, error);
    if (!channelizer) {
        Complain(error);
        return kExitInputError;
    }
    if (options.verbose) {
        Complain("receiving " + Frequencies(wanted) + " from " + source->Description());
    }

    const bool several = wanted.size() > 1;
    std::vector<CRunReception::Channel> channels;
    std::vector<std::unique_ptr<CChannelDecoder>> decoders;
    std::vector<std::unique_ptr<CTextHandler>> text;
    for (size_t i = 0; i < wanted.size(); ++i) {
        const int32_t hz = static_cast<int32_t>(wanted[i] + 0.5);
        channels.push_back({several ? KiloHertz(hz) : std::u16string(), hz, modes[i]});
        CliOptions channelOptions = options;
        channelOptions.mode = modes[i];
        const ReceiverConfig config = channelOptions.Receiver();
        decoders.push_back(std::make_unique<CChannelDecoder>(config.Chain()));
        if (config.AutoTune() && !decoders.back()->SetAutoTune(config.Search())) {
            Complain("cannot set up the tuning search (out of memory)");
            return kExitInputError;
        }
        text.push_back(std::make_unique<CTextHandler>(options, stdout, stderr));
        if (several) {
            text.back()->SetLinePrefix(KiloHertz(hz) + u": ");
        }
    }
    CRunReception reception(options);
    reception.SetChannels(channels);
    int exitCode = kExitSuccess;
    if (!reception.Start(error, exitCode)) {
        Complain(error);
        return exitCode;
    }
    for (const auto& decoder : decoders) {
        if (!decoder->Start()) {
            Complain("cannot set up the decoder (out of memory)");
            reception.Finish();
            return kExitInputError;
        }
    }
    std::vector<int32_t> centres;
    for (const auto& decoder : decoders) {
        centres.push_back(decoder->Centre());
    }
    const auto handOver = [&] {
        for (size_t i = 0; i < decoders.size(); ++i) {
            const int32_t centre = decoders[i]->Centre();
            if (options.verbose && centre != centres[i]) {
                std::fprintf(stderr, "SmartTune: %s kHz retuned from %d Hz to %d Hz\n",
                             ToUtf8(KiloHertz(channels[i].frequencyHz)).c_str(), centres[i],
                             centre);
            }
            centres[i] = centre;
            for (const DecoderText& chunk : decoders[i]->TakeText()) {
                reception.OnText(i, chunk);
                text[i]->OnText(chunk, decoders[i]->Blocks());
            }
        }
        reception.Poll();
    };

    CTerminationSignals signals;
    if (!source->Start(error)) {
        Complain(error);
        decoders.clear();
        reception.Finish();
        return kExitInputError;
    }
    CChannelFanOut fanOut(decoders);
    std::vector<std::complex<float>> samples(kReadSamples);
    uint64_t lostReported = 0;
    auto nextReport = std::chrono::steady_clock::now() + 5s;
    while (!signals.Received()) {
        const size_t n = source->Read(samples.data(), samples.size());
        if (n == 0) {
            break;
        }
        channelizer->Process(samples.data(), n, fanOut);
        handOver();
        if (options.verbose && std::chrono::steady_clock::now() >= nextReport) {
            nextReport += 5s;
            const uint64_t lost = source->SamplesLost();
            if (lost != lostReported) {
                lostReported = lost;
                std::fprintf(stderr, "Samples lost: %llu (%.1f s)\n",
                             static_cast<unsigned long long>(lost),
                             static_cast<double>(lost) / format.sampleRate);
            }
        }
    }
    // Stopping the source releases a Read waiting for samples; the
    // decoders then finish what they were given.
    source->Stop();
    channelizer->Flush(fanOut);
    for (const auto& decoder : decoders) {
        decoder->Close();
    }
    handOver();
    const uint64_t lost = source->SamplesLost();
    if (lost > 0 || options.verbose) {
        std::fprintf(stderr, "Samples lost: %llu (%.1f s)\n", static_cast<unsigned long long>(lost),
                     static_cast<double>(lost) / format.sampleRate);
    }
    if (fanOut.Dropped() > 0) {
        Complain("out of memory: " + std::to_string(fanOut.Dropped()) +
                 " blocks of audio not decoded");
    }
    // As at shutdown: a frame still in progress stays in its incoming file.
    reception.Finish();
    for (const auto& handler : text) {
        handler->Finish();
    }
    reception.FinishUploads(stderr);
    const bool sourceFailed = source->Failed();
    if (sourceFailed) {
        Complain(source->Error() + "; what was received until then is stored");
    }
    if (!reception.AllStored()) {
        return kExitNotStored;
    }
    bool writeFailed = false;
    for (const auto& handler : text) {
        writeFailed = writeFailed || handler->WriteFailed();
    }
    return sourceFailed || writeFailed ? kExitInputError : kExitSuccess;
}

}  // namespace wavelore::cli
