// Generation-3 tags decoded end to end: per-tag step, block decoding and records.
#include "gen3/gen3.h"

#include "common/le.h"
#include "gen3_fixture.h"
#include "records/fletcher32.h"

namespace dec {
namespace {

using testing::Gen3Builder;
using testing::Gen3GpsFields;
using testing::Gen3OpenFields;
using testing::Gen3Record;

// 10 days and 01:01:01 after the tag epoch: Wednesday 14 March 2007.
constexpr uint32_t kStart = 10 * 86400 + 3661;

Gen3GpsFields fix() {
    Gen3GpsFields g;
    g.lon = 87654321;
    g.lat = 475000000;
    g.height_mm = 512300;
    g.week = 1418;            // begins Sunday 11 March 2007
    g.tow_ms = 90000000;      // Monday 01:00:00
    g.time_to_fix = 20;
    g.start_time = kStart;
    g.temperature_raw = 1700;  // 35 degrees
    g.battery = 3277;          // 4000 mV
    g.fix_battery = 3277;
    g.speed = 350;
    g.heading = 1000;
    g.speed_acc = 80;
    g.horiz_acc = 12000;
    return g;
}

std::vector<uint16_t> ramp(int n, uint16_t from) {
    std::vector<uint16_t> v;
    for (int k = 0; k < n; ++k) {
        v.push_back(static_cast<uint16_t>(from + k));
    }
    return v;
}

Gen3OpenFields tag(uint16_t number, uint8_t type, uint8_t sw, uint32_t records) {
    std::vector<uint8_t> config = sw <= 5 ? testing::make_gen3_config(32, 28, 'j')
                                          : testing::make_gen3_config(32, 0, 'k');
    return {.tag = number, .tag_type = type, .sw_version = sw, .fufa = 0, .fffa = 64 * records,
            .time = kStart, .basestation_id = 0x0300, .config = config};
}

class Gen3Decode : public Gen3Fixture {
protected:
    int decode(const Gen3Builder& b, uint32_t action) {
        b.write_file(input());
        const int rv = separate_gen3(run, input().c_str(), dir.path().c_str(), action);
        con.flush();
        return rv;
    }
};

const char* kGpsLine =
    "GPS,10,14.3.2007,We,01:01:01,8.7654321,47.5000000,512.3,3,A,1,0,20,12.3.2007,Mo,01:00:00,"
    "4000,35";

TEST_F(Gen3Decode, CookedGpsLineAndFiles) {
    Gen3Builder b(3);
    b.open(tag(40, 5, 6, 1)).record(testing::make_gen3_gps(fix()));
    ASSERT_EQ(decode(b, ACT_GPS), 0);
    EXPECT_EQ(text("tag40_gps.txt"), std::string(kGpsLine) + ",3.50,655.36,0.80,3072.00\n");
    EXPECT_EQ(dir.list(), (std::vector<std::string>{"info_tag40.txt", "logger.bin", "tag40_gps.txt"}));
    const std::string info = text("info_tag40.txt");
    EXPECT_EQ(info.rfind("Data decoder version v21 compiled (w)Feb 20 2025 09:55:15\nGoing through "
                         "data:\n\nData download:\nBasestation Id: 768\n10,14.3.2007,We,01:01:01\n"
                         "Animal tag has 0.06 kBytes data for download available.\n\n"
                         "GPS-ACC-Tag Software vers No.:6\n\nPrinting tag configuration 5_6:\n",
                         0),
              0u);
    EXPECT_NE(info.find("Now analysing data:\nbasestation info:\nRewrite counter:7\nBase station 3\n"
                        "base3, V1.3 build 2\nBst-id: 0x300\n\nFormat of gps data:"),
              std::string::npos);
    EXPECT_NE(info.find("The last download for tag40 was a COMPLETE data download.\n"),
              std::string::npos);
    EXPECT_NE(out.find("---------- Generating data for tag40 ----------------\n"
                       "GPS-ACC-Tag Software vers No.:6\n"),
              std::string::npos);
    EXPECT_NE(out.find("\nNow uncompressing data (please wait ...):\nProcessed 0 kBytes with 0 bad "
                       "kBytes\n"),
              std::string::npos);
}

TEST_F(Gen3Decode, ZeroPositionAndTestRecord) {
    Gen3GpsFields zero = fix();
    zero.lon = zero.lat = zero.height_mm = 0;
    Gen3GpsFields test_record = fix();
    test_record.lon = 123456789;
    test_record.status = 0x0C;
    Gen3Builder b(4);
    b.open(tag(40, 5, 6, 2)).record(testing::make_gen3_gps(zero)).record(
        testing::make_gen3_gps(test_record));
    ASSERT_EQ(decode(b, ACT_GPS), 0);
    EXPECT_EQ(text("tag40_gps.txt"),
              "GPS,10,14.3.2007,We,01:01:01,0.0000000,0.0000000,0.0,0,D,1,0,20,12.3.2007,Mo,"
              "01:00:00,4000,35,0.00,0.00,300.00,10000.00\n"
              "GPS,10,14.3.2007,We,01:01:01,12.3456789,47.5000000,512.3,3,B,1,0,20,12.3.2007,Mo,"
              "01:00:00,4000,35,0.00,0.00,300.00,10000.00\n");
}

TEST_F(Gen3Decode, MovebankGpsLines) {
    const Gen3Record r = testing::make_gen3_gps(fix());
    Gen3Builder b(6);
    b.open(tag(40, 5, 6, 1)).record(r);
    ASSERT_EQ(decode(b, ACT_MOVEBANK | ACT_GPS), 0);
    char key[16];
    std::snprintf(key, sizeof key, "%010u", fletcher32(r.data() + 1, 63));
    const std::string header =
        "key-bin-checksum,tag-serial-number,start-timestamp,longitude,latitude,height-above-"
        "ellipsoid,type-of-fix,status,used-time-to-get-fix,timestamp-of-fix,battery-voltage,fix-"
        "battery-voltage,temperature,speed-over-ground,heading-degree,speed-accuracy-estimate,"
        "horizontal-accuracy-estimate\n";
    EXPECT_EQ(text("tag40_gps.txt"), header + key +
                                         ",40,2007-03-14 01:01:01.000,8.7654321,47.5000000,512.3,"
                                         "3,A,20,2007-03-12 01:00:00.000,4000,4000,35,3.50,655.36,"
                                         "0.80,3072.00\n");
    EXPECT_NE(text("info_tag40.txt").find(header), std::string::npos);
    EXPECT_EQ(text("tag40_acc.txt"),
              "key-bin-checksum,tag-serial-number,start-timestamp,acceleration-sampling-frequency-"
              "per-axis,acceleration-axes,accelerations-raw\n");
}

TEST_F(Gen3Decode, ZAxisTag25) {
    const Gen3Record gps = testing::make_gen3_gps(fix());
    const auto burst = testing::make_gen3_burst(kStart + 29, 0x08, 4, ramp(36, 100), false);
    Gen3Builder b(2);
    b.open(tag(25, 5, 6, 2)).record(gps).records(burst);
    ASSERT_EQ(decode(b, ACT_GPS | ACT_ACC), 0);
    std::string acc = "ACC,10,14.3.2007,We,01:01:30,";
    for (int k = 0; k < 36; ++k) {
        acc += std::to_string(100 + k) + (k == 35 ? "\n" : ",");
    }
    EXPECT_EQ(text("tag25.txt"), std::string(kGpsLine) + ",0.00,0.00,0.00,0.00\n" + acc);
    // Tags chosen by number are taken as they are: no configuration print.
    EXPECT_EQ(out.find("Software vers"), std::string::npos);

    ASSERT_EQ(decode(b, ACT_MOVEBANK), 0);
    char key[16];
    std::snprintf(key, sizeof key, "%010u", fletcher32(burst[0].data() + 1, 63));
    std::string line = std::string(key) + ",25,2007-03-14 01:01:30.000,1.00,Z,";
    for (int k = 0; k < 36; ++k) {
        line += std::to_string(100 + k) + (k == 35 ? "\n" : " ");
    }
    const std::string acc_file = text("tag25_acc.txt");
    EXPECT_EQ(acc_file.substr(acc_file.find('\n') + 1), line);
    EXPECT_NE(text("tag25_gps.txt").find(",4000,4000,35,,,,\n"), std::string::npos);
}

TEST_F(Gen3Decode, EarlyTag5) {
    Gen3Builder b(0);
    b.open(tag(5, 4, 1, 3))
        .record(testing::make_gen3_gps_old(fix()))
        .record(testing::make_gen3_gps(fix()))  // not known to these tags: a bad block
        .records(testing::make_gen3_burst(kStart + 29, 0x38, 4, ramp(36, 100), false));
    ASSERT_EQ(decode(b, ACT_GPS | ACT_ACC | ACT_ACC_COLUMNS | ACT_ACC_LOWPASS), 0);
    std::string acc = "ACC,10,01:01:30,";
    for (int k = 0; k < 36; ++k) {
        acc += std::to_string(100 + k) + (k == 35 ? "\n" : ",");
    }
    EXPECT_EQ(text("tag5.txt"),
              "### Please observe: ACC Data lowpass filtered with f3dB/fs=0.010000\n"
              "GPS,10,01:01:01,8.7654321,47.5000000,512.3,3,A,1,0,20,12.3.2007,Mo,1418,01:00:00,"
              "4000,35\n" +
                  acc);
    EXPECT_NE(text("info_tag5.txt").find("\nData format of GPS:\n(1) GPS (2) daynumber"),
              std::string::npos);
    EXPECT_EQ(run.bad_blocks, 1u);
}

TEST_F(Gen3Decode, OldRecordWithoutValidFix) {
    Gen3GpsFields g = fix();
    g.status = 0x0C;
    Gen3Builder b(0);
    b.open(tag(40, 4, 2, 1)).record(testing::make_gen3_gps_old(g));
    ASSERT_EQ(decode(b, ACT_GPS), 0);
    EXPECT_EQ(text("tag40_gps.txt"),
              "GPS,10,14.3.2007,We,01:01:01,0.0000000,0.0000000,0.0,3,B,1,0,20,12.3.2007,Mo,1418,"
              "01:00:00,4000,35\n");
}

TEST_F(Gen3Decode, ChecksumErrorIsABadBlock) {
    Gen3Record r = testing::make_gen3_gps(fix());
    r[30] ^= 0x40;
    Gen3Builder b(3);
    b.open(tag(40, 5, 3, 1)).record(r);
    ASSERT_EQ(decode(b, ACT_GPS), 0);
    EXPECT_EQ(text("tag40_gps.txt"), "");
    EXPECT_NE(text("info_tag40.txt").find("############################ Cooked checksum error\n"),
              std::string::npos);
    EXPECT_EQ(run.bad_blocks, 1u);
}

TEST_F(Gen3Decode, BurstLimits) {
    std::vector<uint16_t> few = {7, 7, 7, 7};
    auto b30 = testing::make_gen3_burst(kStart, 0x08, 0, few, false, 30);
    auto b31 = testing::make_gen3_burst(kStart, 0x08, 0, few, false, 31);
    auto gap = testing::make_gen3_burst(kStart, 0x08, 0, few, false, 3);
    gap.erase(gap.begin() + 1);
    Gen3Builder b(3);
    b.open(tag(40, 5, 3, 63)).records(b30).records(b31).records(gap);
    ASSERT_EQ(decode(b, ACT_ACC), 0);
    const std::string acc = text("tag40_acc.txt");
    // One line of (30 * 63 - 9) / 3 * 2 = 1254 samples.
    EXPECT_EQ(std::count(acc.begin(), acc.end(), '\n'), 1);
    EXPECT_EQ(acc.rfind("ACC,10,14.3.2007,We,01:01:01,7,7,7,7,0,", 0), 0u);
    EXPECT_EQ(std::count(acc.begin(), acc.end(), ','), 5 + 1253);
    EXPECT_NE(out.find("##################### Too much acc data #############\n"),
              std::string::npos);
}

TEST_F(Gen3Decode, SystemInformationOlderForm) {
    Gen3Builder b(3);
    b.open(tag(40, 5, 3, 2))
        .record(testing::make_gen3_reset_old(kStart, 0x12, 0x01))
        .record(testing::make_gen3_reset_old(kStart, 0x01, 0x00));
    ASSERT_EQ(decode(b, ACT_GPS), 0);
    EXPECT_NE(text("info_tag40.txt")
                  .find("\nResetinfo:\n10,14.3.2007,We,01:01:01 RS:0x12 VMON:0x01\nSoftware reset\n"
                        "Power on or power fail reset\n\n\nResetinfo:\n10,14.3.2007,We,01:01:01 "
                        "RS:0x01 VMON:0x00\nHardware reset (e.g. with magnet)\n\n"),
              std::string::npos);
}

TEST_F(Gen3Decode, SystemInformationNewerForm) {
    Gen3Builder b(6);
    b.open(tag(41, 5, 7, 4))
        .record(testing::make_gen3_sysinfo(0, kStart, 0x81, 0x02))
        .record(testing::make_gen3_sysinfo(1, kStart, 2900 & 0xFF, 2900 >> 8))
        .record(testing::make_gen3_sysinfo(2, kStart, 3, 9))
        .record(testing::make_gen3_sysinfo(5, kStart, 0, 0));
    ASSERT_EQ(decode(b, ACT_GPS), 0);
    EXPECT_NE(text("info_tag41.txt")
                  .find("\nResetinfo:\n10,14.3.2007,We,01:01:01 RS:0x81 VMON:0x02\nClock reset\n"
                        "Hardware reset (e.g. with magnet)\n\n"
                        "\nStopped data acquisition due to low battery:\n10,14.3.2007,We,01:01:01 "
                        "Battery Voltage: 3540 mV\n"
                        "\nError info:\n10,14.3.2007,We,01:01:01 Err:3 arg:9 \n"
                        "\n### Unknown SYSINFO ###\n"),
              std::string::npos);
}

TEST_F(Gen3Decode, CheckedBurstsOfLaterSoftware) {
    auto good = testing::make_gen3_burst(kStart, 0x08, 4, ramp(36, 1), true);
    auto bad = good;
    bad[0][20] ^= 1;
    Gen3Builder b(6);
    b.open(tag(41, 5, 7, 2)).records(good).records(bad);
    ASSERT_EQ(decode(b, ACT_ACC), 0);
    const std::string acc = text("tag41_acc.txt");
    EXPECT_EQ(std::count(acc.begin(), acc.end(), '\n'), 1);
    EXPECT_EQ(acc.rfind("ACC,10,14.3.2007,We,01:01:01,1,2,3,", 0), 0u);
}

TEST_F(Gen3Decode, BadBlocksAndSkippedBlocks) {
    Gen3Builder b(3);
    b.open(tag(40, 5, 3, 17));
    for (int i = 0; i < 8; ++i) {
        b.record(testing::make_gen3_record(0x00)).record(testing::make_gen3_record(0xFF));
    }
    b.record(testing::make_gen3_record(0x03));
    ASSERT_EQ(decode(b, ACT_GPS), 0);
    EXPECT_NE(out.find("Processed 1 kBytes with 1 bad kBytes\n"), std::string::npos);
    EXPECT_EQ(run.bad_blocks, 16u);
}

TEST_F(Gen3Decode, TagTypesWithoutOutput) {
    // Tag 37 of type 0 and tag 50 of type 3 write nothing; tag 35 of type 0 is
    // an interaction tag.
    Gen3Builder b(3);
    b.open(tag(37, 0, 1, 1)).record(testing::make_gen3_record(0x31))
        .open(tag(35, 0, 1, 0))
        .open(tag(50, 3, 1, 0));
    ASSERT_EQ(decode(b, ACT_GPS), 0);
    EXPECT_EQ(dir.list(), (std::vector<std::string>{"intact.txt", "logger.bin", "tag35.txt"}));
}

TEST_F(Gen3Decode, UnknownTagTypeStopsTheRun) {
    Gen3Builder b(3);
    b.open(tag(40, 9, 1, 0)).open(tag(41, 5, 3, 0));
    EXPECT_EQ(decode(b, ACT_GPS), -4);
    EXPECT_NE(out.find("Unknown tag type 9\n"), std::string::npos);
    // The failing tag's temporary files are gone, and so is the copy of the
    // next tag, which was never run.
    EXPECT_EQ(dir.list(), (std::vector<std::string>{"logger.bin"}));
}

TEST_F(Gen3Decode, UnknownSoftwareVersionStopsTheRun) {
    Gen3Builder b(3);
    b.open(tag(40, 5, 9, 0));
    EXPECT_EQ(decode(b, ACT_GPS), -4);
    EXPECT_NE(out.find("Unknown tag software version\n"), std::string::npos);
}

TEST_F(Gen3Decode, SubSecondRowsNeedARate) {
    // One-block single-axis bursts: 36 samples, the ramp and then zeros.
    auto rows = [](uint32_t t, bool subseconds, double step_s) {
        std::string s;
        for (int k = 0; k < 36; ++k) {
            char stamp[32];
            const double at = step_s * k;
            if (subseconds) {
                const auto whole = static_cast<uint32_t>(at);
                std::snprintf(stamp, sizeof stamp, "%u.%04u,", t + whole,
                              static_cast<uint32_t>((at - whole) * 10000 + 0.5));
            } else {
                std::snprintf(stamp, sizeof stamp, "%u,", t);
            }
            s += stamp + std::to_string(k < 4 ? 100 + k : 0) + "\n";
        }
        return s;
    };
    const uint32_t action = ACT_ACC | ACT_ACC_COLUMNS | ACT_ACC_JUST_SECONDS | ACT_ACC_SUBSECONDS;
    struct Case {
        uint16_t tag;
        uint8_t code;
        bool subseconds;
        double step_s;
    };
    const Case cases[] = {
        {41, 4, true, 0.01},   // 100 Hz
        {41, 10, false, 0.0},  // a stopped sensor: rate 0, whole seconds
        {41, 12, false, 0.0},  // an invalid code
        {25, 10, true, 1.0},   // Z-axis tags: 1 Hz whatever the code says...
        {25, 12, false, 0.0},  // ...but an invalid code still has no sub-seconds
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.code));
        Gen3Builder b(2);
        b.open(tag(c.tag, 5, 5, 1))
            .records(testing::make_gen3_burst(kStart, 0x08, c.code, ramp(4, 100), false));
        ASSERT_EQ(decode(b, action), 0);
        EXPECT_EQ(text("tag" + std::to_string(c.tag) + "_acc.txt"),
                  rows(kStart, c.subseconds, c.step_s));
    }
}

}  // namespace
}  // namespace dec
