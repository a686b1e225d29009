// The unit loop of GPS-acceleration tags: record assembly, GSM texts,
// satellite reports and bad units, seen in whole information files.
#include <gtest/gtest.h>

#include "gen5_test_util.h"
#include "testsupport/container_builder.h"

namespace dec {
namespace {

using testing::make_unit;

std::vector<uint8_t> gsm_payload(uint32_t time, const std::string& text) {
    std::vector<uint8_t> p(63, 0);
    p[0] = static_cast<uint8_t>(time);
    p[1] = static_cast<uint8_t>(time >> 8);
    p[2] = static_cast<uint8_t>(time >> 16);
    p[3] = static_cast<uint8_t>(time >> 24);
    std::copy(text.begin(), text.end(), p.begin() + 4);
    return p;
}

// The part of the information file after the heads of the second pass.
std::string after_heads(const std::string& info) {
    const std::string mark = "Peru\n";
    return info.substr(info.find(mark) + mark.size());
}

TEST_F(TagInfoTest, GsmTexts) {
    ContainerBuilder c;
    c.open(desc(0, 64 * 9));
    c.unit(make_unit(0x70, gsm_payload(kT0, "Hello\x01world\xE9!")));
    c.unit(make_pattern_unit(0xFE, 1));  // ends the one-unit text
    // A text over two units: the unit boundary lies inside the text.
    auto two = gsm_payload(kT0 + 61, std::string(59, 'a'));
    c.unit(make_unit(0x70, two));
    c.unit(make_unit(0x71, std::vector<uint8_t>{'b', 'c', 0}));
    // Five units are too long for a text and are dropped.
    c.unit(make_unit(0x70, gsm_payload(kT0, "dropped")));
    for (int i = 0; i < 4; ++i) {
        c.unit(make_unit(0x71, std::vector<uint8_t>(63, 'x')));
    }
    EXPECT_EQ(after_heads(info_of(c)),
              "GSMTXT,4443,3.5.2019,Fr,07:00:00\nHello~world?!\n"
              "GSMTXT,4443,3.5.2019,Fr,07:01:01\n" +
                  std::string(59, 'a') + "bc\n"
                  "There were 1 b5 0xFE blocks.\n"
                  "The last download for tag17 was a COMPLETE data download.\n");
    EXPECT_NE(result.out.find("Processed 576 Bytes with 0 bad Bytes\n"), std::string::npos);
}

std::vector<uint8_t> satellite_payload() {
    std::vector<uint8_t> p(63, 0);
    p[4] = 3;  // channels
    auto channel = [&](int i, uint8_t sat, uint8_t flags, uint8_t quality, uint8_t cno,
                       int8_t elev, int16_t azim) {
        uint8_t* ch = p.data() + 8 + 12 * i;
        ch[1] = sat;
        ch[2] = flags;
        ch[3] = quality;
        ch[4] = cno;
        ch[5] = static_cast<uint8_t>(elev);
        ch[6] = static_cast<uint8_t>(azim);
        ch[7] = static_cast<uint8_t>(azim >> 8);
    };
    channel(0, 5, 0x04, 7, 40, 30, 120);
    channel(1, 12, 0x04, 2, 0, -5, 300);
    channel(2, 20, 0x00, 7, 45, 60, 10);  // no orbit information: not listed
    return p;
}

unsigned xor_checksum(const std::string& sentence) {
    unsigned x = 0;
    for (unsigned char ch : sentence) {
        x ^= ch;
    }
    return x;
}

TEST_F(TagInfoTest, SatelliteReportWaitsForItsFirstContinuation) {
    ContainerBuilder c;
    c.open(desc(0, 64 * 4));
    c.unit(make_unit(0x32, satellite_payload()));  // holds all 44 bytes already
    c.unit(make_pattern_unit(0xFE, 1));            // but no continuation: never printed
    c.unit(make_unit(0x32, satellite_payload()));
    c.unit(make_unit(0x33));
    const std::string sentence = "$GPGSV,1,1,2,5,30,120,40,12,-5,300,";
    EXPECT_EQ(after_heads(info_of(c)),
              sentence + "*" + std::to_string(xor_checksum(sentence)) +
                  "\n"
                  "There were 1 b5 0xFE blocks.\n"
                  "The last download for tag17 was a COMPLETE data download.\n");
}

TEST_F(TagInfoTest, StrayContinuationsAndDamagedUnits) {
    ContainerBuilder c;
    c.open(desc(0, 64 * 4));
    c.unit(make_unit(0x41, {1, 2, 3}));  // no burst started: ignored, not bad
    c.unit(make_unit(0x33, {1, 2, 3}));  // no satellite report started
    auto damaged = testing::make_open_block(desc(0, 64));
    damaged[5] = 'X';  // not "OPEN": a damaged unit of open-block type
    c.raw(damaged.data(), 64);
    c.unit(make_unit(0x99));
    EXPECT_EQ(after_heads(info_of(c)),
              "The last download for tag17 was a COMPLETE data download.\n");
    EXPECT_NE(result.out.find("Processed 256 Bytes with 128 bad Bytes\n"), std::string::npos);
    EXPECT_NE(result.out.find("\nSuccess, although there were 2 bad blocks.\n"), std::string::npos);
    EXPECT_EQ(result.exit_code, 0);
}

TEST_F(TagInfoTest, GpsUnitsAreCountedButNotDecodedForAccOnly) {
    ContainerBuilder c;
    c.open(desc(0, 64 * 2));
    c.unit(make_pattern_unit(0x30, 1));  // would fail its checksum if decoded
    c.unit(make_pattern_unit(0x34, 2));
    info_of(c, "1");
    EXPECT_NE(result.out.find("Processed 128 Bytes with 0 bad Bytes\n\nSuper success.\n"),
              std::string::npos)
        << result.out;
}

}  // namespace
}  // namespace dec
