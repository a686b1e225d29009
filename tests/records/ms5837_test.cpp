#include "records/ms5837.h"

#include <gtest/gtest.h>

#include "testsupport/record_builders.h"

namespace dec {
namespace {

// Calibration of the sensor family's reference example (W0 sensor field 0).
PressureCalibration calibration(uint16_t w0) { return {{w0, 46372, 43981, 29059, 27842, 31553, 28165}}; }

// An extended GPS record carrying only the two raw conversions.
testing::Payload record(uint32_t d1, uint32_t d2) {
    return testing::make_gps_extended({.status = 0, .pressure_d1 = d1, .pressure_d2 = d2});
}

struct Case {
    const char* legend;
    uint16_t w0, c6;
    uint32_t d1, d2;
    int32_t pressure, temperature;
};

// The compensated values, and whether the record counts as pressure data.
bool compensate(const testing::Payload& r, uint16_t w0, int32_t& p, int32_t& t, uint16_t c6 = 28165) {
    PressureCalibration cal = calibration(w0);
    cal.c[6] = c6;
    p = t = -1;
    return ms5837_compensate(r.data(), cal, p, t) != 0;
}

// Expected values worked through the formulas step by step:
// 20 degC: dT = 8077636 - 31553*256 = 68, X = (68*28165) >> 23 = 0, TEMP = 2000,
//   OFF = 43981*2^17 + (27842*68 >> 6) = 5764707214,
//   SENS = 46372*2^16 + (29059*68 >> 7) = 3039050829,
//   P = ((6465444*SENS >> 21) - OFF) >> 15 = 110002.
// Cold (D2 = 7000001): dT = -1077567, OFF = 5295902313, SENS = 2794402427,
//   X = floor(-30349674555 / 2^23) = -3618 (an arithmetic shift, not -3617),
//   TEMP = -1618; SENSi = ((63*X/2)*X)/16 = 25770787;
//   field 0:  TEMP2 = TEMP - (dT^2*11 >> 35) = -1989, OFFi = X^2*31/8 = 50723455, P = 100415;
//   field 36: TEMP2 = TEMP - (dT^2*14 >> 35) = -2091, OFFi = X^2*35/8 = 57268417, P = 100615.
// A missing calibration gives zeros, but the record still counts as data.
TEST(Ms5837, CompensatesKnownCalibration) {
    const Case cases[] = {
        {"20 degC, first-order only", 0, 28165, 6465444, 8077636, 110002, 2000},
        {"cold, sensor field 0", 0, 28165, 6465444, 7000001, 100415, -1989},
        {"cold, sensor field 36", 36 << 5, 28165, 6465444, 7000001, 100615, -2091},
        {"cold, field 36 with CRC bits in W0", 0xF000 | (36 << 5), 28165, 6465444, 7000001, 100615, -2091},
        {"cold, unknown sensor field", 1 << 5, 28165, 6465444, 7000001, 0, 0},
        {"warm, unknown sensor field needs no constants", 1 << 5, 28165, 6465444, 8077636, 110002, 2000},
        {"missing calibration", 0, 0, 6465444, 8077636, 0, 0},
    };
    for (const auto& c : cases) {
        int32_t p, t;
        EXPECT_TRUE(compensate(record(c.d1, c.d2), c.w0, p, t, c.c6)) << c.legend;
        EXPECT_EQ(p, c.pressure) << c.legend;
        EXPECT_EQ(t, c.temperature) << c.legend;
    }
}

TEST(Ms5837, RecordWithoutPressureData) {
    // The temperature's high bytes alone do not make pressure data.
    int32_t p, t;
    EXPECT_FALSE(compensate(record(0, 0x7B4100), 0, p, t));
    EXPECT_EQ(p, 0);
    EXPECT_EQ(t, 0);
    // Any one of the four bytes is enough.
    for (size_t off : {40u, 41u, 59u, 60u}) {
        auto one = record(0, 0);
        one[off] = 1;
        EXPECT_TRUE(compensate(one, 0, p, t)) << off;
    }
}

}  // namespace
}  // namespace dec
