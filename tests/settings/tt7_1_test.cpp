// Settings record tt7_1 of ECG tags.
#include "settings/tt7_1.h"

#include <gtest/gtest.h>

#include <string>

#include "settings/ecg_rates.h"
#include "settings_test_util.h"
#include "testsupport/cli_runner.h"
#include "testsupport/settings_records.h"

namespace {

using dec::testing::example_tt7_1;
using dec::testing::OpenBlock;
using dec::testing::SettingsRecord;
using settings_test::capture;
using settings_test::has_line;
using settings_test::Printed;

Printed print(const OpenBlock& block) {
    return capture([&](dec::OutStream& o) { dec::print_settings_tt7_1(block.data(), o, 900); });
}

TEST(Tt7_1, WholeReportOfVersion2) {
    const Printed p = print(example_tt7_1(2).block());
    EXPECT_EQ(p.exit_code, -1);
    EXPECT_EQ(p.text, dec::testing::expected_text("settings/expected/tt7_1_sv2.txt", p.text));
}

TEST(Tt7_1, Version1HasNoScheduleLinesAndShorterRateTable) {
    const std::string text = print(example_tt7_1(1).block()).text;
    EXPECT_EQ(text.find("HOURSHIFT"), std::string::npos);
    EXPECT_EQ(text.find("DAY DIVISOR"), std::string::npos);
    // Code 19 lies outside the 11 codes of version 1.
    EXPECT_NE(text.find("ECG SAMPLERATE CFG:19\nECG AUTO OFFSET ENABLED\n"), std::string::npos);
    const std::string code10 = print(example_tt7_1(1).u8(32, 10).block()).text;
    EXPECT_TRUE(has_line(code10, "ECG SAMPLERATE in Hertz:0.00 Hz"));
    const std::string code42 = print(example_tt7_1(2).u8(32, 42).block()).text;
    EXPECT_TRUE(has_line(code42, "ECG SAMPLERATE in Hertz:1495.36 Hz"));
    const std::string code43 = print(example_tt7_1(2).u8(32, 43).block()).text;
    EXPECT_EQ(code43.find("ECG SAMPLERATE in Hertz"), std::string::npos);
}

TEST(Tt7_1, GainAndOffsetLines) {
    SettingsRecord r = example_tt7_1(1);
    r.u8(9, 0).u8(39, 9).u16(30, 126);
    const std::string text = print(r.block()).text;
    EXPECT_TRUE(has_line(text, "ECG AUTO OFFSET NOT ENABLED"));
    EXPECT_TRUE(has_line(text, "ECG BYTE COUNT: 126 bytes => 72 ECG SAMPLES"));
    EXPECT_TRUE(
        has_line(text, "ECG GAIN from input to digital representation:1000/mV (by design)"));
    EXPECT_TRUE(has_line(text,
                         "ECG INVERSE GAIN = VOLTAGE RESOLUTION: One digital step is 1.000000 "
                         "MicroVolt (by design)"));
}

TEST(Tt7_1, ChecksumOnlyInVersion2) {
    OpenBlock v2 = example_tt7_1(2).block();
    v2[32 + 60] ^= 0x80;
    const Printed bad = print(v2);
    EXPECT_EQ(bad.exit_code, dec::BADLOGGERBIN);
    EXPECT_EQ(bad.text,
              "\nPrinting tag settings tt7_1, valid at the point in time of the data download:\n"
              "Checksum of tt7_1 ov2 not matching!\n");
    OpenBlock v1 = example_tt7_1(1).block();
    v1[32 + 210] ^= 0xFF;
    EXPECT_EQ(print(v1).exit_code, -1);
}

TEST(Tt7_1, WrongMagicAndUnknownVersion) {
    const Printed m = print(SettingsRecord::tt5_9(2).block());
    EXPECT_EQ(m.exit_code, dec::BADLOGGERBIN);
    EXPECT_TRUE(
        has_line(m.text, "No configuration or error in decoding configuration settings of tag."));
    for (uint8_t version : {uint8_t{0}, uint8_t{3}}) {
        const Printed v = print(SettingsRecord::tt7_1(version).block());
        EXPECT_EQ(v.exit_code, dec::UNSUPPORTED_PRODUCT);
        EXPECT_EQ(
            v.text,
            "\nPrinting tag settings tt7_1, valid at the point in time of the data download:\n"
            "This data decoder only supports other_version 1 or 2.\n");
    }
}

TEST(EcgRates, TableSizes) {
    EXPECT_EQ(dec::ecg_rate_count(1), 11u);
    EXPECT_EQ(dec::ecg_rate_count(2), 43u);
    EXPECT_EQ(dec::ecg_rate_count(3), 0u);
    EXPECT_EQ(dec::ecg_sample_rate_hz(1, 11), 0.0f);
    EXPECT_EQ(dec::ecg_sample_rate_hz(2, 0), 10.75f);
}

}  // namespace
