// The SITOR-B decoder: bits or demodulator output in (layout in decoder_fuzzing.h).

#include "decoder_fuzzing.h"
#include "dsp/sitor_b_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return wavelore::fuzz::FuzzDecoder<wavelore::CSitorBDecoder>(data, size, 100);
}
