#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

#include "audio/wave_in.h"

namespace wavelore {

// Samples of a recording, 11025 Hz mono signed 16-bit, read in pieces.
class ISampleSource {
  public:
    virtual ~ISampleSource() = default;
    // Fills out with up to max samples; 0 at the end (or on a read error).
    virtual size_t Read(int16_t* out, size_t max) = 0;
    // Why the last Read returned 0 when it was not the end; empty otherwise.
    virtual std::string Error() const { return {}; }
};

// Opens a WAV, FLAC or raw recording (anything the audio file reader takes)
// as a sample source; null with a one-line reason on failure.
std::unique_ptr<ISampleSource> OpenRecordingSource(const std::string& path, std::string& error);

// A wave-input driver with a single device that plays a recording as if it
// were being captured, so every path of the receiver can be driven by one.
//
// Pace::RealTime delivers samples at 11025 per second; samples that arrive
// while no buffer is queued are lost, as on a sound card. Pace::AsTaken
// fills each buffer as soon as it is queued and loses nothing: the
// receiver's own speed sets the pace (batch runs, tests).
//
// At the end of the recording a partly filled buffer is completed with
// silence and delivered, and WM_SOUND_ENDED follows it; then the device
// stays open but silent.
//
// Paused, nothing is read or delivered and nothing is lost: the recording
// goes on from where it stood when resumed. The pace can change while it
// plays.
class CRecordingWaveIn final : public IWaveInDriver {
  public:
    enum class Pace { RealTime, AsTaken };

    // name: the product name the device reports.
    CRecordingWaveIn(std::unique_ptr<ISampleSource> source, std::u16string name, Pace pace);
    ~CRecordingWaveIn() override;
    CRecordingWaveIn(const CRecordingWaveIn&) = delete;
    CRecordingWaveIn& operator=(const CRecordingWaveIn&) = delete;

    uint32_t GetNumDevs() override { return 1; }
    MmResult GetDevCaps(uint32_t deviceId, WaveInCaps& caps) override;
    // 11025 Hz mono 16-bit only; one open device at a time.
    MmResult Open(uint32_t deviceId, const WaveFormat& format, CThreadMessageQueue* notify,
                  std::unique_ptr<IWaveInDevice>& device) override;

    void SetPace(Pace pace);
    Pace GetPace() const;
    void SetPaused(bool paused);
    bool Paused() const;

    // True once the whole recording has been delivered.
    bool Ended() const;
    // Buffers announced so far, full or returned by a reset.
    uint64_t BuffersDelivered() const;
    // Samples lost because no buffer was queued (real-time pace only).
    uint64_t SamplesLost() const override;
    // The source's read error, once Ended; empty for a clean end.
    std::string SourceError() const;

    struct State;

  private:
    std::shared_ptr<State> m_state;
    std::u16string m_name;
};

}  // namespace wavelore
