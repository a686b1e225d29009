#include "records/imu.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "common/action.h"
#include "common/le.h"
#include "records/fletcher32.h"
#include "records/imu_record.h"
#include "acc_harness.h"

namespace dec {
namespace {

using namespace acc_test;

constexpr uint32_t kHalf = 16384;  // half a second in fine-time units

// Fine time `seconds` and `fraction` (1/32768 s), as the tag stores it.
uint32_t fine(uint32_t seconds, uint32_t fraction) { return seconds * 32768u + fraction; }

// The tag software's two sums, done literally: in place, with the running sums
// stored into bytes 10 and 11 after every byte.
void seal(std::vector<uint8_t>& r, uint16_t seed) {
    std::vector<uint8_t> c = r;
    c[10] = static_cast<uint8_t>(seed);
    c[11] = static_cast<uint8_t>(seed >> 8);
    uint8_t s1 = c[10];
    uint8_t s2 = c[11];
    for (size_t i = 0; i < c.size(); ++i) {
        s1 = static_cast<uint8_t>(s1 + c[i]);
        c[10] = s1;
        s2 = static_cast<uint8_t>(s2 + s1);
        c[11] = s2;
    }
    r[10] = s1;
    r[11] = s2;
}

std::vector<uint8_t> imu_header(size_t units, uint32_t coarse, uint32_t fine_time, uint8_t flags,
                                uint8_t start_offset) {
    std::vector<uint8_t> r(63 * units, 0);
    put_le32(r.data(), 0, coarse);
    put_le32(r.data(), 4, fine_time);
    r[9] = flags;
    r[12] = static_cast<uint8_t>(units);
    r[13] = start_offset;
    return r;
}

// One-unit NEWACC burst, 10 samples per axis: X 201/100, Y 2048, Z 7/4.
std::vector<uint8_t> newacc(uint32_t coarse = kT, uint32_t fine_time = fine(kT, kHalf), uint8_t start_offset = 0,
                            uint16_t seed = kTag) {
    std::vector<uint8_t> r = imu_header(1, coarse, fine_time, 0, start_offset);
    for (size_t j = 0; j < 10; ++j) {
        const uint16_t x = (j % 2) == 0 ? 201 : 100;
        const uint16_t z = (j % 2) == 0 ? 7 : 4;
        const uint16_t s[3] = {x, 2048, z};
        for (size_t a = 0; a < 3; ++a) {
            const size_t i = j * 3 + a;
            const size_t p = 18 + i / 2 * 3;
            if (i % 2 == 0) {
                r[p] = static_cast<uint8_t>(s[a]);
                r[p + 1] = static_cast<uint8_t>(r[p + 1] | ((s[a] >> 8) & 0x0F));
            } else {
                r[p + 1] = static_cast<uint8_t>(r[p + 1] | ((s[a] >> 8) << 4));
                r[p + 2] = static_cast<uint8_t>(s[a]);
            }
        }
    }
    seal(r, seed);
    return r;
}

struct Entry {
    int16_t w;
    int8_t x, y, z;
    int16_t my, mx, mz;
};

void put_entry(std::vector<uint8_t>& r, size_t i, const Entry& e) {
    const size_t o = 16 + 11 * i;
    put_le16(r.data(), o, static_cast<uint16_t>(e.w));
    r[o + 2] = static_cast<uint8_t>(e.x);
    r[o + 3] = static_cast<uint8_t>(e.y);
    r[o + 4] = static_cast<uint8_t>(e.z);
    put_le16(r.data(), o + 5, static_cast<uint16_t>(e.my));
    put_le16(r.data(), o + 7, static_cast<uint16_t>(e.mx));
    put_le16(r.data(), o + 9, static_cast<uint16_t>(e.mz));
}

// One-unit QUATCMP record: four entries, temperature 0x1980 (25.50 degree);
// the second entry carries the -32768 marker over non-zero x, y, z bytes.
std::vector<uint8_t> quatcmp(uint8_t flags = 0, uint32_t fine_time = fine(kT, kHalf), uint8_t start_offset = 0) {
    std::vector<uint8_t> r = imu_header(1, kT, fine_time, flags, start_offset);
    r[14] = 0x80;
    r[15] = 0x19;
    put_entry(r, 0, {1000, 10, -20, 30, 100, 200, 300});
    put_entry(r, 1, {-32768, 5, 6, 7, -1, -2, -3});
    put_entry(r, 2, {-1, -128, -128, -128, 32767, -32768, 0});
    put_entry(r, 3, {32767, 127, 127, 127, 0, 0, -32768});
    r[60] = r[61] = r[62] = 0xEE;  // three bytes too few for a fifth entry
    seal(r, kTag);
    return r;
}

std::string key_of(const std::vector<uint8_t>& r) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%010u", fletcher32(r.data(), static_cast<int32_t>(r.size())));
    return buf;
}

TEST(ImuChecksum, EveryByteCounts) {
    std::mt19937 gen(5);
    for (size_t units : {1u, 3u}) {
        std::vector<uint8_t> r(63 * units);
        for (uint8_t& b : r) {
            b = static_cast<uint8_t>(gen());
        }
        r[12] = static_cast<uint8_t>(units);
        seal(r, kTag);
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

TEST(ImuTime, WindowAndStartOffset) {
    struct Case {
        const char* legend;
        uint32_t fine_time;
        uint8_t start_offset;
        double rate;
        bool valid;
        uint32_t seconds;
        double us;
    };
    const Case cases[] = {
        {"half second", fine(kT, kHalf), 0, 20.0, true, kT, 500000.0},
        {"20 s later", fine(kT + 20, 0), 0, 20.0, true, kT + 20, 0.0},
        {"20 s earlier", fine(kT - 20, 0), 0, 20.0, true, kT - 20, 0.0},
        {"21 s later", fine(kT + 21, 0), 0, 20.0, false, 0, 0.0},
        {"21 s earlier", fine(kT - 21, 0), 0, 20.0, false, 0, 0.0},
        // 10 periods at 20 Hz are half a second: back across a second.
        {"offset 10", fine(kT, 8192), 10, 20.0, true, kT - 1, 750000.0},
        // 10 periods at 50 Hz: 6553.6 units, truncated.
        {"offset at 50 Hz", fine(kT, kHalf), 10, 50.0, true, kT, 300018.3125},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.legend);
        const ImuTime t = imu_burst_time(kT, c.fine_time, c.start_offset, c.rate);
        EXPECT_EQ(t.valid, c.valid);
        EXPECT_EQ(t.coarse_units, 0x1E080000u);
        if (c.valid) {
            EXPECT_EQ(t.seconds, c.seconds);
            EXPECT_DOUBLE_EQ(t.us, c.us);
        }
    }
    // Only the seconds modulo 131072 are compared.
    const ImuTime wrapped = imu_burst_time(kT + 131072, fine(kT, 0), 0, 20.0);
    EXPECT_TRUE(wrapped.valid);
    EXPECT_EQ(wrapped.seconds, kT + 131072);
}

TEST(QuatcmpRecord, RateEntriesAndMarker) {
    EXPECT_DOUBLE_EQ(quatcmp_rate(0x00), 20.0);
    EXPECT_DOUBLE_EQ(quatcmp_rate(0x05), 20.0);
    EXPECT_DOUBLE_EQ(quatcmp_rate(0x80), 20.0);
    EXPECT_DOUBLE_EQ(quatcmp_rate(0x82), 50.0);
    EXPECT_DOUBLE_EQ(quatcmp_rate(0x7F), 100.0 / 127);
    EXPECT_EQ(quatcmp_entry_count(63), 4u);
    EXPECT_EQ(quatcmp_entry_count(126), 10u);
    const std::vector<uint8_t> r = quatcmp();
    const QuatEntry marked = read_quat_entry(r.data(), 1);
    EXPECT_EQ(marked.w, -32768);
    EXPECT_EQ(marked.x, 0);
    EXPECT_EQ(marked.y, 0);
    EXPECT_EQ(marked.z, 0);
    EXPECT_EQ(marked.mag_x, -2);
    EXPECT_EQ(marked.mag_y, -1);
    EXPECT_EQ(quatcmp_temperature_raw(r.data()), 6528);
}

class ImuTest : public acc_test::AccHarness {
protected:
    std::string run_newacc(const std::vector<uint8_t>& r, uint32_t action) {
        AccContext ctx = context(action);
        decode_newacc(r.data(), static_cast<uint32_t>(r.size()), ctx);
        return take(acc, acc_text);
    }
    void run_quatcmp(const std::vector<uint8_t>& r, uint32_t action) {
        AccContext ctx = context(action);
        decode_quatcmp(r.data(), static_cast<uint32_t>(r.size()), ctx);
        quat.flush();
        mag.flush();
        info.flush();
    }
};

// Samples as written without FEATURE_BOTHSENSORSBOTTOMSIDE: X and Z turned.
const std::string kRowEven = "3894,2048,4088";
const std::string kRowOdd = "3995,2048,4091";
const std::string kStart = "4084,9.5.2018,We,01:00:00.5000,";

TEST_F(ImuTest, NewaccSampleLineAndMovebank) {
    const auto r = newacc();
    EXPECT_EQ(run_newacc(r, kKey1), "ACCN," + kStart + repeat(kRowEven + "," + kRowOdd + ",", 4) + kRowEven +
                                        "," + kRowOdd + "\n");
    EXPECT_EQ(run_newacc(r, kKeyM), "21," + key_of(r) + ",4660,2018-05-09 01:00:00.500,20.00,XYZ," +
                                        repeat("3894 2048 4088 3995 2048 4091 ", 4) +
                                        "3894 2048 4088 3995 2048 4091\n");
    tag.feature_word = kBottom;
    EXPECT_EQ(run_newacc(r, kKey1), "ACCN," + kStart + repeat("201,2048,7,100,2048,4,", 4) + "201,2048,7,100,2048,4\n");
}

TEST_F(ImuTest, NewaccRowsAlwaysCarrySubSeconds) {
    const auto r = newacc();
    std::string full, secs;
    for (int j = 0; j < 10; ++j) {
        // 20 Hz from half a second on: 50 000 us per row.
        const std::string values = ((j % 2) == 0 ? kRowEven : kRowOdd) + "\n";
        const std::string fraction = std::to_string(5000 + 500 * j);
        full += "ACCN,4084,9.5.2018,We,01:00:00." + fraction + "," + values;
        secs += "ACCN,352861200." + fraction + "," + values;
    }
    tag.gps_record_counter = 9;
    EXPECT_EQ(run_newacc(r, kKey6 | ACT_ACC_NO_TIME), repeat("ACCN," + kRowEven + "\nACCN," + kRowOdd + "\n", 5));
    EXPECT_EQ(run_newacc(r, kKey8), repeat("ACCN,9," + kRowEven + "\nACCN,9," + kRowOdd + "\n", 5));
    EXPECT_EQ(run_newacc(r, kKey6), full);
    EXPECT_EQ(run_newacc(r, kKey6 | ACT_ACC_SUBSECONDS), full);
    EXPECT_EQ(run_newacc(r, kKey6 | ACT_ACC_JUST_SECONDS), secs);
}

TEST_F(ImuTest, NewaccStatisticsAndSpectra) {
    const auto r = newacc();
    const std::string stats = "3944,2048,4089,50.500000,0.000000,1.500000,3894,2048,4088,3995,2048,4091\n";
    EXPECT_EQ(run_newacc(r, kKey9 | ACT_ACC_NO_TIME), "ACCN," + stats);
    EXPECT_EQ(run_newacc(r, kKey9), "ACCN," + kStart + stats);
    EXPECT_EQ(run_newacc(r, kKeyH), "ACCNFX," + kStart + "3944,0,0,0,0,50\nACCNFY," + kStart +
                                        "2048,0,0,0,0,0\nACCNFZ," + kStart + "4089,0,0,0,0,1\n");
    EXPECT_EQ(run_newacc(r, kKeyI),
              "ACCNF," + kStart + "XYZ,6,50.500,0.000,1.500,3944,0,0,0,0,50,2048,0,0,0,0,0,4089,0,0,0,0,1\n");
    // The STATS line: a quarter of the mean deviation.
    EXPECT_EQ(run_newacc(r, kKey9 | ACT_STATS_LINE), "");
    EXPECT_DOUBLE_EQ(tag.stats.activity_sum, (50.5 + 0.0 + 1.5) / 3 * 0.25);
}

TEST_F(ImuTest, NewaccTimeWindow) {
    EXPECT_EQ(run_newacc(newacc(kT, fine(kT + 20, 0)), kKey1).substr(0, 35), "ACCN,4084,9.5.2018,We,01:00:20.0000");
    EXPECT_EQ(run_newacc(newacc(kT, fine(kT - 20, 0)), kKey1).substr(0, 35), "ACCN,4084,9.5.2018,We,00:59:40.0000");
    EXPECT_EQ(run_newacc(newacc(kT, fine(kT, 8192), 10), kKey1).substr(0, 35), "ACCN,4084,9.5.2018,We,00:59:59.7500");
    EXPECT_EQ(info_text, "");
    EXPECT_EQ(run_newacc(newacc(kT, fine(kT + 21, 0)), kKey1), "");
    EXPECT_EQ(run_newacc(newacc(kT, fine(kT - 21, 0)), kKey1), "");
    EXPECT_EQ(take(info, info_text), "NEWACC qtime not matching! 0x1E080000 != 0x1E128000\n"
                                     "NEWACC qtime not matching! 0x1E080000 != 0x1DFD8000\n");
    // Counted all the same; fix times only from the accepted ones.
    EXPECT_EQ(tag.stats.acc_bursts, 5u);
    EXPECT_EQ(tag.stats.acc_bytes, 5u * 63);
    EXPECT_EQ(tag.stats.first_fix_time, kT + 20);
    EXPECT_EQ(tag.stats.last_fix_time, kT - 1);
}

TEST_F(ImuTest, NewaccRejected) {
    EXPECT_EQ(run_newacc(newacc(kT, fine(kT, kHalf), 0, kTag + 1), kKey1), "");
    EXPECT_EQ(run_newacc(newacc(), ACT_GPS), "");
    EXPECT_EQ(tag.stats.acc_bursts, 0u);
    EXPECT_EQ(info_text, "");
}

const std::string kQuatValues =
    "1000,-10,-20,-30,-200,100,300,-32768,0,0,0,2,-1,-3,-1,128,-128,128,32768,32767,0,"
    "32767,-127,127,-127,0,0,-32768\n";
const std::string kQuatValuesBottom =
    "1000,-10,-20,-30,200,100,-300,-32768,0,0,0,-2,-1,3,-1,128,-128,128,-32768,32767,0,"
    "32767,-127,127,-127,0,0,32768\n";

TEST_F(ImuTest, QuatcmpLine) {
    run_quatcmp(quatcmp(), kKey1);
    EXPECT_EQ(take(quat, quat_text), "IMU," + kStart + kQuatValues);
    tag.feature_word = kBottom;
    run_quatcmp(quatcmp(), kKey1 | ACT_ACC_JUST_SECONDS);
    EXPECT_EQ(take(quat, quat_text), "IMU,352861200.5000," + kQuatValuesBottom);
    EXPECT_EQ(mag_text, "");
    EXPECT_EQ(tag.stats.quatcmp_bytes, 126u);
    EXPECT_EQ(tag.stats.first_fix_time, kT);
}

TEST_F(ImuTest, QuatcmpMovebank) {
    const auto r = quatcmp();
    const std::string start = "21," + key_of(r) + ",4660,2018-05-09 01:00:00.500,20.00,";
    run_quatcmp(r, kKeyM);
    EXPECT_EQ(take(quat, quat_text), start + "1000 -10 -20 -30 -32768 0 0 0 -1 128 -128 128 32767 -127 127 -127\n");
    EXPECT_EQ(take(mag, mag_text), start + "25.50,-200 100 300 2 -1 -3 32768 32767 0 0 0 -32768\n");
    tag.feature_word = kBottom;
    run_quatcmp(r, kKeyM);
    take(quat, quat_text);
    EXPECT_EQ(take(mag, mag_text), start + "25.50,200 100 -300 -2 -1 3 -32768 32767 0 0 0 32768\n");
}

TEST_F(ImuTest, QuatcmpRateAndStartOffset) {
    struct Case {
        uint8_t flags;
        uint8_t start_offset;
        const char* start;
    };
    const Case cases[] = {
        {0x05, 0, "2018-05-09 01:00:00.500,20.00,"},
        {0x80, 0, "2018-05-09 01:00:00.500,20.00,"},  // error flag: still written
        {0x02, 10, "2018-05-09 01:00:00.300,50.00,"},
        {0x07, 0, "2018-05-09 01:00:00.500,14.29,"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.flags);
        const auto r = quatcmp(c.flags, fine(kT, kHalf), c.start_offset);
        run_quatcmp(r, kKeyM);
        const std::string start = "21," + key_of(r) + ",4660," + c.start;
        EXPECT_EQ(take(quat, quat_text).substr(0, start.size()), start);
        take(mag, mag_text);
    }
    EXPECT_EQ(info_text, "");
}

TEST_F(ImuTest, QuatcmpWrittenOnlyWithoutColumnsAndSpectra) {
    for (uint32_t action : {kKey6, kKey9, kKeyH, kKeyI, ACT_GPS, 0u}) {
        SCOPED_TRACE(action);
        run_quatcmp(quatcmp(), action);
        EXPECT_EQ(quat_text + mag_text + info_text, "");
    }
    EXPECT_EQ(tag.stats.quatcmp_bytes, 6u * 63);
    EXPECT_EQ(tag.stats.first_fix_time, 0u);
}

TEST_F(ImuTest, QuatcmpRejected) {
    auto bad = quatcmp();
    bad[20] ^= 1;
    run_quatcmp(bad, kKey1);
    run_quatcmp(quatcmp(0, fine(kT + 21, 0)), kKey1);
    EXPECT_EQ(quat_text, "");
    EXPECT_EQ(info_text, "QUATCMP qtime not matching! 0x1E080000 != 0x1E128000\n");
    EXPECT_EQ(tag.stats.quatcmp_bytes, 126u);
}

}  // namespace
}  // namespace dec
