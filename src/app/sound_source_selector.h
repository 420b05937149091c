#pragma once

#include <cstdint>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace wavelore {

class IWaveInDriver;

// The "Sound source" menu's state: the sound input devices (command
// 500 + device index), optionally a recording played as one more source
// after them, then the radios (SDRs, and an IQ recording); the current
// source and the last one that delivered audio; and the rule that picks
// another source when the current one fails.
class CSoundSourceSelector {
  public:
    static constexpr int32_t kFirstCommand = 500;

    struct Item {
        int32_t index;
        std::u16string name;
    };

    // What to do when the current source failed to start or to deliver.
    struct Fallback {
        bool switchSource;  // false: no source is left, decoding cannot continue
        int32_t from;
        int32_t to;  // the source to switch to, when switchSource
    };

    // Lists the driver's devices: one item for each device whose
    // capabilities can be read. The device named storedName becomes
    // current, device 0 otherwise. Nothing is confirmed yet.
    void Build(IWaveInDriver& driver, std::u16string_view storedName);
    // Adds the recording as the source after the devices, or renames it;
    // returns its index.
    int32_t SetRecording(std::u16string name);

    // A radio after the devices and the recording; returns its index.
    // remembered: an SDR, whose name is stored when it delivers; it becomes
    // current when its name is the stored one.
    int32_t AddRadio(std::u16string name, bool remembered, std::u16string_view storedName = {});
    // The IQ recording as the last radio, added or renamed; returns its
    // index.
    int32_t SetIqRecording(std::u16string name);

    // Menu items in order: the devices, the recording, the radios.
    const std::vector<Item>& Items() const { return m_items; }
    bool HasItem(int32_t index) const;
    // The item's name; empty when there is none.
    std::u16string Name(int32_t index) const;
    // Devices the driver reported (the recording not counted).
    int32_t DeviceCount() const { return m_deviceCount; }
    bool IsRecording(int32_t index) const { return m_hasRecording && index == m_deviceCount; }
    int32_t RecordingIndex() const { return m_hasRecording ? m_deviceCount : -1; }
    bool IsRadio(int32_t index) const { return index > m_deviceCount && HasItem(index); }
    // A device or an SDR: its name is stored once it delivers.
    bool IsRemembered(int32_t index) const;

    int32_t Current() const { return m_current; }
    // -1 until a source delivered audio.
    int32_t LastConfirmed() const { return m_lastConfirmed; }

    // A Sound source command: index becomes current. False when it has no item.
    bool Choose(int32_t index);
    // The current source delivered a buffer. True when that confirms a
    // source other than the last confirmed one (its name is then stored).
    bool Confirm();
    // The current source could not be started. Such a source is not chosen
    // again by the fallback until audio comes, or two dead sources would
    // hand the receiver to each other without end (and without pause).
    void MarkStartFailed() { m_failed.insert(m_current); }
    // The current source failed: the next source when nothing or the
    // current source was confirmed, else the last confirmed source. After
    // the last radio comes the first source again: a radio unplugged falls
    // back to the sound card.
    Fallback ChooseFallback() const;

  private:
    std::vector<Item> m_items;
    int32_t m_deviceCount = 0;
    bool m_hasRecording = false;
    std::set<int32_t> m_remembered;  // the SDRs
    int32_t m_iqRecording = -1;
    int32_t m_current = 0;
    int32_t m_lastConfirmed = -1;
    std::set<int32_t> m_failed;  // start failures since the last confirmation
};

}  // namespace wavelore
