#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "app/receiver_config.h"
#include "app/sound_source_selector.h"
#include "audio/recording_wave_in.h"
#include "common/message.h"
#include "common/modes.h"
#include "common/sample_block.h"
#include "common/start_thread.h"
#include "common/window_target.h"
#include "receiver/tuning_policy.h"

namespace wavelore {

class CDecoderThread;
class CSettings;
class ICpuTimesSource;
class IUserNotifier;
class IWaveInDriver;

// The way one decoder thread's messages reach the main window. Closing it
// refuses further messages and releases a Send the thread is waiting in,
// also one whose handler is the one closing it, so the thread can always be
// ended, even from inside the handler of its spectrum.
class IWindowChannel : public WindowTarget {
  public:
    virtual void Close() = 0;
};

// What the decoding control asks of the main window.
class IDecodingHost {
  public:
    virtual ~IDecodingHost() = default;
    // A fresh channel for a decoder thread about to be created.
    virtual std::unique_ptr<IWindowChannel> OpenChannel() = 0;
    // Timer 1, the start-up watchdog: the host calls OnWatchdog when it
    // fires, until it is stopped.
    virtual void StartWatchdog(std::chrono::milliseconds period) = 0;
    virtual void StopWatchdog() = 0;
    // The "Sound source" check mark moves to this source.
    virtual void ShowCurrentSource(int32_t index) = 0;
    // Starts decoding again with the current mode's values (StartDecoder).
    virtual void RestartDecoding() = 0;
    // Errors the user must see.
    virtual void ReportNoDevices() = 0;
    virtual void ReportStartFailure() = 0;
    virtual void ReportSwitch(std::u16string_view from, std::u16string_view to) = 0;
    virtual void ReportNoSourceLeft(std::u16string_view current) = 0;
    // Decoding cannot continue: the window closes.
    virtual void CloseWindow() = 0;
};

// The main window's decoding: the receiver's configuration, the decoder
// thread's life, the sound source it captures from, the start-up watchdog,
// the fallback to another source when one fails to open or never delivers
// a buffer, and the automatic tuning of the spectra the thread sends.
//
// A decoder thread keeps the device it first opened, so a change of source
// ends the thread and starts a new one on the new source. What its chain
// held back is given to the window before the thread ends.
class CDecodingControl {
  public:
    static constexpr std::chrono::milliseconds kWatchdogPeriod{2000};

    // devices: the sound input devices; soundNotifier: the sound input's
    // messages; cpuTimes: null reads /proc/stat. All must outlive this.
    // startThread: how decoder threads are made.
    CDecodingControl(IWaveInDriver& devices, IUserNotifier& soundNotifier, CSettings& settings,
                     IDecodingHost& host, ICpuTimesSource* cpuTimes = nullptr,
                     ThreadStarter startThread = StartThread);
    ~CDecodingControl();
    CDecodingControl(const CDecodingControl&) = delete;
    CDecodingControl& operator=(const CDecodingControl&) = delete;

    // The "Sound source" list, with the stored "SoundDevice" current.
    // reportMissing: say "No sound devices found" when there are none.
    void BuildSources(bool reportMissing);
    // Plays a recording as the source after the devices and makes it the
    // current one; decoding moves to it at the next StartDecoder. False,
    // with a one-line reason, when the file cannot be played.
    bool OpenRecording(const std::string& path, CRecordingWaveIn::Pace pace, std::string& error);
    const CSoundSourceSelector& Sources() const { return m_sources; }
    // The recording in use, or null.
    const CRecordingWaveIn* Recording() const { return m_recording.get(); }
    // The pace of the recording in use and of the next one opened without
    // a pace of its own: real time, or as fast as it decodes.
    void SetRecordingPace(CRecordingWaveIn::Pace pace);
    CRecordingWaveIn::Pace RecordingPace() const { return m_recordingPace; }
    // Holds or resumes the recording that is the current source; false
    // (and nothing changes) when the current source is no recording. A
    // paused recording is silent, not broken: the watchdog lets it be.
    bool PauseRecording(bool paused);
    bool RecordingPaused() const;

    // Starts (or restarts) decoding the mode at the tuning (Hz) and baud on
    // the current source. On failure the user is told, the thread is
    // dropped and the fallback runs at once; a decoder thread that cannot
    // be made only fails.
    bool StartDecoder(Mode mode, int32_t centre, int32_t shift, int32_t baud);
    // Command 500 + index: that source becomes current and decoding starts
    // again. False when the index has no item.
    bool OnSoundSource(int32_t index);
    // WM_DECODER_SPECTRUM arrived: the current source works. block: its
    // samples for the tuning search, or null; centre and halfShift (Hz) the
    // tuning in force. Returns the centre the search asks for, if any.
    std::optional<int32_t> OnSpectrum(const SampleBlock* block, int32_t centre, int32_t halfShift);
    // Timer 1 fired.
    void OnWatchdog();

    const ReceiverConfig& Config() const { return m_config; }
    // The switches as the settings hold them, once at start-up.
    void RestoreSwitches();
    // Each switch takes effect at once and is written to the settings.
    void SetStrictFec(bool strict);
    void SetBitSense(bool invert);
    // The weak-signal chain for NAVTEX and SITOR. A change while one of
    // them decodes restarts decoding with the other chain; other decoders
    // keep running (a restarted FAX would empty its file).
    void SetEnhanced(bool enhanced);
    // The "AFC" and "SmartTune" boxes: the one automatic tuning search.
    void SetAutoTune(bool on);
    // True while the running decoder is the weak-signal chain.
    bool EnhancedChain() const { return m_started && m_started->enhanced; }
    // The automatic tuning, which searches as the running chain needs.
    const CTuningPolicy& Tuning() const { return m_tuning; }
    // Sound lost so far because the receiver or the sound system fell
    // behind, on every source, in tenths of a second rounded up, so that
    // any loss shows. Safe to call at any time.
    uint64_t TenthsOfSecondsLost() const;
    // A thread message for the decoder thread (WM_DECODER_TUNE, whose
    // centre the configuration then holds); false while there is no thread.
    bool PostToDecoder(Message message);

    // Shutdown: asks the thread to stop, gives what its chain held back to
    // the window and ends it; nothing starts after.
    void Stop();
    // Releases the thread object, which closes the sound device.
    void Release();

    bool HasThread() const { return m_thread != nullptr; }

  private:
    // Stops the thread, gives what its chain held back to the window while
    // the channel is open, closes the channel and ends the thread.
    void EndThread();
    void DropThread();
    void RunFallback();
    // The search follows the running chain; AutoTune the switches.
    void ApplyTuning();

    IWaveInDriver& m_devices;
    IUserNotifier& m_soundNotifier;
    CSettings& m_settings;
    IDecodingHost& m_host;
    ICpuTimesSource* m_cpuTimes;
    ThreadStarter m_startThread;

    CSoundSourceSelector m_sources;
    std::unique_ptr<CRecordingWaveIn> m_recording;
    CRecordingWaveIn::Pace m_recordingPace = CRecordingWaveIn::Pace::RealTime;
    // The channel outlives the thread that sends through it.
    std::unique_ptr<IWindowChannel> m_channel;
    std::unique_ptr<CDecoderThread> m_thread;
    int32_t m_threadSource = -1;
    ReceiverConfig m_config;
    std::optional<ChainSettings> m_started;  // the chain of the last successful start
    CTuningPolicy m_tuning;
    bool m_stopped = false;
};

}  // namespace wavelore
