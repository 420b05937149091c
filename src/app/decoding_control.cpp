#include "app/decoding_control.h"

#include <filesystem>
#include <new>

#include "app/settings.h"
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
    m_sources.Choose(m_sources.SetRecording(name));
    return true;
}

bool CDecodingControl::StartDecoder(DecoderType type, int32_t centre, int32_t halfShift,
                                    int32_t baud) {
    if (m_stopped) {
        return false;
    }
    const int32_t source = m_sources.Current();
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
    m_thread->SetEnhanced(m_enhanced);
    const bool started =
        type == DecoderType::Fax
            ? m_thread->StartFax(kSampleRate, centre, halfShift, kFaxLinesPerMinute,
                                 m_channel.get(), deviceId)
            : m_thread->Start(kSampleRate, centre, halfShift, baud, static_cast<int32_t>(type),
                              m_channel.get(), deviceId);
    if (started) {
        m_started = type;
        m_thread->SetStrictFec(m_strictFec);
        m_thread->SetBitSense(m_bitSense);
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

void CDecodingControl::OnSpectrum() {
    if (m_sources.Confirm() && !m_sources.IsRecording(m_sources.Current())) {
        m_settings.WriteSoundDevice(m_sources.Name(m_sources.Current()));
    }
    m_host.StopWatchdog();
}

void CDecodingControl::OnWatchdog() {
    m_host.StopWatchdog();
    // A recording that has been played to its end is silent, not broken.
    if (m_sources.IsRecording(m_sources.Current()) && m_recording && m_recording->Ended()) {
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

void CDecodingControl::SetStrictFec(bool strict) {
    m_strictFec = strict;
    if (m_thread) {
        m_thread->SetStrictFec(strict);
    }
}

void CDecodingControl::SetBitSense(bool invert) {
    m_bitSense = invert;
    if (m_thread) {
        m_thread->SetBitSense(invert);
    }
}

void CDecodingControl::SetEnhanced(bool enhanced) {
    if (enhanced == m_enhanced) {
        return;
    }
    m_enhanced = enhanced;
    if (m_thread && m_started == DecoderType::SitorB) {
        m_host.RestartDecoding();
    }
}

bool CDecodingControl::EnhancedChain() const {
    return m_thread && m_thread->EnhancedChain();
}

uint64_t CDecodingControl::TenthsOfSecondsLost() const {
    const uint64_t lost = m_devices.SamplesLost() + (m_recording ? m_recording->SamplesLost() : 0);
    return (lost * 10 + kSampleRate - 1) / kSampleRate;
}

bool CDecodingControl::PostToDecoder(Message message) {
    return m_thread && m_thread->PostThreadMessage(std::move(message));
}

void CDecodingControl::Stop() {
    m_stopped = true;
    m_host.StopWatchdog();
    if (!m_thread) {
        return;
    }
    m_thread->RequestStop();
    if (m_channel) {
        m_channel->Close();
    }
    m_thread->Shutdown();
}

void CDecodingControl::Release() {
    DropThread();
}

void CDecodingControl::DropThread() {
    if (m_thread) {
        m_thread->RequestStop();
        if (m_channel) {
            m_channel->Close();
        }
        m_thread->Shutdown();
        m_thread.reset();
    }
    m_channel.reset();
    m_threadSource = -1;
    m_started.reset();
}

}  // namespace wavelore
