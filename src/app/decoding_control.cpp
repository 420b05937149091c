#include "app/decoding_control.h"

#include <filesystem>
#include <new>

#include "app/settings.h"
#include "common/message_ids.h"
#include "common/utf.h"
#include "receiver/decoder_thread.h"

namespace wavelore {

CDecodingControl::CDecodingControl(IWaveInDriver& devices, IUserNotifier& soundNotifier,
                                   CSettings& settings, IDecodingHost& host,
                                   ICpuTimesSource* cpuTimes, ThreadStarter startThread)
    : m_devices(devices),
      m_soundNotifier(soundNotifier),
      m_settings(settings),
      m_host(host),
      m_cpuTimes(cpuTimes),
      m_startThread(startThread) {}

CDecodingControl::~CDecodingControl() {
    DropThread();
}

void CDecodingControl::BuildSources(bool reportMissing) {
    m_sources.Build(m_devices, m_settings.SoundDevice());
    if (m_sources.DeviceCount() == 0 && reportMissing) {
        m_host.ReportNoDevices();
    }
}

bool CDecodingControl::OpenRecording(const std::string& path, CRecordingWaveIn::Pace pace,
                                     std::string& error) {
    auto source = OpenRecordingSource(path, error);
    if (!source) {
        return false;
    }
    // The thread playing the old recording must end before it goes.
    if (m_thread && m_sources.IsRecording(m_threadSource)) {
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
    if (m_thread && m_threadSource != source) {
        DropThread();
    }
    const bool recording = m_sources.IsRecording(source);
    IWaveInDriver& driver = recording ? static_cast<IWaveInDriver&>(*m_recording) : m_devices;
    const uint32_t deviceId = recording ? 0 : static_cast<uint32_t>(source);
    if (!m_thread) {
        m_channel = m_host.OpenChannel();
        if (m_channel) {
            m_thread.reset(new (std::nothrow)
                               CDecoderThread(driver, m_soundNotifier, m_cpuTimes, m_startThread));
        }
        if (!m_thread || !m_thread->Running()) {
            m_thread.reset();
            m_channel.reset();
            return false;
        }
        m_threadSource = source;
    }
    const ChainSettings chain = m_config.Chain();
    if (m_thread->Start(chain, m_channel.get(), deviceId)) {
        m_started = chain;
        ApplyTuning();
        m_host.StartWatchdog(kWatchdogPeriod);
        return true;
    }
    m_host.ReportStartFailure();
    m_sources.MarkStartFailed();
    // A thread whose start failed keeps its failed sound input; a later
    // start makes a new one.
    DropThread();
    RunFallback();
    return false;
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
    if (m_sources.Confirm() && !m_sources.IsRecording(m_sources.Current())) {
        m_settings.WriteSoundDevice(m_sources.Name(m_sources.Current()));
    }
    m_host.StopWatchdog();
    if (block == nullptr) {
        return std::nullopt;
    }
    return m_tuning.Process(block->Data(), static_cast<size_t>(block->Count()), centre, halfShift);
}

void CDecodingControl::OnWatchdog() {
    m_host.StopWatchdog();
    // A recording that has been played to its end, or is paused, is
    // silent, not broken.
    if (m_sources.IsRecording(m_sources.Current()) && m_recording &&
        (m_recording->Ended() || m_recording->Paused())) {
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
    if (m_thread) {
        m_thread->SetStrictFec(m_config.strictFec);
        m_thread->SetBitSense(m_config.invert);
    }
    ApplyTuning();
}

void CDecodingControl::SetStrictFec(bool strict) {
    m_config.strictFec = strict;
    m_settings.WriteStrictFec(strict);
    if (m_thread) {
        m_thread->SetStrictFec(strict);
    }
}

void CDecodingControl::SetBitSense(bool invert) {
    m_config.invert = invert;
    m_settings.WriteBitSense(invert);
    if (m_thread) {
        m_thread->SetBitSense(invert);
    }
}

void CDecodingControl::SetEnhanced(bool enhanced) {
    m_settings.WriteEnhanced(enhanced);
    if (enhanced == m_config.enhanced) {
        return;
    }
    m_config.enhanced = enhanced;
    // Only a decoder whose chain the switch changes starts again.
    if (m_thread && m_started &&
        UsesWeakSignalChain(m_started->type, enhanced) != m_started->enhanced) {
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
    m_tuning.SetSearch(m_started ? SearchFor(*m_started) : CTuningPolicy::Search::Valley);
    m_tuning.SetAutoTune(m_config.AutoTune());
}

uint64_t CDecodingControl::TenthsOfSecondsLost() const {
    const uint64_t lost = m_devices.SamplesLost() + (m_recording ? m_recording->SamplesLost() : 0);
    return (lost * 10 + kSampleRate - 1) / kSampleRate;
}

bool CDecodingControl::PostToDecoder(Message message) {
    if (message.id == WM_DECODER_TUNE) {
        m_config.centre = static_cast<int32_t>(message.wParam);
    }
    return m_thread && m_thread->PostThreadMessage(std::move(message));
}

void CDecodingControl::Stop() {
    m_stopped = true;
    m_host.StopWatchdog();
    if (m_thread) {
        EndThread();
    }
}

void CDecodingControl::Release() {
    DropThread();
}

void CDecodingControl::EndThread() {
    m_thread->RequestStop();
    m_thread->FinishChain();
    if (m_channel) {
        m_channel->Close();
    }
    m_thread->Shutdown();
}

void CDecodingControl::DropThread() {
    if (m_thread) {
        EndThread();
        m_thread.reset();
    }
    m_channel.reset();
    m_threadSource = -1;
    m_started.reset();
    ApplyTuning();
}

}  // namespace wavelore
