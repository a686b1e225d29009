#include "records/imu.h"

#include <gtest/gtest.h>

#include <array>
#include <random>
#include <string>
#include <vector>

#include "common/action.h"
#include "records/imu_record.h"
#include "testsupport/record_builders.h"
#include "acc_harness.h"

namespace dec {
namespace {

using namespace acc_test;
using testing::imu_fine_time;

constexpr uint32_t kHalf = 16384;  // half a second in fine-time units

// One-unit NEWACC burst, 10 samples per axis: X 201/100, Y 2048, Z 7/4.
std::vector<uint8_t> newacc(uint32_t fine_time = imu_fine_time(kT, kHalf), uint8_t start_offset = 0,
                            uint32_t seed = kTag) {
    std::vector<uint16_t> s;
    for (uint16_t j = 0; j < 10; ++j) {
        s.insert(s.end(), {static_cast<uint16_t>(j % 2 == 0 ? 201 : 100), 2048, static_cast<uint16_t>(j % 2 == 0 ? 7 : 4)});
    }
    return testing::make_newacc({.time = kT, .fine_time = fine_time, .start_offset = start_offset, .samples = s}, seed);
}

// One-unit QUATCMP record: four entries, temperature 0x1980 (25.50 degree);
// the second entry carries the -32768 marker over non-zero x, y, z bytes.
std::vector<uint8_t> quatcmp(uint8_t flags = 0, uint32_t fine_time = imu_fine_time(kT, kHalf), uint8_t start_offset = 0) {
    return testing::make_quatcmp({.time = kT, .fine_time = fine_time, .flags = flags, .start_offset = start_offset,
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
        std::vector<uint16_t> samples(units * 30u);
        for (uint16_t& v : samples) {
            v = static_cast<uint16_t>(gen() & 0xFFF);
        }
        const auto r = testing::make_newacc({.time = static_cast<uint32_t>(gen()), .fine_time = static_cast<uint32_t>(gen()),
                                             .flags = static_cast<uint8_t>(gen()), .samples = samples, .units = units},
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

// The window of 20 s and the start offset at 20 Hz show in the sections of
// OutputForms; at 50 Hz the offset is truncated to whole fine-time units.
TEST(ImuTime, StartOffsetAndWrap) {
    const ImuTime t = imu_burst_time(kT, imu_fine_time(kT, kHalf), 10, 50.0);
    EXPECT_TRUE(t.valid);
    EXPECT_EQ(t.coarse_units, 0x1E080000u);
    EXPECT_EQ(t.seconds, kT);
    EXPECT_DOUBLE_EQ(t.us, 300018.3125);  // 10 periods: 6553.6 units
    // Only the seconds modulo 131072 are compared.
    const ImuTime wrapped = imu_burst_time(kT + 131072, imu_fine_time(kT, 0), 0, 20.0);
    EXPECT_TRUE(wrapped.valid);
    EXPECT_EQ(wrapped.seconds, kT + 131072);
}

TEST(QuatcmpRecord, RateEntriesAndMarker) {
    for (const auto& [flags, hz] : {std::pair<uint8_t, double>{0x00, 20.0}, {0x05, 20.0}, {0x80, 20.0}, {0x82, 50.0}, {0x7F, 100.0 / 127}}) {
        EXPECT_DOUBLE_EQ(quatcmp_rate(flags), hz) << int{flags};
    }
    EXPECT_EQ(quatcmp_entry_count(63), 4u);
    EXPECT_EQ(quatcmp_entry_count(126), 10u);
    const std::vector<uint8_t> r = quatcmp();
    const QuatEntry marked = read_quat_entry(r.data(), 1);
    EXPECT_EQ((std::array<int, 6>{marked.w, marked.x, marked.y, marked.z, marked.mag_x, marked.mag_y}),
              (std::array<int, 6>{-32768, 0, 0, 0, -2, -1}));
    EXPECT_EQ(quatcmp_temperature_raw(r.data()), 6528);
}

class ImuTest : public acc_test::AccHarness {
protected:
    std::string run_newacc(const std::vector<uint8_t>& r, uint32_t action) {
        AccContext ctx = context(action);
        decode_newacc(r.data(), static_cast<uint32_t>(r.size()), ctx);
        return take(acc, acc_text) + notes();
    }
    // The quaternion stream, then the magnetic one and the info text.
    std::string run_quatcmp(const std::vector<uint8_t>& r, uint32_t action) {
        AccContext ctx = context(action);
        decode_quatcmp(r.data(), static_cast<uint32_t>(r.size()), ctx);
        const std::string m = take(mag, mag_text);
        return take(quat, quat_text) + (m.empty() ? "" : "-- mag\n" + m) + notes();
    }
};

// Every output form of NEWACC and QUATCMP records; samples are written with X
// and Z turned unless both sensors sit on the bottom side.
TEST_F(ImuTest, OutputForms) {
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
    for (const auto& [flags, offset] : std::initializer_list<std::pair<uint8_t, uint8_t>>{{0x05, 0}, {0x80, 0}, {0x02, 10}, {0x07, 0}}) {
        got.emplace_back("QUATCMP m flags " + std::to_string(flags) + " offset " + std::to_string(offset),
                         run_quatcmp(quatcmp(flags, imu_fine_time(kT, kHalf), offset), kKeyM));
    }
    auto bad = quatcmp();
    bad[20] ^= 1;
    got.emplace_back("QUATCMP bad checksum", run_quatcmp(bad, kKey1));
    got.emplace_back("QUATCMP 21 s later", run_quatcmp(quatcmp(0, imu_fine_time(kT + 21, 0)), kKey1));
    testing::expect_sections("records/expected/imu.txt", got);
}

TEST_F(ImuTest, NewaccStatistics) {
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

TEST_F(ImuTest, NewaccRejected) {
    EXPECT_EQ(run_newacc(newacc(imu_fine_time(kT, kHalf), 0, kTag + 1), kKey1), "");
    EXPECT_EQ(run_newacc(newacc(), ACT_GPS), "");
    EXPECT_EQ(tag.stats.acc_bursts, 0u);
}

TEST_F(ImuTest, QuatcmpStatistics) {
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

}  // namespace
}  // namespace dec
