#include "signal/decoder_thread.h"

#include <fstream>
#include <new>
#include <string>

#include "common/decoder_text.h"
#include "common/message_ids.h"
#include "common/modes.h"
#include "common/sample_block.h"
#include "common/window_target.h"
#include "signal/amtor_decoder.h"
#include "signal/dpsk_demodulator.h"
#include "signal/fsk_demodulator.h"
#include "signal/navtex_j_decoder.h"
#include "signal/sitor_b_decoder.h"
#include "signal/sound_input.h"
#include "signal/start_stop_decoder.h"

namespace wavelore {

namespace {

template <typename T, typename... Args>
std::unique_ptr<T> MakeOrNull(Args&&... args) {
    return std::unique_ptr<T>(new (std::nothrow) T(std::forward<Args>(args)...));
}

bool HasFsk(int32_t type) {
    return type == 1 || type == 2 || type == 4 || type == 6;
}

}  // namespace

CDecoderThread::CDecoderThread(IWaveInDriver& driver, IUserNotifier& notifier,
                               ICpuTimesSource* cpuTimes)
    : m_driver(driver), m_notifier(notifier), m_loadMonitor(cpuTimes) {
    m_thread = std::thread([this] { Run(); });
}

CDecoderThread::~CDecoderThread() {
    Shutdown();
    std::lock_guard<std::mutex> lock(m_lock);
    m_fsk.reset();
    m_dpsk.reset();
    m_decoder.reset();
    m_soundInput.reset();
}

bool CDecoderThread::Start(int32_t sampleRate, int32_t centre, int32_t halfShift, int32_t baud,
                           int32_t decoderType, WindowTarget* notify, uint32_t deviceId) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (decoderType < 1 || decoderType > 6) {
        return false;
    }
    // The bit clock divides by both; a zero would bring the thread down.
    if (sampleRate <= 0 || (decoderType != 3 && baud <= 0)) {
        return false;
    }
    m_sampleRate = sampleRate;
    m_centre = centre;
    m_halfShift = halfShift;
    m_baud = baud;
    m_notify = notify;

    m_dpsk.reset();
    m_fsk.reset();
    m_decoderType = decoderType;
    if (decoderType == 2) {
        m_baud *= 2;
    }
    if (HasFsk(decoderType)) {
        m_fsk = MakeOrNull<CFskDemodulator>(m_sampleRate, double(centre + halfShift),
                                            double(centre - halfShift), m_baud);
    } else if (decoderType == 5) {
        m_dpsk = MakeOrNull<CDpskDemodulator>(m_sampleRate, centre, m_baud);
    }

    m_decoder.reset();
    const auto rate = static_cast<uint32_t>(m_sampleRate);
    const auto bps = static_cast<uint32_t>(m_baud);
    switch (decoderType) {
        case 1:
            m_decoder = MakeOrNull<CSitorBDecoder>(rate, bps);
            break;
        case 2:
        case 5:
            m_decoder = MakeOrNull<CStartStopDecoder>(rate, bps);
            break;
        case 4:
            m_decoder = MakeOrNull<CAmtorDecoder>(rate, bps);
            break;
        case 6:
            m_decoder = MakeOrNull<CNavtexJDecoder>(rate, bps);
            break;
        default:
            break;
    }

    if (m_soundInput) {
        // A mode change: capture keeps running on the open device. A sound
        // input whose opening failed stays failed.
        return m_captureRunning;
    }
    m_soundInput = MakeOrNull<CSoundInput>(m_driver, m_queue, m_notifier);
    if (!m_soundInput) {
        m_decoder.reset();
        return false;
    }
    if (m_soundInput->Open(deviceId) != MMSYSERR_NOERROR ||
        m_soundInput->Restart() != MMSYSERR_NOERROR) {
        m_decoder.reset();
        return false;
    }
    m_captureRunning = true;
    return true;
}

bool CDecoderThread::StartFax(int32_t sampleRate, int32_t centre, int32_t halfShift,
                              double /*linesPerMinute*/, WindowTarget* notify, uint32_t deviceId) {
    // Nothing is demodulated yet; the file is only emptied.
    { std::ofstream fax("fax.raw", std::ios::binary | std::ios::trunc); }
    return Start(sampleRate, centre, halfShift, 0, 3, notify, deviceId);
}

