#include "records/acc_output.h"

#include <cstddef>
#include <cstring>
#include <string_view>

#include "common/tagtime.h"
#include "common/version.h"
#include "records/movebank_columns.h"
#include "records/record_sink.h"

namespace dec {

namespace {

// The legend of the spectrum lines (one line per burst).
constexpr const char* kDftLegend =
    "\nFormat for Discrete Fourier Transformation Data:\nACCF, daynumber, date, day-of-week, "
    "time-of-day, axes, number-of-dft-values-per-axis, stddev,\n\t[stddev next axis,] [stddev "
    "next axis,] DFTCSV [,DFTCSV next axis] [,DFTCSV next axis]\n";

// What sets the families' output apart.
struct BurstStyle {
    const char* line;       // a burst on one line
    const char* row;        // a row of AccForm::columns
    const char* stats;      // a statistics line
    const char* spectrum;   // spectrum lines, followed by the axis letter in form A
    bool movebank_version;  // MOVEBANK lines start with the decoder version
    bool activity_sum;      // with the STATS line statistics only feed that line
    AxesOverflowReport overflow;
};

static constexpr BurstStyle kStyles[] = {
    {"ACC,", "ACC,", "ACC,", "ACCF", true, true, AxesOverflowReport::console},      // acc
    {"ACC,", "", "", "ACCF", true, false, AxesOverflowReport::log},                 // acc_v9
    {"ACCN,", "ACCN,", "ACCN,", "ACCNF", true, true, AxesOverflowReport::console},  // newacc
    {"ACC,", "", "", "ACCF", false, false, AxesOverflowReport::console},            // gen3
};

static_assert(sizeof kStyles / sizeof kStyles[0] == static_cast<size_t>(BurstFamily::gen3) + 1,
              "one style per burst family");

const BurstStyle& style_of(BurstFamily f) {
    return kStyles[static_cast<int>(f)];
}

// Rows and statistics lines without a time stamp.
bool without_time(const OutputPlan& plan) {
    return plan.acc_time == AccTime::none || plan.acc_time == AccTime::fix_number;
}

// The burst's time stamp on a line that holds the whole burst: IMU records
// always carry their sub-second start, acceleration bursts the whole second.
void write_burst_time(const BurstLine& b, OutStream& out, const OutputPlan& plan) {
    if (b.family == BurstFamily::newacc) {
        print_acc_time_us(b.time, whole_microseconds(b.first_us), out, plan);
    } else {
        print_acc_time(b.time, out, plan);
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
    const TimeScale times{ctx.plan.utc, &ctx.tag.utc_past_expiry};
    if (b.family == BurstFamily::newacc) {
        print_tag_time_iso_us(b.time, whole_microseconds(b.first_us), out, times);
    } else {
        print_tag_time_iso(b.time, out, times);
    }
    out.put_char(',');
    out.put_fixed(b.rate, 2);
    out.put_char(',');
    out.put(b.axes);
    out.put_char(',');
}

// Room for one sample of every axis: three 16-bit values of six characters and
// their separators.
constexpr size_t kSampleRoom = kBurstMaxAxes * 7;

// Sample j of every axis at p, separated, and `after` behind the last axis;
// returns the end (at most kSampleRoom bytes on).
char* format_sample(char* p, const BurstSamples& s, int8_t axes, int32_t j, char separator,
                    char after) {
    for (int a = 0; a < axes && a < kBurstMaxAxes; ++a) {
        if (a > 0) {
            *p++ = separator;
        }
        p = format_i16(p, s.samples[a][j]);
    }
    *p++ = after;
    return p;
}

// Row starts up to this long are copied as one block of this size.
constexpr size_t kShortStart = 48;

// Samples j0 .. n-1 (separated by `separator`, `after` behind each but the
// last, `last` behind that), each behind a copy of `start` (start_n bytes, at
// most kMaxFormatLength - kSampleRoom - kShortStart; `start` readable for
// kShortStart bytes at least), as many per reservation of the stream's buffer
// as fit.
template <bool kWithStart>
void write_samples(OutStream& out, const BurstSamples& s, int8_t axes, int32_t j0, int32_t n,
                   const char* start, size_t start_n, char separator, char after, char last) {
    const size_t copied = start_n <= kShortStart ? kShortStart : start_n;
    for (int32_t j = j0; j < n;) {
        char* p = out.reserve(kMaxFormatLength);
        const char* limit = p + kMaxFormatLength - kSampleRoom - (kWithStart ? copied : 0);
        for (; j < n && p <= limit; ++j) {
            if constexpr (kWithStart) {
                if (start_n <= kShortStart) {
                    std::memcpy(p, start, kShortStart);
                } else {
                    std::memcpy(p, start, start_n);
                }
                p += start_n;
            }
            p = format_sample(p, s, axes, j, separator, j + 1 < n ? after : last);
        }
        out.commit(p);
    }
}

// Form A: one spectrum line per axis.
void write_axis_spectra(const BurstLine& b, const OutputPlan& plan, AccContext& ctx) {
    const BurstSamples& s = ctx.buffers.burst;
    const int32_t bins = b.n / 2 + 1;
    for (int a = 0; a < b.axis_count; ++a) {
        ctx.acc.put(style_of(b.family).spectrum);
        if (b.axes[0] != '\0') {
            ctx.acc.put_char(b.axes[a]);
        }
        ctx.acc.put_char(',');
        write_burst_time(b, ctx.acc, plan);
        ctx.dsp.acc_dft(s.samples[a], b.n, ctx.buffers.spectrum);
        write_spectrum_values(ctx.acc, ctx.buffers.spectrum, bins, true);
    }
}

// Form B: deviations and the spectra of all axes on one line.
void write_spectrum_line(const BurstLine& b, const OutputPlan& plan, AccContext& ctx) {
    const BurstSamples& s = ctx.buffers.burst;
    BurstMoments m{};
    if (ctx.dsp.calc_acc_stddev_and_mean(b.axis_count, b.n, s, m, plan.variance, ctx.info,
                                         style_of(b.family).overflow) != 0) {
        return;
    }
    const int32_t bins = b.n / 2 + 1;
    ctx.acc.put(style_of(b.family).spectrum);
    ctx.acc.put_char(',');
    write_burst_time(b, ctx.acc, plan);
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
void write_statistics(const BurstLine& b, const OutputPlan& plan, AccContext& ctx) {
    const BurstSamples& s = ctx.buffers.burst;
    BurstMoments m{};
    if (ctx.dsp.calc_acc_stddev_and_mean(b.axis_count, b.n, s, m, plan.variance, ctx.info,
                                         style_of(b.family).overflow) != 0) {
        ctx.acc.put(":Error in calc_acc_stddev_and_mean().\n");
        return;
    }
    const BurstExtremes e = calc_acc_max_and_min(b.axis_count, b.n, s);

    if (plan.stats_line && style_of(b.family).activity_sum) {
        double sum = 0.0;
        for (int a = 0; a < b.axis_count; ++a) {
            sum += m.deviation[a];
        }
        // The IMU accelerometer (always three axes) counts four times as many
        // steps per g.
        const double mean = sum / b.axis_count;
        ctx.tag.stats.activity_sum += b.family == BurstFamily::newacc ? mean * 0.25 : mean;
        return;
    }

    OutStream& out = ctx.acc;
    out.put(style_of(b.family).stats);
    if (!without_time(plan)) {
        write_burst_time(b, out, plan);
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

// The start of sub-second rows up to the decimal point: it changes only with
// the whole second, so it is printed once per second and copied.
struct SubsecondStart {
    bool valid = false;
    uint32_t second = 0;
    size_t n = 0;
    char text[kMaxFormatLength];
};

// Row start and sub-second time stamp of a row `us` microseconds after `time`,
// as row_start and print_acc_time_us print them.
void write_subsecond_start(OutStream& out, std::string_view row_start, uint32_t time, uint32_t us,
                           const OutputPlan& plan, SubsecondStart& kept) {
    const uint32_t second = time + us / 1000000;  // as the printers count
    const uint32_t fraction = (us % 1000000) / 100;
    if (kept.valid && kept.second == second) {
        char* p = out.reserve(kMaxFormatLength);
        std::memcpy(p, kept.text, kept.n);
        p = format_u32_width(p + kept.n, fraction, 4);
        *p++ = ',';
        out.commit(p);
        return;
    }
    const OutStream::Mark mark = out.mark();
    out.put(row_start);
    print_acc_time_us(time, us, out, plan);
    // The text ends in the four decimals and a comma.
    size_t n = 0;
    const char* text = out.text_since(mark, n);
    kept.valid = text != nullptr && n >= 5 && n - 5 <= kMaxFormatLength - 10;
    if (kept.valid) {
        kept.second = second;
        kept.n = n - 5;
        std::memcpy(kept.text, text, kept.n);
    }
}

// Form D in columns: one row per sample with its own time stamp.
void write_rows(const BurstLine& b, const OutputPlan& plan, AccContext& ctx) {
    OutStream& out = ctx.acc;
    const BurstSamples& s = ctx.buffers.burst;
    const std::string_view row_start = style_of(b.family).row;
    // Without sub-seconds every row starts alike: the first row's start is
    // written by the printers, the others copy it.
    const bool same_start =
        without_time(plan) || (b.family != BurstFamily::newacc && !plan.subseconds);
    if (!same_start) {
        SubsecondStart kept;
        RowClock clock(b);
        for (int32_t j = 0; j < b.n; ++j) {
            const uint32_t us = clock.next();
            write_subsecond_start(out, row_start, b.time, us, plan, kept);
            out.commit(format_sample(out.reserve(kSampleRoom), s, b.axis_count, j, ',', '\n'));
        }
        return;
    }
    for (int32_t j = 0; j < b.n; ++j) {
        const OutStream::Mark mark = out.mark();
        out.put(row_start);
        if (without_time(plan)) {
            if (plan.acc_time == AccTime::fix_number) {
                out.put_u32(ctx.tag.gps_record_counter);
                out.put_char(',');
            }
        } else {
            print_acc_time(b.time, out, plan);
        }
        size_t start_n = 0;
        const char* start = out.text_since(mark, start_n);
        char copy[kMaxFormatLength] = {};
        const bool copied =
            start != nullptr && start_n <= kMaxFormatLength - kSampleRoom - kShortStart;
        if (copied) {
            std::memcpy(copy, start, start_n);
        }
        out.commit(format_sample(out.reserve(kSampleRoom), s, b.axis_count, j, ',', '\n'));
        if (copied) {
            write_samples<true>(out, s, b.axis_count, j + 1, b.n, copy, start_n, ',', '\n', '\n');
            return;
        }
        // Otherwise (a flush fell inside the start) the next row prints its own.
    }
}

// Form D otherwise: all samples after the line start, blank-separated in a
// MOVEBANK line, comma-separated in an "ACC," line.
void write_sample_line(const BurstLine& b, const OutputPlan& plan, AccContext& ctx) {
    const char separator = plan.movebank ? ' ' : ',';
    write_samples<false>(ctx.acc, ctx.buffers.burst, b.axis_count, 0, b.n, nullptr, 0, separator,
                         separator, '\n');
}

}  // namespace

uint32_t whole_microseconds(double us) {
    if (!(us > 0.0)) {
        return 0;
    }
    return us < 4294967295.0 ? static_cast<uint32_t>(us) : 4294967295u;
}

void write_acc_heads(const OutputPlan& plan, TagLayout layout, const TagStreams& streams) {
    if (plan.movebank) {
        put_header(*streams.acc, movebank_columns(TagFile::acc, layout), plan.utc != nullptr);
        if (layout == TagLayout::v10) {
            put_header(*streams.quat, movebank_columns(TagFile::quat, layout), plan.utc != nullptr);
            put_header(*streams.mag, movebank_columns(TagFile::mag, layout), plan.utc != nullptr);
        }
    }
    if (plan.acc_form == AccForm::spectrum_line) {
        streams.info->put(kDftLegend);
    }
    if (!is_track_document(plan)) {
        if (plan.acc_filter == AccFilter::low_pass) {
            streams.acc->printf("### Please observe: ACC Data lowpass filtered with f3dB/fs=%f\n",
                                kFilterRelativeCutoff);
        }
        if (plan.acc_filter == AccFilter::high_pass) {
            streams.acc->printf(
                "### Please observe: ACC Data with lowfreq component removed, f10dB/fs=%f\n",
                kFilterRelativeCutoff);
        }
    }
}

void write_burst(const BurstLine& b, AccContext& ctx) {
    if (b.overflow) {
        ctx.info.put("########### ACC Error (mma): There was an overflow! ###########\n");
    }
    if (ctx.plan.sink != nullptr) {
        ctx.plan.sink->burst(b, ctx.buffers.burst);
        return;
    }
    OutputPlan plan = ctx.plan;
    if (!(b.rate > 0.0)) {
        // Without a rate there is no time between rows.
        plan.subseconds = false;
    }

    const bool spectra =
        plan.acc_form == AccForm::axis_spectra || plan.acc_form == AccForm::spectrum_line;
    if (!spectra && plan.movebank) {
        write_movebank_start(b, ctx);
    } else if (plan.acc_form == AccForm::line) {
        ctx.acc.put(style_of(b.family).line);
        write_burst_time(b, ctx.acc, plan);
    }

    if (plan.acc_filter != AccFilter::none) {
        const bool lowpass = plan.acc_filter == AccFilter::low_pass;
        // All axes side by side; a failure is reported once per axis.
        auto& burst = ctx.buffers.burst;
        int16_t* axes[kBurstMaxAxes] = {burst.samples[0], burst.samples[1], burst.samples[2]};
        if (ctx.dsp.apply_filter_axes(b.axis_count, axes, b.n, lowpass, ctx.info) != 0) {
            for (int a = 0; a < b.axis_count; ++a) {
                ctx.acc.put("Error in filter_fb.\n");
            }
        }
    }

    switch (plan.acc_form) {
        case AccForm::axis_spectra:
            write_axis_spectra(b, plan, ctx);
            break;
        case AccForm::spectrum_line:
            write_spectrum_line(b, plan, ctx);
            break;
        case AccForm::statistics:
            write_statistics(b, plan, ctx);
            break;
        case AccForm::columns:
            write_rows(b, plan, ctx);
            break;
        case AccForm::line:
            write_sample_line(b, plan, ctx);
            break;
    }
}

}  // namespace dec
