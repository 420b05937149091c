#include "audio/sound_input.h"

#include "common/user_notifier.h"

namespace wavelore {

CSoundInput::CSoundInput(IWaveInDriver& driver, CThreadMessageQueue& owner, IUserNotifier& notifier)
    : m_driver(driver), m_owner(owner), m_notifier(notifier) {}

CSoundInput::~CSoundInput() {
    if (m_device) {
        m_device->Reset();
        m_device->UnprepareHeader(m_header1);
        m_device->UnprepareHeader(m_header2);
        m_device->Close();
    }
}

MmResult CSoundInput::Open(uint32_t deviceId) {
    if (m_driver.GetNumDevs() == 0) {
        m_notifier.ShowText({texts::kNoSoundDevice});
        return MMSYSERR_NOERROR;
    }
    MmResult r = m_driver.GetDevCaps(deviceId, m_caps);
    if (r != MMSYSERR_NOERROR) {
        m_notifier.ShowText({texts::kGetDevCapsFailed});
        return r;
    }
    // The receiver's one rate: a device captures at it or is converted to
    // it, and a recording at another rate is refused.
    m_format = WaveFormat{};
    r = m_driver.Open(deviceId, m_format, &m_owner, m_device);
    if (r != MMSYSERR_NOERROR) {
        m_device.reset();
        m_notifier.ShowText({texts::kOpenFailed});
        return r;
    }
    m_header1 = WaveHeader{reinterpret_cast<char*>(m_buffer1.data()), kBufferBytes, 0, 0};
    m_header2 = WaveHeader{reinterpret_cast<char*>(m_buffer2.data()), kBufferBytes, 0, 0};
    m_nextIsBuffer1 = true;

    r = m_device->PrepareHeader(m_header1);
    if (r != MMSYSERR_NOERROR || m_header1.flags != WHDR_PREPARED) {
        m_notifier.ShowText({texts::kPrepareHeader1Failed});
        return r != MMSYSERR_NOERROR ? r : MMSYSERR_ERROR;
    }
    r = m_device->PrepareHeader(m_header2);
    if (r != MMSYSERR_NOERROR || m_header2.flags != WHDR_PREPARED) {
        m_notifier.ShowText({texts::kPrepareHeader2Failed});
        return r != MMSYSERR_NOERROR ? r : MMSYSERR_ERROR;
    }
    r = m_device->AddBuffer(m_header1);
    if (r != MMSYSERR_NOERROR) {
        m_notifier.ShowText({texts::kAddBuffer1Failed});
        return r;
    }
    r = m_device->AddBuffer(m_header2);
    if (r != MMSYSERR_NOERROR) {
        m_notifier.ShowText({texts::kAddBuffer2Failed});
        return r;
    }
    r = m_device->Start();
    if (r != MMSYSERR_NOERROR) {
        m_notifier.ShowText({texts::kStartFailed});
        return r;
    }
    m_started = true;
    return MMSYSERR_NOERROR;
}

MmResult CSoundInput::Requeue() {
    if (!m_device) {
        return MMSYSERR_INVALHANDLE;
    }
    const bool first = m_nextIsBuffer1;
    m_current = first ? m_buffer1 : m_buffer2;
    MmResult r = m_device->AddBuffer(first ? m_header1 : m_header2);
    if (r != MMSYSERR_NOERROR) {
        m_notifier.ShowText({first ? texts::kAddBuffer1Failed : texts::kAddBuffer2Failed});
        return r;
    }
    m_nextIsBuffer1 = !first;
    return MMSYSERR_NOERROR;
}

MmResult CSoundInput::Restart() {
    return m_device ? m_device->Start() : MMSYSERR_INVALHANDLE;
}

MmResult CSoundInput::Reset() {
    return m_device ? m_device->Reset() : MMSYSERR_INVALHANDLE;
}

}  // namespace wavelore
