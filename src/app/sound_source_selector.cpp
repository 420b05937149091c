#include "app/sound_source_selector.h"

#include <algorithm>

#include "audio/wave_in.h"

namespace wavelore {

void CSoundSourceSelector::Build(IWaveInDriver& driver, std::u16string_view storedName) {
    m_items.clear();
    m_hasRecording = false;
    m_remembered.clear();
    m_iqRecording = -1;
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

int32_t CSoundSourceSelector::AddRadio(std::u16string name, bool remembered,
                                       std::u16string_view storedName) {
    // Radios number on after the recording's place, taken or not.
    const int32_t index =
        std::max(m_deviceCount + 1, m_items.empty() ? 0 : m_items.back().index + 1);
    if (remembered) {
        m_remembered.insert(index);
        if (!storedName.empty() && name == storedName) {
            m_current = index;
        }
    }
    m_items.push_back(Item{index, std::move(name)});
    return index;
}

int32_t CSoundSourceSelector::SetIqRecording(std::u16string name) {
    m_failed.erase(m_iqRecording);
    for (Item& item : m_items) {
        if (item.index == m_iqRecording) {
            item.name = std::move(name);
            return m_iqRecording;
        }
    }
    m_iqRecording = AddRadio(std::move(name), false);
    return m_iqRecording;
}

bool CSoundSourceSelector::IsRemembered(int32_t index) const {
    return (index >= 0 && index < m_deviceCount) || m_remembered.count(index) > 0;
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
    int32_t candidate = m_lastConfirmed;
    if (m_lastConfirmed == -1 || m_lastConfirmed == m_current) {
        candidate = m_current + 1;
        if (IsRadio(m_current)) {
            const auto next =
                std::find_if(m_items.begin(), m_items.end(),
                             [this](const Item& item) { return item.index > m_current; });
            candidate = next != m_items.end() ? next->index
                        : m_items.empty()     ? m_current
                                              : m_items.front().index;
        }
    }
    if (candidate != m_current && HasItem(candidate) && m_failed.count(candidate) == 0) {
        return Fallback{true, m_current, candidate};
    }
    return Fallback{false, m_current, m_current};
}

}  // namespace wavelore
