// Settings record tt5_10: whole reports of every structure version, the
// results handed to the decoders, and the fatal stops.
#include "settings/tt5_10.h"

#include <gtest/gtest.h>

#include <string>

#include "common/tag_state.h"
#include "settings_test_util.h"
#include "testsupport/cli_runner.h"
#include "testsupport/settings_records.h"

namespace {

using dec::testing::example_tt5_10;
using dec::testing::expected_text;
using dec::testing::read_text;
using dec::testing::OpenBlock;
using dec::testing::SettingsRecord;
using settings_test::capture;
using settings_test::has_line;
using settings_test::Printed;

Printed print(const OpenBlock& block, uint32_t tag, dec::TagState* state = nullptr) {
    return capture(
        [&](dec::OutStream& o) { dec::print_settings_tt5_10(block.data(), o, tag, state); });
}

// The report of each structure version is an expected file (field values:
// example_tt5_10 in testsupport/settings_records.cpp; the variance axis byte
// 5 of the SV2 record prints as a zero byte).
std::string report_file(int version) {
    return "settings/expected/tt5_10_sv" + std::to_string(version) + ".txt";
}

TEST(Tt5_10, WholeReportOfEveryStructureVersion) {
    struct Case {
        uint8_t version;
        uint32_t tag;
        uint32_t features;
    };
    const Case kCases[] = {{0, 4000, 0x840B}, {1, 5000, 0xA16}, {2, 6000, 0x44014}, {3, 7000, 0x24011}};
    for (const Case& c : kCases) {
        dec::TagState state;
        const Printed p = print(example_tt5_10(c.version).block(), c.tag, &state);
        EXPECT_EQ(p.exit_code, -1) << "SV" << int{c.version};
        EXPECT_EQ(p.text, expected_text(report_file(c.version), p.text)) << "SV" << int{c.version};
        EXPECT_EQ(state.feature_word, c.features) << "SV" << int{c.version};
        // The state is optional; the text does not depend on it.
        EXPECT_EQ(print(example_tt5_10(c.version).block(), c.tag, nullptr).text, p.text);
    }
}

// The band text comes from the container: it cannot steer a terminal.
TEST(Tt5_10, BandTextWithControlBytesIsMadePrintable) {
    SettingsRecord r = example_tt5_10(2);
    r.text(187, "\x1b]0;x\x07\x7f");
    std::string expected = read_text(std::string(DEC_SOURCE_DIR) + "/tests/" + report_file(2));
    const size_t at = expected.find("band_set:EU868\n");
    expected.replace(at, 15, "band_set:~]0;x~?\n");
    EXPECT_EQ(print(r.block(), 6000, nullptr).text, expected);
}

TEST(Tt5_10, Version2StoresThePressureCalibration) {
    dec::TagState state;
    print(example_tt5_10(2).block(), 6000, &state);
    // W0 carries the CRC-4 (1 for these words) in its top four bits.
    const uint16_t expected[7] = {0x1011, 34982, 36352, 20328, 22354, 26646, 26146};
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(state.pressure.c[i], expected[i]) << "word " << i;
    }
}

TEST(Tt5_10, Version2WithoutOrWithBadCalibrationClearsIt) {
    struct Case {
        uint8_t fill;  // calibration bytes; 0x12 makes a wrong CRC
        const char* line;
    };
    const Case kCases[] = {
        {0xFF, "No ms5xxx_prom."}, {0x00, "No ms5xxx_prom."}, {0x12, "ms5xxx_prom bad"}};
    for (const Case& c : kCases) {
        SettingsRecord r = example_tt5_10(2);
        for (size_t off = 197; off <= 209; ++off) {
            r.u8(off, c.fill);
        }
        r.u8(161, c.fill);
        dec::TagState state;
        state.pressure.c[6] = 1234;
        const Printed p = print(r.block(), 6000, &state);
        EXPECT_TRUE(has_line(p.text, c.line)) << c.line;
        EXPECT_FALSE(has_line(p.text, "ms5xxx_prom OK"));
        EXPECT_EQ(state.pressure.c[6], 0);
    }
}

