#include "records/gps_record.h"

#include "common/le.h"
#include "common/tagtime.h"
#include "records/ms5837.h"
#include "settings/features.h"

namespace dec {

namespace {

// Status flag bits of the receiver's navigation status.
constexpr uint8_t kStatusFixOk = 0x01;
constexpr uint8_t kStatusWeekValid = 0x04;
constexpr uint8_t kStatusTimeValid = 0x08;
constexpr uint8_t kCookedValidMask = 0x0D;
constexpr uint8_t kExtendedValidMask = 0x3D;
constexpr uint8_t kExtendedClockBit = 0x20;

// What a record without a usable position reports for its motion figures.
constexpr double kNoFixSpeedAcc = 300.0;
constexpr double kNoFixHorizAcc = 10000.0;

// A software-9 test record keeps its position even when it is not a valid fix.
constexpr int32_t kV9TestLongitude = 123456789;

constexpr double kHeadingPerUnit = 0.65536;

bool position_is_zero(const GpsFix& f) {
    return f.lon == 0 && f.lat == 0 && f.height_mm == 0;
}

void clear_motion(GpsFix& f) {
    f.speed = 0.0;
    f.heading = 0.0;
    f.speed_acc = kNoFixSpeedAcc;
    f.horiz_acc = kNoFixHorizAcc;
}

// The cooked record without the zero-position rule.
GpsFix read_cooked(const uint8_t* r) {
    GpsFix f;
    f.kind = GpsKind::cooked;
    read_position_and_time(r, f);
    const uint8_t fix_byte = le_u8(r, 19);
    f.status = le_u8(r, 20);
    f.fix_type = fix_byte & 3;
    f.clock_flag = le_u8(r, 21) & 1;
    f.noise = static_cast<uint8_t>(le_u16(r, 22));
    f.time_to_fix = le_u16(r, 26);
    f.vert_acc_raw = le_u16(r, 38);
    f.speed_acc = le_u16(r, 40) / 100.0;
    f.start_time = le_u32(r, 42);
    f.battery_mv = voltage_code_mv(le_u16(r, 48));
    f.loaded_battery_mv = voltage_code_mv(le_u16(r, 50));
    f.speed = le_u16(r, 52) / 100.0;
    f.heading = le_s16(r, 54) * kHeadingPerUnit;
    f.horiz_acc = (le_u24(r, 56) * 256.0) / 1000.0;
    f.fix_battery_mv = voltage_code_mv(le_u16(r, 59));
    f.valid = (f.status & kCookedValidMask) == kCookedValidMask && f.fix_type == 3;
    return f;
}

// A cooked record at position 0/0/0 is no fix at all: it loses its fix type and
// the fix-ok flag before the status letter is formed.
void finish_cooked(GpsFix& f) {
    if (position_is_zero(f)) {
        f.zero_position = true;
        f.valid = false;
        f.status &= static_cast<uint8_t>(~kStatusFixOk);
        f.fix_type = 0;
        clear_motion(f);
    }
    f.letter = gps_status_letter(f.status, (f.status & kStatusFixOk) != 0);
}

}  // namespace

GpsFix decode_gps_early_record(const uint8_t* r) {
    GpsFix f;
    f.kind = GpsKind::early;
    read_position_and_time(r, f);
    f.fix_type = le_u8(r, 19) & 3;
    f.status = le_u8(r, 20);
    f.clock_flag = le_u8(r, 21) & 1;
    f.noise = le_u8(r, 22);
    f.time_to_fix = le_u16(r, 26);
    f.start_time = le_u32(r, 42);
    f.temperature_coarse = gps_coarse_temperature(le_u16(r, 46));
    f.battery_mv = voltage_code_mv(le_u16(r, 48));
    f.valid = (f.status & kCookedValidMask) == kCookedValidMask && f.fix_type == 3;
    f.letter = gps_status_letter(f.status, (f.status & kStatusFixOk) != 0);
    if (!f.valid) {
        f.lon = 0;
        f.lat = 0;
        f.height_mm = 0;
    }
    return f;
}

GpsFixTime gps_fix_time(int16_t week, uint32_t tow_ms) {
    GpsFixTime t;
    t.week = week;
    // 64 bits: a damaged time of week near 2^32 must not wrap to a small value.
    const uint64_t rounded = uint64_t{tow_ms} + 500;
    t.seconds = static_cast<uint32_t>(rounded / 1000);
    if (rounded >= uint64_t{kSecondsPerWeek} * 1000) {
        t.seconds -= kSecondsPerWeek;
        ++t.week;
    }
    const auto uweek = static_cast<uint32_t>(t.week);
    if (uweek >= static_cast<uint32_t>(kTagEpochWeek)) {
        t.tag_time = (uweek - static_cast<uint32_t>(kTagEpochWeek)) * kSecondsPerWeek + t.seconds;
    }
    return t;
}

bool gps_sums_ok(const uint8_t* record, size_t count, uint8_t seed_a, uint8_t seed_b) {
    uint8_t a = seed_a;
    uint8_t b = seed_b;
    for (size_t i = 0; i < count; ++i) {
        a = static_cast<uint8_t>(a + record[i]);
        b = static_cast<uint8_t>(b + a);
    }
    return record[count] == a && record[count + 1] == b;
}

bool gps_cooked_checksum_ok(const uint8_t* record, uint8_t seed_a, uint8_t seed_b) {
    return gps_sums_ok(record, kGpsRecordSize - 2, seed_a, seed_b);
}

void read_position_and_time(const uint8_t* r, GpsFix& f) {
    f.lon = le_s32(r, 0);
    f.lat = le_s32(r, 4);
    f.height_mm = le_s32(r, 8);
    f.week = le_s16(r, 12);
    f.tow_ms = le_u32(r, 14);
    f.fix = gps_fix_time(f.week, f.tow_ms);
}

int32_t gps_coarse_temperature(uint16_t raw) {
    return static_cast<int32_t>(uint32_t{raw} * 2500 / 12083) - 316;
}

char gps_status_letter(uint8_t status, bool fix_ok) {
    if (fix_ok) {
        return 'A';
    }
    constexpr uint8_t kWeekAndTime = kStatusWeekValid | kStatusTimeValid;
    if ((status & kWeekAndTime) == kWeekAndTime) {
        return 'B';
    }
    return (status & kStatusWeekValid) != 0 ? 'C' : 'D';
}

GpsFix decode_gps_cooked_record(const uint8_t* record, bool fine_temperature) {
    GpsFix f = read_cooked(record);
    if (fine_temperature) {
        f.temperature_fine = true;
        f.temperature = le_s16(record, 46) / 256.0;
    } else {
        f.temperature_coarse = gps_coarse_temperature(le_u16(record, 46));
    }
    finish_cooked(f);
    return f;
}

GpsFix decode_gps_cooked_record_v9(const uint8_t* record) {
    GpsFix f = read_cooked(record);
    f.temperature_coarse = gps_coarse_temperature(le_u16(record, 46));
    if (!f.valid) {
        clear_motion(f);
        if (f.lon != kV9TestLongitude) {
            f.lon = 0;
            f.lat = 0;
            f.height_mm = 0;
        }
    }
    finish_cooked(f);
    return f;
}

GpsFix decode_gps_extended_record(const uint8_t* record, uint32_t feature_word,
                                  const PressureCalibration& cal) {
    const uint8_t* r = record;
    GpsFix f;
    f.kind = GpsKind::extended;
    read_position_and_time(r, f);
    f.status = le_u8(r, 18);
    f.fix_type = 3;
    f.clock_flag = (f.status & kExtendedClockBit) != 0 ? 1 : 0;
    f.speed_acc = le_u16(r, 19) / 1000.0;
    f.horiz_acc = (le_u24(r, 21) * 256.0) / 1000.0;
    f.speed = le_u16(r, 24) / 100.0;
    f.heading = le_s16(r, 26) * kHeadingPerUnit;
    f.satellites = le_u8(r, 28);
    f.dop_raw = le_u8(r, 29);
    f.start_time = le_u32(r, 30);
    f.battery_mv = voltage_code_mv(le_u16(r, 34));
    f.loaded_battery_mv = voltage_code_mv(le_u16(r, 36));
    f.fix_battery_mv = voltage_code_mv(le_u16(r, 38));
    f.time_to_fix = le_u16(r, 50);
    f.vert_acc_raw = le_u16(r, 52);

    const bool fix_ok = (f.status & kExtendedValidMask) == kExtendedValidMask;
    f.letter = gps_status_letter(f.status, fix_ok);
    f.valid = fix_ok;
    // The letter stays as the receiver reported it; only validity and the
    // motion figures follow the zero position.
    if (position_is_zero(f)) {
        f.zero_position = true;
        f.valid = false;
        clear_motion(f);
    }

    if ((feature_word & FEATURE_WITH_GPSACCGSMV2) != 0) {
        f.temperature_fine = true;
        int32_t pressure = 0;
        int32_t temperature = 0;
        if (ms5837_compensate(r, cal, pressure, temperature) != 0) {
            f.temperature = temperature / 100.0;
            f.pressure_hpa = pressure / 100.0;
        } else {
            f.temperature = le_s16(r, 42) / 256.0;
        }
    } else {
        f.temperature_coarse = gps_coarse_temperature(le_u16(r, 42));
    }

    // Magnetic axes: the sensor sits either on the top or on the bottom side.
    const int32_t axis1 = le_s16(r, 44);
    const int32_t axis2 = le_s16(r, 46);
    const int32_t axis3 = le_s16(r, 48);
    if ((feature_word & FEATURE_BOTHSENSORSBOTTOMSIDE) != 0) {
        f.mag[0] = axis2;
        f.mag[1] = axis1;
        f.mag[2] = -axis3;
    } else {
        f.mag[0] = -axis2;
        f.mag[1] = axis1;
        f.mag[2] = axis3;
    }

    // w = -32768 marks a record without a valid orientation: x, y, z read as 0.
    const int32_t w = le_s16(r, 54);
    int32_t x = le_s8(r, 56);
    int32_t y = le_s8(r, 57);
    int32_t z = le_s8(r, 58);
    if (w == -32768) {
        x = y = z = 0;
    }
    f.quat_present = !(w == 0 && x == 0 && y == 0 && z == 0);
    f.quat[0] = w;
    f.quat[1] = -x;
    f.quat[2] = y;
    f.quat[3] = -z;
    return f;
}

void update_gps_statistics(TagStatistics& stats, const GpsFix& fix) {
    ++stats.gps_records;
    if (fix.valid) {
        ++stats.valid_fixes;
    }
    // A new attempt starts whenever the start time stamp changes; the tag's
    // first record has no predecessor and never counts.
    if (stats.gps_prev_start_time != 0 && stats.gps_prev_start_time != fix.start_time) {
        ++stats.attempts;
        stats.attempt_fix_time_sum += fix.time_to_fix;
        if (fix.valid) {
            ++stats.attempt_valid_fixes;
        }
    }
    stats.gps_prev_start_time = fix.start_time;
    if (fix.fix.tag_time > kStatsEarliestTime) {
        if (stats.first_fix_time == 0) {
            stats.first_fix_time = fix.fix.tag_time;
        }
        stats.last_fix_time = fix.fix.tag_time;
    }
    if (fix.battery_mv > stats.battery_max) {
        stats.battery_max = fix.battery_mv;
    }
    if (fix.battery_mv < stats.battery_min) {
        stats.battery_min = fix.battery_mv;
    }
    stats.battery_sum += fix.battery_mv;
    ++stats.battery_count;
}

}  // namespace dec
