// The AMTOR decoder: bits or demodulator output in (layout in decoder_fuzzing.h).

#include "decoder_fuzzing.h"
#include "dsp/amtor_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return wavelore::fuzz::FuzzDecoder<wavelore::CAmtorDecoder>(data, size, 100);
}
