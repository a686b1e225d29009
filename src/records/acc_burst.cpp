#include "records/acc_burst.h"

#include <algorithm>
#include <array>

#include "records/acc_output.h"
#include "records/acc_record.h"
#include "records/burst_batch.h"
#include "records/fletcher32.h"
#include "settings/features.h"
#include "settings/tt5_9.h"

namespace dec {

namespace {

// The key-bin checksum covers the record as the checksum test leaves it in the
// tag software: byte 7 then holds the high seed byte.
uint32_t burst_key(const uint8_t* record, uint32_t length, uint16_t seed) {
    std::array<uint8_t, kAccMaxRecordLength> copy;
    std::copy(record, record + length, copy.begin());
    copy[7] = static_cast<uint8_t>(seed >> 8);
    return fletcher32(copy.data(), static_cast<int32_t>(length));
}

void count_burst(uint32_t time, uint32_t length, TagStatistics& stats) {
    stats.acc_bytes += length;
    stats.acc_bursts += 1;
    if (time > kStatsEarliestTime) {
        stats.last_fix_time = time;
        if (stats.first_fix_time == 0) {
            stats.first_fix_time = time;
        }
    }
}

void unpack_and_put(const uint8_t* record, uint32_t length, BurstFamily family, uint32_t time,
                    const BurstAxes& axes, const MmaRate& rate, const AxisInversion& inversion,
                    uint32_t key, AccContext& ctx) {
    const int32_t n = unpack_burst_samples(record, length, kAccHeaderSize, axes.count, inversion,
                                           ctx.buffers.burst);
    const BurstLine line{family, time,    0.0, axes.letters, axes.count,
                         n,      rate.hz, key, rate.overflow};
    put_burst(line, ctx);
}

// Tags 3 to 8 have no columns, statistics or filters: they write one plain
// line per burst (or its spectra).
void as_early_tag(OutputPlan& plan) {
    if (plan.acc_form == AccForm::columns || plan.acc_form == AccForm::statistics) {
        plan.acc_form = AccForm::line;
    }
    plan.acc_filter = AccFilter::none;
    plan.variance = false;
}

// Software versions 6 to 8 fill in the length and sum bytes: the sum over all
// bytes with byte 7 taken as 0 and the running sum standing in byte 6 when it
// is passed, as in software-9 bursts. The tag's own check leaves byte 7 at 0,
// and the key-bin checksum covers the record as the check leaves it.
bool accept_checked_burst(uint8_t* record, uint32_t length) {
    if (check_acc_burst(record, length, 0) != RecordCheck::ok) {
        return false;
    }
    record[7] = 0;
    return true;
}

}  // namespace

void decode_acc_burst(const uint8_t* record, uint32_t length, int variant, AccContext& ctx) {
    const auto seed = static_cast<uint16_t>(variant == 1 ? ctx.tag.tag_number & 0xFFFF : 0);
    if (!ctx.plan.acc || check_acc_burst(record, length, seed) != RecordCheck::ok) {
        return;
    }
    const AccBurstHeader h = read_acc_burst_header(record);
    count_burst(h.time, length, ctx.tag.stats);
    const uint32_t key = wants_keys(ctx.plan) ? burst_key(record, length, seed) : 0;

    const BurstAxes axes = burst_axes(h.axis_bits);
    const uint32_t features = ctx.tag.feature_word;
    const bool mma = (features & FEATURE_WITH_MMA8452_SMBUS) != 0;
    // The MMA8452 sensor's byte 5 is the rate divider and an overflow flag.
    const MmaRate rate = mma ? mma8452_rate(h.rate_code)
                             : MmaRate{acc_rate_from_code(h.rate_code, axes.count), false};
    const bool v2_board = (features & FEATURE_WITH_GPSACCGSMV2) != 0 &&
                          (features & FEATURE_BOTHSENSORSBOTTOMSIDE) == 0;
    unpack_and_put(record, length, BurstFamily::acc, h.time, axes, rate,
                   acc_inversion(axes, mma, v2_board), key, ctx);
}

void decode_acc_burst_v9(const uint8_t* record, uint32_t length, AccContext& ctx) {
    if (!ctx.plan.acc || check_acc_burst(record, length, 0) != RecordCheck::ok) {
        return;
    }
    const AccBurstHeader h = read_acc_burst_header(record);
    const uint32_t key = wants_keys(ctx.plan) ? burst_key(record, length, 0) : 0;

    BurstAxes axes = burst_axes(h.axis_bits);
    // Software-9 tags with the MMA8452 accelerometer carry settings records of
    // version 7 (the divisor form of the sample rate).
    const bool mma = ctx.tag.settings_version == kTt5_9VersionMma8452;
    MmaRate rate{0.0, false};
    if (mma) {
        rate = mma8452_rate(h.rate_code);
    } else if (h.rate_code == kAccV9RateCodeXyz12Hz) {
        axes = burst_axes(kAccAxisX | kAccAxisY | kAccAxisZ);
        rate.hz = 12.0;
    } else {
        rate.hz = acc_rate_from_code(h.rate_code,
                                     acc_v9_rate_per_axis(ctx.tag.tag_number) ? 1 : axes.count);
    }
    unpack_and_put(record, length, BurstFamily::acc_v9, h.time, axes, rate,
                   acc_inversion(axes, mma, false), key, ctx);
}

void decode_acc_burst_gen3(uint8_t* record, uint32_t length, AccContext& ctx) {
    // The burst's own plan: early tags and rate codes without a rate change it.
    AccContext burst = ctx;
    OutputPlan& plan = burst.plan;
    if (!plan.acc || length < kAccHeaderSize) {
        return;
    }
    if (plan.gen3.acc_checked && !accept_checked_burst(record, length)) {
        return;
    }
    const uint32_t key = wants_keys(plan) ? fletcher32(record, static_cast<int32_t>(length)) : 0;
    const AccBurstHeader h = read_acc_burst_header(record);

    // The tag number decides what the axes byte is worth: tags with only a Z
    // sensor, and early tags whose bursts are one unnamed series.
    BurstAxes axes = burst_axes(h.axis_bits);
    if (plan.gen3.z_axis_tag) {
        axes = BurstAxes{{'Z', 0, 0, 0}, 1};
    }
    if (plan.gen3.early_tag) {
        axes = BurstAxes{{0, 0, 0, 0}, 1};
        as_early_tag(plan);
    }
    double rate = acc_rate_from_code(h.rate_code, axes.count);
    if (h.rate_code > kAccLastRateCode) {
        plan.subseconds = false;
    }
    if (plan.gen3.early_tag || plan.gen3.z_axis_tag) {
        rate = 1.0;
    }
    const AxisInversion none{{false, false, false}};
    const int32_t n =
        unpack_burst_samples(record, length, kAccHeaderSize, axes.count, none, ctx.buffers.burst);
    // Written at once: a burst with a plan of its own does not wait for others.
    write_burst(BurstLine{BurstFamily::gen3, h.time, 0.0, axes.letters, axes.count, n, rate, key},
                burst);
}

}  // namespace dec
