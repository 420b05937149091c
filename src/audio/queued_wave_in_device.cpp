#include "audio/queued_wave_in_device.h"

namespace wavelore {

MmResult CQueuedWaveInDevice::PrepareHeader(WaveHeader& header) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed ? MMSYSERR_INVALHANDLE : Queue().Prepare(header);
}

MmResult CQueuedWaveInDevice::UnprepareHeader(WaveHeader& header) {
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_closed ? MMSYSERR_INVALHANDLE : Queue().Unprepare(header);
}

MmResult CQueuedWaveInDevice::AddBuffer(WaveHeader& header) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed) {
        return MMSYSERR_INVALHANDLE;
    }
    const MmResult r = Queue().Add(header);
    m_changed.notify_all();
    return r;
}

MmResult CQueuedWaveInDevice::Start() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed) {
        return MMSYSERR_INVALHANDLE;
    }
    SetStarted(true);
    m_changed.notify_all();
    return MMSYSERR_NOERROR;
}

MmResult CQueuedWaveInDevice::Reset() {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_closed) {
        return MMSYSERR_INVALHANDLE;
    }
    ResetLocked();
    return MMSYSERR_NOERROR;
}

void CQueuedWaveInDevice::ResetLocked() {
    SetStarted(false);
    Queue().ReturnAll();
    m_changed.notify_all();
}

}  // namespace wavelore
