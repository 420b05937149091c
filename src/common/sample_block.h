#pragma once

#include <cstdint>
#include <memory>

namespace wavelore {

// A block of 64-bit samples that owns its array. Blocks are never shared:
// every hand-over between parts makes a copy (Copy), and the receiver releases
// it. An allocation failure leaves the block empty (no array, count 0).
class SampleBlock {
  public:
    SampleBlock() = default;
    // Allocates count values and copies source, or zeros when source is null.
    SampleBlock(const double* source, int32_t count);

    SampleBlock(SampleBlock&&) noexcept = default;
    SampleBlock& operator=(SampleBlock&&) noexcept = default;
    SampleBlock(const SampleBlock&) = delete;
    SampleBlock& operator=(const SampleBlock&) = delete;

    // An independent copy; empty if the allocation fails.
    SampleBlock Copy() const { return SampleBlock(m_data.get(), m_count); }
    void Release();

    bool Empty() const { return m_data == nullptr; }
    int32_t Count() const { return m_count; }
    double* Data() { return m_data.get(); }
    const double* Data() const { return m_data.get(); }
    double& operator[](int32_t i) { return m_data[i]; }
    double operator[](int32_t i) const { return m_data[i]; }

  private:
    std::unique_ptr<double[]> m_data;
    int32_t m_count = 0;
};

}  // namespace wavelore
