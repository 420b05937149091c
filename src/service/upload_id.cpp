#include "service/upload_id.h"

#include <sys/random.h>

#include <array>
#include <cerrno>
#include <cstdint>

namespace wavelore::service {

std::string NewUploadId() {
    std::array<uint8_t, 16> bytes{};
    size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = getrandom(bytes.data() + got, bytes.size() - got, 0);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            return {};
        }
        got += static_cast<size_t>(n);
    }
    bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0F) | 0x40);  // version 4
    bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3F) | 0x80);  // RFC 4122 variant
    constexpr char kHex[] = "0123456789ABCDEF";
    std::string id;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) {
            id += '-';
        }
        id += kHex[bytes[i] >> 4];
        id += kHex[bytes[i] & 0xF];
    }
    return id;
}

}  // namespace wavelore::service
