#include "records/acc_record.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <random>
#include <string>
#include <vector>

#include "testsupport/record_builders.h"

namespace dec {
namespace {

std::string two_decimals(double v) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.2f", v);
    return buf;
}

TEST(BurstAxes, LettersInXyzOrderAndAtLeastOneAxis) {
    struct Case {
        uint8_t bits;
        const char* letters;
        int count;
    };
    const Case cases[] = {
        {0x08, "X", 1},   {0x10, "Y", 1},  {0x20, "Z", 1},   {0x28, "XZ", 2},
        {0x30, "YZ", 2},  {0x38, "XYZ", 3}, {0xFF, "XYZ", 3}, {0x00, "", 1},
        {0xC7, "", 1},  // no axis bit among other bits: one unnamed axis
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bits);
        const BurstAxes a = burst_axes(c.bits);
        EXPECT_STREQ(a.letters, c.letters);
        EXPECT_EQ(a.count, c.count);
    }
}

// A burst of random samples packed from byte 9, as the tag writes it.
std::vector<uint8_t> random_burst(std::mt19937& gen, uint8_t units, int variant = 0, uint32_t tag = 0) {
    std::vector<uint16_t> samples((63u * units - 9) / 3 * 2);
    for (uint16_t& v : samples) {
        v = static_cast<uint16_t>(gen() & 0xFFF);
    }
    return testing::make_acc_burst({static_cast<uint32_t>(gen()), static_cast<uint8_t>(gen()),
                                    static_cast<uint8_t>(gen()), samples, units},
                                   variant, tag);
}

TEST(AccBurstChecksum, MatchesTheInPlaceSumOfTheTag) {
    std::mt19937 gen(7);
    for (int round = 0; round < 50; ++round) {
        const auto units = static_cast<uint8_t>(1 + round % 5);
        const auto tag = static_cast<uint16_t>(gen());
        const std::vector<uint8_t> plain = random_burst(gen, units);
        const std::vector<uint8_t> seeded = random_burst(gen, units, 1, tag);
        EXPECT_EQ(check_acc_burst(plain.data(), static_cast<uint32_t>(plain.size()), 0), RecordCheck::ok);
        EXPECT_EQ(check_acc_burst(seeded.data(), static_cast<uint32_t>(seeded.size()), tag), RecordCheck::ok);
    }
}

TEST(AccBurstChecksum, VariantsDifferBy0x7AForTag0x1234) {
    // The seed 0x34 is added once and doubled at byte 6, and byte 7 counts 0x12.
    std::mt19937 gen(11);
    std::vector<uint8_t> r = random_burst(gen, 2);
    const auto len = static_cast<uint32_t>(r.size());
    const uint8_t v0 = acc_burst_sum(r.data(), len, 0);
    const uint8_t v1 = acc_burst_sum(r.data(), len, 0x1234);
    EXPECT_EQ(static_cast<uint8_t>(v1 - v0), 0x7A);
    EXPECT_EQ(check_acc_burst(r.data(), len, 0), RecordCheck::ok);
    EXPECT_EQ(check_acc_burst(r.data(), len, 0x1234), RecordCheck::bad_checksum);
    r[6] = v1;
    EXPECT_EQ(check_acc_burst(r.data(), len, 0x1234), RecordCheck::ok);
    EXPECT_EQ(check_acc_burst(r.data(), len, 0), RecordCheck::bad_checksum);
}

