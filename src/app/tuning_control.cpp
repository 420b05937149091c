#include "app/tuning_control.h"

#include <utility>

#include "common/message_ids.h"
#include "receiver/tuning_policy.h"

namespace wavelore {

CTuningControl::CTuningControl(ShowTuning show, PostToDecoder post)
    : m_show(std::move(show)), m_post(std::move(post)) {}

void CTuningControl::SetTuning(int32_t centre, int32_t halfShift) {
    m_centre = centre;
    m_halfShift = halfShift;
    if (m_show) {
        m_show(m_centre, m_halfShift);
    }
}

int32_t CTuningControl::Clamp(int32_t requested, int32_t halfShift) {
    return CTuningPolicy::Clamp(requested, halfShift);
}

int32_t CTuningControl::OnSetFrequency(int32_t requested) {
    m_centre = Clamp(requested, m_halfShift);
    if (m_show) {
        m_show(m_centre, m_halfShift);
    }
    if (m_post) {
        // A decoder thread that is shutting down refuses it; the tuning
        // stays stored and goes with the next start.
        m_post(Message(WM_DECODER_TUNE, m_centre, m_halfShift));
    }
    return m_centre;
}

}  // namespace wavelore
