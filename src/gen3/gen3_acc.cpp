#include <cstdio>
#include <cstring>

#include "common/action.h"
#include "common/fatal.h"
#include "common/le.h"
#include "common/tagtime.h"
#include "gen3/gen3_records.h"
#include "records/fletcher32.h"
#include "settings/settings_lines.h"

namespace dec {

namespace {

// Burst record: 0 u32 burst time | 4 u8 axes (0x08 X, 0x10 Y, 0x20 Z)
// 5 u8 rate code | 6 u8 checksum | 7 u8 number of blocks | 9.. samples, two
// 12-bit values in three bytes.
constexpr size_t kBurstTime = 0;
constexpr size_t kBurstAxes = 4;
constexpr size_t kBurstRate = 5;
constexpr size_t kBurstChecksum = 6;
constexpr size_t kBurstBlocks = 7;
constexpr size_t kBurstSamples = 9;
constexpr int32_t kPayloadSize = 63;
constexpr uint8_t kMaxRateCode = 10;

// Outputs that tags 3 to 8 do not have: they write one plain line per burst.
constexpr uint32_t kEarlyTagCleared =
    ACT_ACC_COLUMNS | ACT_ACC_STATS | ACT_ACC_LOWPASS | ACT_ACC_HIGHPASS | ACT_ACC_VARIANCE;

struct Axes {
    char letters[4] = {0, 0, 0, 0};
    int8_t count = 0;  // at least 1
};

Axes read_axes(uint8_t bits) {
    static constexpr struct {
        uint8_t bit;
        char letter;
    } kAxisBits[] = {{0x08, 'X'}, {0x10, 'Y'}, {0x20, 'Z'}};
    Axes a;
    int n = 0;
    for (const auto& b : kAxisBits) {
        if (bits & b.bit) {
            a.letters[n++] = b.letter;
        }
    }
    a.count = static_cast<int8_t>(n == 0 ? 1 : n);
    return a;
}

// Length and sum check of software versions 6 to 8: the sum over all bytes,
// with the checksum and block-count bytes taken as 0 and the running sum
// standing in the checksum byte while it is passed.
bool burst_check_ok(uint8_t* r, int32_t length) {
    if (length != kPayloadSize * r[kBurstBlocks]) {
        return false;
    }
    const uint8_t stored = r[kBurstChecksum];
    r[kBurstChecksum] = 0;
    r[kBurstBlocks] = 0;
    uint8_t s = 0;
    for (int32_t i = 0; i < length; ++i) {
        s = static_cast<uint8_t>(s + r[i]);
        r[kBurstChecksum] = s;
    }
    return s == stored;
}

// Samples to the axes in turn; returns the number of complete cycles.
int32_t unpack_samples(const uint8_t* r, int32_t length, int8_t axes, BurstSamples& out) {
    out.clear();
    out.axes = axes;
    int axis = 0;
    int32_t cycles = 0;
    auto store = [&](int16_t v) {
        const int32_t j = out.count[axis];
        if (j >= kBurstMaxSamples) {
            fatal_stop(INTERNAL_ERROR);
        }
        out.samples[axis][j] = v;
        out.count[axis] = j + 1;
        if (++axis == axes) {
            axis = 0;
            ++cycles;
        }
    };
    for (int32_t p = kBurstSamples; p + 3 <= length; p += 3) {
        const uint8_t b0 = r[p], b1 = r[p + 1], b2 = r[p + 2];
        store(static_cast<int16_t>(b0 + 256 * (b1 & 0x0F)));
        store(static_cast<int16_t>(b2 + 256 * (b1 >> 4)));
    }
    return cycles;
}

void write_values(OutStream& out, const BurstSamples& s, int32_t j, char sep) {
    for (int a = 0; a < s.axes; ++a) {
        if (a > 0) {
            out.put_char(sep);
        }
        out.printf("%hi", s.samples[a][j]);
    }
}

}  // namespace

void decode_acc_burst_gen3(uint8_t* record, int32_t length, Gen3RecordOutput& rec, OutStream& acc) {
    uint32_t action = rec.action;
    if ((action & ACT_ACC) == 0 || length < static_cast<int32_t>(kBurstSamples)) {
        return;
    }
    if ((action & ACT_GEN3_ACC_CHECKED) && !burst_check_ok(record, length)) {
        return;
    }
    const uint32_t key = (action & ACT_MOVEBANK) ? fletcher32(record, length) : 0;
    const uint32_t time = le_u32(record, kBurstTime);
    Axes axes = read_axes(record[kBurstAxes]);
    if (action & ACT_GEN3_Z_AXIS_TAG) {
        std::strcpy(axes.letters, "Z");
        axes.count = 1;
    }
    if (action & ACT_GEN3_EARLY_TAG) {
        axes.letters[0] = '\0';
        axes.count = 1;
        action &= ~kEarlyTagCleared;
    }
    const uint8_t code = record[kBurstRate];
    double rate = 0.0;
    if (code <= kMaxRateCode) {
        rate = static_cast<double>(static_cast<float>(acc_rate_code_hz(code)) /
                                   static_cast<float>(axes.count));
    } else {
        action &= ~ACT_ACC_SUBSECONDS;
    }
    if (action & (ACT_GEN3_EARLY_TAG | ACT_GEN3_Z_AXIS_TAG)) {
        rate = 1.0;
    }

    if (action & (ACT_ACC_DFT | ACT_ACC_DFT_LINE)) {
        action &= ~(ACT_ACC_COLUMNS | ACT_ACC_STATS | ACT_ACC_VARIANCE);
    } else if (action & ACT_MOVEBANK) {
        acc.printf("%010u,%i,", key, static_cast<int>(rec.tag_number));
        print_tag_time_iso(time, acc);
        acc.printf(",%.2f,%s,", rate, axes.letters);
    } else if ((action & ACT_ACC_COLUMNS) == 0) {
        acc.put("ACC,");
        print_acc_time(time, acc, action);
    }

    BurstSamples& s = rec.samples;
    const int32_t n = unpack_samples(record, length, axes.count, s);

    if (action & (ACT_ACC_LOWPASS | ACT_ACC_HIGHPASS)) {
        for (int a = 0; a < s.axes; ++a) {
            if (rec.dsp.apply_filter(s.samples[a], n, (action & ACT_ACC_LOWPASS) != 0, rec.info) !=
                0) {
                acc.put("Error in filter_fb.\n");
            }
        }
    }

    double bins[kBurstMaxSamples / 2 + 1];
    const int32_t bin_count = n / 2 + 1;
    if (action & ACT_ACC_DFT) {
        for (int a = 0; a < s.axes; ++a) {
            acc.put("ACCF");
            if (axes.letters[a] != '\0') {
                acc.put_char(axes.letters[a]);
            }
            acc.put_char(',');
            if (action & ACT_ACC_JUST_SECONDS) {
                acc.printf("%u,", time);
            } else {
                print_tag_time(time, acc, action);
                acc.put_char(',');
            }
            rec.dsp.acc_dft(s.samples[a], n, bins);
            write_spectrum_values(acc, bins, bin_count, true);
        }
        return;
    }
    if (action & ACT_ACC_DFT_LINE) {
        BurstMoments m;
        if (rec.dsp.calc_acc_stddev_and_mean(s.axes, n, s, m, action, rec.info,
                                             AxesOverflowReport::console) != 0) {
            return;
        }
        acc.put("ACCF,");
        print_acc_time(time, acc, action);
        acc.printf("%s,%i,", axes.letters, static_cast<int>(bin_count));
        for (int a = 0; a < s.axes; ++a) {
            acc.printf("%.3f,", m.deviation[a]);
        }
        for (int a = 0; a < s.axes; ++a) {
            rec.dsp.acc_dft(s.samples[a], n, bins);
            write_spectrum_values(acc, bins, bin_count, a + 1 == s.axes);
        }
        return;
    }
    if (action & ACT_ACC_STATS) {
        BurstMoments m;
        if (rec.dsp.calc_acc_stddev_and_mean(s.axes, n, s, m, action, rec.info,
                                             AxesOverflowReport::console) != 0) {
            acc.put(":Error in calc_acc_stddev_and_mean().\n");
            return;
        }
        const BurstExtremes e = calc_acc_max_and_min(s.axes, n, s);
        if ((action & ACT_ACC_NO_TIME) == 0) {
            print_acc_time(time, acc, action);
        }
        switch (s.axes) {
            case 1:
                acc.printf("%i,%f,%hi,%hi\n", m.mean[0], m.deviation[0], e.min[0], e.max[0]);
                break;
            case 2:
                acc.printf("%i,%i,%f,%f,%hi,%hi,%hi,%hi\n", m.mean[0], m.mean[1], m.deviation[0],
                           m.deviation[1], e.min[0], e.min[1], e.max[0], e.max[1]);
                break;
            default:
                acc.printf("%i,%i,%i,%f,%f,%f,%hi,%hi,%hi,%hi,%hi,%hi\n", m.mean[0], m.mean[1],
                           m.mean[2], m.deviation[0], m.deviation[1], m.deviation[2], e.min[0],
                           e.min[1], e.min[2], e.max[0], e.max[1], e.max[2]);
                break;
        }
        return;
    }
    double offset_us = 0.0;
    for (int32_t j = 0; j < n; ++j) {
        const bool last = j + 1 == n;
        if (action & ACT_ACC_COLUMNS) {
            if (action & ACT_ACC_NO_TIME) {
                if (action & ACT_ACC_FIX_NUMBER) {
                    acc.printf("%u,", rec.gps_counter);
                }
            } else if (action & ACT_ACC_SUBSECONDS) {
                print_acc_time_us(time, static_cast<uint32_t>(offset_us), acc, action);
                offset_us += 1000000.0 / rate;
            } else {
                print_acc_time(time, acc, action);
            }
            write_values(acc, s, j, ',');
            acc.put_char('\n');
        } else if (action & ACT_MOVEBANK) {
            write_values(acc, s, j, ' ');
            acc.put_char(last ? '\n' : ' ');
        } else {
            write_values(acc, s, j, ',');
            acc.put_char(last ? '\n' : ',');
        }
    }
}

}  // namespace dec
