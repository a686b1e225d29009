// Checksum, voltage-code and pressure-calibration helpers of the settings reports.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "settings/crc16.h"
#include "settings/pressure_prom.h"
#include "settings/settings_lines.h"

namespace {

TEST(SettingsCrc16, CheckValueAndEmptyInput) {
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(dec::settings_crc16(check, sizeof check), 0x29B1);
    const uint8_t none[1] = {0x55};
    EXPECT_EQ(dec::settings_crc16(none, 0), 0xFFFF);
}

TEST(SettingsValues, VoltageCodesAndSampleCounts) {
    EXPECT_EQ(dec::voltage_code_millivolt(3277), 4000u);
    EXPECT_EQ(dec::voltage_code_millivolt(2800), 3417u);
    EXPECT_EQ(dec::voltage_code_millivolt(65535), 79998u);
    EXPECT_EQ(dec::acc_samples_from_bytes(0), -6);
    EXPECT_EQ(dec::acc_samples_from_bytes(1), 36);
    EXPECT_EQ(dec::acc_samples_from_bytes(63), 36);
    EXPECT_EQ(dec::acc_samples_from_bytes(64), 78);
    EXPECT_EQ(dec::acc_samples_from_bytes(126), 78);
    EXPECT_EQ(dec::acc_samples_from_bytes(65535), 43716);
}

// Calibration bytes as the record holds them: W0..C5 and C6's low byte, and
// C6's high byte apart.
struct Prom {
    uint8_t bytes13[13];
    uint8_t c6_high;
};

Prom prom_of(const uint16_t (&w)[7]) {
    Prom p{};
    for (int i = 0; i < 6; ++i) {
        p.bytes13[2 * i] = static_cast<uint8_t>(w[i]);
        p.bytes13[2 * i + 1] = static_cast<uint8_t>(w[i] >> 8);
    }
    p.bytes13[12] = static_cast<uint8_t>(w[6]);
    p.c6_high = static_cast<uint8_t>(w[6] >> 8);
    return p;
}

// W0 values below carry CRC-4 values worked out by hand from the sensor's
// data-sheet procedure (1 for the first set, 9 for the second, 7 for the third).
constexpr uint16_t kGoodBa01[7] = {0x1011, 34982, 36352, 20328, 22354, 26646, 26146};
constexpr uint16_t kGoodBa36[7] = {0x9483, 46372, 43981, 29059, 27842, 31553, 28165};
constexpr uint16_t kUnknownVariant[7] = {0x7020, 34982, 36352, 20328, 22354, 26646, 26146};

// Good calibrations of both sensor variants are stored; an empty one, one
// with any bit flipped, or one of an unknown variant clears what was stored.
TEST(PressureProm, GoodEmptyAndBadCalibrations) {
    EXPECT_EQ(dec::pressure_prom_crc4(kGoodBa01), 1);
    EXPECT_EQ(dec::pressure_prom_crc4(kGoodBa36), 9);
    EXPECT_EQ(dec::pressure_prom_crc4(kUnknownVariant), 7);
    const auto check = [](const Prom& p, int want) {
        dec::PressureCalibration cal;
        cal.c[0] = cal.c[3] = 77;
        EXPECT_EQ(dec::check_pressure_prom(p.bytes13, p.c6_high, &cal), want);
        return cal;
    };
    for (const auto* words : {&kGoodBa01, &kGoodBa36}) {
        const dec::PressureCalibration cal = check(prom_of(*words), dec::PROM_OK);
        for (int i = 0; i < 7; ++i) {
            EXPECT_EQ(cal.c[i], (*words)[i]) << "word " << i;
        }
    }
    for (uint8_t fill : {0x00, 0xFF}) {
        Prom p;
        std::memset(&p, fill, sizeof p);
        EXPECT_EQ(check(p, dec::PROM_NONE).c[3], 0);
    }
    for (int byte = 0; byte < 14; ++byte) {
        for (int bit = 0; bit < 8; ++bit) {
            Prom p = prom_of(kGoodBa01);
            uint8_t& b = byte < 13 ? p.bytes13[byte] : p.c6_high;
            b = static_cast<uint8_t>(b ^ (1u << bit));
            EXPECT_EQ(check(p, dec::PROM_BAD).c[0], 0) << "byte " << byte << " bit " << bit;
        }
    }
    const Prom unknown = prom_of(kUnknownVariant);
    EXPECT_EQ(check(unknown, dec::PROM_BAD).c[0], 0);
    EXPECT_EQ(dec::check_pressure_prom(unknown.bytes13, unknown.c6_high, nullptr), dec::PROM_BAD);
}

}  // namespace
