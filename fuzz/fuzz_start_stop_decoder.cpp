// The start-stop (RTTY) decoder at twice 50 baud, as the receiver runs it:
// half bits or demodulator output in (layout in decoder_fuzzing.h).

#include "decoder_fuzzing.h"
#include "dsp/start_stop_decoder.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    return wavelore::fuzz::FuzzDecoder<wavelore::CStartStopDecoder>(data, size, 100);
}
