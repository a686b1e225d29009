#include "records/burst_batch.h"

#include <algorithm>

namespace dec {

BurstBatch::BurstBatch()
    : held_(std::make_unique<Held[]>(kBursts)),
      lows_(static_cast<size_t>(kBursts) * kBurstMaxAxes * kBurstMaxSamples),
      kept_(std::make_unique<BurstSamples>()) {}

bool BurstBatch::takes(const BurstLine& line, const AccContext& ctx) {
    if (!ctx.dsp.filters_streams() || line.n <= NR_OF_EXTPOL_SAMPLES || line.n > kBurstMaxSamples ||
        line.axis_count < 1 || line.axis_count > kBurstMaxAxes) {
        return false;
    }
    // write_burst's first filter runs on the raw samples: the plan's filter,
    // or else the low-pass of the statistics and of the spectrum line.
    const OutputPlan& plan = ctx.plan;
    if (plan.acc_filter != AccFilter::none) {
        return true;
    }
    return (plan.acc_form == AccForm::statistics || plan.acc_form == AccForm::spectrum_line) &&
           !plan.variance;
}

double* BurstBatch::low_of(int burst, int axis) {
    return lows_.data() + static_cast<size_t>(burst * kBurstMaxAxes + axis) * kBurstMaxSamples;
}

void BurstBatch::add(const BurstLine& line, AccContext& ctx) {
    Held& h = held_[static_cast<size_t>(count_)];
    h.line = line;
    // The axis letters live with the decoder that made the line.
    std::fill_n(h.letters, kBurstMaxAxes + 1, '\0');
    for (int a = 0; a < kBurstMaxAxes && line.axes[a] != '\0'; ++a) {
        h.letters[a] = line.axes[a];
    }
    h.line.axes = h.letters;
    const BurstSamples& s = ctx.buffers.burst;
    for (int a = 0; a < line.axis_count; ++a) {
        std::copy_n(s.samples[a], line.n, h.samples.samples[a]);
    }
    std::copy_n(s.count, kBurstMaxAxes, h.samples.count);
    h.samples.axes = s.axes;
    if (++count_ == kBursts) {
        write_held(ctx);
    }
}

void BurstBatch::write_held(AccContext& ctx) {
    if (count_ == 0) {
        return;
    }
    int32_t n[BurstDsp::kMaxStreams];
    const int16_t* in[BurstDsp::kMaxStreams];
    double* out[BurstDsp::kMaxStreams];
    int streams = 0;
    for (int i = 0; i < count_; ++i) {
        const Held& h = held_[static_cast<size_t>(i)];
        for (int a = 0; a < h.line.axis_count; ++a) {
            n[streams] = h.line.n;
            in[streams] = h.samples.samples[a];
            out[streams] = low_of(i, a);
            ++streams;
        }
    }
    static_assert(kBursts * kBurstMaxAxes <= BurstDsp::kMaxStreams);
    ctx.dsp.filter_fb_streams(streams, n, in, out, kFilterRelativeCutoff);
    // The bursts are written from ctx's buffers, as they came; clear the count
    // first, so that nothing written on the way finds them again.
    const int held = count_;
    count_ = 0;
    BurstSamples& s = ctx.buffers.burst;
    for (int i = 0; i < held; ++i) {
        const Held& h = held_[static_cast<size_t>(i)];
        const double* lows[kBurstMaxAxes];
        for (int a = 0; a < h.line.axis_count; ++a) {
            std::copy_n(h.samples.samples[a], h.line.n, s.samples[a]);
            lows[a] = low_of(i, a);
        }
        std::copy_n(h.samples.count, kBurstMaxAxes, s.count);
        s.axes = h.samples.axes;
        ctx.dsp.provide_lowpass(h.line.axis_count, h.line.n, lows);
        write_burst(h.line, ctx);
    }
}

void BurstBatch::put(const BurstLine& line, AccContext& ctx) {
    if (takes(line, ctx)) {
        add(line, ctx);
        return;
    }
    if (count_ != 0) {
        // The held bursts are written before this one, which stays in ctx.buffers.
        *kept_ = ctx.buffers.burst;
        write_held(ctx);
        ctx.buffers.burst = *kept_;
    }
    write_burst(line, ctx);
}

void put_burst(const BurstLine& line, AccContext& ctx) {
    if (ctx.batch != nullptr) {
        ctx.batch->put(line, ctx);
    } else {
        write_burst(line, ctx);
    }
}

}  // namespace dec
