// Acceleration and IMU records: axes, checksums, sample unpacking and rates,
// and every output form of the bursts, NEWACC and QUATCMP records, decoded
// through one context over in-memory streams.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <initializer_list>
#include <iterator>
#include <memory>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "common/action.h"
#include "common/outstream.h"
#include "common/tag_state.h"
#include "expected_sections.h"
#include "records/acc_burst.h"
#include "records/acc_output.h"
#include "records/acc_record.h"
#include "records/burst_batch.h"
#include "records/imu.h"
#include "records/imu_record.h"
#include "testsupport/record_builders.h"

namespace dec {
namespace {

// 2018-05-09 01:00:00, a Wednesday, day 4084 of the tag epoch.
constexpr uint32_t kT = 352861200;
constexpr uint32_t kTag = 0x1234;      // 4660
constexpr uint32_t kBottom = 0x10000;  // both sensors on the bottom side

// Action words of the menu keys; time-stamp choices a, c, d, e.
constexpr uint32_t kKey1 = ACT_ACC, kKey6 = 0x05, kKey8 = 0x305, kKey9 = 0x1005, kKeyA = 0x01001005, kKeyF = 0x2005,
                   kKeyG = 0x4005, kKeyH = 0x00010001, kKeyI = 0x00200001, kKeyM = ACT_MOVEBANK | ACT_ACC;
constexpr uint32_t kNoTime = ACT_ACC_NO_TIME, kSubSeconds = ACT_ACC_SUBSECONDS, kSeconds = ACT_ACC_JUST_SECONDS,
                   kSecondsSub = ACT_ACC_JUST_SECONDS | ACT_ACC_SUBSECONDS;

class AccTest : public ::testing::Test {
  protected:
    AccTest() { tag.tag_number = kTag; }

    AccContext context(uint32_t action) {
        return AccContext{output_plan_of(action), acc, info, quat, mag, tag, dsp, *buffers};
    }
    // What a stream holds since the last take, after `head` when there is any.
    static std::string take(OutStream& out, std::string& text, const std::string& head = "") {
        out.flush();
        const std::string s = text.empty() ? "" : head + text;
        text.clear();
        return s;
    }
    // The info and console texts since the last take.
    std::string notes() { return take(info, info_text, "-- info\n") + take(console, console_text, "-- console\n"); }

    // Acceleration bytes, bursts, first and last fix time of the tag.
    std::vector<uint64_t> acc_stats() const {
        return {tag.stats.acc_bytes, tag.stats.acc_bursts, tag.stats.first_fix_time, tag.stats.last_fix_time};
    }

    std::string run(const std::vector<uint8_t>& r, uint32_t action, int variant = 0) {
        AccContext ctx = context(action);
        decode_acc_burst(r.data(), static_cast<uint32_t>(r.size()), variant, ctx);
        return take_all();
    }
    // A software-9 burst or a NEWACC record.
    std::string run_v9(const std::vector<uint8_t>& r, uint32_t action,
                       void (*decode)(const uint8_t*, uint32_t, AccContext&) = decode_acc_burst_v9) {
        AccContext ctx = context(action);
        decode(r.data(), static_cast<uint32_t>(r.size()), ctx);
        return take_all();
    }
    std::string run_newacc(const std::vector<uint8_t>& r, uint32_t action) { return run_v9(r, action, decode_newacc); }
    std::string take_all() { return take(acc, acc_text) + notes(); }
    // The quaternion stream, then the magnetic one and the info text.
    std::string run_quatcmp(const std::vector<uint8_t>& r, uint32_t action) {
        AccContext ctx = context(action);
        decode_quatcmp(r.data(), static_cast<uint32_t>(r.size()), ctx);
        return take(quat, quat_text) + take(mag, mag_text, "-- mag\n") + notes();
    }

