// The body printers of the tt5_10 structure versions (one file each).
#pragma once

#include <array>
#include <cstdint>

#include "common/outstream.h"
#include "common/tag_state.h"
#include "settings/features.h"
#include "settings/settings_lines.h"

namespace dec {

// Feature bits that decide lines in several structure versions.
inline constexpr uint32_t kSolar = FEATURE_WITH_SOLAR_POWER;
inline constexpr uint32_t kGsm = FEATURE_WITH_GSM;
inline constexpr uint32_t kDead = FEATURE_DEAD_PINGER;
inline constexpr uint32_t kOn2 = FEATURE_WITH_ON2TIMES;

// The dead-pinger block of structure versions 0..2 (feature 0x4), from `at` on.
constexpr std::array<SettingsLine, 6> tt5_10_dead_pinger(uint16_t at) {
    return line::dead_pinger(
        "\n###### Tag with 'dead pinger' feature, following settings apply: ######\n", at, kDead);
}

// The GSM block of structure versions 2 and 3 (feature 0x10): the u32 big
// interval at `at`, then from at + 4 the u16 SMS, GPRS and GPRS2 times, SMS
// collect interval and offset, SMS and GPRS timeouts, and u8 gprs_min_pk_freq.
// The GPRS3 time sits at 173 in both.
constexpr std::array<SettingsLine, 11> tt5_10_gsm_lines(uint16_t at) {
    using namespace line;
    const auto sms = static_cast<uint16_t>(at + 4);
    std::array<SettingsLine, 11> lines = {
        text("-------------- GSM/GPRS/UMTS Settings: ----------------\n"),
        time_of_day("GPRS TIME: %02u:%02u GPSTIME\n", static_cast<uint16_t>(sms + 2)),
        time_of_day("GPRS2 TIME: %02u:%02u GPSTIME\n", static_cast<uint16_t>(sms + 4)),
        time_of_day("GPRS3 TIME: %02u:%02u GPSTIME\n", 173),
        time_of_day("SMS TIME: %02u:%02u GPSTIME\n", sms),
        u16("SMS GPS COLLECT INTERVAL: %hu s\n", static_cast<uint16_t>(sms + 6)),
        u16("SMS GPS COLLECT OFFSET: %hu s\n", static_cast<uint16_t>(sms + 8)),
        u16("SMS TIMEOUT: %hu seconds\n", static_cast<uint16_t>(sms + 10)),
        u16("GPRS TIMEOUT: %hu seconds\n", static_cast<uint16_t>(sms + 12)),
        days_interval("GSM BIG INTERVAL: %u s, which is %u days and %02u:%02u:%02u\n", at),
        u8("gprs_min_pk_freq:%hhu\n", static_cast<uint16_t>(sms + 14)),
    };
    for (SettingsLine& l : lines) {
        l.feature_any = kGsm;
    }
    return lines;
}

// The on-time windows of structure versions 2 and 3, u16 minutes since
// midnight: ACC from `acc_on`, IMU from `imu_on`, GPS from `gps_on`, each
// FROM then UNTIL. The second windows (feature 0x20000) lie together from
// `on2`: GPS, ACC, IMU.
constexpr uint16_t tt5_10_field(uint16_t at, uint16_t k) {
    return static_cast<uint16_t>(at + k);
}
constexpr std::array<SettingsLine, 9> tt5_10_acc_imu_windows(uint16_t acc_on, uint16_t imu_on,
                                                             uint16_t on2) {
    using namespace line;
    return {
        text("\n-------------- ACC & IMU-Settings: ------------------\n"),
        time_of_day("ACC ON FROM: %02u:%02u GPSTIME\n", acc_on),
        time_of_day("ACC ON UNTIL:%02u:%02u GPSTIME\n", tt5_10_field(acc_on, 2)),
        time_of_day("ACC ON2 FROM: %02u:%02u GPSTIME\n", tt5_10_field(on2, 4)).with(kOn2),
        time_of_day("ACC ON2 UNTIL:%02u:%02u GPSTIME\n", tt5_10_field(on2, 6)).with(kOn2),
        time_of_day("IMU ON FROM: %02u:%02u GPSTIME\n", imu_on),
        time_of_day("IMU ON UNTIL:%02u:%02u GPSTIME\n", tt5_10_field(imu_on, 2)),
        time_of_day("IMU ON2 FROM: %02u:%02u GPSTIME\n", tt5_10_field(on2, 8)).with(kOn2),
        time_of_day("IMU ON2 UNTIL:%02u:%02u GPSTIME\n", tt5_10_field(on2, 10)).with(kOn2),
    };
}
constexpr std::array<SettingsLine, 5> tt5_10_gps_windows(uint16_t gps_on, uint16_t on2) {
    using namespace line;
    return {
        text("\n-------------- GPS-Settings: ------------------\n"),
        time_of_day("GPS ON FROM: %02u:%02u GPSTIME\n", gps_on),
        time_of_day("GPS ON UNTIL:%02u:%02u GPSTIME\n", tt5_10_field(gps_on, 2)),
        time_of_day("GPS ON2 FROM: %02u:%02u GPSTIME\n", on2).with(kOn2),
        time_of_day("GPS ON2 UNTIL:%02u:%02u GPSTIME\n", tt5_10_field(on2, 2)).with(kOn2),
    };
}

// The general ACC and IMU lines of structure versions 2 and 3: from `acc` on
// the u16 byte count, u8 rate divisor, u8 low-speed factor and the axes byte
// (bit 0x40: inverse speed factor); the IMU start delay and dataset counts
// lie apart.
constexpr std::array<SettingsLine, 9> tt5_10_acc_imu_general(uint16_t acc, uint16_t imu_delay,
                                                             uint16_t imu_acc, uint16_t imu_quat) {
    using namespace line;
    const uint16_t axes_byte = tt5_10_field(acc, 4);
    return {
        text("\n--------------- General ACC & IMU settings: --------------\n"),
        divisor("ACC SAMPLERATE DIVISOR:%hhu\nACC SAMPLERATE per axis:%.2f Hz\n",
                "ACC SAMPLERATE BAD.\n", tt5_10_field(acc, 2)),
        byte_count("ACC BYTE COUNT: %u bytes => %i ACC SAMPLES (for all axes together)\n", acc),
        axes("ACC-AXES: ", "ALL AXES DISABLED", axes_byte),
        u8("ACC LOW SPEED INTERVAL FACTOR:%u\n", tt5_10_field(acc, 3)),
        flag("ACC INVERSE SPEED FACTOR ENABLED\n",
             "ACC INVERSE SPEED FACTOR NOT ENABLED (=default)\n", axes_byte, 0x40),
        u8("IMU START DELAY: %hhu Samples\n", imu_delay),
        u8("IMU ACC DATASET COUNT: %hhu\n", imu_acc),
        u8("IMU QUATERNION COMPASS DATASET COUNT: %hhu\n", imu_quat),
    };
}

// Structure versions 0 and 1 (1 adds the super-burst fields at 171..178).
void print_tt5_10_v01(const SettingsContext& ctx, OutStream& out, uint8_t version,
                      uint32_t tag_number);
// Structure version 2, with the pressure sensor calibration (nullable target).
void print_tt5_10_v2(const SettingsContext& ctx, OutStream& out, PressureCalibration* pressure);
// Structure version 3.
void print_tt5_10_v3(const SettingsContext& ctx, OutStream& out);

}  // namespace dec
