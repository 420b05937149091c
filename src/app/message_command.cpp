#include "app/message_command.h"

#include <string>

#include "app/station_table.h"
#include "app/subject_table.h"
#include "common/utf.h"

namespace wavelore {

CCommandRunner::Environment CMessageCommand::EnvironmentOf(const MessageRecord& record,
                                                           const MessageVerdict& verdict,
                                                           int32_t navArea) {
    const char16_t b2 = record.b2.empty() ? u'\0' : record.b2[0];
    return {
        {"WAVELORE_PATH", record.path.string()},
        {"WAVELORE_ID", ToUtf8(record.b1 + record.b2 + record.number)},
        {"WAVELORE_B1", ToUtf8(record.b1)},
        {"WAVELORE_B2", ToUtf8(record.b2)},
        {"WAVELORE_QUALITY", std::to_string(record.quality)},
        {"WAVELORE_REPEAT", verdict.repeat ? "1" : "0"},
        {"WAVELORE_STATION",
         ToUtf8(CStationTable::DisplayName(CStationTable::NamingNavArea(navArea, record.mode),
                                           record.b1, record.frequencyHz))},
        {"WAVELORE_SUBJECT", ToUtf8(SubjectTable::Category(b2))},
    };
}

void CMessageCommand::Deliver(const MessageRecord& record, const MessageVerdict& verdict) {
    m_runner.Run(EnvironmentOf(record, verdict, m_navArea),
                 "message " + ToUtf8(record.b1 + record.b2 + record.number));
}

}  // namespace wavelore
