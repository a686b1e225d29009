#include "records/imu_record.h"

#include <cmath>

#include "common/le.h"

namespace dec {

namespace {

constexpr uint32_t kImuHeaderSize = 14;
// The fine and the coarse time may differ by 20 s, in 1/32768 s.
constexpr int32_t kImuTimeWindow = 20 * 32768;

}  // namespace

ImuHeader read_imu_header(const uint8_t* record) {
    return ImuHeader{le_u32(record, 0), le_u32(record, 4), le_u8(record, 9), le_u8(record, 13)};
}

ImuSums imu_sums(const uint8_t* record, uint32_t length, uint16_t seed) {
    auto s1 = static_cast<uint8_t>(seed & 0xFF);
    auto s2 = static_cast<uint8_t>(seed >> 8);
    for (uint32_t i = 0; i < length; ++i) {
        uint8_t b = record[i];
        if (i == 10) {
            b = s1;  // byte 10 holds the running sum 1 by now
        } else if (i == 11) {
            b = s2;  // and byte 11 the running sum 2
        }
        s1 = static_cast<uint8_t>(s1 + b);
        s2 = static_cast<uint8_t>(s2 + s1);
    }
    return ImuSums{s1, s2};
}

RecordCheck check_imu_record(const uint8_t* record, uint32_t length, uint16_t seed) {
    if (length < kImuHeaderSize || length > kAccMaxRecordLength ||
        length != kAccUnitPayload * le_u8(record, 12)) {
        return RecordCheck::bad_length;
    }
    const ImuSums s = imu_sums(record, length, seed);
    return s.s1 == le_u8(record, 10) && s.s2 == le_u8(record, 11) ? RecordCheck::ok
                                                                  : RecordCheck::bad_checksum;
}

ImuTime imu_burst_time(uint32_t coarse_time, uint32_t fine_time, uint8_t start_offset,
                       double rate) {
    ImuTime t{};
    const double back = std::trunc((start_offset * 32768) / rate);
    t.q = fine_time - static_cast<uint32_t>(back);
    t.coarse_units = coarse_time * 32768u;
    // Both clocks are compared in whole seconds modulo 131072 s.
    const auto delta = static_cast<int32_t>((t.q & ~0x7FFFu) - t.coarse_units);
    t.valid = delta >= -kImuTimeWindow && delta <= kImuTimeWindow;
    if (t.valid) {
        t.seconds = static_cast<uint32_t>(static_cast<int64_t>(coarse_time) + delta / 32768);
        // The tag software converts the fraction in single precision.
        const float us = static_cast<float>(t.q & 0x7FFFu) * 1000000.0f;
        t.us = static_cast<double>(us) * (1.0 / 32768);
    }
    return t;
}

double quatcmp_rate(uint8_t byte9) {
    const int d = byte9 & 0x7F;
    return d == 0 ? 20.0 : 100.0 / d;
}

int16_t quatcmp_temperature_raw(const uint8_t* record) {
    return le_s16(record, 14);
}

QuatEntry read_quat_entry(const uint8_t* record, uint32_t i) {
    const uint32_t off = kQuatcmpFirstEntry + i * kQuatcmpEntrySize;
    QuatEntry e{};
    e.w = le_s16(record, off);
    if (e.w != -32768) {
        e.x = le_s8(record, off + 2);
        e.y = le_s8(record, off + 3);
        e.z = le_s8(record, off + 4);
    }
    e.mag_y = le_s16(record, off + 5);
    e.mag_x = le_s16(record, off + 7);
    e.mag_z = le_s16(record, off + 9);
    return e;
}

PrintedQuat quat_entry_as_printed(const QuatEntry& e, bool bottom_side) {
    const int32_t mag_x = e.mag_x;
    const int32_t mag_z = e.mag_z;
    return PrintedQuat{
        e.w, -e.x, e.y, -e.z, bottom_side ? mag_x : -mag_x, e.mag_y, bottom_side ? -mag_z : mag_z};
}

}  // namespace dec
