// Configuration prints of generation-3 open blocks.
#include "settings/gen3_config.h"

#include <gtest/gtest.h>

#include "common/action.h"
#include "common/le.h"
#include "testsupport/gen3_builder.h"

namespace dec {
namespace {

// An open block held as the decoder holds it: 192 zero-filled bytes.
std::vector<uint8_t> block(uint8_t sw_version, bool long_form, const std::vector<uint8_t>& config) {
    auto b = testing::make_gen3_open_block(
        {.tag = 40, .tag_type = 5, .sw_version = sw_version, .config = config}, long_form);
    b.resize(kGen3ConfigBlockSize, 0);
    return b;
}

std::string gps_acc(const std::vector<uint8_t>& b, bool long_form, uint32_t action = 0) {
    std::string s;
    {
        OutStream out(&s);
        print_gen3_gps_acc_config(b.data(), long_form, action, out);
    }
    return s;
}

TEST(Gen3Frequency, ProgrammedAndDefaultWords) {
    struct Case {
        uint32_t word;
        const char* text;
    };
    static constexpr Case kCases[] = {
        {0x21656A, "0x21656A = 868.299866 MHz\n"},
        {0, "0x0 = Default frequency\n"},
        {0x31656A, "0x31656A = Default frequency\n"},
    };
    for (const Case& c : kCases) {
        std::string s;
        {
            OutStream out(&s);
            print_gen3_frequency(c.word, out);
        }
        EXPECT_EQ(s, c.text);
    }
}

TEST(Gen3Config, Config51Short) {
    auto c = testing::make_gen3_config(32, 28, 'j');
    c[0] = 1;
    c[1] = 0x2A;  // X, Z, GPS time limits
    c[2] = 0x10;
    put_le16(c.data(), 3, 120);
    c[5] = 7;
    put_le16(c.data(), 6, 3000);
    put_le16(c.data(), 8, 60);
    c[10] = 2;
    c[11] = 3;
    put_le16(c.data(), 12, 150);
    put_le16(c.data(), 14, 600);
    put_le16(c.data(), 16, 378);
    put_le16(c.data(), 18, 900);
    put_le16(c.data(), 20, 90);
    put_le16(c.data(), 22, 1439);
    put_le16(c.data(), 26, 61);
    EXPECT_EQ(gps_acc(block(3, false, c), false),
              "GPS-ACC-Tag Software vers No.:3\n"
              "\nPrinting tag configuration 5_1:\n"
              "ACC Samplerate code:1\n"
              "ACC-AXES: XZ\n"
              "Samplerate per axis:8.89 Hz\n"
              "GPS with Timelimits\n"
              "NO ACC Timelimits\n"
              "GPS cooked disabled\n"
              "ACC Low sensitivity\n"
              "gps_timeout:120\n"
              "rfpower:7\n"
              "dacq_offvoltage:3000\n"
              "dacq_offvoltage: 3662 mV\n"
              "radio_interval:60\n"
              "gps_interval_retry_factor:2\n"
              "lowspeed_gps_interval_factor:3\n"
              "gps_speed_thr:150\n"
              "acc_interval:600\n"
              "acc_bytecnt:378\n"
              "gps_interval:900\n"
              "GPS OFF FROM:01:30\n"
              "GPS OFF UNTIL:23:59\n"
              "ACC OFF FROM:00:00\n"
              "ACC OFF UNTIL:01:01\n"
              "\n");
}

TEST(Gen3Config, Config51LongUsesItsOwnBase) {
    // In the long form the 5_1 configuration starts at offset 30 of the block.
    auto c = testing::make_gen3_config(32, 28, 'j');
    c[0] = 4;
    c[1] = 0x38;
    const std::string s = gps_acc(block(5, true, c), true);
    EXPECT_NE(s.find("ACC Samplerate code:4\nACC-AXES: XYZ\nSamplerate per axis:33.33 Hz\n"),
              std::string::npos);
}

TEST(Gen3Config, Config57Short) {
    auto c = testing::make_gen3_config(32, 0, 'k');
    c[1] = 0x05;  // ping, ACC time limits
    c[2] = 0x20;  // the ping bit of version 6 only
    put_le16(c.data(), 3, 4096);
    put_le16(c.data(), 23, 60);
    put_le16(c.data(), 25, 3725);
    put_le16(c.data(), 27, 378);
    c[29] = 12;
    EXPECT_EQ(gps_acc(block(7, false, c), false),
              "GPS-ACC-Tag Software vers No.:7\n"
              "\nPrinting tag configuration 5_7:\n"
              "\n-------------- ACC-Settings: ------------------\n"
              "ACC INTERVAL: 3725 seconds == 62 minutes 5 s\n"
              "ACC BYTE COUNT: 378 bytes\n"
              "ACC SAMPLERATE CFG:12\n"
              "ACC-AXES: \n"
              "ACC HIGH sensitivity\n"
              "ACC OFF FROM: 00:00 GPSTIME\n"
              "ACC OFF UNTIL:00:00 GPSTIME\n"
              "ACC TIMELIMITS enabled\n"
              "\n-------------- GPS-Settings: ------------------\n"
              "GPS INTERVAL: 60 seconds == 1 minutes 0 s\n"
              "GPS RETRY INTERVAL FACTOR: 0\n"
              "GPS LOW SPEED INTERVAL FACTOR: 0\n"
              "GPS LOW SPEED THRESHOLD: 0 cm/s\n"
              "GPS OFF FROM: 00:00 GPSTIME\n"
              "GPS OFF UNTIL:00:00 GPSTIME\n"
              "GPS TIMELIMITS DISABLED\n"
              "GPS TIMEOUT: 0 seconds\n"
              "GPS cooked DISABLED\n"
              "\n-------------- Radio- and other Settings: ------------------\n"
              "rfpower:0\n"
              "dacq_offvolt2:4096\n"
              "dacq_offvolt2: 5000 mV\n"
              "access_code:0\n"
              "radio_interval:0\n"
              "radio_longdelay:0\n"
              "PING ENABLED\n"
              "\n");
}

TEST(Gen3Config, Config56ShortUsesItsPingBit) {
    auto c = testing::make_gen3_config(32, 0, 'k');
    c[1] = 0x01;
    const std::string s = gps_acc(block(6, false, c), false);
    EXPECT_NE(s.find("\nPrinting tag configuration 5_6:\n"), std::string::npos);
    EXPECT_NE(s.find("dacq_offvoltage:0\ndacq_offvoltage: 0 mV\n"), std::string::npos);
    EXPECT_NE(s.find("PING DISABLED\n\n"), std::string::npos);
}

TEST(Gen3Config, Config58LongAndShort) {
    // Long form: the configuration starts 34 bytes into the block.
    std::vector<uint8_t> c(4, 0);
    auto area = testing::make_gen3_config(116, 0, 'k');
    area[2] = 0x02;                         // variance axis Y
    put_le32(area.data(), 32, 0x21656A);    // data link
    put_le16(area.data(), 43, 8 * 60 + 5);  // ping on from
    put_le16(area.data(), 58, 2048);        // dacq_offvolt1
    put_le32(area.data(), 75, 90);
    put_le32(area.data(), 79, 86400 * 3 + 3600 * 5 + 60 * 7);
    put_le16(area.data(), 60, 61);          // section 0 start, also acc_l_threshold
    area[115] = 9;                          // section 7 burst qperiod
    c.insert(c.end(), area.begin(), area.end());
    const std::string s = gps_acc(block(8, true, c), true);
    EXPECT_NE(s.find("\nPrinting tag configuration 5_8:\n"), std::string::npos);
    EXPECT_NE(s.find("PING DISABLED\nData link freq:0x21656A = 868.299866 MHz\nPing freq:0x0 = "
                     "Default frequency\nrf_pingpower:0\nPING ON FROM: 08:05 GPSTIME\n"),
              std::string::npos);
    EXPECT_NE(s.find("gps_daydivisor:0\ndacq_offvolt1:2048\ndacq_offvolt1: 2500 mV\nIf this is a "
                     "tag with the variance feature, following settings apply:\nacc_l_threshold:61\n"),
              std::string::npos);
    EXPECT_NE(s.find("ACC-VARIANCE-AXIS: Y\nOther features:\nmax_gpsacctime 90s\nping_start_time "
                     "Day No.3,05:07\n"),
              std::string::npos);
    // The time sections read the same bytes as the settings above.
    EXPECT_NE(s.find("0.SECTION START AT 01:01 GPSTIME\n GPS INTERVAL 0s\n"), std::string::npos);
    EXPECT_NE(s.find("7.SECTION START AT 384:00 GPSTIME\n GPS INTERVAL 0s\n BURST LENGTH 0s\n BURST "
                     "QPERIOD 9s\n\n"),
              std::string::npos);
    EXPECT_NE(s.find("ACC LOW SPEED INTERVAL FACTOR:0 (if supported by device)\n"), std::string::npos);

    const std::string short_form = gps_acc(block(8, false, testing::make_gen3_config(32, 0, 'k')), false);
    const std::string tail = "PING DISABLED\n\n";
    ASSERT_GE(short_form.size(), tail.size());
    EXPECT_EQ(short_form.substr(short_form.size() - tail.size()), tail);
    EXPECT_EQ(short_form.find("freq"), std::string::npos);
    EXPECT_EQ(short_form.find("ACC LOW SPEED INTERVAL FACTOR:"), std::string::npos);
}

TEST(Gen3Config, Config56RawShowsOnlyItsHeading) {
    auto c = testing::make_gen3_config(32, 0, 'l');
    c[2] = 0x20;
    put_le16(c.data(), 12, 90);
    const std::string s = gps_acc(block(6, false, c), false);
    EXPECT_EQ(s.find("configuration 5_6:"), std::string::npos);
    EXPECT_NE(s.find("GPS-ACC-Tag Software vers No.:6\n\nPrinting tag configuration 5_6_raw:\n"
                     "NO GPS Timelimits\nGPS cooked disabled\nACC High sensitivity\nPing enabled\n"
                     "gps_timeout:90\n"),
              std::string::npos);
    EXPECT_EQ(s.find("Longitude"), std::string::npos);
}

TEST(Gen3Config, Config56RawLongArea) {
    std::vector<uint8_t> c(4, 0);
    auto area = testing::make_gen3_config(66, 0, 'l');
    put_le32(area.data(), 50, static_cast<uint32_t>(-1234567));
    put_le32(area.data(), 62, 475000000);
    c.insert(c.end(), area.begin(), area.end());
    const std::string s = gps_acc(block(6, true, c), true);
    EXPECT_NE(s.find("RAW GPS Recording is disabled within following area (if it is not void):\n"
                     "Longitude lower limit -0.123457 deg\nLongitude upper limit 0.000000 deg\n"
                     "Latitude  lower limit 0.000000 deg\nLatitude  upper limit 47.500000 deg\n\n\n"),
              std::string::npos);
}

TEST(Gen3Config, WrongMarkerAndUnknownVersionAndLegacy) {
    const std::string s = gps_acc(block(7, false, testing::make_gen3_config(32, 0, 'x')), false);
    EXPECT_EQ(s,
              "GPS-ACC-Tag Software vers No.:7\n\nPrinting tag configuration 5_7:\n"
              "No configuration or error in decoding configuration settings of tag.\n");
    EXPECT_EQ(gps_acc(block(9, false, {}), false),
              "GPS-ACC-Tag Software vers No.:9\nUnknown tag software version\n");
    EXPECT_EQ(gps_acc(block(6, false, {}), false, ACT_LEGACY_TAG), "");
}

std::string interaction(const std::vector<uint8_t>& b, bool long_form, uint8_t& interval) {
    std::string s;
    {
        OutStream out(&s);
        print_gen3_interaction_config(b.data(), long_form, 0, out, interval);
    }
    return s;
}

TEST(Gen3InteractionConfig, ShortForm) {
    auto c = testing::make_gen3_config(32, 0, 'j');
    put_le16(c.data(), 1, 600);
    c[3] = 30;
    c[4] = 1;
    put_le32(c.data(), 6, 3600);
    c[10] = 5;
    put_le16(c.data(), 11, 4096);
    put_le16(c.data(), 13, 10);
    put_le32(c.data(), 15, 0x21656A);
    put_le32(c.data(), 23, 0x31656A);
    c[27] = 3;
    put_le16(c.data(), 28, 2048);
    uint8_t interval = 0;
    EXPECT_EQ(interaction(block(1, false, c), false, interval),
              "Interaction tag Software Vers. 1;\n"
              "\nPrinting tag configuration:\n"
              "radio_interval:600\n"
              "intact_interval:30\n"
              "flags0:1\n"
              "flags1:0\n"
              "max_ontime:3600\n"
              "rfpower:5\n"
              "dacq_offvoltage:4096\n"
              "dacq_offvoltage: 4400 mV\n"
              "radio_longdelay:10\n"
              "Data link freq:0x21656A = 868.299866 MHz\n"
              "Interaction freq:0x0 = Default frequency\n"
              "Timing signal frequency:0x31656A = Default frequency\n"
              "rf_intact_power:3\n"
              "maccess_voltlimit:2048\n"
              "maccess_voltlimit: 2200 mV\n"
              "\n");
    EXPECT_EQ(interval, 30);
}

TEST(Gen3InteractionConfig, AtDownloadLongForm) {
    std::vector<uint8_t> c(4, 0);
    auto area = testing::make_gen3_config(33, 0, 'j');
    area[3] = 12;
    area[4] = 0x08 | 0x40 | 0x02 | 0x01;
    area[30] = 4;
    put_le16(area.data(), 31, 250);
    c.insert(c.end(), area.begin(), area.end());
    uint8_t interval = 0;
    const std::string s = interaction(block(6, true, c), true, interval);
    EXPECT_NE(s.find("Interaction tag Software Vers. 6;\n\nPrinting tag configuration at time of "
                     "data download:\n"),
              std::string::npos);
    EXPECT_NE(s.find("flags0:75\nflags1:0\nconfigured as ACTIVITY TAG\nTimesleep disabled\n"
                     "Testmode enabled\nmax_ontime:0\n"),
              std::string::npos);
    EXPECT_NE(s.find("maccess_voltlimit: 0 mV\naccess_code:4\nradio_short_interval:250\n\n"),
              std::string::npos);
    EXPECT_EQ(interval, 12);
}

TEST(Gen3InteractionConfig, WrongMarkerKeepsTheInterval) {
    uint8_t interval = 17;
    const std::string s =
        interaction(block(2, false, testing::make_gen3_config(32, 0, 'k')), false, interval);
    EXPECT_EQ(s, "Interaction tag Software Vers. 2;\n\nPrinting tag configuration:\nNo configuration "
                 "or error in decoding configuration settings of tag.\n");
    EXPECT_EQ(interval, 17);
}

}  // namespace
}  // namespace dec
