#include "receiver/decoder_thread.h"

#include <fstream>
#include <string>

#include "audio/sound_input.h"
#include "common/chain_quality.h"
#include "common/decoder_text.h"
#include "common/message_ids.h"
#include "common/nothrow.h"
#include "common/sample_block.h"
#include "common/window_target.h"

namespace wavelore {

namespace {

// A message with its payload made without throwing: none when memory is
// short, which the caller takes as a message it cannot give.
template <typename T>
Message MessageWith(uint32_t id, T value) {
    Message message(id, 0, 0);
    message.payload = MakeOrNull<PayloadOf<T>>(std::move(value));
    return message;
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

bool CDecoderThread::Start(const ChainSettings& settings, WindowTarget* notify, uint32_t deviceId) {
    if (settings.type == DecoderType::Fax) {
        // Nothing is demodulated yet; the file is only emptied.
        std::ofstream fax("fax.raw", std::ios::binary | std::ios::trunc);
    }
    if (!m_running) {
        // Nobody would take the device's buffers.
        return false;
    }
    std::lock_guard<std::mutex> lock(m_lock);
    // An unknown type, or a baud the bit clock would divide by zero with,
    // changes nothing.
    auto chain = CReceiveChain::Create(settings);
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

void CDecoderThread::SetStrictFec(bool strict) {
    std::lock_guard<std::mutex> lock(m_lock);
    if (m_chain) {
        m_chain->SetStrictFec(strict);
    }
}

bool CDecoderThread::SetBitSense(bool invert) {
    std::lock_guard<std::mutex> lock(m_lock);
    return m_chain ? m_chain->SetInvert(invert) : false;
}

void CDecoderThread::RequestStop() {
    m_stopRequested.store(true);
}

void CDecoderThread::FinishChain() {
    std::lock_guard<std::mutex> lock(m_lock);
    FinishChainLocked();
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
    std::optional<ChainQuality> quality;
    {
        std::lock_guard<std::mutex> lock(m_lock);
        if (!m_chain) {
            return;
        }
        notify = m_notify;
        quality = m_chain->Quality();
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
    Message message = MessageWith(WM_DECODER_SPECTRUM, std::move(samples));
    if (!message.payload) {
        return;
    }
    SetChainQuality(message, quality);
    notify->Send(message);
    SampleBlock* block = message.Get<SampleBlock>();
    if (block == nullptr || block->Count() != kSamplesPerBuffer) {
        return;  // the handler took what was lent, or kept it at a close
    }

    std::lock_guard<std::mutex> lock(m_lock);
    notify = m_notify;
    if (!m_chain || notify == nullptr) {
        return;
    }
    // The signal takes the samples' place, and the block travels on.
    const ChainOutput output =
        m_chain->Process(block->Data(), static_cast<size_t>(block->Count()), block->Data());
    if (!output.demodulated) {
        return;
    }
    message.id = WM_DECODER_SIGNAL;
    SetChainQuality(message, std::nullopt);
    notify->Post(std::move(message));
    PostTextLocked(output);
}

void CDecoderThread::PostTextLocked(const ChainOutput& output) {
    if (m_notify == nullptr || output.text.empty()) {
        return;
    }
    DecoderText chunk{{}, output.good, output.errors};
    if (!WithoutThrowing([&] { chunk.text.assign(output.text); })) {
        return;
    }
    Message message = MessageWith(WM_DECODER_TEXT, std::move(chunk));
    if (message.payload) {
        m_notify->Post(std::move(message));
    }
}

void CDecoderThread::FinishChainLocked() {
    if (m_chain) {
        PostTextLocked(m_chain->Finish());
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
        PostTextLocked(m_chain->Retune(centre, halfShift));
    }
}

}  // namespace wavelore
