#pragma once

#include <cstdint>
#include <span>

namespace wavelore {

// The search-and-rescue alarm's sound: two beeps a half second, 0.2 s at
// kLowHz then 0.2 s at kHighHz, each followed by 0.05 s of silence, at a
// fixed level, for a bounded time. Two pitches stand out from engine noise
// and from the receiver's own audio better than one. Each beep rises and
// falls over kRampSeconds so that it starts and ends without a click.
class CAlarmTone {
  public:
    static constexpr double kLowHz = 1000.0;
    static constexpr double kHighHz = 1500.0;
    static constexpr double kBeepSeconds = 0.2;
    static constexpr double kGapSeconds = 0.05;
    static constexpr double kRampSeconds = 0.005;
    static constexpr float kLevel = 0.5f;  // of full scale

    // sampleRate: Hz, 8000..192000; seconds: how long it sounds, > 0.
    CAlarmTone(int32_t sampleRate, double seconds);

    // Back to the first sample.
    void Reset() { m_position = 0; }
    // Fills out with the next samples (-kLevel..kLevel); past the end, with
    // silence. Returns how many samples were the tone's.
    size_t Generate(std::span<float> out);
    bool Ended() const { return m_position >= m_total; }

  private:
    float SampleAt(int64_t position) const;

    int32_t m_sampleRate;
    int64_t m_total;
    int64_t m_period;  // samples of one pair of beeps
    int64_t m_position = 0;
};

}  // namespace wavelore
