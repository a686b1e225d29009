#include "records/acc_burst.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "common/action.h"
#include "records/acc_output.h"
#include "records/acc_record.h"
#include "testsupport/record_builders.h"
#include "acc_harness.h"

namespace dec {
namespace {

using namespace acc_test;

constexpr uint32_t kMma = 0x00800;      // MMA8452 sensor
constexpr uint32_t kV2Board = 0x04000;  // GPSACCGSMV2 board

std::vector<uint16_t> alternating(size_t count, uint16_t even, uint16_t odd) {
    std::vector<uint16_t> v(count);
    for (size_t i = 0; i < count; ++i) {
        v[i] = (i % 2) == 0 ? even : odd;
    }
    return v;
}
// One axis: 201, 100, ... (mean 150.5, deviation 50.5).
const std::vector<uint16_t> kOneAxis = alternating(36, 201, 100);
// X, Z: X 1000 .. 1017 or 201/100, Z 3000.
std::vector<uint16_t> xz(bool ramp) {
    std::vector<uint16_t> v;
    for (uint16_t j = 0; j < 18; ++j) {
        v.push_back(ramp ? static_cast<uint16_t>(1000 + j) : (j % 2) == 0 ? 201 : 100);
        v.push_back(3000);
    }
    return v;
}
// X, Y, Z: X 2048, Y 201/100, Z 7/4 (12 each).
std::vector<uint16_t> xyz_set() {
    std::vector<uint16_t> v;
    for (size_t j = 0; j < 12; ++j) {
        v.insert(v.end(), {2048, static_cast<uint16_t>((j % 2) == 0 ? 201 : 100), static_cast<uint16_t>((j % 2) == 0 ? 7 : 4)});
    }
    return v;
}

std::vector<uint8_t> burst(uint8_t axes, uint8_t rate, std::vector<uint16_t> samples, uint8_t units = 1,
                           int variant = 0, uint32_t time = kT) {
    return testing::make_acc_burst({time, axes, rate, std::move(samples), units}, variant, kTag);
}

class AccBurstTest : public acc_test::AccHarness {
protected:
    std::string run(const std::vector<uint8_t>& r, uint32_t action, int variant = 0) {
        AccContext ctx = context(action);
        decode_acc_burst(r.data(), static_cast<uint32_t>(r.size()), variant, ctx);
        return take_all();
    }
    std::string run_v9(const std::vector<uint8_t>& r, uint32_t action) {
        AccContext ctx = context(action);
        decode_acc_burst_v9(r.data(), static_cast<uint32_t>(r.size()), ctx);
        return take_all();
    }
    std::string take_all() { return take(acc, acc_text) + notes(); }
};

// Every output form of bursts of one, two and three axes: sample lines,
// MOVEBANK lines, rows with every time-stamp style, statistics, filters and
// spectra, software 9, feature-bit inversions and rates.
TEST_F(AccBurstTest, OutputForms) {
    const auto one = burst(0x08, 4, kOneAxis);
    const auto ramp = burst(0x28, 4, xz(true));
    const auto xz_alt = burst(0x28, 4, xz(false));
    const auto three = burst(0x38, 4, xyz_set());
    const auto three_r1 = burst(0x38, 1, xyz_set());
    got.emplace_back("1 X", run(one, kKey1));
    got.emplace_back("1 XZ rate 1", run(burst(0x28, 1, xz(true)), kKey1));
    got.emplace_back("1 XYZ rate 1 seconds", run(three_r1, kKey1 | kSeconds));
    got.emplace_back("m X", run(one, kKeyM));
    got.emplace_back("m XZ rate 1", run(burst(0x28, 1, xz(true)), kKeyM));
    got.emplace_back("m XYZ rate 1", run(three_r1, kKeyM));
    // Variant 1: the key covers byte 7 as the tag number's high byte.
    got.emplace_back("m X variant 1", run(burst(0x08, 4, kOneAxis, 1, 1), kKeyM, 1));

    tag.gps_record_counter = 17;
    const std::pair<const char*, uint32_t> rows[] = {
        {"no time", kKey6 | kNoTime}, {"fix", kKey8},          {"full", kKey6},
        {"sub-seconds", kKey6 | kSubSeconds}, {"seconds", kKey6 | kSeconds}, {"seconds sub", kKey6 | kSecondsSub}};
    for (const auto& [name, action] : rows) {
        got.emplace_back(std::string("6 XYZ rate 1 ") + name, run(three_r1, action));
    }
    // Rate code 10 (a stopped sensor), invalid codes and an MMA8452 divider
    // of 0 give whole-second rows.
    for (const auto& [rate, features] : std::initializer_list<std::pair<uint8_t, uint32_t>>{
             {10, 0}, {11, 0}, {0xFF, 0}, {0, kMma}, {0x80, kMma}}) {
        tag.feature_word = features;
        const auto r = burst(0x10, rate, kOneAxis);
        const std::string name = "Y rate " + std::to_string(rate) + " features " + std::to_string(features);
        got.emplace_back("6 " + name, run(r, kKey6 | kSecondsSub));
        got.emplace_back("m " + name, run(r, kKeyM));
    }
    tag.feature_word = 0;

    got.emplace_back("9 X", run(one, kKey9 | kNoTime));
    got.emplace_back("9 XZ", run(ramp, kKey9 | kNoTime));
    got.emplace_back("9 XYZ", run(three, kKey9 | kNoTime));
    got.emplace_back("9 X time", run(one, kKey9));
    got.emplace_back("9 X sub-seconds", run(one, kKey9 | kSubSeconds));
    got.emplace_back("9 X seconds sub", run(one, kKey9 | kSecondsSub));
    got.emplace_back("a X", run(one, kKeyA | kNoTime));
    got.emplace_back("a XZ", run(ramp, kKeyA | kNoTime));

    // Bursts of up to 36 samples per axis are not filtered: their low-pass is
    // the mean. A constant burst of 78 samples is filtered.
    got.emplace_back("f X", run(one, kKeyF | kNoTime));
    got.emplace_back("g X", run(one, kKeyG | kNoTime));
    got.emplace_back("g X 78 flat", run(burst(0x08, 4, std::vector<uint16_t>(78, 1234), 2), kKeyG | kNoTime));
    got.emplace_back("1 X high-pass", run(one, kKey1 | ACT_ACC_HIGHPASS));
    got.emplace_back("9 X low-pass", run(one, kKey9 | kNoTime | ACT_ACC_LOWPASS));

    got.emplace_back("h X", run(one, kKeyH));
    got.emplace_back("h XZ", run(xz_alt, kKeyH));
    got.emplace_back("h XYZ", run(three, kKeyH));
    // Spectra take the place of rows and statistics.
    got.emplace_back("h XYZ with 9 variance", run(three, kKeyH | kKey9 | ACT_ACC_VARIANCE));
    got.emplace_back("h no axis bits", run(burst(0x00, 4, kOneAxis), kKeyH));
    got.emplace_back("h X 1254 samples", run(burst(0x08, 4, std::vector<uint16_t>(1254, 700), 30), kKeyH));
    got.emplace_back("i X", run(one, kKeyI));
    got.emplace_back("i XZ", run(xz_alt, kKeyI));
    got.emplace_back("i XYZ", run(three, kKeyI));

    // A GPSACCGSMV2 board without both sensors on the bottom side turns X and
    // Z, an MMA8452 turns X.
    for (uint32_t features : {0u, kV2Board, kV2Board | kBottom, kV2Board | kMma, kMma | kBottom}) {
        tag.feature_word = features;
        got.emplace_back("6 XYZ features " + std::to_string(features), run(three, kKey6 | kNoTime));
    }
    tag.feature_word = kMma;
    got.emplace_back("m X MMA8452 overflow", run(burst(0x08, 0x85, kOneAxis), kKeyM));
    got.emplace_back("m XYZ MMA8452 divider 5", run(burst(0x38, 5, xyz_set()), kKeyM));
    tag.feature_word = 0;

    // Software 9.
    tag.tag_number = 2426;  // special edition: the code gives the rate per axis
    got.emplace_back("v9 m XYZ rate 1 tag 2426", run_v9(three_r1, kKeyM));
    tag.tag_number = 5000;
    got.emplace_back("v9 m XYZ rate 1 tag 5000", run_v9(three_r1, kKeyM));
    // Code 100: 12 Hz on X, Y and Z whatever byte 4 says.
    got.emplace_back("v9 m rate 100", run_v9(burst(0x08, 100, xyz_set()), kKeyM));
    got.emplace_back("v9 h rate 100", run_v9(burst(0x08, 100, kOneAxis), kKeyH));
    got.emplace_back("v9 6 rate 11", run_v9(burst(0x08, 11, kOneAxis), kKey6 | kSecondsSub));
    tag.tag_number = kTag;
    got.emplace_back("v9 9 X", run_v9(one, kKey9 | kNoTime));
    got.emplace_back("v9 9 X time", run_v9(one, kKey9));
    got.emplace_back("v9 6 X seconds", run_v9(one, kKey6 | kSeconds));
    got.emplace_back("v9 1 X", run_v9(one, kKey1));
    got.emplace_back("v9 i X", run_v9(one, kKeyI));
    // A settings record of version 7 names the MMA8452: its rule applies, the
    // GPSACCGSMV2 inversion does not exist; software 10 keeps it.
    tag.settings_version = 7;
    const auto div = burst(0x38, 5, xyz_set());
    got.emplace_back("v9 m settings 7", run_v9(div, kKeyM));
    got.emplace_back("v9 6 settings 7", run_v9(div, kKey6 | kNoTime));
    tag.feature_word = kMma | kV2Board;
    got.emplace_back("v9 6 settings 7 V2 board", run_v9(div, kKey6 | kNoTime));
    got.emplace_back("6 settings 7 V2 board", run(div, kKey6 | kNoTime));
    got.emplace_back("v9 m settings 7 overflow", run_v9(burst(0x08, 0x85, kOneAxis), kKeyM));
    testing::expect_sections("records/expected/acc_burst.txt", got);
}

TEST_F(AccBurstTest, StatsLineOnlyAddsToTheActivitySum) {
    EXPECT_EQ(run(burst(0x08, 4, kOneAxis), kKey9 | ACT_STATS_LINE), "");
    EXPECT_DOUBLE_EQ(tag.stats.activity_sum, 50.5);
    EXPECT_EQ(run(burst(0x28, 4, xz(true)), kKey9 | ACT_STATS_LINE), "");
    EXPECT_DOUBLE_EQ(tag.stats.activity_sum, 50.5 + std::sqrt(323.0 / 12) / 2);
    tag.stats.activity_sum = 0;
    EXPECT_EQ(run(burst(0x08, 4, kOneAxis), 0x05001007), "");  // key s: variance
    EXPECT_DOUBLE_EQ(tag.stats.activity_sum, 2550.25);
    EXPECT_EQ(tag.stats.acc_bursts, 3u);
}

TEST_F(AccBurstTest, StatisticsOfTheTag) {
    run(burst(0x08, 4, kOneAxis), kKey1);
    run(burst(0x08, 4, kOneAxis, 2, 0, kT + 100), kKey1);
    // Records before 2014-01-01 count, but set no fix time.
    run(burst(0x08, 4, kOneAxis, 1, 0, 215568000), kKey1);
    EXPECT_EQ(acc_stats(), (std::vector<uint64_t>{63 + 126 + 63, 3, kT, kT + 100}));
}

TEST_F(AccBurstTest, RejectedRecordsLeaveNoTrace) {
    const auto seeded = burst(0x08, 4, kOneAxis, 1, 1);
    const auto plain = burst(0x08, 4, kOneAxis);
    auto truncated = plain;
    truncated.resize(62);
    EXPECT_EQ(run(seeded, kKey1, 0), "");
    EXPECT_EQ(run(plain, kKey1, 1), "");
    EXPECT_EQ(run(truncated, kKey1), "");
    EXPECT_EQ(run(plain, ACT_GPS | ACT_MOVEBANK), "");
    EXPECT_EQ(run_v9(seeded, kKey1), "");  // software 9 never seeds
    EXPECT_EQ(acc_stats(), (std::vector<uint64_t>{0, 0, 0, 0}));
    EXPECT_NE(run(seeded, kKey1, 1), "");
    EXPECT_NE(run(plain, kKey1, 0), "");
}

TEST_F(AccBurstTest, SoftwareNineBurstsLeaveTheStatistics) {
    // The STATS line takes nothing from software-9 bursts: the line is written.
    EXPECT_EQ(run_v9(burst(0x08, 4, kOneAxis), kKey9 | kNoTime | ACT_STATS_LINE), "150,50.500000,100,201\n");
    EXPECT_EQ(tag.stats.activity_sum, 0.0);
    EXPECT_EQ(acc_stats(), (std::vector<uint64_t>{0, 0, 0, 0}));
}

// Generation-3 bursts go through the same output forms; their family has no
// "ACC," before rows and statistics, no decoder-version column in MOVEBANK
// lines, and statistics lines that ACT_STATS_LINE does not take over.
TEST_F(AccBurstTest, GenerationThreeFamily) {
    const auto r = burst(0x08, 4, kOneAxis);
    auto write = [&](uint32_t action) {
        AccContext ctx = context(action);
        const int32_t n = unpack_burst_samples(r.data(), static_cast<uint32_t>(r.size()), kAccHeaderSize, 1,
                                               AxisInversion{{false, false, false}}, buffers->burst);
        write_burst(BurstLine{BurstFamily::gen3, kT, 0.0, "X", 1, n, 10.0, 42}, ctx);
        return take_all();
    };
    for (uint32_t action : {kKeyM, kKey1, kKey6 | kSeconds, kKey6 | kSecondsSub, kKey9 | kNoTime | ACT_STATS_LINE, kKeyH}) {
        got.emplace_back("action " + std::to_string(action), write(action));
    }
    EXPECT_EQ(tag.stats.activity_sum, 0.0);
    testing::expect_sections("records/expected/acc_burst_gen3.txt", got);
}

}  // namespace
}  // namespace dec
