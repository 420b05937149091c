#pragma once

#include <cstdint>

#include "app/message_filter.h"
#include "system/command_runner.h"

namespace wavelore {

// A user's command run for stored messages (mail, chat, a pager). The
// message reaches it only through environment variables, never through the
// command line, so its text is never read by the shell:
//   WAVELORE_PATH     the stored file, absolute (the text is there)
//   WAVELORE_ID       B1 B2 and the serial number, "EA12"
//   WAVELORE_B1       the station letter
//   WAVELORE_B2       the subject letter
//   WAVELORE_QUALITY  the quality figure in percent
//   WAVELORE_REPEAT   1 for a repeat (CRepeatRule), else 0
//   WAVELORE_STATION  the station as the NAVAREA names it, "E Niton"
//   WAVELORE_SUBJECT  the subject's category, "Search & Rescue"
class CMessageCommand final : public IMessageOutput {
  public:
    // navArea: for WAVELORE_STATION.
    CMessageCommand(CCommandRunner& runner, int32_t navArea)
        : m_runner(runner), m_navArea(navArea) {}

    static CCommandRunner::Environment EnvironmentOf(const MessageRecord& record,
                                                     const MessageVerdict& verdict,
                                                     int32_t navArea);

    // IMessageOutput
    void Deliver(const MessageRecord& record, const MessageVerdict& verdict) override;

  private:
    CCommandRunner& m_runner;
    int32_t m_navArea;
};

}  // namespace wavelore
