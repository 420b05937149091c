#include "app/message_filter.h"

#include "app/message_index.h"
#include "app/message_selection.h"

namespace wavelore {

bool CMessageFilter::Alarms(const MessageRecord& record, const MessageVerdict& verdict) {
    return verdict.New() && record.b2.size() == 1 && NarrowChar(record.b2[0]) == u'D';
}

void CMessageFilter::MessageStored(const MessageRecord& record, StorePlace place) {
    MessageVerdict verdict;
    verdict.place = place;
    verdict.selected = m_selection.IsSelected(record.b1, record.b2);
    if (m_index != nullptr) {
        verdict.repeat = m_index->Add(record, verdict.selected);
    }
    for (const Output& output : m_outputs) {
        const bool wanted = output.wants == Wants::Every ||
                            (output.wants == Wants::Selected && verdict.selected) ||
                            (output.wants == Wants::New && verdict.New());
        if (wanted) {
            output.output->Deliver(record, verdict);
        }
    }
    if (m_alarm != nullptr && Alarms(record, verdict)) {
        m_alarm->RaiseAlarm(record);
    }
}

}  // namespace wavelore
