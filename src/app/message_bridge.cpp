#include "app/message_bridge.h"

#include "app/settings.h"

namespace wavelore {

CMessageBridge::CMessageBridge(const std::filesystem::path& base, IUserNotifier* notifier)
    : m_index(base, m_selection, notifier), m_feeds(base, m_index, notifier) {
    m_nmea.AddSink(&m_tcp);
    m_filter.AddOutput(&m_feeds, CMessageFilter::Wants::Every);
    m_filter.AddOutput(&m_nmea, CMessageFilter::Wants::New);
}

void CMessageBridge::ReadSettings(const CSettings& settings) {
    m_selection = settings.Selection();
    SetNavArea(settings.NavArea());
}

bool CMessageBridge::StartNmeaTcp(uint16_t port, const CNmeaTcpServer::Options& options,
                                  std::string& error) {
    m_tcpRunning = m_tcp.Start(port, options, error);
    return m_tcpRunning;
}

void CMessageBridge::StopNmeaTcp() {
    m_tcp.Stop();
    m_tcpRunning = false;
}

}  // namespace wavelore
