#include "records/ms5837.h"

#include "common/le.h"

namespace dec {

namespace {

// Second-order (below 20 degree Celsius) constants of a sensor variant: the
// shift factor of the temperature correction and the offset factor.
struct LowTempConstants {
    uint8_t sensor_field;  // (W0 >> 5) & 0x7F
    int64_t k1;
    int32_t k2;
};

static constexpr LowTempConstants kLowTempConstants[] = {
    {0, 11, 31},   // 02BA01
    {36, 14, 35},  // 02BA36 (MS5839)
};

const LowTempConstants* low_temp_constants(uint16_t w0) {
    const auto field = static_cast<uint8_t>((w0 >> 5) & 0x7F);
    for (const auto& c : kLowTempConstants) {
        if (c.sensor_field == field) {
            return &c;
        }
    }
    return nullptr;
}

// The sensor firmware computes the second-order terms in 32-bit integers; the
// products wrap for temperatures far below the sensor's range. Reproduce the
// wrap without relying on signed overflow.
int32_t wrap32(int64_t v) {
    return static_cast<int32_t>(static_cast<uint32_t>(v));
}

}  // namespace

void ms5837_convert(uint32_t d1, uint32_t d2, const PressureCalibration& cal, int32_t& pressure,
                    int32_t& temperature) {
    pressure = 0;
    temperature = 0;
    const int64_t c1 = cal.c[1];
    const int64_t c2 = cal.c[2];
    const int64_t c3 = cal.c[3];
    const int64_t c4 = cal.c[4];
    const int64_t c5 = cal.c[5];
    const int64_t c6 = cal.c[6];
    if (c6 == 0) {
        return;
    }
    // Right shifts of negative values are arithmetic (guaranteed since C++20).
    const auto dt = static_cast<int32_t>(static_cast<int64_t>(d2) - c5 * 256);
    const int64_t off = c2 * (int64_t{1} << 17) + ((c4 * dt) >> 6);
    const int64_t sens = c1 * (int64_t{1} << 16) + ((c3 * dt) >> 7);
    const auto x = static_cast<int32_t>((static_cast<int64_t>(dt) * c6) >> 23);
    const int32_t temp = 2000 + x;
    const int64_t raw_p = d1;
    if (temp >= 2000) {
        temperature = temp;
        pressure = static_cast<int32_t>((((raw_p * sens) >> 21) - off) >> 15);
        return;
    }
    const LowTempConstants* k = low_temp_constants(cal.c[0]);
    if (k == nullptr) {
        return;
    }
    const int64_t dt64 = dt;
    const int32_t temp2 = static_cast<int32_t>(temp - ((dt64 * dt64 * k->k1) >> 35));
    const int32_t offi = wrap32(static_cast<int64_t>(x) * x * k->k2) / 8;
    const int32_t sensi = wrap32(static_cast<int64_t>((63 * x) / 2) * x) / 16;
    temperature = temp2;
    pressure = static_cast<int32_t>(((((raw_p * (sens - sensi)) >> 21) + offi - off)) >> 15);
}

int ms5837_compensate(const uint8_t* record, const PressureCalibration& cal, int32_t& pressure,
                      int32_t& temperature) {
    pressure = 0;
    temperature = 0;
    if (record == nullptr) {
        return 0;
    }
    const uint8_t p_hi = le_u8(record, 40);
    const uint8_t p_mid = le_u8(record, 41);
    const uint8_t p_lo = le_u8(record, 59);
    const uint8_t t_lo = le_u8(record, 60);
    if (p_hi == 0 && p_mid == 0 && p_lo == 0 && t_lo == 0) {
        return 0;
    }
    const uint32_t d1 = (uint32_t{p_hi} << 16) | (uint32_t{p_mid} << 8) | p_lo;
    const uint32_t d2 =
        (uint32_t{le_u8(record, 42)} << 16) | (uint32_t{le_u8(record, 43)} << 8) | t_lo;
    ms5837_convert(d1, d2, cal, pressure, temperature);
    return 1;
}

}  // namespace dec
