#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

#include "app/message_record.h"
#include "common/clock.h"
#include "common/modes.h"

namespace wavelore {

// What the framer finds in the decoded text, in the order it finds it.
class IFrameListener {
  public:
    virtual ~IFrameListener() = default;
    // A valid header began a frame; any frame in progress ended unfinished
    // just before (FrameCut). header: its time, date, B1, B2 and number.
    virtual void FrameStarted(const MessageHeader& header, const LocalTime& frameTime,
                              Mode mode) = 0;
    // More of the frame's text (perhaps none) as received, at the end of a
    // chunk and before the frame ends: what it received so far is worth
    // keeping now.
    virtual void FrameText(std::u16string_view text) = 0;
    // The end marker completed the frame: the whole record but its path.
    virtual void FrameEnded(MessageRecord record) = 0;
    // The frame ended without its end marker: a new start marker (with a
    // valid header or not), a mode change or shutdown.
    virtual void FrameCut() = 0;
};

// Finds NAVTEX frames ("ZCZC B1B2NN ... NNNN") in decoded text. Text in,
// frame events out: it knows nothing of files. Only NAVTEX and NAVTEX-J
// frames end at their end marker; in the other modes a frame runs until
// the next start or a cut.
class CMessageFramer {
  public:
    // clock: stamps each frame start. listener must outlive the framer.
    CMessageFramer(const IClock& clock, IFrameListener& listener)
        : m_clock(clock), m_listener(listener) {}
    CMessageFramer(const CMessageFramer&) = delete;
    CMessageFramer& operator=(const CMessageFramer&) = delete;

    void SetMode(Mode mode) { m_mode = mode; }
    Mode GetMode() const { return m_mode; }
    // The channel (Hz) the records are marked with; 0: unknown.
    void SetFrequency(int32_t hz) { m_frequencyHz = hz; }

    // The counts of one decoded chunk, added before the chunk is fed.
    void AddCounts(int32_t good, int32_t errors);
    // Runs every UTF-16 unit of the chunk through the frame tests.
    void FeedChunk(std::u16string_view chunk);
    // Ends the frame in progress unfinished (shutdown, a mode without
    // messages).
    void Cut();

    bool Receiving() const { return m_framing; }
    const MessageHeader& Header() const { return m_header; }
    const std::u16string& MessageText() const { return m_text; }
    uint32_t GoodCount() const { return m_good; }
    uint32_t ErrorCount() const { return m_errors; }

  private:
    void FeedUnit(char16_t c);
    void ShiftIn(char16_t c);
    bool EndMarkerAt(size_t first) const;
    // False when the header after the marker is not valid.
    bool StartFrame();
    void EndFrame();
    // Hands on the text received since it last did.
    void PassText();

    const IClock& m_clock;
    IFrameListener& m_listener;
    Mode m_mode = Mode::Navtex;
    int32_t m_frequencyHz = 0;

    // Positions 1 to 10 of the window: the last nine non-white-space units,
    // oldest first, and a terminator that is always 0.
    std::array<char16_t, 10> m_window{};
    // The last nine non-white-space units as received, never shifted by the
    // NAVTEX realignment.
    std::array<char16_t, 9> m_recent{};
    bool m_framing = false;
    std::u16string m_text;
    size_t m_passed = 0;  // how much of m_text was handed on
    uint32_t m_good = 0;
    uint32_t m_errors = 0;
    MessageHeader m_header;
    LocalTime m_frameTime;
};

}  // namespace wavelore
