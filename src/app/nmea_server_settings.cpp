#include "app/nmea_server_settings.h"

#include "app/settings.h"
#include "common/utf.h"
#include "net/nmea_udp_sender.h"

namespace wavelore {

namespace {

constexpr int32_t kDefaultClients = static_cast<int32_t>(CNmeaTcpServer::kDefaultMaxClients);
constexpr int32_t kMostClients = static_cast<int32_t>(CNmeaTcpServer::kMostClients);

}  // namespace

std::string CNmeaServerSettings::BindAddress() const {
    return ToUtf8(m_store.GetString(CSettings::kSection, u"NmeaBind", u""));
}

bool CNmeaServerSettings::WriteBindAddress(const std::string& address) {
    if (!CNmeaTcpServer::IsBindAddress(address)) {
        return false;
    }
    return m_store.WriteString(CSettings::kSection, u"NmeaBind", FromUtf8(address));
}

int32_t CNmeaServerSettings::MaxClients() const {
    return m_settings.Number(u"NmeaClients", kDefaultClients, 1, kMostClients);
}

bool CNmeaServerSettings::WriteMaxClients(int32_t clients) {
    if (clients < 1 || clients > kMostClients) {
        return false;
    }
    return m_store.WriteInt(CSettings::kSection, u"NmeaClients", clients);
}

bool CNmeaServerSettings::Waypoints() const {
    return m_settings.Number(u"NmeaWaypoints", 1, 0, 1) != 0;
}

bool CNmeaServerSettings::WriteWaypoints(bool on) {
    return m_store.WriteInt(CSettings::kSection, u"NmeaWaypoints", on ? 1 : 0);
}

std::string CNmeaServerSettings::NmeaIn() const {
    const std::string stored = ToUtf8(m_store.GetString(CSettings::kSection, u"NmeaIn", u""));
    std::string host;
    uint16_t port = 0;
    return ParseHostAndPort(stored, host, port) ? stored : std::string();
}

bool CNmeaServerSettings::WriteNmeaIn(const std::string& hostPort) {
    std::string host;
    uint16_t port = 0;
    if (!hostPort.empty() && !ParseHostAndPort(hostPort, host, port)) {
        return false;
    }
    return m_store.WriteString(CSettings::kSection, u"NmeaIn", FromUtf8(hostPort));
}

CNmeaTcpServer::Options CNmeaServerSettings::ServerOptions() const {
    CNmeaTcpServer::Options options;
    options.bindAddress = BindAddress();
    options.maxClients = static_cast<size_t>(MaxClients());
    return options;
}

}  // namespace wavelore
