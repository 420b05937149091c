#include "app/decoder_text_handler.h"

namespace wavelore {

void CDecoderTextHandler::Handle(std::u16string_view chunk, int32_t good, int32_t errors) {
    m_assembler.AddCounts(good, errors);
    const LocalTime now = m_clock.Now();
    m_logDay.CheckDay(now);
    if (chunk.empty() || m_closing) {
        return;
    }
    if (m_rawView != nullptr) {
        m_rawView->AppendRawText(chunk);
    }
    m_assembler.FeedChunk(chunk);
    m_logDay.AppendChunk(chunk, now);
}

}  // namespace wavelore