TEST(Tt5_10, WrongMagicStopsWith22) {
    SettingsRecord r = example_tt5_10(3);
    r.u16(0, 0x9B3B);
    const Printed p = print(r.block(), 7000);
    EXPECT_EQ(p.exit_code, dec::BADLOGGERBIN);
    EXPECT_EQ(
        p.text,
        "\nPrinting tag settings tt5_10, SV3, valid at the point in time of the data download:\n"
        "No configuration or error in decoding configuration settings of tag.\n");
}

TEST(Tt5_10, UnknownStructureVersionStopsWith20) {
    const Printed p = print(SettingsRecord::tt5_10(4, 0).block(), 7000);
    EXPECT_EQ(p.exit_code, dec::UNSUPPORTED_PRODUCT);
    EXPECT_EQ(
        p.text,
        "\nPrinting tag settings tt5_10, SV4, valid at the point in time of the data download:\n"
        "This data decoder only supports struct_version 0,1,2 and 3.\n");
}

TEST(Tt5_10, ChecksumMismatchStopsWith22) {
    for (uint8_t version = 0; version <= 3; ++version) {
        OpenBlock b = example_tt5_10(version).block();
        b[32 + 100] ^= 0x01;  // any byte under the checksum
        dec::TagState state;
        const Printed p = print(b, 4000, &state);
        EXPECT_EQ(p.exit_code, dec::BADLOGGERBIN);
        const std::string line =
            "Checksum of tt5_10 stv" + std::to_string(version) + " not matching!\n";
        ASSERT_GE(p.text.size(), line.size());
        EXPECT_EQ(p.text.substr(p.text.size() - line.size()), line);
        EXPECT_EQ(p.text.find("Printing enabled features"), std::string::npos);
        // The feature word is taken before the checksum is looked at.
        static const uint32_t kExampleFeatures[] = {0x840B, 0xA16, 0x44014, 0x24011};
        EXPECT_EQ(state.feature_word, kExampleFeatures[version]);
    }
}

TEST(Tt5_10, UnknownFeatureBitStopsWith21AfterTheKnownNames) {
    const Printed p = print(SettingsRecord::tt5_10(3, 0x80000 | 0x7FFFF).block(), 7000);
    EXPECT_EQ(p.exit_code, dec::UNSUPPORTED_FF_PRODUCT);
    const std::string tail =
        "FEATURE_GPSACC2G4G\nEnd of features.\n\n##### ERROR: Unknown feature flag 0x80000! "
        "#####\n";
    ASSERT_GE(p.text.size(), tail.size());
    EXPECT_EQ(p.text.substr(p.text.size() - tail.size()), tail);
    EXPECT_NE(p.text.find("FEATURE_WITH_SOLAR_POWER\n"), std::string::npos);
}

TEST(Tt5_10, ModeLine) {
    struct Case {
        uint8_t mode;
        const char* ending;
    };
    const Case kCases[] = {{0xAA, "\nAM\n\n"}, {0x55, "\nTTOFF\n\n"}, {0x00, "\nAM\n\n"},
                           {0x0A, "\nAM\n\n"}, {0x05, "\nTTOFF\n\n"}, {0xFF, "\nAM\n\n"}};
    for (const Case& c : kCases) {
        const Printed p = print(SettingsRecord::tt5_10(3, 0, c.mode).block(), 7000);
        const std::string ending = c.ending;
        ASSERT_GE(p.text.size(), ending.size());
        EXPECT_EQ(p.text.substr(p.text.size() - ending.size()), ending) << int{c.mode};
    }
    // Structure versions 0 and 1 end without the empty line.
    const Printed v0 = print(SettingsRecord::tt5_10(0, 0, 0x55).block(), 7000);
    EXPECT_EQ(v0.text.substr(v0.text.size() - 8), "\n\nTTOFF\n");
}

