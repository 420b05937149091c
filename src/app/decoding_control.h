#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "app/receiver_config.h"
#include "app/sound_source_selector.h"
#include "audio/recording_wave_in.h"
#include "common/message.h"
#include "common/modes.h"
#include "common/sample_block.h"
#include "common/start_thread.h"
#include "common/window_target.h"
#include "receiver/tuning_policy.h"
#include "sdr/iq_file_reader.h"
#include "sdr/radio_settings.h"

namespace wavelore {

class CDecoderThread;
class CRadioWaveIn;
class CSettings;
class ISdrDevices;
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
    // A fresh channel for a decoder thread about to be created, for the
    // radio channel at frequencyHz (0: a sound card or a recording).
    virtual std::unique_ptr<IWindowChannel> OpenChannel(int32_t frequencyHz) = 0;
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
    // The radio's channels changed (Channels, ShownChannel), or the one
    // shown did: its tuning (Hz) is shown from now on.
    virtual void ShowChannels(int32_t centre) = 0;
    // A radio could not be opened or started.
    virtual void ReportRadioFailure(std::u16string_view name, const std::string& error) = 0;
};

// The main window's decoding: the receiver's configuration, the decoder
// thread's life, the sound source it captures from, the start-up watchdog,
// the fallback to another source when one fails to open or never delivers
// a buffer, and the automatic tuning of the spectra the thread sends.
//
// A decoder thread keeps the device it first opened, so a change of source
// ends the thread and starts a new one on the new source. What its chain
// held back is given to the window before the thread ends.
//
// A radio (an SDR, or an IQ recording) is a source of several channels,
// each decoded by a thread of its own with its own tuning search, all in
// the current mode: the window shows one of them, and the others go on
// decoding unseen. Choosing another channel to show restarts nothing. A
// radio that stops delivering for the watchdog's period, as one does when
// it is unplugged, fails over as a sound card that does not start.
class CDecodingControl {
  public:
    static constexpr std::chrono::milliseconds kWatchdogPeriod{2000};

    // devices: the sound input devices; soundNotifier: the sound input's
    // messages; cpuTimes: null reads /proc/stat. All must outlive this.
    // startThread: how decoder threads are made.
    // radios: the SDRs there are; null: none.
    CDecodingControl(IWaveInDriver& devices, IUserNotifier& soundNotifier, CSettings& settings,
                     IDecodingHost& host, ICpuTimesSource* cpuTimes = nullptr,
                     ThreadStarter startThread = StartThread, ISdrDevices* radios = nullptr);
    ~CDecodingControl();
    CDecodingControl(const CDecodingControl&) = delete;
    CDecodingControl& operator=(const CDecodingControl&) = delete;

