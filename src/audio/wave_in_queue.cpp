#include "audio/wave_in_queue.h"

#include <algorithm>
#include <cstring>

#include "common/message_ids.h"
#include "common/thread_message_queue.h"

namespace wavelore {

MmResult CWaveInQueue::Prepare(WaveHeader& header) {
    if (header.data == nullptr || header.bufferLength == 0 || header.bufferLength % 2 != 0) {
        return MMSYSERR_INVALPARAM;
    }
    if (header.flags & WHDR_INQUEUE) {
        return WAVERR_STILLPLAYING;
    }
    header.flags |= WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MmResult CWaveInQueue::Unprepare(WaveHeader& header) {
    if (header.flags & WHDR_INQUEUE) {
        return WAVERR_STILLPLAYING;
    }
    header.flags &= ~WHDR_PREPARED;
    return MMSYSERR_NOERROR;
}

MmResult CWaveInQueue::Add(WaveHeader& header) {
    if (!(header.flags & WHDR_PREPARED)) {
        return WAVERR_UNPREPARED;
    }
    if (header.flags & WHDR_INQUEUE) {
        return WAVERR_STILLPLAYING;
    }
    header.bytesRecorded = 0;
    header.flags = (header.flags & ~WHDR_DONE) | WHDR_INQUEUE;
    m_queue.push_back(&header);
    return MMSYSERR_NOERROR;
}

int16_t* CWaveInQueue::Space(size_t& samples) {
    if (m_queue.empty()) {
        samples = 0;
        return nullptr;
    }
    WaveHeader* h = m_queue.front();
    samples = (h->bufferLength - h->bytesRecorded) / 2;
    return reinterpret_cast<int16_t*>(h->data + h->bytesRecorded);
}

void CWaveInQueue::Commit(size_t samples) {
    if (m_queue.empty() || samples == 0) {
        return;
    }
    WaveHeader* h = m_queue.front();
    h->bytesRecorded += static_cast<uint32_t>(samples * 2);
    if (h->bytesRecorded >= h->bufferLength) {
        Complete();
    }
}

size_t CWaveInQueue::Write(const int16_t* samples, size_t count) {
    size_t written = 0;
    while (written < count) {
        size_t room = 0;
        int16_t* at = Space(room);
        if (at == nullptr) {
            break;
        }
        size_t n = std::min(room, count - written);
        std::memcpy(at, samples + written, n * sizeof(int16_t));
        written += n;
        Commit(n);
    }
    return written;
}

void CWaveInQueue::PadHead() {
    if (m_queue.empty() || m_queue.front()->bytesRecorded == 0) {
        return;
    }
    WaveHeader* h = m_queue.front();
    std::memset(h->data + h->bytesRecorded, 0, h->bufferLength - h->bytesRecorded);
    h->bytesRecorded = h->bufferLength;
    Complete();
}

void CWaveInQueue::AnnounceEnd() {
    if (m_notify != nullptr) {
        m_notify->Post(Message(WM_SOUND_ENDED, 0, 0));
    }
}

void CWaveInQueue::ReturnAll() {
    while (!m_queue.empty()) {
        Complete();
    }
}

void CWaveInQueue::Complete() {
    WaveHeader* h = m_queue.front();
    m_queue.pop_front();
    h->flags = (h->flags & ~WHDR_INQUEUE) | WHDR_DONE;
    ++m_announced;
    if (m_notify != nullptr) {
        m_notify->Post(
            Message(MM_WIM_DATA, 0, static_cast<int64_t>(reinterpret_cast<intptr_t>(h))));
    }
}

}  // namespace wavelore
