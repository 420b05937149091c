#pragma once

#include <cstdint>
#include <string>

#include "app/settings.h"
#include "net/nmea_tcp_server.h"

namespace wavelore {

// The NMEA server's values in the profile section "Settings", beside
// "NmeaOutput" and "NmeaPort": "NmeaBind", the local address it listens on
// (empty, the default: every address, since chart plotters usually sit on
// other computers), "NmeaClients", how many clients it serves at once, and
// "NmeaWaypoints", whether WPL sentences follow a message's NRX sentences
// (1, the default, or 0). And the NMEA input: "NmeaIn", the HOST:PORT of a
// GNSS source's NMEA stream over TCP for own position (empty, the default:
// none).
class CNmeaServerSettings {
  public:
    // Refused numbers are kept by settings, to be said with its own.
    explicit CNmeaServerSettings(CSettings& settings)
        : m_settings(settings), m_store(settings.Store()) {}

    // As stored. One the server cannot take is not replaced by every
    // address: the server's start fails and says so.
    std::string BindAddress() const;
    // False, and nothing written, for what is no address.
    bool WriteBindAddress(const std::string& address);
    // 1 .. CNmeaTcpServer::kMostClients; anything else reads as 32.
    int32_t MaxClients() const;
    // False, and nothing written, outside that range.
    bool WriteMaxClients(int32_t clients);

    // 0 or 1; anything else reads as 1.
    bool Waypoints() const;
    bool WriteWaypoints(bool on);
    // As stored when it is HOST:PORT (ParseHostAndPort); anything else
    // reads as empty: no input.
    std::string NmeaIn() const;
    // False, and nothing written, for text that is neither empty nor
    // HOST:PORT.
    bool WriteNmeaIn(const std::string& hostPort);

    // What the server is started with.
    CNmeaTcpServer::Options ServerOptions() const;

  private:
    CSettings& m_settings;
    IProfileStore& m_store;
};

}  // namespace wavelore
