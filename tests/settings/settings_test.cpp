// Settings reports of the three record kinds (every structure version, the
// serial-number ranges and field values that change lines, the fatal stops;
// each report kept whole in settings/expected/<record kind>.txt) and the
// checksum, voltage-code and pressure-calibration helpers behind them.
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "common/fatal.h"
#include "common/millivolts.h"
#include "common/tag_state.h"
#include "expected_sections.h"
#include "settings/crc16.h"
#include "settings/ecg_rates.h"
#include "settings/features.h"
#include "settings/frequency.h"
#include "settings/pressure_prom.h"
#include "settings/settings_lines.h"
#include "settings/tt5_10.h"
#include "settings/tt5_9.h"
#include "settings/tt7_1.h"
#include "testsupport/settings_records.h"

namespace {

using dec::testing::example_tt5_10;
using dec::testing::example_tt5_9;
using dec::testing::example_tt7_1;
using dec::testing::OpenBlock;
using dec::testing::SettingsRecord;

// The text of a printer, and the exit code of its fatal stop if there is one.
std::string printed(const std::function<void(dec::OutStream&)>& print) {
    std::string text;
    try {
        dec::OutStream out(&text);
        print(out);
    } catch (const dec::FatalStop& stop) {
        return text + "[exit " + std::to_string(stop.code) + "]";
    }
    return text;
}

std::string tt5_10(const OpenBlock& b, uint32_t tag, dec::TagState* state = nullptr) {
    return printed([&](dec::OutStream& o) { dec::print_settings_tt5_10(b.data(), o, tag, state); });
}

std::string tt5_9(const OpenBlock& b, uint32_t tag, uint32_t* features = nullptr) {
    return printed([&](dec::OutStream& o) { dec::print_settings_tt5_9(b.data(), o, tag, features); });
}

std::string tt7_1(const OpenBlock& b) {
    return printed([&](dec::OutStream& o) { dec::print_settings_tt7_1(b.data(), o, 900); });
}

TEST(SettingsReports, Tt5_10) {
    dec::testing::Sections s;
    const uint32_t kTags[] = {4000, 5000, 6000, 7000};
    const uint32_t kFeatures[] = {0x840B, 0xA16, 0x44014, 0x24011};
    for (uint8_t v = 0; v <= 3; ++v) {
        dec::TagState state;
        s.emplace_back("SV" + std::to_string(v), tt5_10(example_tt5_10(v).block(), kTags[v], &state));
        EXPECT_EQ(state.feature_word, kFeatures[v]);
        EXPECT_EQ(tt5_10(example_tt5_10(v).block(), kTags[v]), s.back().second);

        // The feature word is taken before the checksum is looked at.
        OpenBlock b = example_tt5_10(v).block();
        b[32 + 100] ^= 0x01;
        dec::TagState bad;
        s.emplace_back("SV" + std::to_string(v) + " checksum mismatch", tt5_10(b, kTags[v], &bad));
        EXPECT_EQ(bad.feature_word, kFeatures[v]);
    }
    dec::TagState state;
    tt5_10(example_tt5_10(2).block(), 6000, &state);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(state.pressure.c[i], i == 0 ? 0x1011 : dec::testing::kExamplePressureWords[i]) << i;
    }
    for (uint8_t fill : {0xFF, 0x00, 0x12}) {  // 0x12 makes a wrong CRC
        SettingsRecord r = example_tt5_10(2);
        for (size_t off = 197; off <= 209; ++off) {
            r.u8(off, fill);
        }
        dec::TagState cleared;
        cleared.pressure.c[6] = 1234;
        s.emplace_back("SV2 calibration bytes " + std::to_string(fill),
                       tt5_10(r.u8(161, fill).block(), 6000, &cleared));
        EXPECT_EQ(cleared.pressure.c[6], 0);
    }
    // The band text comes from the container: it cannot steer a terminal.
    s.emplace_back("SV2 band text with control bytes",
                   tt5_10(example_tt5_10(2).text(187, "\x1b]0;x\x07\x7f").block(), 6000));
    s.emplace_back("wrong magic", tt5_10(example_tt5_10(3).u16(0, 0x9B3B).block(), 7000));
    s.emplace_back("SV4", tt5_10(SettingsRecord::tt5_10(4, 0).block(), 7000));
    s.emplace_back("unknown feature bit", tt5_10(SettingsRecord::tt5_10(3, 0x80000 | 0x7FFFF).block(), 7000));
    for (uint8_t mode : {0xAA, 0x55, 0x00, 0x0A, 0x05, 0xFF}) {
        s.emplace_back("mode " + std::to_string(mode), tt5_10(SettingsRecord::tt5_10(3, 0, mode).block(), 7000));
    }
    s.emplace_back("SV0 mode 0x55", tt5_10(SettingsRecord::tt5_10(0, 0, 0x55).block(), 7000));
    for (uint8_t divisor : {0, 128, 255, 127}) {
        s.emplace_back("divisor " + std::to_string(divisor), tt5_10(example_tt5_10(3).u8(45, divisor).block(), 7000));
    }
    // Tilt axes 1 and 2, variance axis 3 (printed as a zero byte), no IMU switch.
    s.emplace_back("SV3 axes and no IMU",
                   tt5_10(example_tt5_10(3).u8(62, 3).u8(63, 1).u8(108, 0).u8(109, 0).block(), 7000));
    s.emplace_back("SV2 no IMU", tt5_10(example_tt5_10(2).u8(158, 0).u8(159, 0).block(), 6000));
    s.emplace_back("SV3 variance feature only", tt5_10(SettingsRecord::tt5_10(3, 0x8000).block(), 7000));
    s.emplace_back("SV0 at tag 4458", tt5_10(example_tt5_10(0).block(), 4458));
    s.emplace_back("SV0 super burst feature", tt5_10(SettingsRecord::tt5_10(0, 0x200).block(), 4000));
    // East and west swapped: the longitude span is unsigned, the latitude span signed.
    s.emplace_back(
        "geofence spans",
        tt5_10(SettingsRecord::tt5_10(3, 0).s32(129, 1000000).s32(133, 0).s32(149, 0).s32(145, 1000000).block(), 7000));
    dec::testing::expect_sections("settings/expected/tt5_10.txt", s);
}

