#pragma once

#include <cstdint>
#include <random>

namespace wavelore::synth {

// Gaussian noise of unit variance from a seeded Mersenne Twister. The normal
// deviate is made here (Box-Muller) rather than by the standard library's
// distribution, whose algorithm differs between library vendors: the same
// seed gives the same recording everywhere.
class CNoiseSource {
  public:
    explicit CNoiseSource(uint32_t seed) : m_engine(seed) {}

    double Next();

  private:
    // Uniform in (0, 1), never 0, so the logarithm below is finite.
    double Uniform() { return (static_cast<double>(m_engine()) + 0.5) / 4294967296.0; }

    std::mt19937 m_engine;
    double m_spare = 0.0;
    bool m_hasSpare = false;
};

}  // namespace wavelore::synth
