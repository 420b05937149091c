#pragma once

#include <cstdint>
#include <functional>
#include <optional>

#include "common/message.h"

namespace wavelore {

// The main window's tuning: the one place where a retune request (a click
// or drag on the spectrum, or the automatic search) is clamped to the
// tunable range, stored, shown on the spectrum display and passed on to the
// decoder thread as WM_DECODER_TUNE. The GUI and the command-line receiver
// both go through it.
class CTuningControl {
  public:
    // Posts a thread message to the decoder thread; false when refused.
    using PostToDecoder = std::function<bool(Message)>;
    // Shows the tuning (centre, half shift in Hz) on the spectrum display.
    using ShowTuning = std::function<void(int32_t centre, int32_t halfShift)>;

    // show: moves the spectrum display's markers. post: may be empty while
    // no decoder thread exists.
    CTuningControl(ShowTuning show, PostToDecoder post);

    // Replaces the way to the decoder thread (e.g. once it has been created).
    void SetPostToDecoder(PostToDecoder post) { m_post = std::move(post); }

    // Start-up and mode changes: store the tuning and show it, without
    // retuning the decoder (which is started with it). centre, halfShift: Hz.
    // The centre is taken as given, even outside the tunable range; it is
    // clamped at the next request.
    void SetTuning(int32_t centre, int32_t halfShift);

    // WM_SET_FREQUENCY: clamps the requested centre (Hz) to
    // [half shift, 5512 - half shift], stores and shows it and posts
    // WM_DECODER_TUNE (centre, half shift). Returns the centre now in force.
    int32_t OnSetFrequency(int32_t requested);
    // A retune the tuning search voted for, if any; the same path.
    void OnSearchResult(std::optional<int32_t> requested) {
        if (requested) {
            OnSetFrequency(*requested);
        }
    }

    int32_t Centre() const { return m_centre; }
    int32_t HalfShift() const { return m_halfShift; }

    // The tunable range for a half shift. A half shift wider than half the
    // range leaves only the half shift itself.
    static int32_t Clamp(int32_t requested, int32_t halfShift);

  private:
    ShowTuning m_show;
    PostToDecoder m_post;
    int32_t m_centre = 0;
    // The main window's half shift until a mode sets one (170 Hz shift).
    int32_t m_halfShift = 85;
};

}  // namespace wavelore
