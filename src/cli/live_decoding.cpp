#include "cli/live_decoding.h"

#include <signal.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/mode_controller.h"
#include "app/tuning_control.h"
#include "audio/recording_wave_in.h"
#include "audio/wave_in_portaudio.h"
#include "cli/message_storage.h"
#include "cli/run_uploads.h"
#include "cli/text_handler.h"
#include "common/decoder_text.h"
#include "common/message_ids.h"
#include "common/sample_block.h"
#include "common/user_notifier.h"
#include "common/utf.h"
#include "common/window_target.h"
#include "dsp/band_analyzer.h"
#include "dsp/tone_pair_search.h"
#include "dsp/tuning_search.h"
#include "receiver/decoder_thread.h"

namespace wavelore::cli {

namespace {

using namespace std::chrono_literals;

// Set by SIGINT/SIGTERM; the main loop looks at it between messages.
volatile std::sig_atomic_t g_stopSignal = 0;

void OnStopSignal(int) {
    g_stopSignal = 1;
}

void Complain(const std::string& text) {
    std::fprintf(stderr, "wavelore-decode: %s\n", text.c_str());
}

// The message boxes of the sound capture, as lines on standard error.
class CStderrNotifier final : public IUserNotifier {
  public:
    void ShowMessage(const std::u16string& text) override { Complain(ToUtf8(text)); }
};

// With --verbose: the captured samples that never reached the decoder.
void ReportLost(uint64_t lost) {
    std::fprintf(stderr, "Samples lost: %llu (%.1f s)\n", static_cast<unsigned long long>(lost),
                 static_cast<double>(lost) / kSampleRate);
}

// The main window's part: handles what the decoder thread sends and posts.
class CLiveReceiver {
  public:
    CLiveReceiver(const CliOptions& options, CTextHandler& text, CRunStorage& storage,
                  CDecoderThread& thread, const IWaveInDriver& driver)
        : m_options(options), m_text(text), m_storage(storage), m_thread(thread), m_driver(driver) {
        m_tuning.SetTuning(options.centreFrequency, options.HalfShift());
    }

    void Handle(Message& message) {
        switch (message.id) {
            case WM_DECODER_SPECTRUM:
                ++m_spectra;
                if (const SampleBlock* block = message.Get<SampleBlock>()) {
                    OnSpectrum(*block);
                }
                break;
            case WM_DECODER_TEXT:
                if (const DecoderText* chunk = message.Get<DecoderText>()) {
                    OnText(*chunk);
                }
                break;
            case WM_DECODER_CPULOAD:
                OnLoad(static_cast<int32_t>(message.wParam));
                break;
            case WM_DECODER_ENDED:
                m_inputEnded = true;
                break;
            default:
                break;  // the signal display has no counterpart here
        }
    }

    // Every buffer's scaled samples, synchronously while the decoder thread
    // waits. With --smarttune the tuning search reads their spectra and its
    // retune requests take the main window's way to the decoder thread. The
    // enhanced chain has a search of its own, which also finds clean and
    // weak signals.
    void OnSpectrum(const SampleBlock& block) {
        if (!m_options.smartTune) {
            return;
        }
        std::optional<int32_t> request;
        if (m_enhancedSearch) {
            request = m_pairSearch.Process(block, m_tuning.Centre(), m_tuning.HalfShift());
        } else if (m_analyzer.Process(block)) {
            request =
                m_search.Process(m_analyzer.History(), m_tuning.Centre(), m_tuning.HalfShift());
        }
        if (!request) {
            return;
        }
        const int32_t before = m_tuning.Centre();
        const int32_t centre = m_tuning.OnSetFrequency(*request);
        if (m_options.verbose) {
            std::fprintf(stderr, "SmartTune: retuned from %d Hz to %d Hz\n", before, centre);
        }
    }

    void OnText(const DecoderText& chunk) {
        m_storage.OnText(chunk);
        m_text.OnText(chunk, m_spectra);
    }

