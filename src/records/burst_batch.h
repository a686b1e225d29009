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
// Holding bursts back must not reorder any output: the record entry of the
// tag (tag_records.h) writes them out before it hands over any record that is
// not a burst, and before the tag's loop writes anything of its own. A burst
// decoder writes nothing itself: what it has to say about a burst (a sensor
// overflow) goes with the burst.
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

    // Keeps the burst (its samples in ctx.buffers.burst) when write_burst
    // would filter it as it stands, writing all held bursts once kBursts
    // wait; otherwise writes the held bursts and then this one.
    void put(const BurstLine& line, AccContext& ctx);
    // Filters the held bursts together and writes them in order; ctx.buffers
    // then hold the last one's samples.
    void write_held(AccContext& ctx);

  private:
    static bool takes(const BurstLine& line, const AccContext& ctx);
    void add(const BurstLine& line, AccContext& ctx);
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

// What a burst decoder does with a decoded burst: it waits in ctx.batch when
// the tag has one, else it is written now.
void put_burst(const BurstLine& line, AccContext& ctx);

}  // namespace dec