    // The "Sound source" list, with the stored "SoundDevice" current: the
    // sound cards, then the SDR used last. reportMissing: say "No sound
    // devices found" when there is neither.
    void BuildSources(bool reportMissing);
    // The SDRs there are (null: none), to be listed away from the window's
    // thread; AddRadios then adds those not in the list yet.
    ISdrDevices* Radios() const { return m_radios; }
    void AddRadios(const std::vector<SdrDeviceInfo>& found);
    // Plays a recording as the source after the devices and makes it the
    // current one; decoding moves to it at the next StartDecoder. False,
    // with a one-line reason, when the file cannot be played.
    bool OpenRecording(const std::string& path, CRecordingWaveIn::Pace pace, std::string& error);
    // Adds an IQ recording (settings without a path take the radio
    // settings' rate and centre) as the source after the SDRs and makes it
    // current; decoding moves to it at the next StartDecoder. It is opened
    // then, so a recording that cannot be played fails over as a device.
    // False, with a reason, when its format cannot be told.
    bool OpenIqRecording(const std::string& path, const std::string& format, std::string& error);
    const CSoundSourceSelector& Sources() const { return m_sources; }
    // The radio settings the SDRs and IQ recordings are opened with, kept
    // in the settings. restart: the radio in use is opened again with them.
    // Arguments no listed SDR has become a source of their own (a radio
    // on the network, say).
    const RadioSettings& Radio() const { return m_radioSettings; }
    void SetRadio(const RadioSettings& radio, bool restart);
    // The channels of the radio in use (Hz), or none; the one shown.
    std::vector<double> Channels() const;
    size_t ShownChannel() const { return m_shown; }
    int32_t ShownFrequency() const;
    // The channel shown from now on: its spectrum, signal and text reach
    // the window. False for no such channel.
    bool ShowChannel(size_t channel);
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
    // WM_DECODER_SPECTRUM of a radio channel that is not shown: its own
    // search retunes it.
    void OnChannelSpectrum(int32_t frequencyHz, const SampleBlock* block);
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
    bool EnhancedChain() const { return Shown().started && Shown().started->enhanced; }
    // The automatic tuning of the channel shown, which searches as the
    // running chain needs.
    const CTuningPolicy& Tuning() const { return m_lanes[m_shown]->tuning; }
    // Sound lost so far because the receiver or the sound system fell
    // behind, on every source, in tenths of a second rounded up, so that
    // any loss shows. Safe to call at any time.
    uint64_t TenthsOfSecondsLost() const;
    // A thread message for the decoder thread of the channel shown
    // (WM_DECODER_TUNE, whose centre the configuration then holds); false
    // while there is no thread.
    bool PostToDecoder(Message message);

    // Shutdown: asks the thread to stop, gives what its chain held back to
    // the window and ends it; nothing starts after.
    void Stop();
    // Releases the thread object, which closes the sound device.
    void Release();

    bool HasThread() const { return Shown().thread != nullptr; }

  private:
    // One channel's decoding: a sound card or recording has one, a radio
    // one per channel.
    struct Lane {
        int32_t frequencyHz = 0;
        int32_t centre = 0;  // Hz, the tuning in force
        // The channel outlives the thread that sends through it.
        std::unique_ptr<IWindowChannel> channel;
        std::unique_ptr<CDecoderThread> thread;
        std::optional<ChainSettings> started;  // the chain of the last successful start
        CTuningPolicy tuning;
    };

    Lane& Shown() { return *m_lanes[m_shown]; }
    const Lane& Shown() const { return *m_lanes[m_shown]; }
    // Starts or restarts one lane's thread on the driver; false when it
    // cannot be made or started.
    bool StartLane(Lane& lane, IWaveInDriver& driver, uint32_t deviceId, bool& madeThread);
    // An SDR source with these arguments, unless there is one.
    void AddSdr(const std::string& label, const std::string& args, std::u16string_view stored);
    // Opens the radio of the current source, with a lane per channel.
    bool OpenRadio(int32_t source, std::string& error);
    // Stops the thread, gives what its chain held back to the window while
    // the channel is open, closes the channel and ends the thread.
    void EndThread(Lane& lane);
    // Every lane's thread, and the radio.
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
    ISdrDevices* m_radios;

    CSoundSourceSelector m_sources;
    std::unique_ptr<CRecordingWaveIn> m_recording;
    CRecordingWaveIn::Pace m_recordingPace = CRecordingWaveIn::Pace::RealTime;
    // What each radio item of the sources opens: an SDR's arguments, or an
    // IQ recording (its path and format; the rate and centre are the radio
    // settings' when it opens).
    struct RadioItem {
        std::string args;
        std::optional<IqFileSettings> file;
    };
    std::map<int32_t, RadioItem> m_radioItems;  // by source index
    RadioSettings m_radioSettings;
    std::unique_ptr<CRadioWaveIn> m_radio;
    std::vector<std::unique_ptr<Lane>> m_lanes;
    size_t m_shown = 0;
    int32_t m_threadSource = -1;
    ReceiverConfig m_config;
    bool m_stopped = false;
};

}  // namespace wavelore
