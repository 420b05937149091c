#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>

#include "geo/position_sentences.h"

namespace wavelore {

// Own position from a GNSS receiver's NMEA 0183 sentences over TCP, as a
// multiplexer, gpsd's NMEA port or a chart plotter serves them: a client
// that connects to HOST:PORT, reads line by line and keeps the newest
// valid RMC fix ($GPRMC, $GNRMC or another talker's; ParseRmc). Everything
// else is read and ignored. A line longer than kMaxLine is dropped whole.
// A connection that fails, ends, or stays silent for kSilence is closed
// and tried again after a pause that doubles from kFirstPause to kLongestPause
// and starts again after a connection that brought a sentence. The socket
// is served by a thread of the client's own; looking the host up may hold
// Stop for as long as the system's resolver takes.
class CNmeaInClient {
  public:
    // NMEA 0183 allows 82 characters; room for proprietary talkers that
    // send more, and no more than that.
    static constexpr size_t kMaxLine = 1024;
    static constexpr std::chrono::milliseconds kFirstPause{1000};
    static constexpr std::chrono::milliseconds kLongestPause{60000};
    // A GNSS receiver sends every second; a minute without a byte is a
    // connection gone dead without being closed.
    static constexpr std::chrono::seconds kSilence{60};
    static constexpr std::chrono::seconds kConnectTimeout{10};

    CNmeaInClient() = default;
    ~CNmeaInClient();
    CNmeaInClient(const CNmeaInClient&) = delete;
    CNmeaInClient& operator=(const CNmeaInClient&) = delete;

    // Starts reading from "HOST:PORT" or "[IPv6]:PORT". False, with error
    // set, only for text that is no such address or a thread that cannot
    // start: an unreachable host is tried again and again.
    bool Start(const std::string& hostPort, std::string& error);
    // Closes the connection and ends the thread; also on destruction.
    void Stop();

    // The newest fix, when one came within maxAge.
    std::optional<OwnFix> Fix(std::chrono::steady_clock::duration maxAge) const;
    bool Connected() const { return m_connected; }
    // Valid fixes taken so far; connections made so far.
    uint64_t Fixes() const { return m_fixes; }
    uint64_t Connections() const { return m_connections; }

  private:
    using Clock = std::chrono::steady_clock;

    void Run();
    // One connection, -1 when none could be made before the stop.
    int Connect();
    // Reads until the connection ends or the stop; true when a fix came.
    bool Read(int fd);
    void TakeLine(std::string_view line);
    // Waits for the stop at most wait; true when it came.
    bool WaitForStop(std::chrono::milliseconds wait);

    std::string m_host;
    uint16_t m_port = 0;
    int m_wake[2] = {-1, -1};
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<bool> m_connected{false};
    std::atomic<uint64_t> m_fixes{0};
    std::atomic<uint64_t> m_connections{0};
    mutable std::mutex m_mutex;
    std::optional<OwnFix> m_fix;
    Clock::time_point m_fixTime{};
};

}  // namespace wavelore
