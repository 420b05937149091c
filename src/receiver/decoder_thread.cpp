#include "receiver/decoder_thread.h"

#include <fstream>
#include <new>
#include <string>

#include "audio/sound_input.h"
#include "common/decoder_text.h"
#include "common/message_ids.h"
#include "common/modes.h"
#include "common/sample_block.h"
#include "common/window_target.h"
#include "receiver/receive_chain.h"

namespace wavelore {

namespace {

template <typename T, typename... Args>
std::unique_ptr<T> MakeOrNull(Args&&... args) {
    return std::unique_ptr<T>(new (std::nothrow) T(std::forward<Args>(args)...));
}

}  // namespace

CDecoderThread::CDecoderThread(IWaveInDriver& driver, IUserNotifier& notifier,
                               ICpuTimesSource* cpuTimes, ThreadStarter startThread)
    : m_driver(driver), m_notifier(notifier), m_loadMonitor(cpuTimes) {
    m_running = startThread(m_thread, [this] { Run(); });
}

CDecoderThread::~CDecoderThread() {
    Shutdown();
    std::lock_guard<std::mutex> lock(m_lock);
    m_chain.reset();
    m_soundInput.reset();
}

bool CDecoderThread::Start(int32_t sampleRate, int32_t centre, int32_t halfShift, int32_t baud,
                           int32_t decoderType, WindowTarget* notify, uint32_t deviceId) {
    if (!m_running) {
        // Nobody would take the device's buffers.
        return false;
    }
    std::lock_guard<std::mutex> lock(m_lock);
    // An unknown type, or a rate or baud the bit clock would divide by
    // zero with, changes nothing.
    auto chain = CReceiveChain::Create(ChainSettings{
        static_cast<DecoderType>(decoderType), sampleRate, centre, halfShift, baud, m_enhanced});
    if (!chain) {
        return false;
    }
    // The chain replaced gives out what it held back first.
    FinishChainLocked();
    m_chain = std::move(chain);
    m_notify = notify;

    if (m_soundInput) {
        // A mode change: capture keeps running on the open device. A sound
        // input whose opening failed stays failed.
        return m_captureRunning;
    }
    m_soundInput = MakeOrNull<CSoundInput>(m_driver, m_queue, m_notifier);
    if (!m_soundInput) {
        m_chain.reset();
        return false;
    }
    if (m_soundInput->Open(deviceId) != MMSYSERR_NOERROR ||
        m_soundInput->Restart() != MMSYSERR_NOERROR) {
        m_chain.reset();
        return false;
    }
    m_captureRunning = true;
    return true;
}

bool CDecoderThread::StartFax(int32_t sampleRate, int32_t centre, int32_t halfShift,
                              double /*linesPerMinute*/, WindowTarget* notify, uint32_t deviceId) {
    // Nothing is demodulated yet; the file is only emptied.
    { std::ofstream fax("fax.raw", std::ios::binary | std::ios::trunc); }
    return Start(sampleRate, centre, halfShift, 0, static_cast<int32_t>(DecoderType::Fax), notify,
                 deviceId);
}

void CDecoderThread::SetStrictFec(bool strict) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_chain) {
        m_chain->SetStrictFec(strict);
    }
}

void CDecoderThread::SetEnhanced(bool enhanced) {
    std::lock_guard<std::mutex> lock(m_lock);
    m_enhanced = enhanced;
}

bool CDecoderThread::EnhancedChain() const {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_chain && m_chain->Enhanced() != nullptr;
}

bool CDecoderThread::SetBitSense(bool invert) {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_chain ? m_chain->SetInvert(invert) : false;
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
    m_running = false;
    if (m_thread.joinable()) {
        m_thread.join();
    }
}

void CDecoderThread::Run() {
    Message message;
    while (m_queue.Get(message)) {
        if (message.id == MM_WIM_DATA) {
            ProcessBuffer();
        } else if (message.id == WM_SOUND_ENDED) {
            EndOfInput();
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
            {
                std::lock_guard<std::mutex> lock(m_lock);
                FinishChainLocked();
            }
            m_capturing.store(false);
        }
    }
    PostLoad();
}

void CDecoderThread::ProcessCurrent(CSoundInput& input) {
    WindowTarget* notify = nullptr;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_chain) {
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
    if (!m_chain || notify == nullptr) {
        return;
    }
    ChainOutput output = m_chain->Process(*block);
    spectrum = Message();
    if (output.signal.Empty()) {
        return;
    }
    notify->Post(Message::With(WM_DECODER_SIGNAL, 0, 0, std::move(output.signal)));
    PostTextLocked(output);
}

void CDecoderThread::PostTextLocked(ChainOutput& output) {
    if (m_notify != nullptr && !output.text.empty()) {
        DecoderText chunk{std::move(output.text), output.good, output.errors};
        m_notify->Post(Message::With(WM_DECODER_TEXT, 0, 0, std::move(chunk)));
    }
}

void CDecoderThread::FinishChainLocked() {
    if (m_chain) {
        ChainOutput output = m_chain->Finish();
        PostTextLocked(output);
    }
}

void CDecoderThread::EndOfInput() {
    std::lock_guard<std::mutex> lock(m_lock);
    FinishChainLocked();
    if (m_notify != nullptr) {
        m_notify->Post(Message(WM_DECODER_ENDED, 0, 0));
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
    if (m_chain) {
        ChainOutput output = m_chain->Retune(centre, halfShift);
        PostTextLocked(output);
    }
}

}  // namespace wavelore
