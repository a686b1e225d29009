// The spectrum of an earlier tree of this decoder, for timing beside the
// current one in the same run (dft_sweep built with DEC_PREVIOUS_TREE).
#pragma once

#include <cstdint>
#include <memory>

namespace bench {

class PreviousSpectrum {
  public:
    PreviousSpectrum();
    ~PreviousSpectrum();
    PreviousSpectrum(const PreviousSpectrum&) = delete;
    PreviousSpectrum& operator=(const PreviousSpectrum&) = delete;

    // The earlier tree's spectrum of n samples; returns bin 1 as it printed it.
    int32_t run(const int16_t* samples, int32_t n);

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace bench
