#include "net/nrx_sentences.h"

#include <cstdio>

namespace wavelore {

namespace {

constexpr size_t kMaxSentence = 82;  // from "$" through CR LF
constexpr size_t kTail = 5;          // "*hh" CR LF
constexpr int32_t kMaxSentences = 999;

bool IsReserved(char16_t c) {
    switch (c) {
        case 0x0D:
        case 0x0A:
        case u'$':
        case u'*':
        case u',':
        case u'!':
        case u'\\':
        case u'^':
        case u'~':
            return true;
        default:
            return c < 0x20 || c > 0x7E;
    }
}

// One character of the text as it goes into a sentence.
std::string Token(char16_t c) {
    if (c > 0xFF) {
        return "?";
    }
    if (IsReserved(c)) {
        char escaped[4];
        std::snprintf(escaped, sizeof escaped, "^%02X", static_cast<unsigned>(c));
        return escaped;
    }
    return std::string(1, static_cast<char>(c));
}

std::string Number(int64_t value, int width) {
    char text[32];
    std::snprintf(text, sizeof text, "%0*lld", width, static_cast<long long>(value));
    return text;
}

// The fields after the sentence number, up to and including the comma
// before the text.
std::string FirstFields(const NrxMessage& m) {
    std::string f = Number(m.sequence % 100, 2) + ',' + m.code + ',';
    if (m.frequencyIndex >= 0) {
        f += Number(m.frequencyIndex, 1);
    }
    f += ',';
    if (m.year > 0) {
        f += Number(m.hour, 2) + Number(m.minute, 2) + Number(m.second, 2) + ',' +
             Number(m.day, 2) + ',' + Number(m.month, 2) + ',' + Number(m.year, 4) + ',';
    } else {
        f += ",,,,";
    }
    f += std::to_string(m.totalCharacters) + ',' + std::to_string(m.badCharacters) + ',' +
         (m.valid ? 'A' : 'V') + ',';
    return f;
}

std::string LaterFields(const NrxMessage& m) {
    return Number(m.sequence % 100, 2) + ",,,,,,,,,,";
}

}  // namespace

std::vector<std::string> EncodeNrx(const NrxMessage& message) {
    // "$CRNRX,nnn,nnn," in front of the fields.
    const size_t head = 15;
    const std::string first = FirstFields(message);
    const std::string later = LaterFields(message);

    // The text of each sentence, filled as far as it goes.
    std::vector<std::string> parts(1);
    size_t room = kMaxSentence - kTail - head - first.size();
    for (const char16_t c : message.text) {
        const std::string token = Token(c);
        if (parts.back().size() + token.size() > room) {
            if (static_cast<int32_t>(parts.size()) == kMaxSentences) {
                break;
            }
            parts.emplace_back();
            room = kMaxSentence - kTail - head - later.size();
        }
        parts.back() += token;
    }

    std::vector<std::string> sentences;
    const std::string total = Number(static_cast<int64_t>(parts.size()), 3);
    for (size_t i = 0; i < parts.size(); ++i) {
        const std::string body = "CRNRX," + total + ',' + Number(static_cast<int64_t>(i + 1), 3) +
                                 ',' + (i == 0 ? first : later) + parts[i];
        sentences.push_back('$' + body + '*' + NmeaChecksum(body) + "\r\n");
    }
    return sentences;
}

}  // namespace wavelore
