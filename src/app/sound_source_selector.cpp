#include "app/sound_source_selector.h"

#include <algorithm>

#include "audio/wave_in.h"

namespace wavelore {

void CSoundSourceSelector::Build(IWaveInDriver& driver, std::u16string_view storedName) {
    m_items.clear();
    m_hasRecording = false;
    m_failed.clear();
    m_current = 0;
    m_lastConfirmed = -1;
    const uint32_t count = driver.GetNumDevs();
    m_deviceCount = static_cast<int32_t>(std::min<uint32_t>(count, INT32_MAX));
    for (int32_t i = 0; i < m_deviceCount; ++i) {
        WaveInCaps caps;
        if (driver.GetDevCaps(static_cast<uint32_t>(i), caps) != MMSYSERR_NOERROR) {
            continue;
        }
        if (caps.productName == storedName) {
            m_current = i;
        }
        m_items.push_back(Item{i, caps.productName});
    }
}

int32_t CSoundSourceSelector::SetRecording(std::u16string name) {
    if (m_hasRecording) {
        m_items.back().name = std::move(name);
    } else {
        m_items.push_back(Item{m_deviceCount, std::move(name)});
        m_hasRecording = true;
    }
    // A new recording has not failed yet.
    m_failed.erase(m_deviceCount);
    return m_deviceCount;
}

bool CSoundSourceSelector::HasItem(int32_t index) const {
    return std::any_of(m_items.begin(), m_items.end(),
                       [index](const Item& item) { return item.index == index; });
}

std::u16string CSoundSourceSelector::Name(int32_t index) const {
    for (const Item& item : m_items) {
        if (item.index == index) {
            return item.name;
        }
    }
    return {};
}

bool CSoundSourceSelector::Choose(int32_t index) {
    if (!HasItem(index)) {
        return false;
    }
    m_current = index;
    return true;
}

bool CSoundSourceSelector::Confirm() {
    m_failed.clear();
    if (m_current == m_lastConfirmed) {
        return false;
    }
    m_lastConfirmed = m_current;
    return true;
}

CSoundSourceSelector::Fallback CSoundSourceSelector::ChooseFallback() const {
    const int32_t sources = m_deviceCount + (m_hasRecording ? 1 : 0);
    int32_t candidate = m_lastConfirmed;
    if ((m_lastConfirmed == -1 || m_lastConfirmed == m_current) && m_current < sources) {
        candidate = m_current + 1;
    }
    if (candidate != m_current && HasItem(candidate) && m_failed.count(candidate) == 0) {
        return Fallback{true, m_current, candidate};
    }
    return Fallback{false, m_current, m_current};
}

}  // namespace wavelore
