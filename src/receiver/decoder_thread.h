#pragma once

#include <atomic>
#include <cstdint>
#include <memory>
#include <mutex>
#include <thread>

#include "common/message.h"
#include "common/start_thread.h"
#include "common/thread_message_queue.h"
#include "receiver/cpu_load_monitor.h"
#include "receiver/receive_chain.h"

namespace wavelore {

class CSoundInput;
class IUserNotifier;
class IWaveInDriver;
class WindowTarget;

// The receiver's spine: a worker thread with its own message queue that
// turns every filled sound buffer into up to four messages for the notify
// target, in this order: WM_DECODER_SPECTRUM (sent, synchronously; the block
// stays the thread's; the weak-signal chain's figures after the buffer
// before ride along, see ChainQualityOf), WM_DECODER_SIGNAL (the demodulated block),
// WM_DECODER_TEXT (a DecoderText, only when text came out) and
// WM_DECODER_CPULOAD (wParam the load in percent). Nothing on the way
// allocates with a call that throws: a buffer memory cannot be had for is
// skipped, and the thread goes on.
//
// Thread messages: MM_WIM_DATA from the sound input, WM_SOUND_ENDED from a
// recording played to its end, WM_DECODER_TUNE (wParam centre Hz, lParam
// half shift Hz) from the main window.
//
// What the chain holds back for its lookahead is given out (as
// WM_DECODER_TEXT) when a recording ends, before WM_DECODER_ENDED; when a
// stop takes effect, before Capturing() turns false; when a new start
// replaces the chain; and when FinishChain asks for it. A retune that makes
// the chain decode its last seconds again (CReceiveChain::Retune) gives out
// that text at once.
//
// One lock guards the demodulators, the decoder and the configuration;
// WM_DECODER_SPECTRUM is sent outside it, so its handler may call Start.
class CDecoderThread {
  public:
    // driver: the sound devices. notifier: shows sound errors to the user.
    // cpuTimes: processor times for the load figure; null reads /proc/stat.
    // All three must outlive the object. startThread: how the thread is
    // made. The thread starts here; when it cannot be made, Running() is
    // false and every Start fails.
    CDecoderThread(IWaveInDriver& driver, IUserNotifier& notifier,
                   ICpuTimesSource* cpuTimes = nullptr, ThreadStarter startThread = StartThread);
    // Shutdown, then releases the demodulators, the decoder and the sound
    // input (which closes the device).
    ~CDecoderThread();
    CDecoderThread(const CDecoderThread&) = delete;
    CDecoderThread& operator=(const CDecoderThread&) = delete;

    // The chain settings say what to decode (CReceiveChain::Create);
    // notify must outlive the thread; deviceId a wave-input device. True
    // when configured and capture is running; false without touching
    // anything when the chain cannot be made or the thread did not start.
    // A mode change while capturing keeps the device open. FAX empties
    // "fax.raw" in the current directory first.
    bool Start(const ChainSettings& settings, WindowTarget* notify, uint32_t deviceId);
    void SetStrictFec(bool strict);
    // Sets the demodulator's invert flag; returns the previous one (false
    // when there is no demodulator).
    bool SetBitSense(bool invert);
    // The next buffer resets the device; from then on buffers only yield
    // WM_DECODER_CPULOAD. Never cleared.
    void RequestStop();
    // Gives out what the chain holds back, now, from the calling thread:
    // before the notify target is closed, so that it arrives.
    void FinishChain();

    // Queues a thread message (MM_WIM_DATA, WM_DECODER_TUNE).
    bool PostThreadMessage(Message message);
    // The main window's retune, after it has clamped the centre.
    bool PostTune(int32_t centre, int32_t halfShift);

    // Ends the thread: requests a stop, closes the queue and joins. A
    // synchronous send to the notify target that is pending at that moment
    // must be released by the target (CQueueWindowTarget::Close, or a main
    // window that refuses sends once it is closing); then this returns
    // within one buffer's processing. Idempotent.
    void Shutdown();

    // False when the thread could not be made, and after Shutdown.
    bool Running() const { return m_running.load(); }
    bool Capturing() const { return m_capturing.load(); }
    bool StopRequested() const { return m_stopRequested.load(); }

  private:
    void Run();
    void ProcessBuffer();
    void ProcessCurrent(CSoundInput& input);
    void Retune(int32_t centre, int32_t halfShift);
    void PostLoad();
    // The end of a recording: what the chain holds back, then
    // WM_DECODER_ENDED.
    void EndOfInput();
    // Gives out what the chain holds back. Called with m_lock held.
    void FinishChainLocked();
    // Posts the chain's text, if any, to the notify target. Called with
    // m_lock held.
    void PostTextLocked(const ChainOutput& output);

    IWaveInDriver& m_driver;
    IUserNotifier& m_notifier;
    CThreadMessageQueue m_queue;

    std::atomic<bool> m_running{false};
    std::atomic<bool> m_capturing{false};
    std::atomic<bool> m_stopRequested{false};

    mutable std::mutex m_lock;
    std::unique_ptr<CSoundInput> m_soundInput;
    bool m_captureRunning = false;
    CCpuLoadMonitor m_loadMonitor;
    WindowTarget* m_notify = nullptr;
    std::unique_ptr<CReceiveChain> m_chain;

    std::thread m_thread;
};

}  // namespace wavelore
