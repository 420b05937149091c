#pragma once

#include <cstdint>
#include <string>

namespace wavelore {

// The payload of WM_DECODER_TEXT: the text one buffer produced and the
// decoder's counts since the previous WM_DECODER_TEXT (the start-up banner
// uses the same record).
struct DecoderText {
    std::u16string text;
    int32_t good = 0;
    int32_t errors = 0;
};

}  // namespace wavelore