TEST(Tt5_10, SampleRateDivisorLimits) {
    struct Case {
        uint8_t divisor;
        const char* text;
    };
    const Case kCases[] = {{0, "ACC SAMPLERATE BAD.\n"},
                           {128, "ACC SAMPLERATE BAD.\n"},
                           {255, "ACC SAMPLERATE BAD.\n"},
                           {127, "ACC SAMPLERATE DIVISOR:127\nACC SAMPLERATE per axis:0.79 Hz\n"}};
    for (const Case& c : kCases) {
        const Printed p = print(example_tt5_10(3).u8(45, c.divisor).block(), 7000);
        EXPECT_NE(p.text.find(std::string("--------------\n") + c.text), std::string::npos)
            << int{c.divisor};
    }
}

TEST(Tt5_10, AxisLettersAndSwitchSets) {
    // Tilt axis 1 and 2, variance axis 3 (zero byte); no IMU switch at all.
    SettingsRecord r = example_tt5_10(3);
    r.u8(62, 3).u8(63, 1).u8(108, 0).u8(109, 0);
    const std::string text = print(r.block(), 7000).text;
    EXPECT_NE(text.find(std::string("ACC-VARIANCE-AXIS:") + '\0' + "\n"), std::string::npos);
    EXPECT_TRUE(has_line(text, "ACC-TILT-AXIS2:Y"));
    EXPECT_TRUE(has_line(text, "GPS-IMU-Switches: No IMU"));
    EXPECT_TRUE(has_line(text, "GPS1Hz IMU-Switches: No IMU"));
    // Version 2 never prints "No IMU".
    SettingsRecord v2 = example_tt5_10(2);
    v2.u8(158, 0).u8(159, 0);
    const std::string text2 = print(v2.block(), 6000).text;
    EXPECT_TRUE(has_line(text2, "GPS-IMU-Switches: "));
    EXPECT_TRUE(has_line(text2, "SUPER MODE GPS-IMU-Switches: "));
}

TEST(Tt5_10, FeatureDependentLinesOfVersion3) {
    // Without GSM, second on-times and solar bits those lines disappear.
    const std::string text = print(SettingsRecord::tt5_10(3, 0).block(), 7000).text;
    EXPECT_EQ(text.find("ON2"), std::string::npos);
    EXPECT_EQ(text.find("GSM/GPRS/UMTS"), std::string::npos);
    EXPECT_EQ(text.find("bat_threshold0"), std::string::npos);
    const std::string variance = print(SettingsRecord::tt5_10(3, 0x8000).block(), 7000).text;
    EXPECT_TRUE(has_line(variance, "bat_threshold0: code:0 => 0 MilliVolt"));
}

TEST(Tt5_10, SerialNumber4458SwitchesTheVarianceLines) {
    // Version 0 example at tag 4458: no second ping on-time, reduced variance block.
    const std::string text = print(example_tt5_10(0).block(), 4458).text;
    EXPECT_EQ(text.find("ping2_begin_ontime"), std::string::npos);
    EXPECT_EQ(text.find("P1OT"), std::string::npos);
    const std::string expected =
        "ACC-VARIANCE-AXIS: Y\n"
        "ACC VAR THRESHOLD: 1000\n"
        "ACC VAR N1: 3\n"
        "ACC VAR N2: 4\n"
        "GPS LOW RESOLUTION INTERVAL: 900\n"
        "GPS HIGH RESOLUTION INTERVAL: 300\n";
    EXPECT_NE(text.find(expected), std::string::npos);
}

TEST(Tt5_10, SuperBurstOnlyInVersion1) {
    const std::string text = print(SettingsRecord::tt5_10(0, 0x200).block(), 4000).text;
    EXPECT_EQ(text.find("SUPER GPS"), std::string::npos);
}

TEST(Tt5_10, GeofenceSpansWithEastAndWestSwapped) {
    // The longitude span is unsigned (0 - 1000000 wraps to 2^32 - 1000000), the
    // latitude span signed.
    SettingsRecord r = SettingsRecord::tt5_10(3, 0);
    r.s32(129, 1000000).s32(133, 0).s32(149, 0).s32(145, 1000000);
    const std::string text = print(r.block(), 7000).text;
    EXPECT_TRUE(has_line(text, "FYI: Size of GF RECT1 is : 47746.513 km * -11.119 km"));
}

}  // namespace