TEST(AccBurstChecksum, LengthMustBe63TimesTheUnitCount) {
    std::mt19937 gen(3);
    std::vector<uint8_t> r = random_burst(gen, 2);
    EXPECT_EQ(check_acc_burst(r.data(), 126, 0), RecordCheck::ok);
    EXPECT_EQ(check_acc_burst(r.data(), 63, 0), RecordCheck::bad_length);
    EXPECT_EQ(check_acc_burst(r.data(), 125, 0), RecordCheck::bad_length);
    EXPECT_EQ(check_acc_burst(r.data(), 0, 0), RecordCheck::bad_length);
    r[7] = 0;
    EXPECT_EQ(check_acc_burst(r.data(), 0, 0), RecordCheck::bad_length);
    // 31 units never reach a decoder: the loop abandons them.
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

class UnpackTest : public ::testing::Test {
protected:
    BurstSamples burst;
    const AxisInversion none{{false, false, false}};
};

TEST_F(UnpackTest, GroupBitLayout) {
    // 0x34 0x12 0xAB: 0x234 and 0x1AB.
    std::vector<uint8_t> r(63, 0);
    const uint8_t groups[] = {0x34, 0x12, 0xAB, 0xFF, 0xFF, 0xFF};
    std::copy(std::begin(groups), std::end(groups), r.begin() + 9);
    EXPECT_EQ(unpack_burst_samples(r.data(), 63, 9, 1, none, burst), 36);
    EXPECT_EQ(std::vector<int>(burst.samples[0], burst.samples[0] + 4), (std::vector<int>{0x234, 0x1AB, 4095, 4095}));
}

// Every sample lands on its axis in turn (x, y, z, x, ...) whatever the
// number of groups, axes and inversions: checked against the sample sequence
// written into the record.
TEST_F(UnpackTest, SamplesTakeTheAxesInTurnForEveryLength) {
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
            const int32_t cycles = unpack_burst_samples(rec.data(), length, 9, axes, inv, burst);
            ASSERT_EQ(cycles, static_cast<int32_t>(seq.size()) / axes) << length;
            for (size_t i = 0; i < seq.size(); ++i) {
                const size_t a = i % static_cast<size_t>(axes);
                const int expected = inv.invert[a] ? 4095 - seq[i] : seq[i];
                ASSERT_EQ(burst.samples[a][i / static_cast<size_t>(axes)], expected)
                    << "axes " << int{axes} << " length " << length << " sample " << i;
            }
            for (int a = 0; a < axes; ++a) {
                const size_t got = seq.size() / static_cast<size_t>(axes) +
                                   (static_cast<size_t>(a) < seq.size() % static_cast<size_t>(axes) ? 1 : 0);
                ASSERT_EQ(burst.count[a], static_cast<int32_t>(got));
            }
        }
    }
}

TEST(AccInversion, ByAxisLetter) {
    // An MMA8452 turns X, a GPSACCGSMV2 board turns X and Z; both together
    // cancel on X. Letters, not positions, decide: the second axis of "XZ" is Z.
    const AxisInversion xz = acc_inversion(burst_axes(0x28), false, true);
    const AxisInversion xyz = acc_inversion(burst_axes(0x38), true, true);
    EXPECT_EQ((std::array{xz.invert[0], xz.invert[1], xyz.invert[0], xyz.invert[1], xyz.invert[2]}),
              (std::array{true, true, false, false, true}));
    EXPECT_FALSE(acc_inversion(burst_axes(0x10), true, true).invert[0]);
    EXPECT_FALSE(acc_inversion(burst_axes(0x00), true, true).invert[0]);
}

TEST(AccRate, SinglePrecisionTableOverTheAxisCount) {
    struct Case {
        uint8_t code;
        int divisor;
        const char* text;
    };
    const Case cases[] = {
        {0, 1, "10.00"}, {1, 3, "5.93"},   {6, 2, "158.12"},  // 316.23f / 2 lies above 158.115
        {9, 1, "1778.28"}, {10, 1, "0.00"}, {11, 1, "0.00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.code);
        EXPECT_EQ(two_decimals(acc_rate_from_code(c.code, c.divisor)), c.text);
    }
    // 17.78 / 3 is divided in single precision, then widened.
    EXPECT_EQ(acc_rate_from_code(1, 3), static_cast<double>(17.78f / 3.0f));
}

TEST(AccRate, Mma8452DividerAndOverflow) {
    struct Case {
        uint8_t byte5;
        double hz;
        bool overflow;
    };
    const Case cases[] = {{1, 100.0, false}, {5, 20.0, false},   {127, 100.0 / 127, false},
                          {0, 0.0, false},   {0x80, 0.0, true}, {0x85, 0.0, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.byte5);
        const MmaRate r = mma8452_rate(c.byte5);
        EXPECT_DOUBLE_EQ(r.hz, c.hz);
        EXPECT_EQ(r.overflow, c.overflow);
    }
}

TEST(AccRate, SoftwareNineTagsWithPerAxisRateCodes) {
    for (uint32_t tag : {2426u, 2440u, 2461u, 3013u, 3380u, 3392u, 4075u, 4092u}) {
        EXPECT_TRUE(acc_v9_rate_per_axis(tag)) << tag;
    }
    for (uint32_t tag : {2425u, 2462u, 3012u, 3014u, 3379u, 3393u, 4074u, 4093u, 0u}) {
        EXPECT_FALSE(acc_v9_rate_per_axis(tag)) << tag;
    }
}

}  // namespace
}  // namespace dec
