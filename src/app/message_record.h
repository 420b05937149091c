#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/modes.h"

namespace wavelore {

// The header of a NAVTEX message, as the assembler fills it at a frame
// start and the Message Explorer fills it from a stored file name.
struct MessageHeader {
    std::u16string time;    // "HH:MM:SS"
    std::u16string date;    // "YYYY-MM-DD"
    std::u16string number;  // serial number: 2 digits, 3 in NAVTEX-J
    std::u16string b1;      // transmitter identity letter
    std::u16string b2;      // subject indicator letter
};

// A completed message, as the end of a frame hands it to the upload step.
struct MessageRecord {
    std::u16string date;         // of the (last) frame start, "YYYY-MM-DD"
    std::u16string time;         // "HH:MM:SS"
    std::u16string b1;           // narrowed
    std::u16string b2;           // narrowed
    std::u16string number;       // narrowed, 2 or 3 digits
    std::u16string text;         // everything written after the header line
    uint32_t good = 0;           // good characters since the frame start
    uint32_t errors = 0;         // character errors since the frame start
    int32_t quality = 0;         // percent
    std::filesystem::path path;  // absolute final name of the stored file
    Mode mode = Mode::Navtex;    // the mode the frame was received in
    // The radio channel it came on (490000 for 490 kHz); 0 when the
    // receiver has no such knowledge (a sound card).
    int32_t frequencyHz = 0;
};

// The mode a stored message came in, as its serial number tells: three
// characters only in NAVTEX-J.
constexpr Mode ModeOfSerial(std::u16string_view number) {
    return number.size() == 3 ? Mode::NavtexJ : Mode::Navtex;
}

// Fullwidth forms to ASCII: a unit whose high byte is 0xFF becomes its low
// byte + 0x20 (modulo 256), so U+FF21 gives 'A' and U+FF11 gives '1'.
// Every other unit is returned unchanged.
constexpr char16_t NarrowChar(char16_t c) {
    if ((c & 0xFF00) == 0xFF00) {
        return static_cast<char16_t>((c + 0x20) & 0xFF);
    }
    return c;
}

// A header character as it may stand in a file name: a separator or a
// character that other systems forbid must not turn the name into another
// path, and a lone surrogate has no form in a file name at all. Only the
// third serial digit of a NAVTEX-J header, which is not checked, can be one.
char16_t FileNameSafe(char16_t c);

// B1 B2 and the serial number as the stored file's name carries them: the
// one identity of a message, in its file name and in the message index
// alike, so that an index made again from the files knows it by the same.
std::u16string StoredIdentity(std::u16string_view b1, std::u16string_view b2,
                              std::u16string_view number);

// E' of the quality figure: errors / 7 in NAVTEX mode, where a lost
// alignment counts an error at every bit until a character is accepted
// again; errors in every other mode.
uint32_t WeightedErrors(uint32_t errors, Mode mode);

// The quality percentage of a message: 100 G / (G + E'), truncated.
// 0 when there is nothing to judge (G + E' = 0) rather than a division by 0.
int32_t MessageQuality(uint32_t good, uint32_t errors, Mode mode);

}  // namespace wavelore
