// Configuration prints of generation-3 open blocks.
#include "settings/gen3_config.h"

#include <gtest/gtest.h>

#include "common/action.h"
#include "common/le.h"
#include "testsupport/cli_runner.h"
#include "testsupport/gen3_builder.h"

namespace dec {
namespace {

// An open block held as the decoder holds it: 192 zero-filled bytes.
std::vector<uint8_t> block(uint8_t sw_version, bool long_form, const std::vector<uint8_t>& config) {
    auto b = testing::make_gen3_open_block(
        {.tag = 40, .tag_type = 5, .sw_version = sw_version, .config = config}, long_form);
    b.resize(kGen3ConfigBlockSize, 0);
    return b;
}

std::string gps_acc(const std::vector<uint8_t>& b, bool long_form, uint32_t action = 0) {
    std::string s;
    {
        OutStream out(&s);
        print_gen3_gps_acc_config(b.data(), long_form, action, out);
    }
    return s;
}

TEST(Gen3Frequency, ProgrammedAndDefaultWords) {
    struct Case {
        uint32_t word;
        const char* text;
    };
    static constexpr Case kCases[] = {
        {0x21656A, "0x21656A = 868.299866 MHz\n"},
        {0, "0x0 = Default frequency\n"},
        {0x31656A, "0x31656A = Default frequency\n"},
    };
    for (const Case& c : kCases) {
        std::string s;
        {
            OutStream out(&s);
            print_gen3_frequency(c.word, out);
        }
        EXPECT_EQ(s, c.text);
    }
}

// A long-form configuration: four bytes in front of the configuration area.
std::vector<uint8_t> long_area(std::vector<uint8_t> area) {
    area.insert(area.begin(), 4, 0);
    return area;
}

std::vector<uint8_t> config_5_1() {
    auto c = testing::make_gen3_config(32, 28, 'j');
    c[0] = 1;
    c[1] = 0x2A;  // X, Z, GPS time limits
    c[2] = 0x10;
    put_le16(c.data(), 3, 120);
    c[5] = 7;
    put_le16(c.data(), 6, 3000);
    put_le16(c.data(), 8, 60);
    c[10] = 2;
    c[11] = 3;
    put_le16(c.data(), 12, 150);
    put_le16(c.data(), 14, 600);
    put_le16(c.data(), 16, 378);
    put_le16(c.data(), 18, 900);
    put_le16(c.data(), 20, 90);
    put_le16(c.data(), 22, 1439);
    put_le16(c.data(), 26, 61);
    return c;
}

std::vector<uint8_t> config_5_7() {
    auto c = testing::make_gen3_config(32, 0, 'k');
    c[1] = 0x05;  // ping, ACC time limits
    c[2] = 0x20;  // the ping bit of version 6 only
    put_le16(c.data(), 3, 4096);
    put_le16(c.data(), 23, 60);
    put_le16(c.data(), 25, 3725);
    put_le16(c.data(), 27, 378);
    c[29] = 12;
    return c;
}

std::vector<uint8_t> config_5_8_long() {
    auto area = testing::make_gen3_config(116, 0, 'k');
    area[2] = 0x02;                         // variance axis Y
    put_le32(area.data(), 32, 0x21656A);    // data link
    put_le16(area.data(), 43, 8 * 60 + 5);  // ping on from
    put_le16(area.data(), 58, 2048);        // dacq_offvolt1
    put_le32(area.data(), 75, 90);
    put_le32(area.data(), 79, 86400 * 3 + 3600 * 5 + 60 * 7);
    put_le16(area.data(), 60, 61);  // section 0 start, also acc_l_threshold
    area[115] = 9;                  // section 7 burst qperiod
    return long_area(area);
}

std::vector<uint8_t> config_5_6_raw() {
    auto c = testing::make_gen3_config(32, 0, 'l');
    c[2] = 0x20;
    put_le16(c.data(), 12, 90);
    return c;
}

std::vector<uint8_t> config_5_6_raw_long() {
    auto area = testing::make_gen3_config(66, 0, 'l');
    put_le32(area.data(), 50, static_cast<uint32_t>(-1234567));
    put_le32(area.data(), 62, 475000000);
    return long_area(area);
}

std::vector<uint8_t> config_5_6() {
    auto c = testing::make_gen3_config(32, 0, 'k');
    c[1] = 0x01;
    return c;
}

std::vector<uint8_t> config_5_1_long() {
    // In the long form the 5_1 configuration starts at offset 30 of the block.
    auto c = testing::make_gen3_config(32, 28, 'j');
    c[0] = 4;
    c[1] = 0x38;
    return c;
}

// Each configuration layout in the open block of its software version, short
// and long form, as whole expected reports (gen3/expected/config_*.txt).
TEST(Gen3Config, WholeReports) {
    struct Case {
        const char* name;
        uint8_t sw_version;
        bool long_form;
        std::vector<uint8_t> (*config)();
    };
    const Case kCases[] = {
        {"5_1_short", 3, false, config_5_1},
        {"5_1_long", 5, true, config_5_1_long},
        {"5_6_short", 6, false, config_5_6},
        {"5_6_raw_short", 6, false, config_5_6_raw},
        {"5_6_raw_long", 6, true, config_5_6_raw_long},
        {"5_7_short", 7, false, config_5_7},
        {"5_8_short", 8, false, [] { return testing::make_gen3_config(32, 0, 'k'); }},
        {"5_8_long", 8, true, config_5_8_long},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        const std::string s = gps_acc(block(c.sw_version, c.long_form, c.config()), c.long_form);
        EXPECT_EQ(s, testing::expected_text(std::string("gen3/expected/config_") + c.name + ".txt", s));
    }
}

TEST(Gen3Config, WrongMarkerAndUnknownVersionAndLegacy) {
    const std::string s = gps_acc(block(7, false, testing::make_gen3_config(32, 0, 'x')), false);
    EXPECT_EQ(s,
              "GPS-ACC-Tag Software vers No.:7\n\nPrinting tag configuration 5_7:\n"
              "No configuration or error in decoding configuration settings of tag.\n");
    EXPECT_EQ(gps_acc(block(9, false, {}), false),
              "GPS-ACC-Tag Software vers No.:9\nUnknown tag software version\n");
    EXPECT_EQ(gps_acc(block(6, false, {}), false, ACT_LEGACY_TAG), "");
}

std::string interaction(const std::vector<uint8_t>& b, bool long_form, uint8_t& interval) {
    std::string s;
    {
        OutStream out(&s);
        print_gen3_interaction_config(b.data(), long_form, 0, out, interval);
    }
    return s;
}

std::vector<uint8_t> interaction_short() {
    auto c = testing::make_gen3_config(32, 0, 'j');
    put_le16(c.data(), 1, 600);
    c[3] = 30;
    c[4] = 1;
    put_le32(c.data(), 6, 3600);
    c[10] = 5;
    put_le16(c.data(), 11, 4096);
    put_le16(c.data(), 13, 10);
    put_le32(c.data(), 15, 0x21656A);
    put_le32(c.data(), 23, 0x31656A);
    c[27] = 3;
    put_le16(c.data(), 28, 2048);
    return c;
}

std::vector<uint8_t> interaction_at_download_long() {
    auto area = testing::make_gen3_config(33, 0, 'j');
    area[3] = 12;
    area[4] = 0x08 | 0x40 | 0x02 | 0x01;
    area[30] = 4;
    put_le16(area.data(), 31, 250);
    return long_area(area);
}

TEST(Gen3InteractionConfig, WholeReportsAndTheEntryInterval) {
    struct Case {
        const char* name;
        uint8_t sw_version;
        bool long_form;
        std::vector<uint8_t> (*config)();
        uint8_t interval;
    };
    const Case kCases[] = {
        {"short", 1, false, interaction_short, 30},
        {"at_download_long", 6, true, interaction_at_download_long, 12},
    };
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.name);
        uint8_t interval = 0;
        const std::string s = interaction(block(c.sw_version, c.long_form, c.config()), c.long_form,
                                          interval);
        EXPECT_EQ(s, testing::expected_text(
                         std::string("gen3/expected/interaction_config_") + c.name + ".txt", s));
        EXPECT_EQ(interval, c.interval);
    }
}

TEST(Gen3InteractionConfig, WrongMarkerKeepsTheInterval) {
    uint8_t interval = 17;
    const std::string s =
        interaction(block(2, false, testing::make_gen3_config(32, 0, 'k')), false, interval);
    EXPECT_EQ(s, "Interaction tag Software Vers. 2;\n\nPrinting tag configuration:\nNo configuration "
                 "or error in decoding configuration settings of tag.\n");
    EXPECT_EQ(interval, 17);
}

}  // namespace
}  // namespace dec
