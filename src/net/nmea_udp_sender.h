#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "net/nmea_sink.h"

namespace wavelore {

// NMEA sentences as UDP datagrams to one address, a sentence each, as
// plotters listening on a UDP port take them. Sending never waits; a
// datagram the system cannot take at once is lost, as UDP may lose it.
class CNmeaUdpSender final : public INmeaSink {
  public:
    CNmeaUdpSender() = default;
    ~CNmeaUdpSender() override;
    CNmeaUdpSender(const CNmeaUdpSender&) = delete;
    CNmeaUdpSender& operator=(const CNmeaUdpSender&) = delete;

    // "HOST:PORT" or "[IPv6]:PORT"; the host is looked up once, here.
    // False, with error set, when it cannot be used.
    bool Start(const std::string& hostPort, std::string& error);

    // Datagrams the system refused so far.
    uint64_t Lost() const { return m_lost; }

    // INmeaSink
    void SendSentences(const std::vector<std::string>& sentences) override;

  private:
    int m_fd = -1;
    uint64_t m_lost = 0;
};

// Whether text is "HOST:PORT" (a host name or address, and a port of
// 1..65535 that must be given); the parts in host and port.
bool ParseHostAndPort(const std::string& text, std::string& host, uint16_t& port);

}  // namespace wavelore
