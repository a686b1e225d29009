#include "records/acc_burst.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/action.h"
#include "common/le.h"
#include "records/acc_output.h"
#include "records/acc_record.h"
#include "records/fletcher32.h"
#include "acc_harness.h"

namespace dec {
namespace {

using namespace acc_test;

const std::string kTime = "4084,9.5.2018,We,01:00:00";
const std::string kIso = "2018-05-09 01:00:00.000";

constexpr uint32_t kMma = 0x00800;        // MMA8452 sensor
constexpr uint32_t kV2Board = 0x04000;    // GPSACCGSMV2 board


std::string join(const std::vector<uint16_t>& v, const char* sep) {
    std::string s;
    for (size_t i = 0; i < v.size(); ++i) {
        if (i > 0) {
            s += sep;
        }
        s += std::to_string(static_cast<int16_t>(v[i]));
    }
    return s;
}

// The start of `s` as long as `prefix`, to compare with it.
std::string head(const std::string& s, const std::string& prefix) { return s.substr(0, prefix.size()); }

// Sample sets of one-unit bursts (36 samples), axes interleaved.
std::vector<uint16_t> alternating(size_t count, uint16_t even, uint16_t odd) {
    std::vector<uint16_t> v(count);
    for (size_t i = 0; i < count; ++i) {
        v[i] = (i % 2) == 0 ? even : odd;
    }
    return v;
}
// One axis: 201, 100, ... (mean 150.5, deviation 50.5).
const std::vector<uint16_t> kOneAxis = alternating(36, 201, 100);
// X, Z: X 1000 .. 1017, Z 3000.
std::vector<uint16_t> xz_ramp() {
    std::vector<uint16_t> v;
    for (uint16_t j = 0; j < 18; ++j) {
        v.push_back(static_cast<uint16_t>(1000 + j));
        v.push_back(3000);
    }
    return v;
}
// X, Z: X 201, 100, ..., Z 3000.
std::vector<uint16_t> xz_alternating() {
    std::vector<uint16_t> v;
    for (size_t j = 0; j < 18; ++j) {
        v.push_back((j % 2) == 0 ? 201 : 100);
        v.push_back(3000);
    }
    return v;
}
// X, Y, Z: X 2048, Y 201/100, Z 7/4 (12 each).
std::vector<uint16_t> xyz_set() {
    std::vector<uint16_t> v;
    for (size_t j = 0; j < 12; ++j) {
        v.push_back(2048);
        v.push_back((j % 2) == 0 ? 201 : 100);
        v.push_back((j % 2) == 0 ? 7 : 4);
    }
    return v;
}

// The tag software's checksum, done literally: bytes 6 and 7 take the seed,
// then the running sum is stored into byte 6 after every addition.
uint8_t in_place_sum(std::vector<uint8_t> r, uint16_t seed) {
    r[6] = static_cast<uint8_t>(seed);
    r[7] = static_cast<uint8_t>(seed >> 8);
    uint8_t s = r[6];
    for (size_t i = 0; i < r.size(); ++i) {
        s = static_cast<uint8_t>(s + r[i]);
        r[6] = s;
    }
    return s;
}

std::vector<uint8_t> burst(uint8_t axes, uint8_t rate, const std::vector<uint16_t>& samples, size_t units = 1,
                           uint16_t seed = 0, uint32_t time = kT) {
    std::vector<uint8_t> r(63 * units, 0);
    put_le32(r.data(), 0, time);
    r[4] = axes;
    r[5] = rate;
    r[7] = static_cast<uint8_t>(units);
    for (size_t i = 0; i + 1 < samples.size(); i += 2) {
        const size_t p = 9 + i / 2 * 3;
        r[p] = static_cast<uint8_t>(samples[i]);
        r[p + 1] = static_cast<uint8_t>(((samples[i] >> 8) & 0x0F) | ((samples[i + 1] >> 8) << 4));
        r[p + 2] = static_cast<uint8_t>(samples[i + 1]);
    }
    r[6] = in_place_sum(r, seed);
    return r;
}

// The key column: Fletcher-32 of the record with byte 7 as the checksum test
// leaves it (the high seed byte).
std::string key_of(std::vector<uint8_t> r, uint16_t seed = 0) {
    r[7] = static_cast<uint8_t>(seed >> 8);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%010u", fletcher32(r.data(), static_cast<int32_t>(r.size())));
    return buf;
}

std::string movebank_start(const std::vector<uint8_t>& r, const char* rate_axes, uint16_t seed = 0) {
    return "21," + key_of(r, seed) + ",4660," + kIso + "," + rate_axes + ",";
}

class AccBurstTest : public acc_test::AccHarness {
protected:
    std::string run(const std::vector<uint8_t>& r, uint32_t action, int variant = 0) {
        AccContext ctx = context(action);
        decode_acc_burst(r.data(), static_cast<uint32_t>(r.size()), variant, ctx);
        return take();
    }
    std::string run_v9(const std::vector<uint8_t>& r, uint32_t action) {
        AccContext ctx = context(action);
        decode_acc_burst_v9(r.data(), static_cast<uint32_t>(r.size()), ctx);
        return take();
    }
    std::string take() {
        info.flush();
        return AccHarness::take(acc, acc_text);
    }
};

// Form D: the samples on one line, one row per sample, or a MOVEBANK line.
TEST_F(AccBurstTest, SampleLinesOfOneTwoAndThreeAxes) {
    EXPECT_EQ(run(burst(0x08, 4, kOneAxis), kKey1), "ACC," + kTime + "," + join(kOneAxis, ",") + "\n");
    EXPECT_EQ(run(burst(0x28, 1, xz_ramp()), kKey1), "ACC," + kTime + "," + join(xz_ramp(), ",") + "\n");
    EXPECT_EQ(run(burst(0x38, 1, xyz_set()), kKey1 | kSeconds),
              "ACC,352861200," + join(xyz_set(), ",") + "\n");
}

TEST_F(AccBurstTest, MovebankLinesOfOneTwoAndThreeAxes) {
    const auto one = burst(0x08, 4, kOneAxis);
    EXPECT_EQ(run(one, kKeyM), movebank_start(one, "100.00,X") + join(kOneAxis, " ") + "\n");
    // Rate code 1 (17.78 Hz) over two and three axes.
    const auto two = burst(0x28, 1, xz_ramp());
    EXPECT_EQ(run(two, kKeyM), movebank_start(two, "8.89,XZ") + join(xz_ramp(), " ") + "\n");
    const auto three = burst(0x38, 1, xyz_set());
    EXPECT_EQ(run(three, kKeyM), movebank_start(three, "5.93,XYZ") + join(xyz_set(), " ") + "\n");
    // Variant 1: the key covers byte 7 as the tag number's high byte.
    const auto seeded = burst(0x08, 4, kOneAxis, 1, kTag);
    EXPECT_EQ(run(seeded, kKeyM, 1), movebank_start(seeded, "100.00,X", kTag) + join(kOneAxis, " ") + "\n");
    EXPECT_NE(key_of(seeded, kTag), key_of(seeded, 0));
}

TEST_F(AccBurstTest, RowsWithEveryTimeStampStyle) {
    // Three axes at 17.78 / 3 = 5.93 Hz: rows 168 728.9 us apart.
    const auto r = burst(0x38, 1, xyz_set());
    const char* fractions[12] = {"0000", "1687", "3374", "5061", "6749", "8436",
                                 "0123", "1811", "3498", "5185", "6872", "8560"};
    std::string none, fix, full, full_us, secs, secs_us;
    for (int j = 0; j < 12; ++j) {
        const std::string values = std::string("2048,") + ((j % 2) == 0 ? "201,7" : "100,4") + "\n";
        const char* second = j < 6 ? "00" : "01";
        none += "ACC," + values;
        fix += "ACC,17," + values;
        full += "ACC," + kTime + "," + values;
        full_us += std::string("ACC,4084,9.5.2018,We,01:00:") + second + "." + fractions[j] + "," + values;
        secs += "ACC,352861200," + values;
        secs_us += std::string("ACC,3528612") + second + "." + fractions[j] + "," + values;
    }
    tag.gps_record_counter = 17;
    EXPECT_EQ(run(r, kKey6 | kNoTime), none);
    EXPECT_EQ(run(r, kKey8), fix);
    EXPECT_EQ(run(r, kKey6), full);
    EXPECT_EQ(run(r, kKey6 | kSubSeconds), full_us);
    EXPECT_EQ(run(r, kKey6 | kSeconds), secs);
    EXPECT_EQ(run(r, kKey6 | kSecondsSub), secs_us);
}

TEST_F(AccBurstTest, RowsWithoutRateHaveNoSubSeconds) {
    // Rate code 10 (a stopped sensor, 0 Hz), an invalid code and an MMA8452
    // divider of 0 give whole-second rows.
    struct Case {
        uint8_t rate;
        uint32_t features;
    };
    const Case cases[] = {{10, 0}, {11, 0}, {0xFF, 0}, {0, kMma}, {0x80, kMma}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.rate);
        tag.feature_word = c.features;
        const auto r = burst(0x10, c.rate, kOneAxis);
        EXPECT_EQ(run(r, kKey6 | kSecondsSub), repeat("ACC,352861200,201\nACC,352861200,100\n", 18));
        EXPECT_EQ(run(r, kKeyM), movebank_start(r, "0.00,Y") + join(kOneAxis, " ") + "\n");
    }
}

// Form C: statistics.
TEST_F(AccBurstTest, StatisticsLinesOfOneTwoAndThreeAxes) {
    EXPECT_EQ(run(burst(0x08, 4, kOneAxis), kKey9 | kNoTime), "ACC,150,50.500000,100,201\n");
    EXPECT_EQ(run(burst(0x28, 4, xz_ramp()), kKey9 | kNoTime),
              "ACC,1008,3000,5.188127,0.000000,1000,3000,1017,3000\n");
    EXPECT_EQ(run(burst(0x38, 4, xyz_set()), kKey9 | kNoTime),
              "ACC,2048,150,5,0.000000,50.500000,1.500000,2048,100,4,2048,201,7\n");
    // Time stamps: whole seconds even when sub-seconds are asked for.
    const auto r = burst(0x08, 4, kOneAxis);
    EXPECT_EQ(run(r, kKey9), "ACC," + kTime + ",150,50.500000,100,201\n");
    EXPECT_EQ(run(r, kKey9 | kSubSeconds), "ACC," + kTime + ",150,50.500000,100,201\n");
    EXPECT_EQ(run(r, kKey9 | kSecondsSub), "ACC,352861200,150,50.500000,100,201\n");
}

TEST_F(AccBurstTest, VarianceStatistics) {
    EXPECT_EQ(run(burst(0x08, 4, kOneAxis), kKeyA | kNoTime), "ACC,150,2550.250000,100,201\n");
    EXPECT_EQ(run(burst(0x28, 4, xz_ramp()), kKeyA | kNoTime),
              "ACC,1008,3000,26.916667,0.000000,1000,3000,1017,3000\n");
}

TEST_F(AccBurstTest, StatsLineOnlyAddsToTheActivitySum) {
    EXPECT_EQ(run(burst(0x08, 4, kOneAxis), kKey9 | ACT_STATS_LINE), "");
    EXPECT_DOUBLE_EQ(tag.stats.activity_sum, 50.5);
    EXPECT_EQ(run(burst(0x28, 4, xz_ramp()), kKey9 | ACT_STATS_LINE), "");
    EXPECT_DOUBLE_EQ(tag.stats.activity_sum, 50.5 + std::sqrt(323.0 / 12) / 2);
    tag.stats.activity_sum = 0;
    EXPECT_EQ(run(burst(0x08, 4, kOneAxis), 0x05001007), "");  // key s: variance
    EXPECT_DOUBLE_EQ(tag.stats.activity_sum, 2550.25);
    EXPECT_EQ(tag.stats.acc_bursts, 3u);
}

// Filters: bursts of up to 36 samples per axis are not filtered; their
// low-pass is the mean.
TEST_F(AccBurstTest, LowAndHighPassRows) {
    const auto r = burst(0x08, 4, kOneAxis);
    EXPECT_EQ(run(r, kKeyF | kNoTime), repeat("ACC,150\n", 36));
    EXPECT_EQ(run(r, kKeyG | kNoTime), repeat("ACC,50\nACC,-50\n", 18));
    // A constant burst of 78 samples is filtered; its high-pass is 0.
    const auto flat = burst(0x08, 4, std::vector<uint16_t>(78, 1234), 2);
    EXPECT_EQ(run(flat, kKeyG | kNoTime), repeat("ACC,0\n", 78));
    // The line forms are filtered too.
    EXPECT_EQ(run(r, kKey1 | ACT_ACC_HIGHPASS), "ACC," + kTime + "," + repeat("50,-50,", 17) + "50,-50\n");
    EXPECT_EQ(run(r, kKey9 | kNoTime | ACT_ACC_LOWPASS), "ACC,150,0.000000,150,150\n");
    EXPECT_EQ(console_text + info_text, "");
}

// Forms A and B: spectra.
TEST_F(AccBurstTest, SpectrumPerAxis) {
    // Alternating 201/100: mean 150.5 in bin 0, 50.5 in the last bin.
    EXPECT_EQ(run(burst(0x08, 4, kOneAxis), kKeyH), "ACCFX," + kTime + ",150," + repeat("0,", 17) + "50\n");
    EXPECT_EQ(run(burst(0x28, 4, xz_alternating()), kKeyH),
              "ACCFX," + kTime + ",150," + repeat("0,", 8) + "50\n" + "ACCFZ," + kTime + ",3000," +
                  repeat("0,", 8) + "0\n");
    EXPECT_EQ(run(burst(0x38, 4, xyz_set()), kKeyH),
              "ACCFX," + kTime + ",2048,0,0,0,0,0,0\n" + "ACCFY," + kTime + ",150,0,0,0,0,0,50\n" + "ACCFZ," +
                  kTime + ",5,0,0,0,0,0,1\n");
    // Spectra take the place of rows and statistics.
    EXPECT_EQ(head(run(burst(0x38, 4, xyz_set()), kKeyH | kKey9 | ACT_ACC_VARIANCE), "ACCFX,"), "ACCFX,");
    // A record without axis bits: nothing after "ACCF".
    EXPECT_EQ(run(burst(0x00, 4, kOneAxis), kKeyH), "ACCF," + kTime + ",150," + repeat("0,", 17) + "50\n");
}

TEST_F(AccBurstTest, SpectrumLine) {
    EXPECT_EQ(run(burst(0x08, 4, kOneAxis), kKeyI), "ACCF," + kTime + ",X,19,50.500,150," + repeat("0,", 17) + "50\n");
    EXPECT_EQ(run(burst(0x28, 4, xz_alternating()), kKeyI),
              "ACCF," + kTime + ",XZ,10,50.500,0.000,150," + repeat("0,", 8) + "50,3000," + repeat("0,", 8) +
                  "0\n");
    EXPECT_EQ(run(burst(0x38, 4, xyz_set()), kKeyI),
              "ACCF," + kTime + ",XYZ,7,0.000,50.500,1.500,2048,0,0,0,0,0,0,150,0,0,0,0,0,50,5,0,0,0,0,0,1\n");
}

TEST_F(AccBurstTest, LongSingleAxisBurstHasASpectrum) {
    // 30 units with one axis: 1254 samples, more than 1000.
    std::vector<uint16_t> s(1254, 700);
    const std::string out = run(burst(0x08, 4, s, 30), kKeyH);
    EXPECT_EQ(out, "ACCFX," + kTime + ",700," + repeat("0,", 626) + "0\n");
}

TEST_F(AccBurstTest, StatisticsOfTheTag) {
    run(burst(0x08, 4, kOneAxis), kKey1);
    run(burst(0x08, 4, kOneAxis, 2, 0, kT + 100), kKey1);
    // Records before 2014-01-01 count, but set no fix time.
    run(burst(0x08, 4, kOneAxis, 1, 0, 215568000), kKey1);
    EXPECT_EQ(tag.stats.acc_bytes, 63u + 126u + 63u);
    EXPECT_EQ(tag.stats.acc_bursts, 3u);
    EXPECT_EQ(tag.stats.first_fix_time, kT);
    EXPECT_EQ(tag.stats.last_fix_time, kT + 100);
}

TEST_F(AccBurstTest, RejectedRecordsLeaveNoTrace) {
    // Sealed for variant 1 with tag 0x1234: invalid as variant 0.
    const auto seeded = burst(0x08, 4, kOneAxis, 1, kTag);
    EXPECT_EQ(run(seeded, kKey1, 0), "");
    auto plain = burst(0x08, 4, kOneAxis);
    EXPECT_EQ(run(plain, kKey1, 1), "");
    // Wrong length for byte 7, and no ACT_ACC.
    auto truncated = plain;
    truncated.resize(62);
    EXPECT_EQ(run(truncated, kKey1), "");
    EXPECT_EQ(run(plain, ACT_GPS | ACT_MOVEBANK), "");
    EXPECT_EQ(tag.stats.acc_bytes, 0u);
    EXPECT_EQ(tag.stats.acc_bursts, 0u);
    EXPECT_EQ(info_text, "");
    // The same records in their own variant.
    EXPECT_NE(run(seeded, kKey1, 1), "");
    EXPECT_NE(run(plain, kKey1, 0), "");
}

TEST_F(AccBurstTest, Mma8452RateOverflowAndInvertedX) {
    tag.feature_word = kMma;
    const auto over = burst(0x08, 0x85, kOneAxis);
    EXPECT_EQ(run(over, kKeyM), movebank_start(over, "0.00,X") + join(alternating(36, 3894, 3995), " ") + "\n");
    EXPECT_EQ(info_text, "########### ACC Error (mma): There was an overflow! ###########\n");
    // The divider gives the rate of each axis.
    const auto div = burst(0x38, 5, xyz_set());
    const std::string start = movebank_start(div, "20.00,XYZ") + "2047 201 7 ";
    EXPECT_EQ(head(run(div, kKeyM), start), start);
}

TEST_F(AccBurstTest, BoardInversions) {
    const auto r = burst(0x38, 4, xyz_set());
    struct Case {
        uint32_t features;
        const char* first_row;
    };
    const Case cases[] = {
        {0, "ACC,2048,201,7\n"},
        {kV2Board, "ACC,2047,201,4088\n"},
        {kV2Board | kBottom, "ACC,2048,201,7\n"},
        {kV2Board | kMma, "ACC,2048,201,4088\n"},
        {kMma | kBottom, "ACC,2047,201,7\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.features);
        tag.feature_word = c.features;
        EXPECT_EQ(head(run(r, kKey6 | kNoTime), c.first_row), c.first_row);
    }
}

// Software 9.
TEST_F(AccBurstTest, SoftwareNineRates) {
    const auto r = burst(0x38, 1, xyz_set());
    tag.tag_number = 2426;  // special edition: the code gives the rate per axis
    const std::string special = "21," + key_of(r) + ",2426," + kIso + ",17.78,XYZ,2048 201 7 ";
    EXPECT_EQ(head(run_v9(r, kKeyM), special), special);
    tag.tag_number = 5000;
    const std::string divided = "21," + key_of(r) + ",5000," + kIso + ",5.93,XYZ,2048 201 7 ";
    EXPECT_EQ(head(run_v9(r, kKeyM), divided), divided);
    // Code 100: 12 Hz on X, Y and Z whatever byte 4 says.
    const auto forced = burst(0x08, 100, xyz_set());
    EXPECT_EQ(run_v9(forced, kKeyM), "21," + key_of(forced) + ",5000," + kIso + ",12.00,XYZ," + join(xyz_set(), " ") + "\n");
    EXPECT_EQ(run_v9(burst(0x08, 100, kOneAxis), kKeyH),
              "ACCFX," + kTime + ",150,0,0,0,0,0,50\nACCFY," + kTime + ",150,0,0,0,0,0,50\nACCFZ," + kTime +
                  ",150,0,0,0,0,0,50\n");
    // Other codes above 10: no rate, no sub-seconds.
    EXPECT_EQ(run_v9(burst(0x08, 11, kOneAxis), kKey6 | kSecondsSub), repeat("352861200,201\n352861200,100\n", 18));
}

TEST_F(AccBurstTest, SoftwareNineLinesAndRows) {
    const auto r = burst(0x08, 4, kOneAxis);
    EXPECT_EQ(run_v9(r, kKey9 | kNoTime), "150,50.500000,100,201\n");
    EXPECT_EQ(run_v9(r, kKey9), kTime + ",150,50.500000,100,201\n");
    EXPECT_EQ(run_v9(r, kKey6 | kSeconds), repeat("352861200,201\n352861200,100\n", 18));
    EXPECT_EQ(run_v9(r, kKey1), "ACC," + kTime + "," + join(kOneAxis, ",") + "\n");
    EXPECT_EQ(run_v9(r, kKeyI), "ACCF," + kTime + ",X,19,50.500,150," + repeat("0,", 17) + "50\n");
    // The STATS line takes nothing from software-9 bursts: the line is written.
    EXPECT_EQ(run_v9(r, kKey9 | kNoTime | ACT_STATS_LINE), "150,50.500000,100,201\n");
    EXPECT_EQ(tag.stats.activity_sum, 0.0);
    EXPECT_EQ(tag.stats.acc_bursts, 0u);
    EXPECT_EQ(tag.stats.acc_bytes, 0u);
    EXPECT_EQ(tag.stats.first_fix_time, 0u);
    // Never seeded with the tag number.
    EXPECT_EQ(run_v9(burst(0x08, 4, kOneAxis, 1, kTag), kKey1), "");
}

TEST_F(AccBurstTest, SoftwareNineMma8452Generation) {
    // A settings record of version 7 names the MMA8452: its rule applies,
    // the GPSACCGSMV2 inversion does not exist.
    tag.settings_version = 7;
    const auto r = burst(0x38, 5, xyz_set());
    const std::string divider = "21," + key_of(r) + ",4660," + kIso + ",20.00,XYZ,2047 201 7 ";
    EXPECT_EQ(head(run_v9(r, kKeyM), divider), divider);
    EXPECT_EQ(head(run_v9(r, kKey6 | kNoTime), "2047,201,7\n"), "2047,201,7\n");
    // Only the MMA8452 turns X; with software 10 a GPSACCGSMV2 board turns X
    // back and Z.
    tag.feature_word = kMma | kV2Board;
    EXPECT_EQ(head(run_v9(r, kKey6 | kNoTime), "2047,201,7\n"), "2047,201,7\n");
    EXPECT_EQ(head(run(r, kKey6 | kNoTime), "ACC,2048,201,4088\n"), "ACC,2048,201,4088\n");
    EXPECT_EQ(info_text, "");
    const auto over = burst(0x08, 0x85, kOneAxis);
    EXPECT_EQ(run_v9(over, kKeyM), "21," + key_of(over) + ",4660," + kIso + ",0.00,X," +
                                       join(alternating(36, 3894, 3995), " ") + "\n");
    EXPECT_EQ(info_text, "########### ACC Error (mma): There was an overflow! ###########\n");
}

// Generation-3 bursts go through the same output forms; their family has no
// "ACC," before rows and statistics, no decoder-version column in MOVEBANK
// lines, and statistics lines that ACT_STATS_LINE does not take over.
TEST_F(AccBurstTest, GenerationThreeFamily) {
    const auto r = burst(0x08, 4, kOneAxis);
    auto write = [&](uint32_t action) {
        AccContext ctx{action, acc, info, quat, mag, tag, dsp, *buffers};
        const int32_t n = unpack_burst_samples(r.data(), static_cast<uint32_t>(r.size()), kAccHeaderSize, 1,
                                               AxisInversion{{false, false, false}}, buffers->burst);
        write_burst(BurstLine{BurstFamily::gen3, kT, 0.0, "X", 1, n, 10.0, 42}, ctx);
        return take();
    };
    EXPECT_EQ(write(kKeyM), "0000000042,4660," + kIso + ",10.00,X," + join(kOneAxis, " ") + "\n");
    EXPECT_EQ(write(kKey1), "ACC," + kTime + "," + join(kOneAxis, ",") + "\n");
    EXPECT_EQ(write(kKey6 | kSeconds), repeat("352861200,201\n352861200,100\n", 18));
    EXPECT_EQ(head(write(kKey6 | kSecondsSub), "352861200.0000,201\n352861200.1000,100\n"),
              "352861200.0000,201\n352861200.1000,100\n");
    EXPECT_EQ(write(kKey9 | kNoTime | ACT_STATS_LINE), "150,50.500000,100,201\n");
    EXPECT_EQ(tag.stats.activity_sum, 0.0);
    EXPECT_EQ(write(kKeyH), "ACCFX," + kTime + ",150," + repeat("0,", 17) + "50\n");
}

}  // namespace
}  // namespace dec