    // The last message of every buffer, so it also counts them.
    void OnLoad(int32_t percent) {
        ++m_buffers;
        // About every five seconds of audio.
        if (m_options.verbose && m_buffers % 27 == 1) {
            std::fprintf(stderr, "CPU load: %d%%\n", percent);
            const uint64_t lost = m_driver.SamplesLost();
            if (lost != m_lostReported) {
                ReportLost(lost);
                m_lostReported = lost;
            }
        }
    }

    uint64_t Buffers() const { return m_buffers; }
    // The recording has ended and all it gave has been handled.
    bool InputEnded() const { return m_inputEnded; }

  private:
    const CliOptions& m_options;
    CTextHandler& m_text;
    CRunStorage& m_storage;
    CDecoderThread& m_thread;
    const IWaveInDriver& m_driver;
    CBandAnalyzer m_analyzer;
    CTuningSearch m_search;
    CTonePairSearch m_pairSearch;
    // The modes the enhanced chain decodes use its search.
    const bool m_enhancedSearch =
        m_options.enhanced && CModeController::Info(m_options.mode).decoder == DecoderType::SitorB;
    // No strip to show the tuning on.
    CTuningControl m_tuning{nullptr,
                            [this](Message m) { return m_thread.PostThreadMessage(std::move(m)); }};
    uint64_t m_buffers = 0;
    uint64_t m_lostReported = 0;
    int64_t m_spectra = 0;  // buffers begun, for the block numbers
    bool m_inputEnded = false;
};

bool AllDigits(const std::string& s) {
    return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
}

// A device by number, by exact name, or by a part of the name that only
// one device has.
bool ResolveDevice(IWaveInDriver& driver, const std::string& wanted, uint32_t& id,
                   std::string& error) {
    const uint32_t count = driver.GetNumDevs();
    if (count == 0) {
        // As the main window does: say so, then let the start fail with the
        // sound capture's own message.
        Complain("No sound devices found");
        if (AllDigits(wanted)) {
            id = 0;
            return true;
        }
        error = "no sound device matches \"" + wanted + "\"";
        return false;
    }
    if (AllDigits(wanted)) {
        if (wanted.size() > 9 || std::stoul(wanted) >= count) {
            error = "there is no sound device " + wanted + " (see --list-devices)";
            return false;
        }
        id = static_cast<uint32_t>(std::stoul(wanted));
        return true;
    }
    int found = -1;
    int partial = -1;
    int partials = 0;
    for (uint32_t i = 0; i < count; ++i) {
        WaveInCaps caps;
        if (driver.GetDevCaps(i, caps) != MMSYSERR_NOERROR) {
            continue;
        }
        const std::string name = ToUtf8(caps.productName);
        if (name == wanted) {
            found = static_cast<int>(i);
            break;
        }
        if (name.find(wanted) != std::string::npos) {
            partial = static_cast<int>(i);
            ++partials;
        }
    }
    if (found < 0 && partials == 1) {
        found = partial;
    }
    if (found < 0) {
        error = (partials > 1 ? "more than one sound device matches \""
                              : "no sound device matches \"") +
                wanted + "\" (see --list-devices)";
        return false;
    }
    id = static_cast<uint32_t>(found);
    return true;
}

std::string DeviceName(IWaveInDriver& driver, uint32_t id) {
    WaveInCaps caps;
    return driver.GetDevCaps(id, caps) == MMSYSERR_NOERROR ? ToUtf8(caps.productName) : "?";
}

void InstallStopHandlers() {
    struct sigaction action = {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

}  // namespace

int ListDevices() {
    CPortAudioWaveIn driver;
    const uint32_t count = driver.GetNumDevs();
    if (count == 0) {
        Complain("No sound devices found");
        return kExitInputError;
    }
    for (uint32_t id = 0; id < count; ++id) {
        WaveInCaps caps;
        if (driver.GetDevCaps(id, caps) == MMSYSERR_NOERROR) {
            std::printf("%u: %s (%u Hz, %u %s)\n", id, ToUtf8(caps.productName).c_str(),
                        caps.defaultRate, unsigned{caps.channels},
                        caps.channels == 1 ? "channel" : "channels");
        }
    }
    std::fflush(stdout);
    return kExitSuccess;
}

int DecodeLive(const CliOptions& options) {
    // The driver outlives the thread, which closes its device at the end.
    std::unique_ptr<IWaveInDriver> driver;
    CRecordingWaveIn* recording = nullptr;
    uint32_t deviceId = 0;
    std::string error;
    if (!options.play.empty()) {
        auto source = OpenRecordingSource(options.play, error);
        if (!source) {
            Complain(error);
            return kExitInputError;
        }
        auto player = std::make_unique<CRecordingWaveIn>(
            std::move(source), FromUtf8(options.play),
            options.fast ? CRecordingWaveIn::Pace::AsTaken : CRecordingWaveIn::Pace::RealTime);
        recording = player.get();
        driver = std::move(player);
    } else {
        driver = std::make_unique<CPortAudioWaveIn>();
        if (!ResolveDevice(*driver, options.device, deviceId, error)) {
            Complain(error);
            return kExitInputError;
        }
    }
    if (options.verbose) {
        Complain(recording ? "playing " + options.play +
                                 (options.fast ? " as fast as it decodes" : " in real time")
                           : "capturing from sound device " + std::to_string(deviceId) + ": " +
                                 DeviceName(*driver, deviceId));
    }

    CRunUploads uploads(options);
    if (!uploads.Start(error)) {
        Complain(error);
        return kExitUsage;
    }
    CRunStorage storage(options, uploads.Hook());
    if (!storage.Start(error)) {
        Complain(error);
        return kExitInputError;
    }
    InstallStopHandlers();
    CStderrNotifier notifier;
    CQueueWindowTarget target;
    CTextHandler text(options, stdout, stderr);
    CDecoderThread thread(*driver, notifier);
    CLiveReceiver receiver(options, text, storage, thread, *driver);
    const auto handle = [&receiver](Message& m) { receiver.Handle(m); };

    const DecoderType type = CModeController::Info(options.mode).decoder;
    thread.SetEnhanced(options.enhanced);
    if (!thread.Start(kSampleRate, options.centreFrequency, options.HalfShift(), options.baud,
                      static_cast<int32_t>(type), &target, deviceId)) {
        Complain(
            "Could not start decoder for this sound device. Check that no "
            "other applications "
            "are trying to use this sound device.");
        thread.RequestStop();
        target.Close();
        storage.Finish();
        return kExitInputError;
    }
    thread.SetStrictFec(options.strictFec);
    thread.SetBitSense(options.invert);

    while (!g_stopSignal) {
        target.DispatchOne(handle, 100ms);
        uploads.Poll();
        storage.Poll();
        if (receiver.InputEnded()) {
            break;
        }
    }

    // The stop request makes the thread reset the device at its next
    // buffer; what arrives until then is still handled. A finished
    // recording delivers no more buffers: its device is closed below.
    thread.RequestStop();
    const auto deadline = std::chrono::steady_clock::now() + 1s;
    while (thread.Capturing() && !(recording && recording->Ended()) &&
           std::chrono::steady_clock::now() < deadline) {
        target.DispatchOne(handle, 50ms);
    }
    // The text the chain held back, given out as the stop took effect.
    while (target.DispatchOne(handle, 0ms)) {
    }
    target.Close();
    thread.Shutdown();
    if (options.verbose) {
        ReportLost(driver->SamplesLost());
    }
    // As at shutdown: a frame still in progress stays in incoming.txt.
    storage.Finish();
    text.Finish();
    uploads.Finish(stderr);

    const bool sourceFailed = recording && !recording->SourceError().empty();
    if (sourceFailed) {
        Complain(recording->SourceError());
    }
    if (!storage.AllStored()) {
        return kExitNotStored;
    }
    return sourceFailed || text.WriteFailed() ? kExitInputError : kExitSuccess;
}

}  // namespace wavelore::cli
