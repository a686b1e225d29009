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

// Structure versions 0 and 1 (1 adds the super-burst fields at 171..178).
void print_tt5_10_v01(const SettingsContext& ctx, OutStream& out, uint8_t version,
                      uint32_t tag_number);
// Structure version 2, with the pressure sensor calibration (nullable target).
void print_tt5_10_v2(const SettingsContext& ctx, OutStream& out, PressureCalibration* pressure);
// Structure version 3.
void print_tt5_10_v3(const SettingsContext& ctx, OutStream& out);

}  // namespace dec
