// Bursts held back so that their filters run side by side.
//
// The low-pass filter of a burst axis is a recursion whose every operation
// waits on the one before, and its order fixes the printed bits. The axes of
// one burst already run in the lanes of one vector register; a tag's bursts
// with one or two axes leave most lanes idle. So the block loop hands bursts
// that need the filter to a BurstBatch, which keeps a few of them, filters all
// their axes together (axes of one length four at a time) and then writes each
// burst as write_burst would have, in the order they came.
//
// Holding bursts back must not reorder any output: the block loop writes them
// out (flush) before anything else of the tag is decoded or written, and a
// burst decoder that is about to write a message of its own does the same.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "records/acc_context.h"
#include "records/acc_output.h"

namespace dec {

class BurstBatch {
  public:
    // Bursts held at most before they are written.
    static constexpr int kBursts = 12;

    BurstBatch();

    // Whether `line` (its samples in ctx.buffers.burst) would be filtered as
    // it stands by write_burst, so that it may wait here.
    static bool takes(const BurstLine& line, const AccContext& ctx);
    // Keeps the burst; filters and writes all held bursts once kBursts wait.
    void add(const BurstLine& line, AccContext& ctx);
    // Filters the held bursts together and writes them in order; ctx.buffers
    // then hold the last one's samples.
    void flush(AccContext& ctx);
    // flush, keeping the burst in ctx.buffers (one that does not wait).
    void flush_before(AccContext& ctx);

  private:
    struct Held {
        BurstLine line;  // its axes point to `letters`
        char letters[kBurstMaxAxes + 1];
        BurstSamples samples;
    };
    // Low-pass values of axis `axis` of held burst `burst`.
    double* low_of(int burst, int axis);

    std::unique_ptr<Held[]> held_;
    std::vector<double> lows_;  // kBursts * kBurstMaxAxes axes of kBurstMaxSamples
    std::unique_ptr<BurstSamples> kept_;
    int count_ = 0;
};

// Writes out the bursts ctx holds back, if any: before a decoder writes
// anything else.
void flush_held_bursts(AccContext& ctx);

}  // namespace dec
