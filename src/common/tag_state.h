// State that lives for one tag's decoding and is shared by its loop and decoders.
#pragma once

#include <cstdint>

namespace dec {

// Figures of the STATS line, updated by the GPS, acceleration and IMU decoders.
struct TagStatistics {
    uint32_t first_fix_time = 0;  // tag time of the first record later than 2014-01-01
    uint32_t last_fix_time = 0;
    uint32_t gps_records = 0;
    uint32_t valid_fixes = 0;
    uint32_t attempts = 0;
    uint32_t attempt_valid_fixes = 0;
    uint32_t attempt_fix_time_sum = 0;
    uint64_t acc_bytes = 0;  // byte counts: a tag's data may exceed 4 GiB
    uint32_t acc_bursts = 0;
    double activity_sum = 0.0;
    uint64_t quatcmp_bytes = 0;
    uint32_t battery_max = 0;
    uint32_t battery_min = 100000;
    uint64_t battery_sum = 0;
    uint32_t battery_count = 0;
    // Start time stamp of the previous GPS record; a change starts a new attempt.
    uint32_t gps_prev_start_time = 0;
};

// Records earlier than this tag time (2014-01-01 00:00:00) do not count for the
// first and last fix times of the statistics.
inline constexpr uint32_t kStatsEarliestTime = 215568000;

// Calibration words of the pressure sensor, loaded from the settings record
// (structure version 2) and used by the GPS decoder's pressure compensation.
struct PressureCalibration {
    uint16_t c[7] = {0, 0, 0, 0, 0, 0, 0};
};

struct TagState {
    uint32_t tag_number = 0;
    // The tag's position among the tags of its container.
    uint32_t order = 0;
    TagStatistics stats;
    // Version byte of the settings record of the latest open block (byte 4 of
    // the record): tells the version-9 decoders which accelerometer the tag has.
    uint8_t settings_version = 0;
    // Feature word of the tag's settings (0 until a settings report fills it).
    uint32_t feature_word = 0;
    PressureCalibration pressure;
    // Number of GPS record units seen so far; numbers KML placemarks and ACC rows.
    uint32_t gps_record_counter = 0;
    // Accumulated GPS on-time of the GPS decoder.
    uint32_t gps_ontime = 0;
    // Bad units of this tag's loop (unknown types, records failing checksums).
    uint32_t bad_units = 0;
    // Bytes the loop has processed before the current unit; a tag's stream
    // may be longer than 4 GiB.
    uint64_t processed_bytes = 0;
    // UTC seconds of the tag's connection, from close information; 0 if none.
    uint64_t connect_time = 0;
    // The last download delivered all it announced (or more).
    bool last_download_complete = false;
    // A time written in UTC (--utc) lay past the leap-second table's expiry:
    // the information file says so once, at the tag's end.
    bool utc_past_expiry = false;
};

}  // namespace dec
