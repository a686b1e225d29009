// IMU records of generation-5 tags: bytes to plain values.
//
// Tags with an inertial unit store two multi-unit records next to the
// acceleration bursts: NEWACC (units 0x42/0x43), a burst of the IMU's
// accelerometer, and QUATCMP (units 0x50/0x51), orientation quaternions with the
// magnetic field. Common header (little-endian):
//
//   0  u32  tag time, seconds (coarse)
//   4  u32  fine time: bits 31..15 seconds modulo 131072, bits 14..0 1/32768 s
//   8  u8   unused
//   9  u8   bit 7 sensor error flag; QUATCMP: bits 0..6 rate divider d
//  10  u8   checksum sum 1
//  11  u8   checksum sum 2
//  12  u8   units the record spans (length = 63 * units)
//  13  u8   sample periods between the fine time and the first sample
//
// NEWACC: 14..17 unused, from 18 on 12-bit samples packed as in the
// acceleration bursts, always X, Y, Z in turn; 20 Hz per axis.
// QUATCMP: 14 i16 temperature in 1/256 degree Celsius, from 16 on entries of
// 11 bytes: 0 i16 w (-32768: x, y, z read as 0), 2 i8 x, 3 i8 y, 4 i8 z,
// 5 i16 magnetic y, 7 i16 magnetic x, 9 i16 magnetic z; 100 / d Hz (20 Hz for
// d = 0).
#pragma once

#include <cstdint>

#include "records/acc_record.h"

namespace dec {

inline constexpr uint32_t kNewaccFirstSample = 18;
inline constexpr double kNewaccRate = 20.0;
inline constexpr uint32_t kQuatcmpFirstEntry = 16;
inline constexpr uint32_t kQuatcmpEntrySize = 11;

struct ImuHeader {
    uint32_t coarse_time;
    uint32_t fine_time;
    uint8_t flags;         // byte 9
    uint8_t start_offset;  // byte 13
};

ImuHeader read_imu_header(const uint8_t* record);

// Fletcher-style sums s1, s2 of the tag software, which sums in place: bytes 10
// and 11 start as the low and high byte of `seed` (the tag number) and receive
// the running sums, so they count as the sums themselves when reached.
struct ImuSums {
    uint8_t s1;
    uint8_t s2;
};
ImuSums imu_sums(const uint8_t* record, uint32_t length, uint16_t seed);

// Length (63 * byte 12, at most kAccMaxRecordLength) and checksum test.
RecordCheck check_imu_record(const uint8_t* record, uint32_t length, uint16_t seed);

// Start of the first sample: the fine time moved back by the start offset at
// `rate`, taken as the second of the coarse time that it lies within the time
// window of.
struct ImuTime {
    bool valid;             // fine and coarse time at most 20 s apart
    uint32_t coarse_units;  // coarse time * 32768 (modulo 2^32)
    uint32_t q;             // fine time of the first sample
    uint32_t seconds;       // tag time of the first sample
    double us;              // microseconds after `seconds`, not truncated
};
ImuTime imu_burst_time(uint32_t coarse_time, uint32_t fine_time, uint8_t start_offset, double rate);

// QUATCMP rate of byte 9: 100 / d Hz, 20 Hz for d = 0.
double quatcmp_rate(uint8_t byte9);

struct QuatEntry {
    int16_t w;
    int8_t x;
    int8_t y;
    int8_t z;
    int16_t mag_x;
    int16_t mag_y;
    int16_t mag_z;
};

inline uint32_t quatcmp_entry_count(uint32_t length) {
    return length < kQuatcmpFirstEntry ? 0 : (length - kQuatcmpFirstEntry) / kQuatcmpEntrySize;
}
// Sensor temperature in 1/256 degree Celsius.
int16_t quatcmp_temperature_raw(const uint8_t* record);
// Entry i (from 0); an entry marked by w = -32768 has x, y and z 0.
QuatEntry read_quat_entry(const uint8_t* record, uint32_t i);

// An entry as the outputs print it: x and z negated (widened first, so -128
// gives 128), and the magnetic x axis, or z with both sensors on the bottom
// side, negated as the board mounts the sensor.
struct PrintedQuat {
    int32_t w, x, y, z;
    int32_t mag_x, mag_y, mag_z;
};
PrintedQuat quat_entry_as_printed(const QuatEntry& e, bool bottom_side);

// The entries of the longest record.
inline constexpr uint32_t kQuatcmpMaxEntries =
    (kAccMaxRecordLength - kQuatcmpFirstEntry) / kQuatcmpEntrySize;

// A QUATCMP burst as its lines need it: start time, rate, sensor temperature
// and entries.
struct QuatcmpBurst {
    ImuTime time;
    double rate;
    int16_t temperature_raw;
    uint32_t entries;
    QuatEntry entry[kQuatcmpMaxEntries];
};

}  // namespace dec
