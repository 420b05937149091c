#include "app/reception/channel_receptions.h"

#include <new>

#include "app/station_table.h"

namespace wavelore {

// The raw data view, while its channel is the one shown.
class CChannelReceptions::CShownView final : public IRawTextView {
  public:
    CShownView(const int32_t& shown, int32_t frequencyHz, IRawTextView* view)
        : m_shown(shown), m_frequencyHz(frequencyHz), m_view(view) {}
    void AppendRawText(std::u16string_view chunk) override {
        if (m_view != nullptr && m_shown == m_frequencyHz) {
            m_view->AppendRawText(chunk);
        }
    }

  private:
    const int32_t& m_shown;
    int32_t m_frequencyHz;
    IRawTextView* m_view;
};

CChannelReceptions::CChannelReceptions(CReception& first, const ReceptionConfig& config)
    : m_first(first), m_config(config), m_explorer(config.explorer) {}

CChannelReceptions::~CChannelReceptions() = default;

CReception& CChannelReceptions::For(int32_t frequencyHz) {
    if (frequencyHz == 0) {
        return m_first;
    }
    for (const Channel& channel : m_channels) {
        if (channel.frequencyHz == frequencyHz) {
            return *channel.reception;
        }
    }
    try {
        Channel channel{frequencyHz,
                        std::make_unique<CShownView>(m_shown, frequencyHz, m_config.rawView),
                        nullptr};
        ReceptionConfig config = m_config;
        config.channel = CStationTable::KilohertzText(frequencyHz);
        config.frequencyHz = frequencyHz;
        config.mode = m_first.GetMode();
        config.rawView = channel.view.get();
        config.explorer = m_explorer;
        channel.reception = std::make_unique<CReception>(config, m_first);
        channel.reception->StartLogDay();
        if (m_first.Closing()) {
            channel.reception->SetClosing();
        }
        m_channels.push_back(std::move(channel));
    } catch (const std::bad_alloc&) {
        return m_first;
    }
    return *m_channels.back().reception;
}

void CChannelReceptions::ForEach(const std::function<void(CReception&)>& action) {
    action(m_first);
    for (const Channel& channel : m_channels) {
        action(*channel.reception);
    }
}

void CChannelReceptions::SetExplorer(IStoredMessageSink* explorer) {
    m_explorer = explorer;
    ForEach([explorer](CReception& reception) { reception.SetExplorer(explorer); });
}

void CChannelReceptions::SetMode(Mode mode) {
    ForEach([mode](CReception& reception) { reception.SetMode(mode); });
}

void CChannelReceptions::Finish() {
    for (const Channel& channel : m_channels) {
        channel.reception->Finish();
    }
    m_first.Finish();
}

size_t CChannelReceptions::WaitingMessages() const {
    size_t waiting = m_first.WaitingMessages();
    for (const Channel& channel : m_channels) {
        waiting += channel.reception->WaitingMessages();
    }
    return waiting;
}

size_t CChannelReceptions::LostMessages() const {
    size_t lost = m_first.LostMessages();
    for (const Channel& channel : m_channels) {
        lost += channel.reception->LostMessages();
    }
    return lost;
}

}  // namespace wavelore
