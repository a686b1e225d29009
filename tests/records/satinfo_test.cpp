#include "records/satinfo.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "common/le.h"

namespace dec {
namespace {

struct Channel {
    uint8_t sv;
    uint8_t flags;
    uint8_t quality;
    uint8_t cno;
    int8_t elev;
    int16_t azim;
};

// A report of exactly `length` bytes (a heap block of that size, so that an
// address sanitizer sees any read past it), announcing `claimed` channels.
std::vector<uint8_t> report(const std::vector<Channel>& channels, uint8_t claimed,
                            size_t length) {
    std::vector<uint8_t> r(length, 0);
    put_le32(r.data(), 0, 123456789);
    r[4] = claimed;
    for (size_t i = 0; i < channels.size(); ++i) {
        const size_t b = 8 + 12 * i;
        if (b + 12 > length) {
            break;
        }
        r[b] = static_cast<uint8_t>(i);
        r[b + 1] = channels[i].sv;
        r[b + 2] = channels[i].flags;
        r[b + 3] = channels[i].quality;
        r[b + 4] = channels[i].cno;
        r[b + 5] = static_cast<uint8_t>(channels[i].elev);
        put_le16(r.data(), b + 6, static_cast<uint16_t>(channels[i].azim));
        put_le32(r.data(), b + 8, 0xFFFFFFFF);
    }
    return r;
}

// Payload sizes are whole units of 63 bytes.
size_t units_for(size_t channels) { return (8 + 12 * channels + 62) / 63 * 63; }

std::string print(const std::vector<uint8_t>& r) {
    std::string s;
    {
        OutStream out(&s);
        print_satellite_report(r.data(), static_cast<uint32_t>(r.size()), out);
    }
    return s;
}

TEST(SatelliteReport, ThreeSatellites) {
    // Quality 7 with orbit; quality 3 (upper bits ignored) without a ratio;
    // a negative azimuth; unlisted channels in between are skipped.
    const std::vector<Channel> ch = {
        {5, 0x04, 0x07, 40, 45, 180},
        {7, 0x00, 0x07, 44, 10, 10},   // no orbit information
        {12, 0x0D, 0x13, 30, -3, 270},
        {8, 0x04, 0x01, 20, 5, 5},     // quality too low
        {29, 0x04, 0x04, 33, 10, -5},
    };
    const auto r = report(ch, 5, units_for(5));
    EXPECT_EQ(print(r), "$GPGSV,1,1,3,5,45,180,40,12,-3,270,,29,10,-5,33*93\n");
}

TEST(SatelliteReport, FiveSatellitesMakeTwoSentences) {
    const std::vector<Channel> ch = {
        {1, 0x04, 5, 20, 10, 100}, {2, 0x04, 2, 99, 20, 200}, {3, 0x04, 15, 30, -30, 300},
        {4, 0x04, 4, 40, 40, -40}, {5, 0x04, 6, 50, 90, 359},
    };
    const auto r = report(ch, 5, units_for(5));
    EXPECT_EQ(print(r),
              "$GPGSV,2,1,5,1,10,100,20,2,20,200,,3,-30,300,30,4,40,-40,40*90\n"
              "$GPGSV,2,2,5,5,90,359,50*110\n");
}

TEST(SatelliteReport, CountLargerThanTheRecordHolds) {
    // One unit holds four whole channels; the report claims ten (and the
    // loop's own completeness test would never have passed it on).
    const std::vector<Channel> ch = {
        {1, 0x04, 4, 1, 1, 1}, {2, 0x04, 4, 2, 2, 2}, {3, 0x04, 4, 3, 3, 3}, {4, 0x04, 4, 4, 4, 4},
    };
    auto r = report(ch, 10, 63);
    // The bytes of a fifth channel would start at 56 and run past the end.
    for (size_t i = 56; i < 63; ++i) {
        r[i] = 0x04;
    }
    EXPECT_EQ(satellite_channel_count(r.data(), 63), 4u);
    EXPECT_EQ(print(r), "$GPGSV,1,1,4,1,1,1,1,2,2,2,2,3,3,3,3,4,4,4,4*105\n");
    // The count byte itself lies beyond a record shorter than the header.
    EXPECT_EQ(satellite_channel_count(r.data(), 7), 0u);
    EXPECT_EQ(satellite_channel_count(r.data(), 0), 0u);
    const std::vector<uint8_t> tiny(r.begin(), r.begin() + 4);
    EXPECT_EQ(print(tiny), "");
}

TEST(SatelliteReport, NothingListedWritesNothing) {
    EXPECT_EQ(print(report({{1, 0x04, 7, 40, 1, 1}}, 0, 63)), "");  // N = 0
    EXPECT_EQ(print(report({{1, 0x00, 7, 40, 1, 1}, {2, 0x04, 1, 40, 1, 1}}, 2, 63)), "");
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
    std::vector<Channel> ch(156, Channel{200, 0x04, 7, 255, -90, -180});
    const auto r = report(ch, 156, 1890);
    const std::string s = print(r);
    size_t lines = 0;
    for (char c : s) {
        lines += c == '\n';
    }
    EXPECT_EQ(lines, 39u);
    EXPECT_EQ(s.substr(0, 16), "$GPGSV,39,1,156,");
    EXPECT_NE(s.find("$GPGSV,39,39,156,200,-90,-180,255,"), std::string::npos);
}

}  // namespace
}  // namespace dec
