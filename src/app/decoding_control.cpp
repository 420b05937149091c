#include "app/decoding_control.h"

#include <algorithm>
#include <filesystem>
#include <new>

#include "app/settings.h"
#include "app/tuning_control.h"
#include "common/message_ids.h"
#include "common/utf.h"
#include "receiver/decoder_thread.h"
#include "sdr/channelizer.h"
#include "sdr/iq_file_source.h"
#include "sdr/radio_wave_in.h"
#include "sdr/sdr_devices.h"

namespace wavelore {

namespace {

// Before an SDR's name in the "Sound source" menu.
constexpr std::u16string_view kSdrPrefix = u"SDR: ";

}  // namespace

CDecodingControl::CDecodingControl(IWaveInDriver& devices, IUserNotifier& soundNotifier,
                                   CSettings& settings, IDecodingHost& host,
                                   ICpuTimesSource* cpuTimes, ThreadStarter startThread,
                                   ISdrDevices* radios)
    : m_devices(devices),
      m_soundNotifier(soundNotifier),
      m_settings(settings),
      m_host(host),
      m_cpuTimes(cpuTimes),
      m_startThread(startThread),
      m_radios(radios),
      m_radioSettings(settings.Radio()) {
    m_lanes.push_back(std::make_unique<Lane>());
}

CDecodingControl::~CDecodingControl() {
    DropThread();
}

void CDecodingControl::BuildSources(bool reportMissing) {
    const std::u16string stored = m_settings.SoundDevice();
    m_sources.Build(m_devices, stored);
    m_radioItems.clear();
    if (m_radios != nullptr && !m_radioSettings.args.empty()) {
        // The radio used last is there at once, under the name it was
        // stored with: listing the radios may take seconds (network ones).
        const bool named = stored.size() > kSdrPrefix.size() && stored.starts_with(kSdrPrefix);
        AddSdr(named ? ToUtf8(stored.substr(kSdrPrefix.size())) : m_radioSettings.args,
               m_radioSettings.args, stored);
    }
    if (m_sources.Items().empty() && reportMissing) {
        m_host.ReportNoDevices();
    }
}

bool CDecodingControl::OpenIqRecording(const std::string& path, const std::string& format,
                                       std::string& error) {
    IqFileSettings file;
    if (!ChooseIqFileFormat(path, format, file, error)) {
        return false;
    }
    const int32_t index =
        m_sources.SetIqRecording(FromUtf8(std::filesystem::path(path).filename().string()));
    // The thread playing the old recording must end before it goes.
    if (m_threadSource == index) {
        DropThread();
    }
    m_radioItems[index] = RadioItem{{}, file};
    m_sources.Choose(index);
    return true;
}

void CDecodingControl::AddRadios(const std::vector<SdrDeviceInfo>& found) {
    for (const SdrDeviceInfo& device : found) {
        AddSdr(device.label, device.args, {});
    }
}

void CDecodingControl::AddSdr(const std::string& label, const std::string& args,
                              std::u16string_view stored) {
    const bool known = std::any_of(m_radioItems.begin(), m_radioItems.end(), [&](const auto& item) {
        return !item.second.file && item.second.args == args;
    });
    if (args.empty() || known) {
        return;
    }
    const int32_t index =
        m_sources.AddRadio(std::u16string(kSdrPrefix) + FromUtf8(label), true, stored);
    m_radioItems[index] = RadioItem{args, std::nullopt};
}

void CDecodingControl::SetRadio(const RadioSettings& radio, bool restart) {
    m_radioSettings = radio;
    m_settings.WriteRadio(radio);
    if (m_radios != nullptr) {
        AddSdr(radio.args, radio.args, {});
    }
    if (m_radio && restart) {
        DropThread();
        m_host.RestartDecoding();
    }
}

std::vector<double> CDecodingControl::Channels() const {
    return m_radio ? m_radio->Channels() : std::vector<double>();
}

int32_t CDecodingControl::ShownFrequency() const {
    return Shown().frequencyHz;
}

bool CDecodingControl::ShowChannel(size_t channel) {
    if (!m_radio || channel >= m_lanes.size()) {
        return false;
    }
    m_shown = channel;
    m_config.centre = Shown().centre;
    ApplyTuning();
    m_host.ShowChannels(Shown().centre);
    return true;
}

bool CDecodingControl::OpenRecording(const std::string& path, CRecordingWaveIn::Pace pace,
                                     std::string& error) {
    auto source = OpenRecordingSource(path, error);
    if (!source) {
        return false;
    }
    // The thread playing the old recording must end before it goes.
    if (HasThread() && m_sources.IsRecording(m_threadSource)) {
        DropThread();
    }
    const std::u16string name = FromUtf8(std::filesystem::path(path).filename().string());
    m_recording = std::make_unique<CRecordingWaveIn>(std::move(source), name, pace);
    m_recordingPace = pace;
    m_sources.Choose(m_sources.SetRecording(name));
    return true;
}

void CDecodingControl::SetRecordingPace(CRecordingWaveIn::Pace pace) {
    m_recordingPace = pace;
    if (m_recording) {
        m_recording->SetPace(pace);
    }
}

bool CDecodingControl::PauseRecording(bool paused) {
    if (!m_recording || !m_sources.IsRecording(m_sources.Current())) {
        return false;
    }
    m_recording->SetPaused(paused);
    return true;
}

bool CDecodingControl::RecordingPaused() const {
    return m_recording && m_sources.IsRecording(m_sources.Current()) && m_recording->Paused();
}

bool CDecodingControl::StartDecoder(Mode mode, int32_t centre, int32_t shift, int32_t baud) {
    m_config.mode = mode;
    m_config.centre = centre;
    m_config.shift = shift;
    m_config.baud = baud;
    if (m_stopped) {
        return false;
    }
    const int32_t source = m_sources.Current();
    // Without a device or a recording there is nothing to start: that was
    // said once when the sources were built, and a recording can still be
    // opened.
    if (!m_sources.HasItem(source)) {
        return false;
    }
    if (m_threadSource != source) {
        DropThread();
    }
    const bool radio = m_sources.IsRadio(source);
    if (radio && !m_radio) {
        std::string error;
        if (!OpenRadio(source, error)) {
            m_host.ReportRadioFailure(m_sources.Name(source), error);
            m_sources.MarkStartFailed();
            RunFallback();
            return false;
        }
        m_config.centre = Shown().centre;
        m_host.ShowChannels(Shown().centre);
    }
    Shown().centre = m_config.centre;
    const bool recording = m_sources.IsRecording(source);
    IWaveInDriver& driver = radio       ? static_cast<IWaveInDriver&>(*m_radio)
                            : recording ? static_cast<IWaveInDriver&>(*m_recording)
                                        : m_devices;
    m_threadSource = source;
    for (size_t i = 0; i < m_lanes.size(); ++i) {
        const uint32_t deviceId = radio       ? static_cast<uint32_t>(i)
                                  : recording ? 0
                                              : static_cast<uint32_t>(source);
        bool madeThread = true;
        if (!StartLane(*m_lanes[i], driver, deviceId, madeThread)) {
            if (!madeThread) {
                DropThread();
                return false;
            }
            m_host.ReportStartFailure();
            m_sources.MarkStartFailed();
            // A thread whose start failed keeps its failed sound input; a
            // later start makes a new one.
            DropThread();
            RunFallback();
            return false;
        }
    }
    ApplyTuning();
    m_host.StartWatchdog(kWatchdogPeriod);
    return true;
}

bool CDecodingControl::StartLane(Lane& lane, IWaveInDriver& driver, uint32_t deviceId,
                                 bool& madeThread) {
    madeThread = true;
    if (!lane.thread) {
        lane.channel = m_host.OpenChannel(lane.frequencyHz);
        if (lane.channel) {
            lane.thread.reset(new (std::nothrow) CDecoderThread(driver, m_soundNotifier, m_cpuTimes,
                                                                m_startThread));
        }
        if (!lane.thread || !lane.thread->Running()) {
            lane.thread.reset();
            lane.channel.reset();
            madeThread = false;
            return false;
        }
    }
    ReceiverConfig config = m_config;
    config.centre = lane.centre;
    const ChainSettings chain = config.Chain();
    if (!lane.thread->Start(chain, lane.channel.get(), deviceId)) {
        return false;
    }
    lane.started = chain;
    return true;
}

bool CDecodingControl::OpenRadio(int32_t source, std::string& error) {
    const auto found = m_radioItems.find(source);
    if (found == m_radioItems.end()) {
        error = "no such radio";
        return false;
    }
    const RadioItem& item = found->second;
    std::unique_ptr<IIqSource> iq;
    const bool asTaken = m_recordingPace == CRecordingWaveIn::Pace::AsTaken;
    if (item.file) {
        IqFileSettings file = *item.file;
        file.sampleRate = m_radioSettings.sampleRate;
        if (m_radioSettings.centreHz > 0.0) {
            file.centreHz = m_radioSettings.centreHz;
        }
        iq = CIqFileSource::Open(
            file, asTaken ? CIqFileSource::Pace::AsTaken : CIqFileSource::Pace::RealTime, error);
    } else if (m_radios != nullptr) {
        RadioSettings settings = m_radioSettings;
        settings.args = item.args;
        iq = m_radios->Open(settings.Sdr(), error);
    } else {
        error = "no SDR support";
    }
    if (!iq) {
        return false;
    }
    // An IQ recording is of the band as on the antenna.
    const IqFormat band = item.file ? iq->Format() : m_radioSettings.AntennaBand(iq->Format());
    const std::vector<double> channels = m_radioSettings.ChannelsIn(band);
    if (channels.empty()) {
        error = "the band sampled (" + iq->Description() +
                ") holds none of the channels; choose them in the radio settings";
        return false;
    }
    // A recording played as fast as it decodes waits for the slowest
    // channel instead of losing audio.
    std::unique_ptr<CRadioWaveIn> radio =
        CRadioWaveIn::Create(std::move(iq), band, channels, item.file && asTaken, error);
    if (!radio || !radio->Start(error)) {
        return false;
    }
    std::vector<std::unique_ptr<Lane>> lanes;
    for (const double hz : channels) {
        lanes.push_back(std::make_unique<Lane>());
        lanes.back()->frequencyHz = static_cast<int32_t>(hz + 0.5);
        // Where a receiver in upper sideband puts the channel's tones.
        lanes.back()->centre = static_cast<int32_t>(CChannelizer::kCarrierOffsetHz);
    }
    m_lanes = std::move(lanes);
    m_shown = 0;
    m_radio = std::move(radio);
    return true;
}

bool CDecodingControl::OnSoundSource(int32_t index) {
    if (m_stopped || !m_sources.Choose(index)) {
        return false;
    }
    m_host.ShowCurrentSource(index);
    m_host.RestartDecoding();
    return true;
}

std::optional<int32_t> CDecodingControl::OnSpectrum(const SampleBlock* block, int32_t centre,
                                                    int32_t halfShift) {
    const int32_t current = m_sources.Current();
    if (m_sources.Confirm() && m_sources.IsRemembered(current)) {
        m_settings.WriteSoundDevice(m_sources.Name(current));
        const auto item = m_radioItems.find(current);
        if (item != m_radioItems.end() && item->second.args != m_radioSettings.args) {
            m_radioSettings.args = item->second.args;
            m_settings.WriteRadio(m_radioSettings);
        }
    }
    if (m_radio) {
        // A radio is watched as long as it runs: one that falls silent
        // (unplugged) fails over.
        m_host.StartWatchdog(kWatchdogPeriod);
    } else {
        m_host.StopWatchdog();
    }
    if (block == nullptr) {
        return std::nullopt;
    }
    return Shown().tuning.Process(block->Data(), static_cast<size_t>(block->Count()), centre,
                                  halfShift);
}

void CDecodingControl::OnChannelSpectrum(int32_t frequencyHz, const SampleBlock* block) {
    const auto lane = std::find_if(m_lanes.begin(), m_lanes.end(), [frequencyHz](const auto& l) {
        return l->frequencyHz == frequencyHz;
    });
    if (block == nullptr || lane == m_lanes.end() || !(*lane)->thread || m_stopped) {
        return;
    }
    Lane& channel = **lane;
    const int32_t halfShift = m_config.HalfShift();
    const std::optional<int32_t> request = channel.tuning.Process(
        block->Data(), static_cast<size_t>(block->Count()), channel.centre, halfShift);
    if (request) {
        channel.centre = CTuningControl::Clamp(*request, halfShift);
        channel.thread->PostTune(channel.centre, halfShift);
    }
}

void CDecodingControl::OnWatchdog() {
    m_host.StopWatchdog();
    // A recording that has been played to its end, or is paused, is
    // silent, not broken.
    if (m_sources.IsRecording(m_sources.Current()) && m_recording &&
        (m_recording->Ended() || m_recording->Paused())) {
        return;
    }
    if (m_radio && m_radio->Ended()) {
        return;
    }
    RunFallback();
}

void CDecodingControl::RunFallback() {
    m_host.StopWatchdog();
    if (m_stopped) {
        return;
    }
    const CSoundSourceSelector::Fallback next = m_sources.ChooseFallback();
    if (next.switchSource) {
        m_host.ReportSwitch(m_sources.Name(next.from), m_sources.Name(next.to));
        OnSoundSource(next.to);
        return;
    }
    m_host.ReportNoSourceLeft(m_sources.Name(next.from));
    m_host.CloseWindow();
}

void CDecodingControl::RestoreSwitches() {
    m_config.strictFec = m_settings.StrictFec();
    m_config.invert = m_settings.BitSense();
    m_config.enhanced = m_settings.Enhanced();
    m_config.autoTune = m_settings.SmartTune();
    for (const auto& lane : m_lanes) {
        if (lane->thread) {
            lane->thread->SetStrictFec(m_config.strictFec);
            lane->thread->SetBitSense(m_config.invert);
        }
    }
    ApplyTuning();
}

void CDecodingControl::SetStrictFec(bool strict) {
    m_config.strictFec = strict;
    m_settings.WriteStrictFec(strict);
    for (const auto& lane : m_lanes) {
        if (lane->thread) {
            lane->thread->SetStrictFec(strict);
        }
    }
}

void CDecodingControl::SetBitSense(bool invert) {
    m_config.invert = invert;
    m_settings.WriteBitSense(invert);
    for (const auto& lane : m_lanes) {
        if (lane->thread) {
            lane->thread->SetBitSense(invert);
        }
    }
}

void CDecodingControl::SetEnhanced(bool enhanced) {
    m_settings.WriteEnhanced(enhanced);
    if (enhanced == m_config.enhanced) {
        return;
    }
    m_config.enhanced = enhanced;
    // Only a decoder whose chain the switch changes starts again.
    const std::optional<ChainSettings>& started = Shown().started;
    if (HasThread() && started &&
        UsesWeakSignalChain(started->type, enhanced) != started->enhanced) {
        m_host.RestartDecoding();
    }
}

void CDecodingControl::SetAutoTune(bool on) {
    m_config.autoTune = on;
    // Both, so that the next start runs what runs now whichever box was
    // clicked.
    m_settings.WriteAfc(on);
    m_settings.WriteSmartTune(on);
    ApplyTuning();
}

void CDecodingControl::ApplyTuning() {
    for (const auto& lane : m_lanes) {
        lane->tuning.SetSearch(lane->started ? SearchFor(*lane->started)
                                             : CTuningPolicy::Search::Valley);
        lane->tuning.SetAutoTune(m_config.AutoTune());
    }
}

uint64_t CDecodingControl::TenthsOfSecondsLost() const {
    const uint64_t lost = m_devices.SamplesLost() + (m_recording ? m_recording->SamplesLost() : 0) +
                          (m_radio ? m_radio->SamplesLost() : 0);
    return (lost * 10 + kSampleRate - 1) / kSampleRate;
}

bool CDecodingControl::PostToDecoder(Message message) {
    if (message.id == WM_DECODER_TUNE) {
        m_config.centre = static_cast<int32_t>(message.wParam);
        Shown().centre = m_config.centre;
    }
    return HasThread() && Shown().thread->PostThreadMessage(std::move(message));
}

void CDecodingControl::Stop() {
    m_stopped = true;
    m_host.StopWatchdog();
    for (const auto& lane : m_lanes) {
        if (lane->thread) {
            EndThread(*lane);
        }
    }
}

void CDecodingControl::Release() {
    DropThread();
}

void CDecodingControl::EndThread(Lane& lane) {
    lane.thread->RequestStop();
    lane.thread->FinishChain();
    if (lane.channel) {
        lane.channel->Close();
    }
    lane.thread->Shutdown();
}

void CDecodingControl::DropThread() {
    for (const auto& lane : m_lanes) {
        if (lane->thread) {
            EndThread(*lane);
            lane->thread.reset();
        }
        lane->channel.reset();
        lane->started.reset();
    }
    m_threadSource = -1;
    if (m_radio) {
        // The threads have closed the radio's devices.
        m_radio.reset();
        m_lanes.resize(1);
        m_lanes.front()->frequencyHz = 0;
        m_shown = 0;
        m_host.ShowChannels(m_config.centre);
    }
    ApplyTuning();
}

}  // namespace wavelore
