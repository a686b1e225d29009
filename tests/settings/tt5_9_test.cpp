// Settings record tt5_9: the whole report, versions 2, 3 and 7 and the
// serial-number ranges that change it.
#include "settings/tt5_9.h"

#include <gtest/gtest.h>

#include <string>

#include "settings_test_util.h"
#include "testsupport/cli_runner.h"
#include "testsupport/settings_records.h"

namespace {

using dec::testing::example_tt5_9;
using dec::testing::OpenBlock;
using dec::testing::SettingsRecord;
using settings_test::capture;
using settings_test::has_line;
using settings_test::Printed;

Printed print(const OpenBlock& block, uint32_t tag, uint32_t* features = nullptr) {
    return capture(
        [&](dec::OutStream& o) { dec::print_settings_tt5_9(block.data(), o, tag, features); });
}

const char kHead[] =
    "\nPrinting tag settings tt5_9, valid at the point in time of the data download:\n"
    "\n-------------- ACC-Settings: ------------------\n";

// The same bytes read in the first GSM layout (from the variance block on).
const char kFirstGsmTail[] =
    "gps_medium_res_interval:1800\n"
    "\n###### First generation of tags with the GSM SMS feature: ######\n"
    "SMS INTERVAL: 0 s\n"
    "SMS ON FROM: 56:40 GPSTIME\n"
    "SMS ON UNTIL:549:28 GPSTIME\n"
    "bat_gsm_threshold: 2883 MilliVolt\n"
    "GSM TIMEOUT: 0 seconds\n"
    "SMS BIG INTERVAL: 7864380 s, which is 91 days and 00:33:00\n"
    "Stopping GSM SMS:1,5.3.2007,Mo,01:01:01\n"
    "\n###### If this is a tag with the dead pinger feature, following settings apply: ######\n";

TEST(Tt5_9, WholeReportOfVersion3) {
    uint32_t features = 99;
    const Printed p = print(example_tt5_9(3).block(), 3000, &features);
    EXPECT_EQ(p.exit_code, -1);
    EXPECT_EQ(p.text, dec::testing::expected_text("settings/expected/tt5_9_sv3.txt", p.text));
    EXPECT_EQ(features, 0u);
}

TEST(Tt5_9, Version2OnTheOldestTags) {
    uint32_t features = 99;
    const std::string text = print(example_tt5_9(2).block(), 2241, &features).text;
    EXPECT_EQ(features, 0u);
    EXPECT_TRUE(has_line(text, "ACC LOW sensitivity"));
    EXPECT_TRUE(has_line(text, "Ping freq:832.000000 MHz = 832000.000000 kHz"));
    EXPECT_NE(text.find("ACC LOW SPEED INTERVAL FACTOR:2 (if supported by device)\n"
                        "\n-------------- GPS-Settings: ------------------\n"
                        "GPS INTERVAL: 300 seconds == 5 minutes 0 s\n"
                        "GPS RETRY INTERVAL FACTOR: 2\n"),
              std::string::npos);
    EXPECT_NE(text.find("PING ON UNTIL:18:00 GPSTIME\nbat_threshold1:3072\n"), std::string::npos);
    EXPECT_EQ(text.find("bat_threshold0"), std::string::npos);
    EXPECT_EQ(text.find("bat_acc_threshold"), std::string::npos);
    EXPECT_TRUE(has_line(text, "GSM TIMEOUT: 200 seconds (=old tags with max. 255s)"));
    // Only the dead-pinger frequency is a default one; its line stays.
    EXPECT_TRUE(has_line(text, "Death Ping freq:Default frequency"));
}

TEST(Tt5_9, SerialNumber2242UsesThe27MHzRadio) {
    const std::string at2242 = print(example_tt5_9(2).block(), 2242).text;
    EXPECT_TRUE(has_line(at2242, "Ping freq:864.000000 MHz = 864000.000 kHz"));
    EXPECT_EQ(at2242.find("sensitivity"), std::string::npos);
    SettingsRecord high = example_tt5_9(3);
    high.u8(10, 0x01);
    EXPECT_TRUE(has_line(print(high.block(), 100).text, "ACC HIGH sensitivity"));
}

TEST(Tt5_9, Version7UsesADivisor) {
    uint32_t features = 0;
    const std::string text = print(example_tt5_9(7).block(), 3000, &features).text;
    EXPECT_EQ(features, 0xFFFFFFFFu);
    EXPECT_NE(text.find("ACC-AXES: XYZ\nACC SAMPLERATE per axis:20.00 Hz\nACC ON FROM:"),
              std::string::npos);
    EXPECT_EQ(text.find("SAMPLERATE CFG"), std::string::npos);
    EXPECT_TRUE(has_line(text, "bat_threshold0:2458"));
    EXPECT_TRUE(has_line(
        text, "GPS HIGH RESOLUTION (@ FULL BATTERY) INTERVAL: 300 seconds == 5 minutes 0 s"));
    for (uint8_t bad : {uint8_t{0}, uint8_t{128}}) {
        const std::string t = print(example_tt5_9(7).u8(36, bad).block(), 3000).text;
        EXPECT_TRUE(has_line(t, "ACC SAMPLERATE BAD.")) << int{bad};
    }
}

TEST(Tt5_9, RateCodeLineNeedsAxesAndAKnownCode) {
    struct Case {
        uint8_t axes;
        uint8_t code;
        const char* rate_line;  // nullptr: no rate line
    };
    const Case kCases[] = {
        {0x08, 1, "ACC SAMPLERATE per axis in Hertz:17.78 Hz"},
        {0x30, 6, "ACC SAMPLERATE per axis in Hertz:158.12 Hz"},
        {0x38, 10, "ACC SAMPLERATE per axis in Hertz:0.00 Hz"},
        {0x38, 11, nullptr},
        {0x00, 4, nullptr},
    };
    for (const Case& c : kCases) {
        const std::string text =
            print(example_tt5_9(3).u8(9, c.axes).u8(36, c.code).block(), 3000).text;
        const size_t cfg = text.find("ACC SAMPLERATE CFG:");
        ASSERT_NE(cfg, std::string::npos);
        const size_t next = text.find('\n', cfg) + 1;
        if (c.rate_line != nullptr) {
            EXPECT_EQ(text.substr(next, text.find('\n', next) - next), c.rate_line);
        } else {
            EXPECT_EQ(text.compare(next, 12, "ACC ON FROM:"), 0) << int{c.code};
        }
    }
}

TEST(Tt5_9, SpecialEditionSerialNumbers) {
    const uint32_t kInside[] = {2426, 2461, 3013, 3380, 3392, 4075, 4092};
    const uint32_t kOutside[] = {2425, 2462, 3012, 3014, 3379, 3393, 4074, 4093};
    for (uint32_t tag : kInside) {
        const std::string text = print(example_tt5_9(3).block(), tag).text;
        EXPECT_EQ(text.compare(0, sizeof kHead - 1, kHead), 0);
        EXPECT_NE(text.find("ACC-Settings: ------------------\n\n(Kestrel software: following is "
                            "applicable only to the normal, non-continuous ACC-sampling in "
                            "bursts)\nACC INTERVAL:"),
                  std::string::npos)
            << tag;
        EXPECT_TRUE(
            has_line(text, "ACC SAMPLERATE (normal uncontinuous mode) per axis in Hertz:177.83 Hz"))
            << tag;
        EXPECT_NE(text.find("GPS-Settings: ------------------\n\n(Kestrel software: Some of the "
                            "following settings have a special meaning, please read the "
                            "manual!)\nGPS INTERVAL:"),
                  std::string::npos)
            << tag;
    }
    for (uint32_t tag : kOutside) {
        const std::string text = print(example_tt5_9(3).block(), tag).text;
        EXPECT_EQ(text.find("Kestrel"), std::string::npos) << tag;
        EXPECT_TRUE(has_line(text, "ACC SAMPLERATE per axis in Hertz:59.28 Hz")) << tag;
    }
}

TEST(Tt5_9, FirstGenerationGsmSerialNumbers) {
    const uint32_t kFirst[] = {2539, 2543, 2548, 2554, 2556, 2559, 2561, 2564};
    const uint32_t kSecond[] = {2538, 2544, 2547, 2555, 2560, 2565};
    for (uint32_t tag : kFirst) {
        const std::string text = print(example_tt5_9(3).block(), tag).text;
        EXPECT_NE(text.find(kFirstGsmTail), std::string::npos) << tag;
        EXPECT_EQ(text.find("bat_acc_threshold"), std::string::npos) << tag;
    }
    for (uint32_t tag : kSecond) {
        const std::string text = print(example_tt5_9(3).block(), tag).text;
        EXPECT_EQ(text.find("First generation"), std::string::npos) << tag;
        // Below serial number 2693 the GSM timeout is the old one-byte field.
        EXPECT_TRUE(has_line(text, "GSM TIMEOUT: 200 seconds (=old tags with max. 255s)")) << tag;
    }
    EXPECT_TRUE(has_line(print(example_tt5_9(3).block(), 2692).text,
                         "GSM TIMEOUT: 200 seconds (=old tags with max. 255s)"));
    EXPECT_TRUE(has_line(print(example_tt5_9(3).block(), 2693).text, "GSM TIMEOUT: 400 seconds"));
}

TEST(Tt5_9, WrongMagicAndUnknownVersions) {
    SettingsRecord bad_magic = example_tt5_9(3);
    bad_magic.u16(0, 0xE532);
    const Printed m = print(bad_magic.block(), 3000);
    EXPECT_EQ(m.exit_code, dec::BADLOGGERBIN);
    EXPECT_EQ(m.text,
              "\nPrinting tag settings tt5_9, valid at the point in time of the data download:\n"
              "No configuration or error in decoding configuration settings of tag.\n");
    for (uint8_t version : {uint8_t{0}, uint8_t{1}, uint8_t{4}, uint8_t{6}, uint8_t{8}}) {
        const Printed v = print(SettingsRecord::tt5_9(version).block(), 3000);
        EXPECT_EQ(v.exit_code, dec::UNSUPPORTED_PRODUCT) << int{version};
        EXPECT_EQ(v.text,
                  "\nPrinting tag settings tt5_9, valid at the point in time of the data "
                  "download:\nThis data decoder only supports other_version 2,3 and 7.\n");
    }
}

}  // namespace
