// What the acceleration and IMU decoders write to and work in.
//
// The block loop builds one AccContext per tag: the tag's streams, its state
// (feature word, GPS record counter, statistics) and the scratch objects a burst
// is unpacked, filtered and transformed in. The scratch objects are created once
// per tag and refilled by every burst, so decoding a record allocates nothing.
#pragma once

#include <cstdint>

#include "common/output_plan.h"
#include "common/outstream.h"
#include "common/tag_state.h"
#include "dsp/burst.h"
#include "dsp/burst_dsp.h"

namespace dec {

class BurstBatch;

// Spectrum bins of the longest burst axis: bins 0 .. n/2.
inline constexpr int32_t kAccSpectrumBins = kBurstMaxSamples / 2 + 1;

// The samples of the burst being decoded and one axis's spectrum.
struct AccBuffers {
    BurstSamples burst;
    int16_t spectrum[kAccSpectrumBins];
};

struct AccContext {
    OutputPlan plan;
    OutStream& acc;   // ACC lines (the main stream unless MOVEBANK)
    OutStream& info;  // the tag's information stream
    OutStream& quat;  // QUATCMP lines, or the MOVEBANK quaternion file
    OutStream& mag;   // the MOVEBANK magnetic-field file
    TagState& tag;    // tag number, feature word, GPS record counter, statistics
    BurstDsp& dsp;
    AccBuffers& buffers;
    // Where bursts that need the filter may wait to be filtered side by side
    // (burst_batch.h); none: each is written as it comes.
    BurstBatch* batch = nullptr;
};

}  // namespace dec
