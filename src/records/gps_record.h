// GPS fix records of generation-5 tags: bytes to plain values.
//
// Every GPS fix attempt is one 63-byte record behind the block-type byte: the
// cooked record (block 0x30) or the extended record (blocks 0x34 and 0x36, with
// satellite count, DOP, pressure sensor, quaternion and magnetic field). Both end
// in a two-byte cooked checksum. This file only turns the bytes into a GpsFix;
// gps_print.h writes it and gps.h drives the decoding.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/millivolts.h"
#include "common/tag_state.h"

namespace dec {

inline constexpr size_t kGpsRecordSize = 63;

// Fix time rounded to the nearest second. A time of week that rounds up to the
// end of the week moves to second 0 of the next week.
struct GpsFixTime {
    int32_t week = 0;       // adjusted week
    uint32_t seconds = 0;   // rounded seconds of the adjusted week
    uint32_t tag_time = 0;  // 0 for weeks before the tag epoch
};

GpsFixTime gps_fix_time(int16_t week, uint32_t tow_ms);

// UBX-style 8-bit Fletcher sums over bytes 0..count-1 starting at (a, b); the
// record is good when bytes count and count + 1 hold the final sums.
bool gps_sums_ok(const uint8_t* record, size_t count, uint8_t seed_a, uint8_t seed_b);

// The sums over bytes 0..60 of a 63-byte record, in bytes 61 and 62.
bool gps_cooked_checksum_ok(const uint8_t* record, uint8_t seed_a, uint8_t seed_b);

// Integer degrees Celsius of the coarse temperature sensor.
int32_t gps_coarse_temperature(uint16_t raw);

// Fix status letter: 'A' with a fix, else 'B' with week and time of week valid,
// 'C' with only the week valid, 'D' without either.
char gps_status_letter(uint8_t status, bool fix_ok);

enum class GpsKind : uint8_t {
    cooked,    // block 0x30 of generation 5, 0x31 of generation 3
    extended,  // blocks 0x34 and 0x36
    early,     // block 0x30 of generation 3: no motion figures
};

struct GpsFix {
    GpsKind kind = GpsKind::cooked;

    // Position as stored: 1e-7 degree and millimetres.
    int32_t lon = 0;
    int32_t lat = 0;
    int32_t height_mm = 0;
    // Raw week and time of week (MOVEBANK and GPX time stamps use these).
    int16_t week = 0;
    uint32_t tow_ms = 0;
    GpsFixTime fix;

    uint32_t start_time = 0;  // tag time of the start of the fix attempt
    uint8_t status = 0;
    uint8_t fix_type = 0;      // cooked: fix byte & 3; extended: 3
    uint8_t clock_flag = 0;    // 0 or 1
    uint8_t noise = 0;         // low byte of the noise level (cooked only)
    uint16_t time_to_fix = 0;  // seconds

    uint32_t battery_mv = 0;
    uint32_t loaded_battery_mv = 0;
    uint32_t fix_battery_mv = 0;

    double speed = 0.0;         // m/s
    double heading = 0.0;       // degree
    double speed_acc = 0.0;     // m/s
    double horiz_acc = 0.0;     // m
    uint16_t vert_acc_raw = 0;  // cooked: metres; extended: 0.1 m

    // Temperature: the coarse integer degrees, or two decimals when
    // temperature_fine is set (fine sensor or pressure-sensor compensation).
    bool temperature_fine = false;
    int32_t temperature_coarse = 0;
    double temperature = 0.0;
    double pressure_hpa = 0.0;  // extended only

    // Extended only.
    uint8_t satellites = 0;
    uint8_t dop_raw = 0;             // 0.1 units
    bool quat_present = false;       // false when w, x, y, z are all 0
    int32_t quat[4] = {0, 0, 0, 0};  // printed order: w, -x, y, -z
    int32_t mag[3] = {0, 0, 0};      // x, y, z in tag axes

    char letter = 'D';
    bool valid = false;
    // Longitude, latitude and height all 0 (after the software-9 rule).
    bool zero_position = false;
};

// Position, height, GPS week and time of week and the fix time: bytes 0 to 17,
// alike in every GPS record layout of both generations.
void read_position_and_time(const uint8_t* record, GpsFix& fix);

// Cooked record; `fine_temperature` selects the raw/256 temperature.
GpsFix decode_gps_cooked_record(const uint8_t* record, bool fine_temperature);

// Software-9 reading of the cooked record: coarse temperature; a record that is
// not a valid fix has its motion figures replaced and, unless its longitude is
// the test marker 123456789, its position cleared.
GpsFix decode_gps_cooked_record_v9(const uint8_t* record);

// Early record of generation-3 tags (63-byte payload, 52 bytes used):
//   0 i32 longitude 1e-7 deg | 4 i32 latitude | 8 i32 height mm | 12 i16 week
//   14 u32 time of week ms | 19 u8 fix byte (bits 0-1 type of fix) | 20 u8 status
//   21 u8 clock flags (bit 0) | 22 u8 noise | 26 u16 time to fix s
//   42 u32 start time stamp | 46 u16 temperature raw | 48 u16 battery code
//   50, 51 cooked checksum over bytes 0..49
// A record that is not a valid fix loses its position.
GpsFix decode_gps_early_record(const uint8_t* record);

// Extended record; the feature word selects the temperature rule and the axes,
// the calibration words feed the pressure compensation.
GpsFix decode_gps_extended_record(const uint8_t* record, uint32_t feature_word,
                                  const PressureCalibration& cal);

// Counts a checksum-correct record into the STATS figures.
void update_gps_statistics(TagStatistics& stats, const GpsFix& fix);

}  // namespace dec
