#pragma once

#include <memory>
#include <string>

#include "sdr/iq_file_reader.h"
#include "sdr/iq_source.h"
#include "sdr/iq_stream.h"

namespace wavelore {

// An IQ recording as a source. Pace::RealTime plays it like a radio: a
// thread of its own delivers the samples at their rate through the same
// ring a device uses, so a host that falls behind loses samples (counted)
// as it would on a radio. Pace::AsTaken reads the file on the reader's
// thread as fast as it asks and loses nothing (batch runs, tests).
class CIqFileSource final : public IIqSource {
  public:
    enum class Pace { RealTime, AsTaken };

    // Null with a one-line reason naming the file.
    static std::unique_ptr<CIqFileSource> Open(const IqFileSettings& settings, Pace pace,
                                               std::string& error);
    ~CIqFileSource() override;

    IqFormat Format() const override { return m_format; }
    bool Start(std::string& error) override;
    size_t Read(std::complex<float>* out, size_t max) override;
    void Stop() override;
    bool Failed() const override;
    std::string Error() const override;
    uint64_t SamplesLost() const override;
    std::string Description() const override { return m_description; }

  private:
    CIqFileSource(Pace pace) : m_pace(pace) {}

    const Pace m_pace;
    CIqFileReader m_reader;
    IqFormat m_format;
    std::string m_description;
    CIqStream m_stream;
    bool m_started = false;
    std::atomic<bool> m_stopped{false};
};

}  // namespace wavelore
