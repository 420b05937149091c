// The alarm tone's samples: its pitches, gaps, level and length, the same
// in any block size, and no click at a beep's edges.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "audio/alarm_tone.h"

namespace wavelore {
namespace {

std::vector<float> Samples(CAlarmTone& tone, size_t count, size_t block) {
    std::vector<float> out(count);
    for (size_t at = 0; at < count; at += block) {
        tone.Generate(std::span<float>(out).subspan(at, std::min(block, count - at)));
    }
    return out;
}

// Rising zero crossings per second in [from, to).
double Pitch(const std::vector<float>& s, size_t from, size_t to, int rate) {
    int crossings = 0;
    for (size_t i = from + 1; i < to; ++i) {
        crossings += s[i - 1] < 0.0f && s[i] >= 0.0f;
    }
    return crossings * static_cast<double>(rate) / static_cast<double>(to - from);
}

TEST(AlarmTone, TwoPitchesWithGapsAtOneLevelForItsTimeInAnyBlockSize) {
    constexpr int kRate = 48000;
    CAlarmTone tone(kRate, 1.0);
    const std::vector<float> s = Samples(tone, kRate + 1000, 4096);
    EXPECT_TRUE(tone.Ended());

    // Low beep 0-0.2 s, gap, high beep 0.25-0.45 s, gap; then again.
    const auto at = [](double seconds) { return static_cast<size_t>(seconds * kRate); };
    EXPECT_NEAR(Pitch(s, at(0.01), at(0.19), kRate), CAlarmTone::kLowHz, 10);
    EXPECT_NEAR(Pitch(s, at(0.26), at(0.44), kRate), CAlarmTone::kHighHz, 10);
    EXPECT_NEAR(Pitch(s, at(0.51), at(0.69), kRate), CAlarmTone::kLowHz, 10);
    float peak = 0.0f;
    for (size_t i = 0; i < s.size(); ++i) {
        peak = std::max(peak, std::fabs(s[i]));
        const double t = std::fmod(static_cast<double>(i) / kRate, 0.25);
        if (t >= 0.2 || i >= static_cast<size_t>(kRate)) {
            ASSERT_EQ(s[i], 0.0f) << i;  // the gaps, and after the end
        }
    }
    EXPECT_NEAR(peak, CAlarmTone::kLevel, 0.01);
    // Each beep starts and ends at nothing, rising over its ramp.
    EXPECT_EQ(s[0], 0.0f);
    EXPECT_LT(std::fabs(s[at(0.2) - 1]), 0.001f);
    EXPECT_LT(std::fabs(s[at(0.001)]), 0.1f);

    // Cut into other blocks, from the start again: the same samples.
    tone.Reset();
    EXPECT_EQ(Samples(tone, s.size(), 7), s);
}

}  // namespace
}  // namespace wavelore