    std::string acc_text, info_text, quat_text, mag_text, console_text;
    OutStream acc{&acc_text};
    OutStream info{&info_text};
    OutStream quat{&quat_text};
    OutStream mag{&mag_text};
    OutStream console{&console_text};
    TagState tag;
    BurstDsp dsp{console};
    std::unique_ptr<AccBuffers> buffers = std::make_unique<AccBuffers>();
    testing::Sections got;
};

template <typename... V>
std::string line(const char* format, V... v) {
    char text[96];
    std::snprintf(text, sizeof text, format, v...);
    return text;
}

// Axis letters and count of the axis bits (at least one axis: no axis bit
// among others gives one unnamed axis); rates of the rate codes over the axis
// count, divided in single precision and then widened (316.23f / 2 lies above
// 158.115); MMA8452 dividers with the overflow bit; the first tags in and out
// of the software-9 ranges whose rate code gives the rate per axis. Axes are
// turned by letter, not position: an MMA8452 turns X, a GPSACCGSMV2 board X
// and Z, both together cancel on X; the second axis of "XZ" is Z.
TEST(AccBurstHeader, AxesAndRates) {
    testing::Sections got;
    for (int bits : {0x08, 0x10, 0x20, 0x28, 0x30, 0x38, 0xFF, 0x00, 0xC7}) {
        const BurstAxes a = burst_axes(static_cast<uint8_t>(bits));
        got.emplace_back(line("axis bits 0x%02X", bits), line("%s %d", a.letters, a.count));
    }
    for (const auto& [code, divisor] :
         std::initializer_list<std::pair<int, int>>{{0, 1}, {1, 3}, {6, 2}, {9, 1}, {10, 1}, {11, 1}}) {
        const double hz = acc_rate_from_code(static_cast<uint8_t>(code), divisor);
        got.emplace_back(line("rate code %d over %d", code, divisor), line("%.2f %.17g", hz, hz));
    }
    for (int byte5 : {1, 5, 127, 0, 0x80, 0x85}) {
        const MmaRate r = mma8452_rate(static_cast<uint8_t>(byte5));
        got.emplace_back(line("MMA8452 0x%02X", byte5), line("%.17g%s", r.hz, r.overflow ? " overflow" : ""));
    }
    for (const auto& [bits, mma, v2_board] : std::initializer_list<std::tuple<int, bool, bool>>{
             {0x28, false, true}, {0x38, true, true}, {0x10, true, true}, {0x00, true, true}}) {
        const AxisInversion inv = acc_inversion(burst_axes(static_cast<uint8_t>(bits)), mma, v2_board);
        got.emplace_back(line("inversion of axis bits 0x%02X, MMA8452 %d, V2 board %d", bits, mma, v2_board),
                         line("%d %d %d", inv.invert[0], inv.invert[1], inv.invert[2]));
    }
    std::string edges;
    for (uint32_t tag = 1; tag <= 0xFFFF; ++tag) {
        if (acc_v9_rate_per_axis(tag) != acc_v9_rate_per_axis(tag - 1)) {
            edges += line(" %u", tag);
        }
    }
    got.emplace_back("software-9 per-axis rate code edges", edges);
    testing::expect_sections("records/expected/acc_header.txt", got);
}

// n random 12-bit samples.
std::vector<uint16_t> random_samples(std::mt19937& gen, size_t n) {
    std::vector<uint16_t> samples(n);
    for (uint16_t& v : samples) {
        v = static_cast<uint16_t>(gen() & 0xFFF);
    }
    return samples;
}

// A burst of random samples packed from byte 9, as the tag writes it.
std::vector<uint8_t> random_burst(std::mt19937& gen, uint8_t units, int variant = 0, uint32_t tag = 0) {
    return testing::make_acc_burst({static_cast<uint32_t>(gen()), static_cast<uint8_t>(gen()),
                                    static_cast<uint8_t>(gen()), random_samples(gen, (63u * units - 9) / 3 * 2), units},
                                   variant, tag);
}

// Random bursts of one to five units pass with and without the tag seed. For
// tag 0x1234 the seed 0x34 is added once and doubled at byte 6, and byte 7
// counts 0x12: the sums differ by 0x7A. The length must be 63 times the unit
// count, and 31 units never reach a decoder: the loop abandons them.
TEST(AccBurstChecksum, SeedAndLength) {
    std::mt19937 gen(7);
    for (int round = 0; round < 50; ++round) {
        const auto units = static_cast<uint8_t>(1 + round % 5);
        const auto tag = static_cast<uint16_t>(gen());
        const std::vector<uint8_t> plain = random_burst(gen, units);
        const std::vector<uint8_t> seeded = random_burst(gen, units, 1, tag);
        EXPECT_EQ(check_acc_burst(plain.data(), static_cast<uint32_t>(plain.size()), 0), RecordCheck::ok);
        EXPECT_EQ(check_acc_burst(seeded.data(), static_cast<uint32_t>(seeded.size()), tag), RecordCheck::ok);
    }
    std::vector<uint8_t> r = random_burst(gen, 2);
    const uint8_t v0 = acc_burst_sum(r.data(), 126, 0);
    const uint8_t v1 = acc_burst_sum(r.data(), 126, 0x1234);
    EXPECT_EQ(static_cast<uint8_t>(v1 - v0), 0x7A);
    EXPECT_EQ(check_acc_burst(r.data(), 126, 0), RecordCheck::ok);
    EXPECT_EQ(check_acc_burst(r.data(), 126, 0x1234), RecordCheck::bad_checksum);
    for (uint32_t length : {63u, 125u, 0u}) {
        EXPECT_EQ(check_acc_burst(r.data(), length, 0), RecordCheck::bad_length) << length;
    }
    r[6] = v1;
    EXPECT_EQ(check_acc_burst(r.data(), 126, 0x1234), RecordCheck::ok);
    EXPECT_EQ(check_acc_burst(r.data(), 126, 0), RecordCheck::bad_checksum);
    r[7] = 0;
    EXPECT_EQ(check_acc_burst(r.data(), 0, 0), RecordCheck::bad_length);
    std::vector<uint8_t> big = random_burst(gen, 30);
    big.resize(1953);
    big[7] = 31;
    big[6] = acc_burst_sum(big.data(), 1953, 0);
    EXPECT_EQ(check_acc_burst(big.data(), 1953, 0), RecordCheck::bad_length);
}

// Samples packed two per three bytes from byte 9.
std::vector<uint8_t> packed(const std::vector<uint16_t>& s, uint8_t units = 0) {
    return testing::make_acc_burst({0, 0x38, 0, s, units});
}

// Unpacking into the burst buffers of the shared context: the bytes 0x34 0x12
// 0xAB hold 0x234 and 0x1AB. Every sample lands on its axis in turn (x, y, z,
// x, ...) whatever the number of groups, axes and inversions: checked against
// the sample sequence written into the record.
TEST_F(AccTest, UnpackedSamplesTakeTheAxesInTurnForEveryLength) {
    std::vector<uint8_t> group(63, 0);
    const uint8_t groups[] = {0x34, 0x12, 0xAB, 0xFF, 0xFF, 0xFF};
    std::copy(std::begin(groups), std::end(groups), group.begin() + 9);
    EXPECT_EQ(unpack_burst_samples(group.data(), 63, 9, 1, AxisInversion{}, buffers->burst), 36);
    EXPECT_EQ(std::vector<int>(buffers->burst.samples[0], buffers->burst.samples[0] + 4),
              (std::vector<int>{0x234, 0x1AB, 4095, 4095}));
    uint32_t r = 5;
    for (int8_t axes = 1; axes <= 3; ++axes) {
        for (uint32_t length = 9; length <= kAccMaxRecordLength; length += length < 40 ? 1 : 61) {
            std::vector<uint16_t> seq((length - 9) / 3 * 2);
            for (uint16_t& v : seq) {
                r = r * 1103515245u + 12345u;
                v = static_cast<uint16_t>((r >> 16) & 0xFFF);
            }
            std::vector<uint8_t> rec = packed(seq);
            rec.resize(length);
            const AxisInversion inv{{(r & 1) != 0, (r & 2) != 0, (r & 4) != 0}};
            for (int16_t(&axis)[kBurstMaxSamples] : buffers->burst.samples) {
                std::fill(std::begin(axis), std::end(axis), int16_t{-1});  // marks what is not written
            }
            const int32_t cycles = unpack_burst_samples(rec.data(), length, 9, axes, inv, buffers->burst);
            ASSERT_EQ(cycles, static_cast<int32_t>(seq.size()) / axes) << length;
            for (size_t i = 0; i < seq.size(); ++i) {
                const size_t a = i % static_cast<size_t>(axes);
                const int expected = inv.invert[a] ? 4095 - seq[i] : seq[i];
                ASSERT_EQ(buffers->burst.samples[a][i / static_cast<size_t>(axes)], expected)
                    << "axes " << int{axes} << " length " << length << " sample " << i;
            }
            for (int a = 0; a < axes; ++a) {
                const int32_t count = (static_cast<int32_t>(seq.size()) + axes - 1 - a) / axes;
                ASSERT_EQ(buffers->burst.count[a], count);
                ASSERT_EQ(buffers->burst.samples[a][count], -1) << "written past the samples of axis " << a;
            }
        }
    }
}

constexpr uint32_t kMma = 0x00800, kV2Board = 0x04000;  // MMA8452 sensor, GPSACCGSMV2 board

// One axis: 201, 100, ... (mean 150.5, deviation 50.5).
const std::vector<uint16_t> kOneAxis = [] {
    std::vector<uint16_t> v;
    for (int j = 0; j < 18; ++j) {
        v.insert(v.end(), {201, 100});
    }
    return v;
}();
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
        v.insert(v.end(),
                 {2048, static_cast<uint16_t>((j % 2) == 0 ? 201 : 100), static_cast<uint16_t>((j % 2) == 0 ? 7 : 4)});
    }
    return v;
}