void CDecoderThread::SetStrictFec(bool strict) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_decoder) {
        m_decoder->SetStrictFec(strict);
    }
}

bool CDecoderThread::SetBitSense(bool invert) {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_fsk ? m_fsk->SetInvert(invert) : false;
}

void CDecoderThread::RequestStop() {
    m_stopRequested.store(true);
}

bool CDecoderThread::PostThreadMessage(Message message) {
    return m_queue.Post(std::move(message));
}

bool CDecoderThread::PostTune(int32_t centre, int32_t halfShift) {
    return m_queue.Post(Message(WM_DECODER_TUNE, centre, halfShift));
}

void CDecoderThread::Shutdown() {
    RequestStop();
    m_queue.Close();
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void CDecoderThread::Run() {
    Message message;
    while (m_queue.Get(message)) {
        if (message.id == MM_WIM_DATA) {
            ProcessBuffer();
        } else if (message.id == WM_DECODER_TUNE) {
            Retune(static_cast<int32_t>(message.wParam), static_cast<int32_t>(message.lParam));
        }
        message = Message();
    }
}

void CDecoderThread::ProcessBuffer() {
    CSoundInput* input = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        input = m_soundInput.get();
    }
    // The sound input is never replaced while the thread runs.
    if (input != nullptr) {
        if (!m_stopRequested.load()) {
            m_capturing.store(true);
            input->Requeue();
            ProcessCurrent(*input);
        } else if (m_capturing.load() && input->Reset() == MMSYSERR_NOERROR) {
            m_capturing.store(false);
        }
    }
    PostLoad();
}

void CDecoderThread::ProcessCurrent(CSoundInput& input) {
    WindowTarget* notify = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (m_decoderType != 3 && !m_decoder) {
            return;
        }
        notify = m_notify;
    }
    if (notify == nullptr) {
        return;
    }
    SampleBlock samples(nullptr, kSamplesPerBuffer);
    if (samples.Empty()) {
        return;
    }
    const int16_t* raw = input.CurrentSamples();
    for (int32_t i = 0; i < kSamplesPerBuffer; ++i) {
        samples[i] = raw[i] * kSampleScale;
    }
    Message spectrum = Message::With(WM_DECODER_SPECTRUM, 0, 0, std::move(samples));
    notify->Send(spectrum);
    SampleBlock* block = spectrum.Get<SampleBlock>();
    if (block == nullptr || block->Count() != kSamplesPerBuffer) {
        return;  // the handler took what was lent
    }

    std::lock_guard<std::mutex> lock(m_lock);
    notify = m_notify;
    const int32_t type = m_decoderType;
    if (type == 3 || notify == nullptr) {
        return;
    }
    SampleBlock output;
    if (HasFsk(type) && m_fsk) {
        output = m_fsk->Process(*block);
    }
    spectrum = Message();
    if (output.Empty() || !m_decoder) {
        return;
    }
    std::u16string text = m_decoder->Decode(output);
    notify->Post(Message::With(WM_DECODER_SIGNAL, 0, 0, std::move(output)));
    if (HasFsk(type) && !text.empty()) {
        DecoderText chunk{std::move(text), m_decoder->GoodCount(), m_decoder->ErrorCount()};
        m_decoder->ResetCounts();
        notify->Post(Message::With(WM_DECODER_TEXT, 0, 0, std::move(chunk)));
    }
}

void CDecoderThread::PostLoad() {
    const int32_t load = m_loadMonitor.Sample();
    WindowTarget* notify = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        notify = m_notify;
    }
    if (notify != nullptr) {
        notify->Post(Message(WM_DECODER_CPULOAD, load, 0));
    }
}

void CDecoderThread::Retune(int32_t centre, int32_t halfShift) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_centre = centre;
    m_halfShift = halfShift;
    if (m_decoderType == 5) {
        if (m_dpsk) {
            m_dpsk->SetFrequency(centre);
        }
    } else if (HasFsk(m_decoderType) && m_fsk) {
        m_fsk->SetTones(m_sampleRate, double(centre + halfShift), double(centre - halfShift));
    }
}

}  // namespace wavelore
