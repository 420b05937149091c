#pragma once

#include <complex>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "sdr/iq_sample_format.h"
#include "sdr/iq_source.h"

namespace wavelore {

// Where IQ samples are recorded and what the file itself does not say.
struct IqFileSettings {
    std::string path;  // "-" reads raw samples from standard input
    // Raw interleaved samples in this format; none for a sound file (WAV
    // and the others the sound-file library reads) of two channels, I left
    // and Q right, as SDR programs record IQ.
    std::optional<IqSampleFormat> format;
    double sampleRate = 0.0;  // Hz; needed for raw samples, a sound file has its own
    // The radio frequency at 0 Hz. Needed unless the sound file carries
    // it: in an "auxi" chunk or in its name ("..._518000Hz_IQ.wav").
    std::optional<double> centreHz;
};

// Fills in the format of the recording at path: raw samples of the format
// named (cu8, cs16, cf32), a sound file for "wav", and by the file's
// extension when formatName is empty. False with a one-line reason when
// neither names a format.
bool ChooseIqFileFormat(const std::string& path, const std::string& formatName,
                        IqFileSettings& settings, std::string& error);

// Reads an IQ recording in pieces, so hours of samples never have to fit
// in memory.
class CIqFileReader {
  public:
    CIqFileReader();
    ~CIqFileReader();
    CIqFileReader(const CIqFileReader&) = delete;
    CIqFileReader& operator=(const CIqFileReader&) = delete;

    // False with a one-line reason that names the file.
    bool Open(const IqFileSettings& settings, std::string& error);
    // Fills out with up to max samples; 0 at the end or on a read error
    // (then Failed() is true and Error() says why).
    size_t Read(std::complex<float>* out, size_t max);

    IqFormat Format() const;
    bool Failed() const;
    const std::string& Error() const;
    // The recording as found, e.g. "cu8, 2048000 Hz, centre 504000 Hz".
    std::string Description() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// The centre frequency an SDR program put in a recording's name
// ("SDR_20240101_120000Z_518000Hz_IQ.wav": a number of hertz between
// underscores or before the extension); none when the name has none.
std::optional<double> CentreFromFileName(const std::string& path);

}  // namespace wavelore
