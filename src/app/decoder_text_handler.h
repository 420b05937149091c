#pragma once

#include <cstdint>
#include <string_view>

#include "app/log_day.h"
#include "app/message_assembler.h"
#include "app/message_sinks.h"
#include "common/clock.h"
#include "common/decoder_text.h"

namespace wavelore {

// The main window's handling of one WM_DECODER_TEXT: counts, day check,
// raw data view, message assembler and raw log, in that order. The GUI and
// the command-line tool both route decoded text through it.
class CDecoderTextHandler {
  public:
    // rawView may be null (no view, as in the command-line tool).
    CDecoderTextHandler(const IClock& clock, CMessageAssembler& assembler, CLogDay& logDay,
                        IRawTextView* rawView)
        : m_clock(clock), m_assembler(assembler), m_logDay(logDay), m_rawView(rawView) {}

    void Handle(std::u16string_view chunk, int32_t good, int32_t errors);
    void Handle(const DecoderText& text) { Handle(text.text, text.good, text.errors); }

    // From the start of shutdown on, chunks are counted but go nowhere.
    void SetClosing() { m_closing = true; }
    bool Closing() const { return m_closing; }

  private:
    const IClock& m_clock;
    CMessageAssembler& m_assembler;
    CLogDay& m_logDay;
    IRawTextView* m_rawView;
    bool m_closing = false;
};

}  // namespace wavelore
