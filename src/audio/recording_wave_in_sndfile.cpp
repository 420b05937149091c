#include <new>

#include "audio/audio_file_reader.h"
#include "audio/recording_wave_in.h"

namespace wavelore {

namespace {

class CFileSampleSource final : public ISampleSource {
  public:
    bool Open(const std::string& path, std::string& error) { return m_reader.Open(path, error); }
    size_t Read(int16_t* out, size_t max) override { return m_reader.Read(out, max); }
    std::string Error() const override {
        return m_reader.Failed() ? m_reader.Error() : std::string();
    }

  private:
    CAudioFileReader m_reader;
};

}  // namespace

std::unique_ptr<ISampleSource> OpenRecordingSource(const std::string& path, std::string& error) {
    auto source = std::unique_ptr<CFileSampleSource>(new (std::nothrow) CFileSampleSource);
    if (!source) {
        error = "out of memory opening " + path;
        return nullptr;
    }
    if (!source->Open(path, error)) {
        return nullptr;
    }
    return source;
}

}  // namespace wavelore
