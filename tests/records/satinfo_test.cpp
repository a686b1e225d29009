#include "records/satinfo.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "testsupport/capture.h"
#include "testsupport/record_builders.h"

namespace dec {
namespace {

using Channel = testing::SatChannelFields;

// A report of exactly `length` bytes (a heap block of that size, so that an
// address sanitizer sees any read past it), announcing `claimed` channels.
std::vector<uint8_t> report(const std::vector<Channel>& channels, uint8_t claimed, size_t length) {
    std::vector<uint8_t> r = testing::make_satellite_report(123456789, channels);
    r.resize(length);
    r[4] = claimed;
    return r;
}

std::string print(const std::vector<uint8_t>& r) {
    return testing::capture([&](OutStream& o) { print_satellite_report(r.data(), static_cast<uint32_t>(r.size()), o); });
}

TEST(SatelliteReport, ThreeSatellites) {
    // Quality 7 with orbit; quality 3 (upper bits ignored) without a ratio;
    // a negative azimuth; unlisted channels in between are skipped.
    const std::vector<Channel> ch = {
        {0, 5, 0x04, 0x07, 40, 45, 180},
        {0, 7, 0x00, 0x07, 44, 10, 10},   // no orbit information
        {0, 12, 0x0D, 0x13, 30, -3, 270},
        {0, 8, 0x04, 0x01, 20, 5, 5},     // quality too low
        {0, 29, 0x04, 0x04, 33, 10, -5},
    };
    const auto r = report(ch, 5, 63 * 2);
    EXPECT_EQ(print(r), "$GPGSV,1,1,3,5,45,180,40,12,-3,270,,29,10,-5,33*93\n");
}

TEST(SatelliteReport, FiveSatellitesMakeTwoSentences) {
    const std::vector<Channel> ch = {
        {0, 1, 0x04, 5, 20, 10, 100}, {0, 2, 0x04, 2, 99, 20, 200}, {0, 3, 0x04, 15, 30, -30, 300},
        {0, 4, 0x04, 4, 40, 40, -40}, {0, 5, 0x04, 6, 50, 90, 359},
    };
    const auto r = report(ch, 5, 63 * 2);
    EXPECT_EQ(print(r),
              "$GPGSV,2,1,5,1,10,100,20,2,20,200,,3,-30,300,30,4,40,-40,40*90\n"
              "$GPGSV,2,2,5,5,90,359,50*110\n");
}

TEST(SatelliteReport, CountLargerThanTheRecordHolds) {
    // One unit holds four whole channels; the report claims ten (and the
    // loop's own completeness test would never have passed it on).
    const std::vector<Channel> ch = {
        {0, 1, 0x04, 4, 1, 1, 1}, {0, 2, 0x04, 4, 2, 2, 2}, {0, 3, 0x04, 4, 3, 3, 3}, {0, 4, 0x04, 4, 4, 4, 4},
    };
    auto r = report(ch, 10, 63);
    // The bytes of a fifth channel would start at 56 and run past the end.
    std::fill(r.begin() + 56, r.end(), 0x04);
    EXPECT_EQ(satellite_channel_count(r.data(), 63), 4u);
    EXPECT_EQ(print(r), "$GPGSV,1,1,4,1,1,1,1,2,2,2,2,3,3,3,3,4,4,4,4*105\n");
    // The count byte itself lies beyond a record shorter than the header.
    EXPECT_EQ(satellite_channel_count(r.data(), 7), 0u);
    EXPECT_EQ(satellite_channel_count(r.data(), 0), 0u);
    const std::vector<uint8_t> tiny(r.begin(), r.begin() + 4);
    EXPECT_EQ(print(tiny), "");
}

TEST(SatelliteReport, NothingListedWritesNothing) {
    EXPECT_EQ(print(report({{0, 1, 0x04, 7, 40, 1, 1}}, 0, 63)), "");  // N = 0
    EXPECT_EQ(print(report({{0, 1, 0x00, 7, 40, 1, 1}, {0, 2, 0x04, 1, 40, 1, 1}}, 2, 63)), "");
}

TEST(SatelliteReport, Completeness) {
    const auto three = report({}, 3, 63);
    EXPECT_TRUE(satellite_report_complete(three.data(), 44));
    EXPECT_FALSE(satellite_report_complete(three.data(), 43));
    const auto many = report({}, 156, 1890);  // 8 + 12 * 156 = 1880
    EXPECT_FALSE(satellite_report_complete(many.data(), 1827));
    EXPECT_TRUE(satellite_report_complete(many.data(), 1890));
    EXPECT_FALSE(satellite_report_complete(many.data(), 4));
}

TEST(SatelliteReport, ChecksumIncludesTheDollar) {
    EXPECT_EQ(sentence_checksum("$", 1), 0x24);
    EXPECT_EQ(sentence_checksum("$G", 2), 0x24 ^ 'G');
    EXPECT_EQ(sentence_checksum("", 0), 0);
}

TEST(SatelliteReport, MostChannelsAUnitPayloadHolds) {
    // 30 units: 156 channels, every one listed, give 39 sentences.
    auto r = report(std::vector<Channel>(155, Channel{0, 200, 0x04, 7, 255, -90, -180}), 156, 1890);
    std::copy_n(r.begin() + 8, 12, r.begin() + 8 + 12 * 155);  // the builder stops at 155
    const std::string s = print(r);
    EXPECT_EQ(std::count(s.begin(), s.end(), '\n'), 39);
    EXPECT_EQ(s.substr(0, 16), "$GPGSV,39,1,156,");
    EXPECT_NE(s.find("$GPGSV,39,39,156,200,-90,-180,255,"), std::string::npos);
}

}  // namespace
}  // namespace dec
