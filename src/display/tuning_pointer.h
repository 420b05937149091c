#pragma once

#include <cstdint>
#include <optional>
#include <vector>

namespace wavelore {

// How a display 0 to 5512 Hz wide turns the pointer into a centre
// frequency: the spectrum strip and the waterfall tune alike through it. A
// press always asks for a frequency and starts a drag; a move asks for one
// only while dragging. The answer is a request: the display's tuning moves
// only when the host sets it.
class CTuningPointer {
  public:
    // A press at x on a display `width` pixels wide; halfShift: Hz, half
    // the distance between the tones. Without width nothing is asked.
    std::optional<int32_t> OnLeftButtonDown(int32_t x, int32_t y, int32_t width, int32_t halfShift);
    // fine: the Ctrl key, which moves the tuning 1 Hz per 5 pixels from the
    // press point instead of following the pointer.
    std::optional<int32_t> OnMouseMove(int32_t x, bool fine, int32_t width, int32_t halfShift);
    // Button release and loss of the mouse capture.
    void OnLeftButtonUp() { m_dragging = false; }
    bool Dragging() const { return m_dragging; }
    int32_t PressX() const { return m_pressX; }
    int32_t PressY() const { return m_pressY; }

    // A centre frequency (Hz, truncated) kept so that both tones stay
    // inside 1 to 5511 Hz: from Lowest to Highest.
    static int32_t Clamp(float frequency, int32_t halfShift);
    static int32_t Lowest(int32_t halfShift) { return halfShift + 1; }
    static int32_t Highest(int32_t halfShift);

  private:
    bool m_dragging = false;
    int32_t m_pressX = 0;
    int32_t m_pressY = 0;
};

// A tick of the frequency scale under a display: every 100 Hz up to 5500,
// the major ones at each 1000 Hz.
struct FrequencyTick {
    int32_t x = 0;
    int32_t frequency = 0;  // Hz
    bool major = false;
};
std::vector<FrequencyTick> FrequencyTicks(int32_t width);

}  // namespace wavelore
