// Compiled against the earlier tree's headers, with its namespace renamed
// (-Ddec=dec_previous) so that its library links beside the current one.
#include "earlier_dft.h"

#include <string>
#include <vector>

#include "common/outstream.h"
#include "dsp/burst_dsp.h"

namespace bench {

struct PreviousSpectrum::State {
    std::string console_text;
    dec::OutStream console{&console_text};
    dec::BurstDsp dsp{console};
    std::vector<double> bins = std::vector<double>(dec::kBurstMaxSamples / 2 + 1);
};

PreviousSpectrum::PreviousSpectrum() : state_(std::make_unique<State>()) {}
PreviousSpectrum::~PreviousSpectrum() = default;

int32_t PreviousSpectrum::run(const int16_t* samples, int32_t n) {
    state_->dsp.acc_dft(samples, n, state_->bins.data());
    return n > 1 ? static_cast<int32_t>(state_->bins[1]) : 0;
}

}  // namespace bench
