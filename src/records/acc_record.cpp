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
    for (uint32_t i = 0; i < length; ++i) {
        uint8_t b = record[i];
        if (i == 6) {
            b = s;  // byte 6 holds the running sum by now
        } else if (i == 7) {
            b = byte7;
        }
        s = static_cast<uint8_t>(s + b);
    }
    return s;
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

bool acc_v9_rate_per_axis(uint32_t tag_number) { return tt5_9_special_edition(tag_number); }

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
    int32_t cycles = 0;
    int axis = 0;
    auto store = [&](uint32_t raw) {
        const uint32_t v = inversion.invert[axis] ? 4095 - raw : raw;
        out.samples[axis][out.count[axis]++] = static_cast<int16_t>(v);
        if (++axis == axes) {
            axis = 0;
            ++cycles;
        }
    };
    for (uint32_t p = first; p + kGroupSize <= length; p += kGroupSize) {
        const uint8_t b0 = le_u8(record, p);
        const uint8_t b1 = le_u8(record, p + 1);
        const uint8_t b2 = le_u8(record, p + 2);
        store(b0 + 256u * (b1 & 0x0Fu));
        store(b2 + 256u * (b1 >> 4));
    }
    return cycles;
}

AccBurstHeader read_acc_burst_header(const uint8_t* record) {
    return AccBurstHeader{le_u32(record, 0), le_u8(record, 4), le_u8(record, 5)};
}

}  // namespace dec
