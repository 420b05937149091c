#pragma once

#include <cstdint>
#include <vector>

#include "app/message_filter.h"
#include "net/nrx_sentences.h"

namespace wavelore {

class INmeaSink;

// New NAVTEX messages as NRX sentences for chart plotters: each message
// gets the next sequential identifier (00 to 99, then 00 again) and goes
// to every sink. The fields:
// - code: B1 B2 and the serial number;
// - frequency index: empty, since the receiver does not know what the
//   radio is tuned to;
// - time and date: the frame start in UTC;
// - text: what was received between the header line and the end marker
//   "NNNN", without the white space before the first line of the body;
// - total characters: the characters of that text; bad characters: the
//   errors as the quality figure weighs them;
// - status A when the message is clean (CRepeatRule), else V.
// After a message's NRX sentences come WPL sentences for the positions
// its text gives (WarningWaypointSentences: named after B1B2B3B4, one per
// point, circle centre and corner), so that a chart plotter shows where
// the warning is; SetWaypoints(false) leaves them out.
// NAVTEX-J messages are not sent: NMEA 0183 has no Japanese characters,
// and the NRX code field has room for two serial digits only.
class CNmeaOutput final : public IMessageOutput {
  public:
    CNmeaOutput() = default;
    void AddSink(INmeaSink* sink) { m_sinks.push_back(sink); }
    void SetWaypoints(bool on) { m_waypoints = on; }
    bool Waypoints() const { return m_waypoints; }

    static NrxMessage NrxOf(const MessageRecord& record, int32_t sequence);

    // IMessageOutput
    void Deliver(const MessageRecord& record, const MessageVerdict& verdict) override;

  private:
    std::vector<INmeaSink*> m_sinks;
    int32_t m_sequence = 0;
    bool m_waypoints = true;
};

}  // namespace wavelore
