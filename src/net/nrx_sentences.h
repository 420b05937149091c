#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "common/nmea_checksum.h"

namespace wavelore {

// A NAVTEX message as NMEA 0183 NRX sentences carry it (IEC 61162-1
// edition 4): the fields of the first sentence, and the text.
struct NrxMessage {
    int32_t sequence = 0;  // sequential message identifier, 0..99
    std::string code;      // B1B2B3B4, e.g. "EA12"
    // 0 not received over the air, 1 490 kHz, 2 518 kHz, 3 4209.5 kHz;
    // -1 leaves the field empty (unknown).
    int32_t frequencyIndex = -1;
    // UTC time of reception; year 0 leaves time and date empty.
    int32_t year = 0;
    int32_t month = 0;
    int32_t day = 0;
    int32_t hour = 0;
    int32_t minute = 0;
    int32_t second = 0;
    int64_t totalCharacters = 0;
    int64_t badCharacters = 0;
    bool valid = true;  // status A, else V
    std::u16string text;
};

// The sentences of a message, each "$CRNRX,...*hh" with CR LF, none longer
// than 82 characters. The first carries every field; the others only the
// sentence count, their number and the sequence, with the other fields
// empty. The text is split between them, never inside an escape: CR, LF,
// $ * , ! \ ^ ~ and every other character outside printable ASCII become
// ^ and two hexadecimal digits (a character beyond U+00FF becomes ?).
// A text that needs more than 999 sentences is cut after the 999th.
std::vector<std::string> EncodeNrx(const NrxMessage& message);

}  // namespace wavelore