TEST(SettingsReports, Tt5_9) {
    dec::testing::Sections s;
    for (const auto& [v, features] : {std::pair<uint8_t, uint32_t>{3, 0}, {2, 0}, {7, 0xFFFFFFFF}}) {
        uint32_t got = 99;
        s.emplace_back("version " + std::to_string(v), tt5_9(example_tt5_9(v).block(), v == 2 ? 2241 : 3000, &got));
        EXPECT_EQ(got, features) << int{v};
    }
    s.emplace_back("version 2 at tag 2242", tt5_9(example_tt5_9(2).block(), 2242));
    s.emplace_back("high sensitivity", tt5_9(example_tt5_9(3).u8(10, 0x01).block(), 100));
    for (uint8_t bad : {0, 128}) {
        s.emplace_back("version 7 divisor " + std::to_string(bad), tt5_9(example_tt5_9(7).u8(36, bad).block(), 3000));
    }
    for (const auto& [axes, code] :
         {std::pair<uint8_t, uint8_t>{0x08, 1}, {0x30, 6}, {0x38, 10}, {0x38, 11}, {0x00, 4}}) {
        s.emplace_back("axes " + std::to_string(axes) + " rate code " + std::to_string(code),
                       tt5_9(example_tt5_9(3).u8(9, axes).u8(36, code).block(), 3000));
    }
    // Special editions, the first GSM generation and the old GSM timeout field,
    // with the serial numbers just outside each range.
    for (uint32_t tag : {2425, 2426, 2461, 2462, 3012, 3013, 3014, 3379, 3380, 3392, 3393, 4074, 4075, 4092, 4093, 2538,
                         2539, 2543, 2544, 2547, 2548, 2554, 2555, 2556, 2559, 2560, 2561, 2564, 2565, 2692, 2693}) {
        s.emplace_back("tag " + std::to_string(tag), tt5_9(example_tt5_9(3).block(), tag));
    }
    s.emplace_back("wrong magic", tt5_9(example_tt5_9(3).u16(0, 0xE532).block(), 3000));
    for (uint8_t v : {0, 1, 4, 6, 8}) {
        s.emplace_back("unknown version " + std::to_string(v), tt5_9(SettingsRecord::tt5_9(v).block(), 3000));
    }
    dec::testing::expect_sections("settings/expected/tt5_9.txt", s);
}

