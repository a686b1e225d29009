#include "records/acc_record.h"

#include "common/le.h"
#include "settings/tt5_9.h"

namespace dec {

namespace {

// Burst rates of the sampling-rate codes 0..10 in Hz, in the single precision
// the tag software computes with (10^(1 + code/4) to two decimals; code 10 is a
// stopped sensor).
static constexpr float kAccRateCodeHz[] = {10.0f,   17.78f,  31.62f,  56.23f,   100.0f, 177.83f,
                                           316.23f, 562.34f, 1000.0f, 1778.28f, 0.0f};

static_assert(sizeof kAccRateCodeHz / sizeof kAccRateCodeHz[0] == kAccLastRateCode + 1,
              "one rate per code");

// Bytes of a group of two samples.
constexpr uint32_t kGroupSize = 3;

// The largest sample count per axis a record can give (one axis, 2 per group).
constexpr uint32_t kMaxSamplesPerRecord = (kAccMaxRecordLength - kAccHeaderSize) / kGroupSize * 2;
static_assert(kMaxSamplesPerRecord <= static_cast<uint32_t>(kBurstMaxSamples),
              "a burst record must fit the sample arrays");

}  // namespace

BurstAxes burst_axes(uint8_t axis_bits) {
    BurstAxes a{{0, 0, 0, 0}, 0};
    int i = 0;
    if ((axis_bits & kAccAxisX) != 0) {
        a.letters[i++] = 'X';
    }
    if ((axis_bits & kAccAxisY) != 0) {
        a.letters[i++] = 'Y';
    }
    if ((axis_bits & kAccAxisZ) != 0) {
        a.letters[i++] = 'Z';
    }
    a.count = static_cast<int8_t>(i > 0 ? i : 1);
    return a;
}

uint8_t acc_burst_sum(const uint8_t* record, uint32_t length, uint16_t seed) {
    auto s = static_cast<uint8_t>(seed & 0xFF);
    const auto byte7 = static_cast<uint8_t>(seed >> 8);
    const uint32_t head = length < 8 ? length : 8;
    for (uint32_t i = 0; i < head; ++i) {
        uint8_t b = record[i];
        if (i == 6) {
            b = s;  // byte 6 holds the running sum by now
        } else if (i == 7) {
            b = byte7;
        }
        s = static_cast<uint8_t>(s + b);
    }
    // The rest is a plain sum modulo 256, in any grouping.
    uint32_t rest = 0;
    for (uint32_t i = head; i < length; ++i) {
        rest += record[i];
    }
    return static_cast<uint8_t>(s + rest);
}

RecordCheck check_acc_burst(const uint8_t* record, uint32_t length, uint16_t seed) {
    if (length < kAccHeaderSize || length > kAccMaxRecordLength ||
        length != kAccUnitPayload * le_u8(record, 7)) {
        return RecordCheck::bad_length;
    }
    return acc_burst_sum(record, length, seed) == le_u8(record, 6) ? RecordCheck::ok
                                                                   : RecordCheck::bad_checksum;
}

double acc_rate_from_code(uint8_t code, int divisor) {
    if (code >= sizeof kAccRateCodeHz / sizeof kAccRateCodeHz[0]) {
        return 0.0;
    }
    return static_cast<double>(kAccRateCodeHz[code] / static_cast<float>(divisor));
}

MmaRate mma8452_rate(uint8_t byte5) {
    MmaRate r{0.0, (byte5 & 0x80) != 0};
    if (byte5 >= 1 && byte5 <= 127) {
        r.hz = 100.0 / byte5;
    }
    return r;
}

bool acc_v9_rate_per_axis(uint32_t tag_number) {
    return tt5_9_special_edition(tag_number);
}

AxisInversion acc_inversion(const BurstAxes& axes, bool mma, bool v2_board) {
    AxisInversion inv{{false, false, false}};
    for (int a = 0; a < kBurstMaxAxes; ++a) {
        const char letter = axes.letters[a];
        const bool by_mma = mma && letter == 'X';
        const bool by_board = v2_board && (letter == 'X' || letter == 'Z');
        inv.invert[a] = by_mma != by_board;
    }
    return inv;
}

int32_t unpack_burst_samples(const uint8_t* record, uint32_t length, uint32_t first, int8_t axes,
                             const AxisInversion& inversion, BurstSamples& out) {
    out.clear();
    if (axes < 1 || axes > kBurstMaxAxes) {
        axes = axes < 1 ? 1 : kBurstMaxAxes;
    }
    out.axes = axes;
    if (length > kAccMaxRecordLength) {
        length = kAccMaxRecordLength;
    }
    // A sample is 12 bits; inverting it (4095 - v) flips all twelve.
    uint32_t flip[kBurstMaxAxes];
    for (int a = 0; a < kBurstMaxAxes; ++a) {
        flip[a] = inversion.invert[a] ? 0xFFFu : 0u;
    }
    const uint32_t groups = length > first ? (length - first) / kGroupSize : 0;
    const uint8_t* g = record + first;
    // Each 3-byte group holds two samples; the axes take turns, so the pattern
    // repeats every group (one or two axes) or every three groups (three).
    auto sample0 = [](const uint8_t* p) { return p[0] + 256u * (p[1] & 0x0Fu); };
    auto sample1 = [](const uint8_t* p) { return p[2] + 256u * (p[1] >> 4); };
    int16_t* x = out.samples[0];
    int16_t* y = out.samples[1];
    int16_t* z = out.samples[2];
    const auto samples = static_cast<int32_t>(2 * groups);
    if (axes == 1) {
        for (uint32_t k = 0; k < groups; ++k, g += kGroupSize) {
            x[2 * k] = static_cast<int16_t>(sample0(g) ^ flip[0]);
            x[2 * k + 1] = static_cast<int16_t>(sample1(g) ^ flip[0]);
        }
    } else if (axes == 2) {
        for (uint32_t k = 0; k < groups; ++k, g += kGroupSize) {
            x[k] = static_cast<int16_t>(sample0(g) ^ flip[0]);
            y[k] = static_cast<int16_t>(sample1(g) ^ flip[1]);
        }
    } else {
        // Three groups hold two cycles: XY, ZX, YZ.
        auto put = [&](int16_t* axis, uint32_t at, uint32_t v, int a) {
            axis[at] = static_cast<int16_t>(v ^ flip[a]);
        };
        uint32_t k = 0;
        uint32_t c = 0;  // the next cycle pair's first index
        for (; k + 3 <= groups; k += 3, c += 2, g += 3 * kGroupSize) {
            put(x, c, sample0(g), 0);
            put(y, c, sample1(g), 1);
            put(z, c, sample0(g + 3), 2);
            put(x, c + 1, sample1(g + 3), 0);
            put(y, c + 1, sample0(g + 6), 1);
            put(z, c + 1, sample1(g + 6), 2);
        }
        if (k < groups) {
            put(x, c, sample0(g), 0);
            put(y, c, sample1(g), 1);
            if (k + 1 < groups) {
                put(z, c, sample0(g + 3), 2);
                put(x, c + 1, sample1(g + 3), 0);
            }
        }
    }
    // Samples per axis: the first samples % axes axes got one more.
    for (int a = 0; a < axes; ++a) {
        out.count[a] = samples / axes + (a < samples % axes ? 1 : 0);
    }
    return samples / axes;
}

AccBurstHeader read_acc_burst_header(const uint8_t* record) {
    return AccBurstHeader{le_u32(record, 0), le_u8(record, 4), le_u8(record, 5)};
}

}  // namespace dec
