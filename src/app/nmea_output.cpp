#include "app/nmea_output.h"

#include "app/repeat_rule.h"
#include "common/char_class.h"
#include "common/clock.h"
#include "common/utf.h"
#include "geo/position_reader.h"
#include "geo/position_sentences.h"
#include "net/nmea_sink.h"

namespace wavelore {

namespace {

// The body as received: the assembler's text starts with the white space
// that ended the header and ends with the end marker.
std::u16string Body(const std::u16string& text) {
    size_t first = 0;
    while (first < text.size() && IsSpace(text[first])) {
        ++first;
    }
    // The end marker's four N may have white space between them.
    size_t last = text.size();
    size_t at = text.size();
    int marker = 0;
    while (at > first && marker < 4) {
        const char16_t c = text[at - 1];
        if (NarrowChar(c) == u'N') {
            ++marker;
            last = at - 1;
        } else if (!IsSpace(c)) {
            break;
        }
        --at;
    }
    if (marker < 4) {
        last = text.size();
    }
    return text.substr(first, last - first);
}

}  // namespace

NrxMessage CNmeaOutput::NrxOf(const MessageRecord& record, int32_t sequence) {
    NrxMessage m;
    m.sequence = sequence;
    // The field's numbers for the NAVTEX channels; another stays empty.
    switch (record.frequencyHz) {
        case 490000:
            m.frequencyIndex = 1;
            break;
        case 518000:
            m.frequencyIndex = 2;
            break;
        case 4209500:
            m.frequencyIndex = 3;
            break;
        default:
            break;
    }
    m.code = ToUtf8(record.b1 + record.b2 + record.number);
    LocalTime local;
    LocalTime utc;
    if (ParseLocalTime(ToUtf8(record.date + u' ' + record.time), local) && LocalToUtc(local, utc)) {
        m.year = utc.year;
        m.month = utc.month;
        m.day = utc.day;
        m.hour = utc.hour;
        m.minute = utc.minute;
        m.second = utc.second;
    }
    m.text = Body(record.text);
    m.totalCharacters = static_cast<int64_t>(m.text.size());
    m.badCharacters = WeightedErrors(record.errors, record.mode);
    m.valid = CRepeatRule::IsClean(record.good, record.errors, record.mode);
    return m;
}

void CNmeaOutput::Deliver(const MessageRecord& record, const MessageVerdict&) {
    if (record.mode != Mode::Navtex || m_sinks.empty()) {
        return;
    }
    const NrxMessage nrx = NrxOf(record, m_sequence);
    std::vector<std::string> sentences = EncodeNrx(nrx);
    m_sequence = (m_sequence + 1) % 100;
    if (m_waypoints) {
        WarningIdentity identity;
        identity.code = record.b1 + record.b2 + record.number;
        for (std::string& wpl : WarningWaypointSentences(ReadPositions(nrx.text, identity))) {
            sentences.push_back(std::move(wpl));
        }
    }
    for (INmeaSink* sink : m_sinks) {
        sink->SendSentences(sentences);
    }
}

}  // namespace wavelore
