#include "app/message_bridge.h"

#include "app/settings.h"

namespace wavelore {

CMessageBridge::CMessageBridge(const std::filesystem::path& base, IUserNotifier* notifier)
    : m_index(base, m_selection, notifier), m_feeds(base, m_index, notifier) {
    m_nmea.AddSink(&m_tcp);
    m_filter.AddOutput(&m_search, CMessageFilter::Wants::Every);
    m_filter.AddOutput(&m_readMarks, CMessageFilter::Wants::Every);
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

void CMessageBridge::StartCommand(std::string command, const CCommandRunner::Limits& limits,
                                  IUserNotifier* notifier) {
    if (m_runner) {
        return;
    }
    m_runner = std::make_unique<CCommandRunner>(std::move(command), notifier, limits);
    m_command = std::make_unique<CMessageCommand>(*m_runner, m_navArea);
    m_filter.AddOutput(m_command.get(), CMessageFilter::Wants::Selected);
}

void CMessageBridge::PollCommands() {
    if (m_runner) {
        m_runner->Poll();
    }
}

size_t CMessageBridge::FinishCommands(std::chrono::milliseconds maxWait) {
    return m_runner ? m_runner->Finish(maxWait) : 0;
}

}  // namespace wavelore