std::vector<uint8_t> burst(uint8_t axes, uint8_t rate, std::vector<uint16_t> samples, uint8_t units = 1,
                           int variant = 0, uint32_t time = kT) {
    return testing::make_acc_burst({time, axes, rate, std::move(samples), units}, variant, kTag);
}

// Every output form of bursts of one, two and three axes: sample lines,
// MOVEBANK lines, rows with every time-stamp style, statistics, filters and
// spectra, software 9, feature-bit inversions and rates.
TEST_F(AccTest, BurstOutputForms) {
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
    const std::pair<const char*, uint32_t> rows[] = {{"no time", kKey6 | kNoTime},
                                                     {"fix", kKey8},
                                                     {"full", kKey6},
                                                     {"sub-seconds", kKey6 | kSubSeconds},
                                                     {"seconds", kKey6 | kSeconds},
                                                     {"seconds sub", kKey6 | kSecondsSub}};
    for (const auto& [name, action] : rows) {
        got.emplace_back(std::string("6 XYZ rate 1 ") + name, run(three_r1, action));
    }
    // Rate code 10 (a stopped sensor), invalid codes and an MMA8452 divider
    // of 0 give whole-second rows.
    for (const auto& [rate, features] :
         std::initializer_list<std::pair<uint8_t, uint32_t>>{{10, 0}, {11, 0}, {0xFF, 0}, {0, kMma}, {0x80, kMma}}) {
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

// Bursts held back to be filtered side by side are written as each alone: the
// same lines and messages in the same order, the same activity sum, for every
// form that filters; a decoder's own message (an MMA8452 overflow) and a burst
// that does not wait (too short) write the held bursts first.
TEST_F(AccTest, BurstsHeldForTheFilterAreWrittenAsTheyCame) {
    std::mt19937 gen(11);
    std::vector<std::vector<uint8_t>> bursts;
    for (int i = 0; i < 40; ++i) {
        const uint8_t axes[] = {0x08, 0x28, 0x38, 0x38};
        const auto units = static_cast<uint8_t>(1 + gen() % 6);  // 36 to 122 samples on one axis
        bursts.push_back(burst(axes[gen() % 4], 4, random_samples(gen, (63u * units - 9) / 3 * 2), units));
    }
    constexpr size_t kOverflow = 17;  // an MMA8452 burst with the overflow bit
    bursts[kOverflow] = burst(0x08, 0x85, random_samples(gen, 36), 1);
    for (const uint32_t action : {kKeyF, kKeyG, kKey9, kKeyA, kKeyI, kKey9 | ACT_ACC_LOWPASS, kKey1 | ACT_ACC_HIGHPASS,
                                  kKey9 | ACT_STATS_LINE}) {
        SCOPED_TRACE(action);
        std::string text[2];
        double activity[2];
        for (const bool held : {false, true}) {
            BurstBatch batch;
            tag.stats.activity_sum = 0;
            // Information lines in the acceleration stream, as the main file
            // can hold both: their order shows.
            AccContext ctx{output_plan_of(action), acc, acc, quat, mag, tag, dsp, *buffers, held ? &batch : nullptr};
            for (size_t i = 0; i < bursts.size(); ++i) {
                tag.feature_word = i == kOverflow ? kMma : 0;
                decode_acc_burst(bursts[i].data(), static_cast<uint32_t>(bursts[i].size()), 0, ctx);
            }
            batch.write_held(ctx);
            text[held] = take_all();
            activity[held] = tag.stats.activity_sum;
        }
        EXPECT_EQ(text[1], text[0]);
        EXPECT_EQ(activity[1], activity[0]);
        EXPECT_NE(text[0].find("overflow"), std::string::npos);
    }
    tag.feature_word = 0;
}

TEST_F(AccTest, StatisticsOfTheTag) {
    // The STATS line writes nothing and only adds to the activity sum.
    EXPECT_EQ(run(burst(0x08, 4, kOneAxis), kKey9 | ACT_STATS_LINE), "");
    EXPECT_DOUBLE_EQ(tag.stats.activity_sum, 50.5);
    EXPECT_EQ(run(burst(0x28, 4, xz(true)), kKey9 | ACT_STATS_LINE), "");
    EXPECT_DOUBLE_EQ(tag.stats.activity_sum, 50.5 + std::sqrt(323.0 / 12) / 2);
    tag.stats.activity_sum = 0;
    EXPECT_EQ(run(burst(0x08, 4, kOneAxis), 0x05001007), "");  // key s: variance
    EXPECT_DOUBLE_EQ(tag.stats.activity_sum, 2550.25);
    run(burst(0x08, 4, kOneAxis, 2, 0, kT + 100), kKey1);
    // Records before 2014-01-01 count, but set no fix time.
    run(burst(0x08, 4, kOneAxis, 1, 0, 215568000), kKey1);
    EXPECT_EQ(acc_stats(), (std::vector<uint64_t>{3 * 63 + 126 + 63, 5, kT, kT + 100}));
}

// Generation-3 bursts go through the same output forms; their family has no
// "ACC," before rows and statistics, no decoder-version column in MOVEBANK
// lines, and statistics lines that ACT_STATS_LINE does not take over.
TEST_F(AccTest, GenerationThreeFamily) {
    const auto r = burst(0x08, 4, kOneAxis);
    auto write = [&](uint32_t action) {
        AccContext ctx = context(action);
        const int32_t n = unpack_burst_samples(r.data(), static_cast<uint32_t>(r.size()), kAccHeaderSize, 1,
                                               AxisInversion{{false, false, false}}, buffers->burst);
        write_burst(BurstLine{BurstFamily::gen3, kT, 0.0, "X", 1, n, 10.0, 42}, ctx);
        return take_all();
    };
    for (uint32_t action :
         {kKeyM, kKey1, kKey6 | kSeconds, kKey6 | kSecondsSub, kKey9 | kNoTime | ACT_STATS_LINE, kKeyH}) {
        got.emplace_back("action " + std::to_string(action), write(action));
    }
    EXPECT_EQ(tag.stats.activity_sum, 0.0);
    testing::expect_sections("records/expected/acc_burst_gen3.txt", got);
}

using testing::imu_fine_time;

constexpr uint32_t kHalf = 16384;  // half a second in fine-time units

// One-unit NEWACC burst, 10 samples per axis: X 201/100, Y 2048, Z 7/4.
std::vector<uint8_t> newacc(uint32_t fine_time = imu_fine_time(kT, kHalf), uint8_t start_offset = 0,
                            uint32_t seed = kTag) {
    std::vector<uint16_t> s;
    for (uint16_t j = 0; j < 10; ++j) {
        s.insert(s.end(),
                 {static_cast<uint16_t>(j % 2 == 0 ? 201 : 100), 2048, static_cast<uint16_t>(j % 2 == 0 ? 7 : 4)});
    }
    return testing::make_newacc({.time = kT, .fine_time = fine_time, .start_offset = start_offset, .samples = s}, seed);
}

// One-unit QUATCMP record: four entries, temperature 0x1980 (25.50 degree);
// the second entry carries the -32768 marker over non-zero x, y, z bytes.
std::vector<uint8_t> quatcmp(uint8_t flags = 0, uint32_t fine_time = imu_fine_time(kT, kHalf),
                             uint8_t start_offset = 0) {
    return testing::make_quatcmp({.time = kT,
                                  .fine_time = fine_time,
                                  .flags = flags,
                                  .start_offset = start_offset,
                                  .temperature_raw = 0x1980,
                                  .entries = {{1000, 10, -20, 30, 200, 100, 300},
                                              {-32768, 5, 6, 7, -2, -1, -3},
                                              {-1, -128, -128, -128, -32768, 32767, 0},
                                              {32767, 127, 127, 127, 0, 0, -32768}}},
                                 kTag);
}

TEST(ImuChecksum, EveryByteCounts) {
    std::mt19937 gen(5);
    for (uint8_t units : {1, 3}) {
        const auto r = testing::make_newacc({.time = static_cast<uint32_t>(gen()),
                                             .fine_time = static_cast<uint32_t>(gen()),
                                             .flags = static_cast<uint8_t>(gen()),
                                             .samples = random_samples(gen, units * 30u),
                                             .units = units},
                                            kTag);
        const auto len = static_cast<uint32_t>(r.size());
        ASSERT_EQ(check_imu_record(r.data(), len, kTag), RecordCheck::ok);
        EXPECT_EQ(check_imu_record(r.data(), len, kTag + 1), RecordCheck::bad_checksum);
        EXPECT_EQ(check_imu_record(r.data(), len, kTag + 0x100), RecordCheck::bad_checksum);
        for (size_t i = 0; i < r.size(); ++i) {
            if (i == 12) {
                continue;
            }
            std::vector<uint8_t> bad = r;
            bad[i] = static_cast<uint8_t>(bad[i] + 1);
            EXPECT_EQ(check_imu_record(bad.data(), len, kTag), RecordCheck::bad_checksum) << "byte " << i;
        }
        EXPECT_EQ(check_imu_record(r.data(), len - 1, kTag), RecordCheck::bad_length);
    }
}

// The burst time at 50 Hz with a start offset of 10 periods (6553.6 fine-time
// units, truncated), and a 131072 s later one at 20 Hz: only the seconds
// modulo 131072 are compared (the window of 20 s and the offset at 20 Hz show
// in ImuOutputForms). QUATCMP rates of the flags, entries of one and two
// units, the -32768 marker over non-zero x, y, z and the temperature.
TEST(ImuRecord, TimesRatesAndEntries) {
    testing::Sections got;
    for (const ImuTime& t : {imu_burst_time(kT, imu_fine_time(kT, kHalf), 10, 50.0),
                             imu_burst_time(kT + 131072, imu_fine_time(kT, 0), 0, 20.0)}) {
        got.emplace_back(line("time %zu", got.size()),
                         line("valid %d coarse 0x%08X seconds %u us %.17g", t.valid, t.coarse_units, t.seconds, t.us));
    }
    for (int flags : {0x00, 0x05, 0x80, 0x82, 0x7F}) {
        got.emplace_back(line("QUATCMP rate of flags 0x%02X", flags),
                         line("%.17g", quatcmp_rate(static_cast<uint8_t>(flags))));
    }
    const std::vector<uint8_t> r = quatcmp();
    const QuatEntry e = read_quat_entry(r.data(), 1);
    got.emplace_back("QUATCMP record", line("entries %u and %u, marked %d %d %d %d %d %d, temperature %d",
                                            quatcmp_entry_count(63), quatcmp_entry_count(126), e.w, e.x, e.y, e.z,
                                            e.mag_x, e.mag_y, quatcmp_temperature_raw(r.data())));
    testing::expect_sections("records/expected/imu_values.txt", got);
}

// Every output form of NEWACC and QUATCMP records; samples are written with X
// and Z turned unless both sensors sit on the bottom side.
TEST_F(AccTest, ImuOutputForms) {
    const auto r = newacc();
    tag.gps_record_counter = 9;
    for (uint32_t action : {kKey1, kKeyM, kKey6 | ACT_ACC_NO_TIME, kKey8, kKey6, kKey6 | ACT_ACC_SUBSECONDS,
                            kKey6 | ACT_ACC_JUST_SECONDS, kKey9 | ACT_ACC_NO_TIME, kKey9, kKeyH, kKeyI}) {
        got.emplace_back("NEWACC " + std::to_string(action), run_newacc(r, action));
    }
    tag.feature_word = kBottom;
    got.emplace_back("NEWACC bottom 1", run_newacc(r, kKey1));
    tag.feature_word = 0;
    got.emplace_back("NEWACC 20 s later", run_newacc(newacc(imu_fine_time(kT + 20, 0)), kKey1));
    got.emplace_back("NEWACC 20 s earlier", run_newacc(newacc(imu_fine_time(kT - 20, 0)), kKey1));
    got.emplace_back("NEWACC start offset 10", run_newacc(newacc(imu_fine_time(kT, 8192), 10), kKey1));
    got.emplace_back("NEWACC 21 s later", run_newacc(newacc(imu_fine_time(kT + 21, 0)), kKey1));
    got.emplace_back("NEWACC 21 s earlier", run_newacc(newacc(imu_fine_time(kT - 21, 0)), kKey1));

    got.emplace_back("QUATCMP 1", run_quatcmp(quatcmp(), kKey1));
    got.emplace_back("QUATCMP m", run_quatcmp(quatcmp(), kKeyM));
    tag.feature_word = kBottom;
    got.emplace_back("QUATCMP bottom 1 seconds", run_quatcmp(quatcmp(), kKey1 | ACT_ACC_JUST_SECONDS));
    got.emplace_back("QUATCMP bottom m", run_quatcmp(quatcmp(), kKeyM));
    tag.feature_word = 0;
    // The error flag 0x80 does not stop the record.
    for (const auto& [flags, offset] :
         std::initializer_list<std::pair<uint8_t, uint8_t>>{{0x05, 0}, {0x80, 0}, {0x02, 10}, {0x07, 0}}) {
        got.emplace_back("QUATCMP m flags " + std::to_string(flags) + " offset " + std::to_string(offset),
                         run_quatcmp(quatcmp(flags, imu_fine_time(kT, kHalf), offset), kKeyM));
    }
    auto bad = quatcmp();
    bad[20] ^= 1;
    got.emplace_back("QUATCMP bad checksum", run_quatcmp(bad, kKey1));
    got.emplace_back("QUATCMP 21 s later", run_quatcmp(quatcmp(0, imu_fine_time(kT + 21, 0)), kKey1));
    testing::expect_sections("records/expected/imu.txt", got);
}

TEST_F(AccTest, NewaccStatistics) {
    // The STATS line: a quarter of the mean deviation.
    EXPECT_EQ(run_newacc(newacc(), kKey9 | ACT_STATS_LINE), "");
    EXPECT_DOUBLE_EQ(tag.stats.activity_sum, (50.5 + 0.0 + 1.5) / 3 * 0.25);
    // Bursts out of the time window count all the same; fix times come only
    // from the accepted ones.
    run_newacc(newacc(imu_fine_time(kT + 20, 0)), kKey1);
    run_newacc(newacc(imu_fine_time(kT, 8192), 10), kKey1);
    run_newacc(newacc(imu_fine_time(kT + 21, 0)), kKey1);
    EXPECT_EQ(acc_stats(), (std::vector<uint64_t>{4 * 63, 4, kT, kT - 1}));
}

TEST_F(AccTest, QuatcmpStatistics) {
    run_quatcmp(quatcmp(), kKey1);
    EXPECT_EQ(tag.stats.first_fix_time, kT);
    // Written only without columns and spectra; counted always, even with a
    // bad checksum.
    for (uint32_t action : {kKey6, kKey9, kKeyH, kKeyI, ACT_GPS, 0u}) {
        EXPECT_EQ(run_quatcmp(quatcmp(), action), "") << action;
    }
    auto bad = quatcmp();
    bad[20] ^= 1;
    run_quatcmp(bad, kKey1);
    EXPECT_EQ(tag.stats.quatcmp_bytes, 8u * 63);
}

// Rejected records write nothing and leave the statistics alone; software-9
// bursts are written but never counted, not even by the STATS line.
TEST_F(AccTest, RejectedAndSoftwareNineRecordsLeaveTheStatistics) {
    const auto seeded = burst(0x08, 4, kOneAxis, 1, 1);
    const auto plain = burst(0x08, 4, kOneAxis);
    auto truncated = plain;
    truncated.resize(62);
    EXPECT_EQ(run(seeded, kKey1, 0), "");
    EXPECT_EQ(run(plain, kKey1, 1), "");
    EXPECT_EQ(run(truncated, kKey1), "");
    EXPECT_EQ(run(plain, ACT_GPS | ACT_MOVEBANK), "");
    EXPECT_EQ(run_v9(seeded, kKey1), "");  // software 9 never seeds
    EXPECT_EQ(run_newacc(newacc(imu_fine_time(kT, kHalf), 0, kTag + 1), kKey1), "");
    EXPECT_EQ(run_newacc(newacc(), ACT_GPS), "");
    EXPECT_EQ(run_v9(plain, kKey9 | kNoTime | ACT_STATS_LINE), "150,50.500000,100,201\n");
    EXPECT_EQ(tag.stats.activity_sum, 0.0);
    EXPECT_EQ(acc_stats(), (std::vector<uint64_t>{0, 0, 0, 0}));
    EXPECT_NE(run(seeded, kKey1, 1), "");
    EXPECT_NE(run(plain, kKey1, 0), "");
}

}  // namespace
}  // namespace dec
