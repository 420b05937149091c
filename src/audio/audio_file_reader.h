#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace wavelore {

// Reads a recording as the receiver hears it: signed 16-bit mono samples at
// 11025 Hz, streamed in pieces so that hours of audio or an endless pipe
// never have to fit in memory.
//
// Accepted inputs:
//   "-"                 standard input, raw signed 16-bit little-endian mono 11025 Hz
//   "*.raw", "*.s16le"  a file in that same raw form
//   anything else       a WAV, FLAC or other file the sound-file library knows, at
//                       any rate, sample format and channel count; channels are
//                       averaged and the rate is converted to 11025 Hz
class CAudioFileReader {
  public:
    CAudioFileReader();
    ~CAudioFileReader();
    CAudioFileReader(const CAudioFileReader&) = delete;
    CAudioFileReader& operator=(const CAudioFileReader&) = delete;

    // Opens path (closing any previous input). On failure returns false and
    // sets error to a one-line reason that names the input.
    bool Open(const std::string& path, std::string& error);
    void Close();
    bool IsOpen() const;

    // Fills out with up to max samples; returns how many. 0 means the end of
    // the input or a read error (then Failed() is true and Error() says why).
    // Samples already returned stay valid either way.
    size_t Read(int16_t* out, size_t max);

    bool Failed() const;
    const std::string& Error() const;

    // The source as found, e.g. "WAV, 48000 Hz, 2 channels", for diagnostics.
    const std::string& Description() const;
    // Source sample rate in Hz (11025 for raw input); 0 when nothing is open.
    int32_t SourceRate() const;
    int32_t SourceChannels() const;

  private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};

// True when path names raw S16_LE input by its extension (.raw, .s16le).
bool IsRawAudioPath(const std::string& path);

}  // namespace wavelore
