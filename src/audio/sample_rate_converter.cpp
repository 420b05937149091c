#include "audio/sample_rate_converter.h"

#include <samplerate.h>

#include <cmath>
#include <new>

namespace wavelore {

namespace {

// The converter the audio file reader uses too, so a card at 48 kHz gives
// the receiver what a 48 kHz recording gives it; under 1 % of one core at
// 48 kHz (bench_capture_conversion).
constexpr int kConverter = SRC_SINC_MEDIUM_QUALITY;

}  // namespace

struct CSampleRateConverter::Impl {
    SRC_STATE* state = nullptr;
    double ratio = 1.0;
    size_t maxInput = 0;
    size_t maxOutput = 0;
    std::unique_ptr<float[]> in;
    std::unique_ptr<float[]> out;
    std::unique_ptr<int16_t[]> samples;

    ~Impl() {
        if (state != nullptr) {
            src_delete(state);
        }
    }
};

CSampleRateConverter::CSampleRateConverter() = default;
CSampleRateConverter::~CSampleRateConverter() = default;

bool CSampleRateConverter::Open(double inputRate, double outputRate, size_t maxInput) {
    m_impl.reset();
    if (!(inputRate > 0) || !(outputRate > 0) || maxInput == 0) {
        return false;
    }
    const double ratio = outputRate / inputRate;
    if (!src_is_valid_ratio(ratio)) {
        return false;
    }
    auto impl = std::unique_ptr<Impl>(new (std::nothrow) Impl);
    if (!impl) {
        return false;
    }
    int error = 0;
    impl->state = src_new(kConverter, 1, &error);
    impl->ratio = ratio;
    impl->maxInput = maxInput;
    // Room for all of a piece's output, so every call takes all its input.
    impl->maxOutput = static_cast<size_t>(std::ceil(static_cast<double>(maxInput) * ratio)) + 64;
    impl->in.reset(new (std::nothrow) float[maxInput]);
    impl->out.reset(new (std::nothrow) float[impl->maxOutput]);
    impl->samples.reset(new (std::nothrow) int16_t[impl->maxOutput]);
    if (impl->state == nullptr || !impl->in || !impl->out || !impl->samples) {
        return false;
    }
    m_impl = std::move(impl);
    return true;
}

bool CSampleRateConverter::Process(const int16_t* in, size_t count, const int16_t*& out,
                                   size_t& produced) {
    out = nullptr;
    produced = 0;
    if (!m_impl || count > m_impl->maxInput) {
        return false;
    }
    Impl& d = *m_impl;
    out = d.samples.get();
    if (count == 0) {
        return true;
    }
    src_short_to_float_array(in, d.in.get(), static_cast<int>(count));
    size_t used = 0;
    while (used < count && produced < d.maxOutput) {
        SRC_DATA data{};
        data.data_in = d.in.get() + used;
        data.input_frames = static_cast<long>(count - used);
        data.data_out = d.out.get() + produced;
        data.output_frames = static_cast<long>(d.maxOutput - produced);
        data.src_ratio = d.ratio;
        if (src_process(d.state, &data) != 0) {
            produced = 0;
            return false;
        }
        used += static_cast<size_t>(data.input_frames_used);
        produced += static_cast<size_t>(data.output_frames_gen);
        if (data.input_frames_used == 0 && data.output_frames_gen == 0) {
            break;
        }
    }
    src_float_to_short_array(d.out.get(), d.samples.get(), static_cast<int>(produced));
    return true;
}

void CSampleRateConverter::Reset() {
    if (m_impl) {
        src_reset(m_impl->state);
    }
}

}  // namespace wavelore