TEST(SettingsReports, Tt7_1) {
    dec::testing::Sections s = {
        {"version 2", tt7_1(example_tt7_1(2).block())},
        {"version 1", tt7_1(example_tt7_1(1).block())},
        {"version 1 rate code 10", tt7_1(example_tt7_1(1).u8(32, 10).block())},
        {"version 2 rate code 42", tt7_1(example_tt7_1(2).u8(32, 42).block())},
        {"version 2 rate code 43", tt7_1(example_tt7_1(2).u8(32, 43).block())},
        {"no offset, gain code 9", tt7_1(example_tt7_1(1).u8(9, 0).u8(39, 9).u16(30, 126).block())},
    };
    // Only version 2 has a checksum.
    OpenBlock v2 = example_tt7_1(2).block(), v1 = example_tt7_1(1).block();
    v2[32 + 60] ^= 0x80;
    v1[32 + 210] ^= 0xFF;
    s.emplace_back("version 2 checksum mismatch", tt7_1(v2));
    s.emplace_back("version 1 byte changed", tt7_1(v1));
    s.emplace_back("wrong magic", tt7_1(SettingsRecord::tt5_9(2).block()));
    for (uint8_t v : {0, 3}) {
        s.emplace_back("unknown version " + std::to_string(v), tt7_1(SettingsRecord::tt7_1(v).block()));
    }
    dec::testing::expect_sections("settings/expected/tt7_1.txt", s);
    EXPECT_EQ(dec::ecg_rate_count(1), 11u);
    EXPECT_EQ(dec::ecg_rate_count(2), 43u);
    EXPECT_EQ(dec::ecg_rate_count(3), 0u);
    EXPECT_EQ(dec::ecg_sample_rate_hz(1, 11), 0.0f);
    EXPECT_EQ(dec::ecg_sample_rate_hz(2, 0), 10.75f);
}

// Frequency words below the programmed range, with bit 18 set or with a top
// byte that must not wrap the product; feature words with unknown bits.
TEST(SettingsReports, FrequenciesAndFeatures) {
    dec::testing::Sections s;
    for (uint32_t word : {0x200000u, 0x2013A0u, 0x1FFFFFu, 0x240000u, 0u, 0xFF200000u}) {
        s.emplace_back("frequency " + std::to_string(word),
                       printed([&](dec::OutStream& o) { dec::print_frequency_26mhz(word, o); }) +
                           printed([&](dec::OutStream& o) { dec::print_frequency_27mhz(word, o); }));
    }
    for (uint32_t word : {0x7FFFFu, 0x80001u, 0xFFF80000u}) {
        int rv = 0;
        s.emplace_back("features " + std::to_string(word),
                       printed([&](dec::OutStream& o) { rv = dec::print_features(o, word); }));
        s.back().second += "rv=" + std::to_string(rv);
    }
    dec::testing::expect_sections("settings/expected/frequencies_features.txt", s);
}

// ---------------------------------------------------------------- checksum, voltage-code and pressure-calibration
// helpers

TEST(SettingsCrc16, CheckValueAndEmptyInput) {
    const uint8_t check[] = {'1', '2', '3', '4', '5', '6', '7', '8', '9'};
    EXPECT_EQ(dec::settings_crc16(check, sizeof check), 0x29B1);
    const uint8_t none[1] = {0x55};
    EXPECT_EQ(dec::settings_crc16(none, 0), 0xFFFF);
}

TEST(SettingsValues, VoltageCodesAndSampleCounts) {
    EXPECT_EQ(dec::voltage_code_mv(3277), 4000u);
    EXPECT_EQ(dec::voltage_code_mv(2800), 3417u);
    EXPECT_EQ(dec::voltage_code_mv(65535), 79998u);
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
