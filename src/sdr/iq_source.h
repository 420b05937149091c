#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <string>

namespace wavelore {

// What IQ samples are: their rate and the radio frequency at their 0 Hz.
struct IqFormat {
    double sampleRate = 0.0;  // complex samples per second
    double centreHz = 0.0;
};

// A source of complex samples from a radio or a recording, scaled so that
// full scale is 1. Read is called from one thread (the host's receiving
// thread); Stop, SamplesLost and Format from any.
class IIqSource {
  public:
    virtual ~IIqSource() = default;

    // Rate and centre of the samples Read gives.
    virtual IqFormat Format() const = 0;
    // Starts delivery (the device's stream, a recording's pacing). False
    // with a one-line reason.
    virtual bool Start(std::string& error) = 0;
    // Waits for samples and copies up to max of them to out; returns how
    // many. 0 means no more will come: the end of a recording, Stop, or a
    // failure (then Failed() is true and Error() says why, for example a
    // device unplugged while streaming).
    virtual size_t Read(std::complex<float>* out, size_t max) = 0;
    // Ends delivery and releases a Read waiting for samples. Idempotent.
    virtual void Stop() = 0;

    virtual bool Failed() const = 0;
    virtual std::string Error() const = 0;
    // Samples the radio produced that never reached Read because the host
    // fell behind (its buffers overflowed), at the source's rate.
    virtual uint64_t SamplesLost() const = 0;
    // The source in a few words for messages, e.g. "rtlsdr, 2048000 Hz".
    virtual std::string Description() const = 0;
};

}  // namespace wavelore
