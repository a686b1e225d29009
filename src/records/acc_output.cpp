#include "records/acc_output.h"

#include <cstddef>
#include <string_view>

#include "common/action.h"
#include "common/tagtime.h"

namespace dec {

namespace {

constexpr uint32_t kSpectrumModes = ACT_ACC_DFT | ACT_ACC_DFT_LINE;

// What sets the families' output apart.
struct BurstStyle {
    const char* line;      // a burst on one line
    const char* row;       // a row of ACT_ACC_COLUMNS
    const char* stats;     // a statistics line
    const char* spectrum;  // spectrum lines, followed by the axis letter in form A
    bool movebank_version; // MOVEBANK lines start with the decoder version
    bool activity_sum;     // with ACT_STATS_LINE statistics only feed the STATS line
    AxesOverflowReport overflow;
};

static constexpr BurstStyle kStyles[] = {
    {"ACC,", "ACC,", "ACC,", "ACCF", true, true, AxesOverflowReport::console},       // acc
    {"ACC,", "", "", "ACCF", true, false, AxesOverflowReport::log},                  // acc_v9
    {"ACCN,", "ACCN,", "ACCN,", "ACCNF", true, true, AxesOverflowReport::console},   // newacc
    {"ACC,", "", "", "ACCF", false, false, AxesOverflowReport::console},             // gen3
};

static_assert(sizeof kStyles / sizeof kStyles[0] == static_cast<size_t>(BurstFamily::gen3) + 1,
              "one style per burst family");

const BurstStyle& style_of(BurstFamily f) { return kStyles[static_cast<int>(f)]; }

// The burst's time stamp on a line that holds the whole burst: IMU records
// always carry their sub-second start, acceleration bursts the whole second.
void write_burst_time(const BurstLine& b, OutStream& out, uint32_t action) {
    if (b.family == BurstFamily::newacc) {
        print_acc_time_us(b.time, whole_microseconds(b.first_us), out, action);
    } else {
        print_acc_time(b.time, out, action);
    }
}

void write_movebank_start(const BurstLine& b, AccContext& ctx) {
    OutStream& out = ctx.acc;
    if (style_of(b.family).movebank_version) {
        out.put_hhu(kDecoderVersion);
        out.put_char(',');
    }
    out.put_u32_width(b.key, 10);
    out.put_char(',');
    out.put_i32(static_cast<int32_t>(ctx.tag.tag_number));
    out.put_char(',');
    if (b.family == BurstFamily::newacc) {
        print_tag_time_iso_us(b.time, whole_microseconds(b.first_us), out);
    } else {
        print_tag_time_iso(b.time, out);
    }
    out.put_char(',');
    out.put_fixed(b.rate, 2);
    out.put_char(',');
    out.put(b.axes);
    out.put_char(',');
}

// Sample j of every axis, separated, and `after` behind the last axis.
void write_sample(OutStream& out, const BurstSamples& s, int8_t axes, int32_t j, char separator,
                  char after) {
    // At most three 16-bit values of six characters and their separators.
    char* p = out.reserve(kBurstMaxAxes * 7);
    for (int a = 0; a < axes && a < kBurstMaxAxes; ++a) {
        if (a > 0) {
            *p++ = separator;
        }
        p = format_i16(p, s.samples[a][j]);
    }
    *p++ = after;
    out.commit(p);
}

// Form A: one spectrum line per axis.
void write_axis_spectra(const BurstLine& b, uint32_t action, AccContext& ctx) {
    const BurstSamples& s = ctx.buffers.burst;
    const int32_t bins = b.n / 2 + 1;
    for (int a = 0; a < b.axis_count; ++a) {
        ctx.acc.put(style_of(b.family).spectrum);
        if (b.axes[0] != '\0') {
            ctx.acc.put_char(b.axes[a]);
        }
        ctx.acc.put_char(',');
        write_burst_time(b, ctx.acc, action);
        ctx.dsp.acc_dft(s.samples[a], b.n, ctx.buffers.spectrum);
        write_spectrum_values(ctx.acc, ctx.buffers.spectrum, bins, true);
    }
}

// Form B: deviations and the spectra of all axes on one line.
void write_spectrum_line(const BurstLine& b, uint32_t action, AccContext& ctx) {
    const BurstSamples& s = ctx.buffers.burst;
    BurstMoments m{};
    if (ctx.dsp.calc_acc_stddev_and_mean(b.axis_count, b.n, s, m, action, ctx.info,
                                         style_of(b.family).overflow) != 0) {
        if constexpr (kRecordDebugLevel > 10) {
            ctx.acc.put("Error in calc_acc_stddev_and_mean().\n");
        }
        return;
    }
    const int32_t bins = b.n / 2 + 1;
    ctx.acc.put(style_of(b.family).spectrum);
    ctx.acc.put_char(',');
    write_burst_time(b, ctx.acc, action);
    ctx.acc.put(b.axes);
    ctx.acc.put_char(',');
    ctx.acc.put_i32(bins);
    ctx.acc.put_char(',');
    for (int a = 0; a < b.axis_count; ++a) {
        ctx.acc.put_fixed(m.deviation[a], 3);
        ctx.acc.put_char(',');
    }
    for (int a = 0; a < b.axis_count; ++a) {
        ctx.dsp.acc_dft(s.samples[a], b.n, ctx.buffers.spectrum);
        write_spectrum_values(ctx.acc, ctx.buffers.spectrum, bins, a + 1 == b.axis_count);
    }
}

// Form C: statistics line, or only the activity sum of the STATS line.
void write_statistics(const BurstLine& b, uint32_t action, AccContext& ctx) {
    const BurstSamples& s = ctx.buffers.burst;
    BurstMoments m{};
    if (ctx.dsp.calc_acc_stddev_and_mean(b.axis_count, b.n, s, m, action, ctx.info,
                                         style_of(b.family).overflow) != 0) {
        ctx.acc.put(":Error in calc_acc_stddev_and_mean().\n");
        return;
    }
    const BurstExtremes e = calc_acc_max_and_min(b.axis_count, b.n, s);

    if ((action & ACT_STATS_LINE) != 0 && style_of(b.family).activity_sum) {
        if (b.family == BurstFamily::newacc) {
            // The IMU accelerometer counts four times as many steps per g.
            ctx.tag.stats.activity_sum += (m.deviation[0] + m.deviation[1] + m.deviation[2]) / 3 * 0.25;
        } else {
            double sum = 0.0;
            for (int a = 0; a < b.axis_count; ++a) {
                sum += m.deviation[a];
            }
            ctx.tag.stats.activity_sum += sum / b.axis_count;
        }
        return;
    }

    OutStream& out = ctx.acc;
    out.put(style_of(b.family).stats);
    if ((action & ACT_ACC_NO_TIME) == 0) {
        write_burst_time(b, out, action);
    }
    // Means, deviations ("%f"), minima and maxima ("%hi") of one, two or three axes.
    const int axes = b.axis_count == 1 || b.axis_count == 2 ? b.axis_count : 3;
    for (int a = 0; a < axes; ++a) {
        out.put_i32(m.mean[a]);
        out.put_char(',');
    }
    for (int a = 0; a < axes; ++a) {
        out.put_f(m.deviation[a]);
        out.put_char(',');
    }
    for (int a = 0; a < axes; ++a) {
        out.put_hi(e.min[a]);
        out.put_char(',');
    }
    for (int a = 0; a < axes; ++a) {
        out.put_hi(e.max[a]);
        out.put_char(a + 1 < axes ? ',' : '\n');
    }
}

// Form D with ACT_ACC_COLUMNS: one row per sample with its own time stamp.
void write_rows(const BurstLine& b, uint32_t action, AccContext& ctx) {
    OutStream& out = ctx.acc;
    const BurstSamples& s = ctx.buffers.burst;
    const bool no_time = (action & ACT_ACC_NO_TIME) != 0;
    const bool fix_number = (action & ACT_ACC_FIX_NUMBER) != 0;
    const bool subseconds = (action & ACT_ACC_SUBSECONDS) != 0;
    const double step_us = b.rate > 0.0 ? 1000000 / b.rate : 0.0;
    const std::string_view row_start = style_of(b.family).row;
    double offset_us = 0.0;
    for (int32_t j = 0; j < b.n; ++j) {
        out.put(row_start);
        if (no_time) {
            if (fix_number) {
                out.put_u32(ctx.tag.gps_record_counter);
                out.put_char(',');
            }
        } else if (b.family == BurstFamily::newacc) {
            // Row offsets of the IMU are computed from the row number in single
            // precision, as the tag software does.
            const auto row_us = static_cast<double>(static_cast<float>(j) * 1000000.0f);
            print_acc_time_us(b.time, whole_microseconds(row_us / b.rate + b.first_us), out, action);
        } else if (subseconds) {
            print_acc_time_us(b.time, whole_microseconds(offset_us), out, action);
            offset_us += step_us;
        } else {
            print_acc_time(b.time, out, action);
        }
        write_sample(out, s, b.axis_count, j, ',', '\n');
    }
}

// Form D otherwise: all samples after the line start, blank-separated in a
// MOVEBANK line, comma-separated in an "ACC," line.
void write_sample_line(const BurstLine& b, uint32_t action, AccContext& ctx) {
    const char separator = (action & ACT_MOVEBANK) != 0 ? ' ' : ',';
    for (int32_t j = 0; j < b.n; ++j) {
        write_sample(ctx.acc, ctx.buffers.burst, b.axis_count, j, separator,
                     j + 1 < b.n ? separator : '\n');
    }
}

}  // namespace

uint32_t whole_microseconds(double us) {
    if (!(us > 0.0)) {
        return 0;
    }
    return us < 4294967295.0 ? static_cast<uint32_t>(us) : 4294967295u;
}

void write_burst(const BurstLine& b, AccContext& ctx) {
    uint32_t action = ctx.action;
    if (!(b.rate > 0.0)) {
        // Without a rate there is no time between rows.
        action &= ~ACT_ACC_SUBSECONDS;
    }

    if ((action & kSpectrumModes) != 0) {
        action &= ~(ACT_ACC_COLUMNS | ACT_ACC_STATS | ACT_ACC_VARIANCE);
    } else if ((action & ACT_MOVEBANK) != 0) {
        write_movebank_start(b, ctx);
    } else if ((action & ACT_ACC_COLUMNS) == 0) {
        ctx.acc.put(style_of(b.family).line);
        write_burst_time(b, ctx.acc, action);
    }

    if ((action & (ACT_ACC_LOWPASS | ACT_ACC_HIGHPASS)) != 0) {
        const bool lowpass = (action & ACT_ACC_LOWPASS) != 0;
        // All axes side by side; a failure is reported once per axis.
        auto& burst = ctx.buffers.burst;
        int16_t* axes[kBurstMaxAxes] = {burst.samples[0], burst.samples[1], burst.samples[2]};
        if (ctx.dsp.apply_filter_axes(b.axis_count, axes, b.n, lowpass, ctx.info) != 0) {
            for (int a = 0; a < b.axis_count; ++a) {
                ctx.acc.put("Error in filter_fb.\n");
            }
        }
    }

    if ((action & ACT_ACC_DFT) != 0) {
        write_axis_spectra(b, action, ctx);
    } else if ((action & ACT_ACC_DFT_LINE) != 0) {
        write_spectrum_line(b, action, ctx);
    } else if ((action & ACT_ACC_STATS) != 0) {
        write_statistics(b, action, ctx);
    } else if ((action & ACT_ACC_COLUMNS) != 0) {
        write_rows(b, action, ctx);
    } else {
        write_sample_line(b, action, ctx);
    }
}

}  // namespace dec
