#include "app/reception/message_framer.h"

#include <algorithm>

#include "app/log_day.h"
#include "common/char_class.h"

namespace wavelore {

namespace {

constexpr char16_t kFullwidthZ = 0xFF3A;
constexpr char16_t kFullwidthC = 0xFF23;
constexpr char16_t kFullwidthN = 0xFF2E;

bool IsAsciiStartMarker(const char16_t* w) {
    return w[0] == u'Z' && w[1] == u'C' && w[2] == u'Z' && w[3] == u'C';
}

bool IsStartMarker(const char16_t* w) {
    return IsAsciiStartMarker(w) || (w[0] == kFullwidthZ && w[1] == kFullwidthC &&
                                     w[2] == kFullwidthZ && w[3] == kFullwidthC);
}

// B1 and B2 letters, then the first two serial digits.
bool IsHeader(const char16_t* w) {
    return IsAlpha(w[0]) && IsAlpha(w[1]) && IsDigit(w[2]) && IsDigit(w[3]);
}

bool EndsAtMarker(Mode mode) {
    return mode == Mode::Navtex || mode == Mode::NavtexJ;
}

}  // namespace

void CMessageFramer::AddCounts(int32_t good, int32_t errors) {
    m_good += static_cast<uint32_t>(good);
    m_errors += static_cast<uint32_t>(errors);
}

void CMessageFramer::FeedChunk(std::u16string_view chunk) {
    m_window[9] = 0;
    for (const char16_t c : chunk) {
        FeedUnit(c);
    }
    // Once per chunk rather than per character: what was received is kept
    // within one audio buffer.
    if (m_framing) {
        PassText();
    }
}

void CMessageFramer::Cut() {
    if (m_framing) {
        PassText();
        m_framing = false;
        m_listener.FrameCut();
    }
}

void CMessageFramer::PassText() {
    m_listener.FrameText(std::u16string_view(m_text).substr(m_passed));
    m_passed = m_text.size();
}

void CMessageFramer::ShiftIn(char16_t c) {
    for (size_t i = 0; i < 8; ++i) {
        m_window[i] = m_window[i + 1];
    }
    m_window[8] = c;
}

bool CMessageFramer::EndMarkerAt(size_t first) const {
    const char16_t* w = &m_window[first];
    return (w[0] == u'N' && w[1] == u'N' && w[2] == u'N' && w[3] == u'N') ||
           (w[0] == kFullwidthN && w[1] == kFullwidthN && w[2] == kFullwidthN &&
            w[3] == kFullwidthN);
}

void CMessageFramer::FeedUnit(char16_t c) {
    const bool space = IsSpace(c);
    if (!space) {
        ShiftIn(c);
        std::copy(m_recent.begin() + 1, m_recent.end(), m_recent.begin());
        m_recent.back() = c;
    }
    // A NAVTEX header has two serial digits: shifting once more when the
    // marker reaches position 2 lets the header test run on B4 instead of
    // one character later.
    if (m_mode == Mode::Navtex && IsAsciiStartMarker(&m_window[1])) {
        ShiftIn(0);
    }
    bool started = false;
    if (IsStartMarker(&m_window[0])) {
        started = StartFrame();
    }
    // A doubled marker ("ZCZCZC EA12", a decoder slip) makes the shift above
    // fire on the first "ZCZC" and leaves a gap in the window, so the real
    // header behind it would never be tested and the message would be lost.
    // Test it on the last eight characters as received, and line the window
    // up as if the header had arrived cleanly, so the frame goes on exactly
    // like any other. Without that shift (other modes, the fullwidth marker)
    // the window already is the text as received.
    if (!started && !space && m_mode == Mode::Navtex && IsAsciiStartMarker(&m_recent[1]) &&
        IsHeader(&m_recent[5])) {
        std::copy(m_recent.begin() + 1, m_recent.end(), m_window.begin());
        m_window[8] = 0;
        StartFrame();
    }
    if (m_framing) {
        m_text += c;
    }
    if (EndMarkerAt(5)) {
        EndFrame();
    }
}

bool CMessageFramer::StartFrame() {
    Cut();
    m_text.clear();
    m_passed = 0;
    m_good = 0;
    m_errors = 0;
    if (!IsHeader(&m_window[4])) {
        return false;
    }
    m_framing = true;
    m_frameTime = m_clock.Now();
    m_header.date = FormatDate(m_frameTime);
    m_header.time = FormatTime(m_frameTime);
    m_header.b1 = std::u16string(1, NarrowChar(m_window[4]));
    m_header.b2 = std::u16string(1, NarrowChar(m_window[5]));
    if (m_mode == Mode::Navtex) {
        m_header.number = {NarrowChar(m_window[6]), NarrowChar(m_window[7])};
    } else if (m_mode == Mode::NavtexJ) {
        m_header.number = {NarrowChar(m_window[6]), NarrowChar(m_window[7]),
                           NarrowChar(m_window[8])};
    }
    m_listener.FrameStarted(m_header, m_frameTime, m_mode);
    return true;
}

void CMessageFramer::EndFrame() {
    if (!m_framing || !EndsAtMarker(m_mode)) {
        return;
    }
    PassText();
    m_framing = false;
    MessageRecord record;
    record.date = m_header.date;
    record.time = m_header.time;
    record.b1 = m_header.b1;
    record.b2 = m_header.b2;
    record.number = m_header.number;
    record.text = std::move(m_text);
    record.good = m_good;
    record.errors = m_errors;
    record.quality = MessageQuality(m_good, m_errors, m_mode);
    record.mode = m_mode;
    record.frequencyHz = m_frequencyHz;
    m_text.clear();
    m_passed = 0;
    m_listener.FrameEnded(std::move(record));
}

}  // namespace wavelore
