#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/sample_rate.h"

namespace wavelore {

class CThreadMessageQueue;

// The wave-input layer: the calls and buffer semantics of the classic
// multimedia wave-input interface. The sound capture above it is written
// against that call sequence (prepare, add, start, a reset that returns
// every buffer), so a Windows port maps it straight onto the system calls.
// Implemented over PortAudio (real devices) and over a recording (a file
// played as if it were a capture device).
//
// Buffer rules: the caller owns every header and its data. A header is
// prepared once, then added to the device's queue; the device fills queued
// headers in the order they were added and, when one is full, marks it done
// and posts MM_WIM_DATA (wParam 0, lParam the header's address, not to be
// dereferenced by receivers that did not add it) to the notify queue. Reset
// stops capture and returns every queued header the same way, partly filled
// or empty. While a header is queued only the device touches it.

using MmResult = uint32_t;

constexpr MmResult MMSYSERR_NOERROR = 0;
constexpr MmResult MMSYSERR_ERROR = 1;
constexpr MmResult MMSYSERR_BADDEVICEID = 2;
constexpr MmResult MMSYSERR_ALLOCATED = 4;
constexpr MmResult MMSYSERR_INVALHANDLE = 5;
constexpr MmResult MMSYSERR_NODRIVER = 6;
constexpr MmResult MMSYSERR_NOMEM = 7;
constexpr MmResult MMSYSERR_INVALPARAM = 11;
constexpr MmResult WAVERR_BADFORMAT = 32;
constexpr MmResult WAVERR_STILLPLAYING = 33;
constexpr MmResult WAVERR_UNPREPARED = 34;

constexpr uint16_t WAVE_FORMAT_PCM = 1;

constexpr uint32_t WHDR_DONE = 0x01;
constexpr uint32_t WHDR_PREPARED = 0x02;
constexpr uint32_t WHDR_INQUEUE = 0x10;

// What the receiver asks of a device unless told otherwise: its one rate,
// mono, 16 bits.
struct WaveFormat {
    uint16_t formatTag = WAVE_FORMAT_PCM;
    uint16_t channels = 1;
    uint32_t samplesPerSec = kSampleRate;
    uint32_t avgBytesPerSec = 2 * kSampleRate;
    uint16_t blockAlign = 2;
    uint16_t bitsPerSample = 16;
    uint16_t cbSize = 0;
};

// What the receiver asks of every device: PCM, mono, 16 bits.
inline bool IsMono16Pcm(const WaveFormat& f) {
    return f.formatTag == WAVE_FORMAT_PCM && f.channels == 1 && f.bitsPerSample == 16 &&
           f.blockAlign == 2 && f.samplesPerSec > 0 && f.avgBytesPerSec == f.samplesPerSec * 2;
}

struct WaveInCaps {
    std::u16string productName;
    // What the device captures by default: its own rate (Hz) and its most
    // input channels. The receiver converts to what it asks for.
    uint32_t defaultRate = 0;
    uint16_t channels = 0;
};

struct WaveHeader {
    char* data = nullptr;
    uint32_t bufferLength = 0;  // bytes
    uint32_t bytesRecorded = 0;
    uint32_t flags = 0;
};

// An open device (the interface's device handle). Calls come from the
// application's threads; they are serialised inside the device.
class IWaveInDevice {
  public:
    virtual ~IWaveInDevice() = default;
    // Sets WHDR_PREPARED; MMSYSERR_INVALPARAM for a header without data or
    // with a length that is not a whole number of samples.
    virtual MmResult PrepareHeader(WaveHeader& header) = 0;
    // WAVERR_STILLPLAYING while the header is queued.
    virtual MmResult UnprepareHeader(WaveHeader& header) = 0;
    // WAVERR_UNPREPARED for an unprepared header, WAVERR_STILLPLAYING for
    // one already queued.
    virtual MmResult AddBuffer(WaveHeader& header) = 0;
    // Starts (or keeps) capturing; starting twice is not an error.
    virtual MmResult Start() = 0;
    // Stops capturing and returns every queued header as MM_WIM_DATA, in
    // queue order, before it returns.
    virtual MmResult Reset() = 0;
    // Resets if needed and releases the device; afterwards only the
    // destructor may be called. No MM_WIM_DATA is posted after Close.
    virtual MmResult Close() = 0;
};

class IWaveInDriver {
  public:
    virtual ~IWaveInDriver() = default;
    virtual uint32_t GetNumDevs() = 0;
    // MMSYSERR_BADDEVICEID for an id at or past GetNumDevs.
    virtual MmResult GetDevCaps(uint32_t deviceId, WaveInCaps& caps) = 0;
    // Opens the device for the format; filled buffers are announced to
    // notify, which must outlive the device. WAVERR_BADFORMAT when the device
    // cannot deliver the format.
    virtual MmResult Open(uint32_t deviceId, const WaveFormat& format, CThreadMessageQueue* notify,
                          std::unique_ptr<IWaveInDevice>& device) = 0;
    // Captured samples that never reached a buffer because the receiver or
    // the host fell behind, counted at the opened format's rate, over every
    // device this driver opened. Safe to call from any thread at any time.
    virtual uint64_t SamplesLost() const { return 0; }
};

}  // namespace wavelore
