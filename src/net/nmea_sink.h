#pragma once

#include <string>
#include <vector>

namespace wavelore {

// Where NMEA sentences go (a TCP server, UDP datagrams). Sending never
// blocks the caller.
class INmeaSink {
  public:
    virtual ~INmeaSink() = default;
    // Complete sentences, each with its CR LF, in order.
    virtual void SendSentences(const std::vector<std::string>& sentences) = 0;
};

}  // namespace wavelore
