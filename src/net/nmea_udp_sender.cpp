// POSIX sockets: the one file of the UDP output that knows them.
#include "net/nmea_udp_sender.h"

#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

#include "common/utf.h"
#include "net/upload_host.h"

namespace wavelore {

bool ParseHostAndPort(const std::string& text, std::string& host, uint16_t& port) {
    UploadHost parsed;
    if (!ParseUploadHost(FromUtf8(text), parsed)) {
        return false;
    }
    // The port must be written out: there is no usual one for UDP.
    // Appended, not ":" + to_string(): GCC 12 warns wrongly (-Wrestrict)
    // about a short literal before a temporary string at -O3.
    std::string suffix(1, ':');
    suffix += std::to_string(parsed.port);
    if (text.size() <= suffix.size() ||
        text.compare(text.size() - suffix.size(), suffix.size(), suffix) != 0) {
        return false;
    }
    host = ToUtf8(parsed.name);
    port = static_cast<uint16_t>(parsed.port);
    return true;
}

CNmeaUdpSender::~CNmeaUdpSender() {
    if (m_fd >= 0) {
        close(m_fd);
    }
}

bool CNmeaUdpSender::Start(const std::string& hostPort, std::string& error) {
    std::string host;
    uint16_t port = 0;
    if (!ParseHostAndPort(hostPort, host, port)) {
        error = "\"" + hostPort + "\" is not HOST:PORT";
        return false;
    }
    addrinfo hints{};
    hints.ai_socktype = SOCK_DGRAM;
    addrinfo* found = nullptr;
    const int rc = getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found);
    if (rc != 0) {
        error = "cannot find " + host + ": " + gai_strerror(rc);
        return false;
    }
    for (const addrinfo* a = found; a != nullptr; a = a->ai_next) {
        const int fd =
            socket(a->ai_family, a->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC, a->ai_protocol);
        if (fd < 0) {
            continue;
        }
        // A connected socket keeps the address; every sentence is one send.
        if (connect(fd, a->ai_addr, a->ai_addrlen) == 0) {
            m_fd = fd;
            break;
        }
        close(fd);
    }
    freeaddrinfo(found);
    if (m_fd < 0) {
        error = "cannot send to " + hostPort;
        return false;
    }
    return true;
}

void CNmeaUdpSender::SendSentences(const std::vector<std::string>& sentences) {
    if (m_fd < 0) {
        return;
    }
    for (const std::string& sentence : sentences) {
        if (send(m_fd, sentence.data(), sentence.size(), MSG_DONTWAIT | MSG_NOSIGNAL) !=
            static_cast<ssize_t>(sentence.size())) {
            ++m_lost;
        }
    }
}

}  // namespace wavelore
