// Configuration prints of generation-3 open blocks.
#include "settings/gen3_config.h"

#include <gtest/gtest.h>

#include "common/action.h"
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

// A configuration area with little-endian fields of 1, 2 or 4 bytes set.
struct Field {
    size_t at;
    uint32_t value;
    int size = 1;
};
std::vector<uint8_t> with(std::vector<uint8_t> c, std::initializer_list<Field> fields) {
    for (const Field& f : fields) {
        for (int i = 0; i < f.size; ++i) {
            c[f.at + static_cast<size_t>(i)] = static_cast<uint8_t>(f.value >> (8 * i));
        }
    }
    return c;
}

std::vector<uint8_t> config_5_1() {
    // Byte 1: X, Z, GPS time limits.
    return with(testing::make_gen3_config(32, 28, 'j'),
                {{0, 1}, {1, 0x2A}, {2, 0x10}, {3, 120, 2}, {5, 7}, {6, 3000, 2}, {8, 60, 2},
                 {10, 2}, {11, 3}, {12, 150, 2}, {14, 600, 2}, {16, 378, 2}, {18, 900, 2},
                 {20, 90, 2}, {22, 1439, 2}, {26, 61, 2}});
}

std::vector<uint8_t> config_5_7() {
    // Byte 1: ping, ACC time limits; byte 2: the ping bit of version 6 only.
    return with(testing::make_gen3_config(32, 0, 'k'), {{1, 0x05}, {2, 0x20}, {3, 4096, 2},
                                                        {23, 60, 2}, {25, 3725, 2}, {27, 378, 2},
                                                        {29, 12}});
}

std::vector<uint8_t> config_5_8_long() {
    // Variance axis Y, data link, ping on from 08:05, dacq_offvolt1, section 0
    // start (also acc_l_threshold), section 7 burst qperiod.
    return long_area(with(testing::make_gen3_config(116, 0, 'k'),
                          {{2, 0x02}, {32, 0x21656A, 4}, {43, 8 * 60 + 5, 2}, {58, 2048, 2},
                           {75, 90, 4}, {79, 86400 * 3 + 3600 * 5 + 60 * 7, 4}, {60, 61, 2},
                           {115, 9}}));
}

std::vector<uint8_t> config_5_6_raw() {
    return with(testing::make_gen3_config(32, 0, 'l'), {{2, 0x20}, {12, 90, 2}});
}

std::vector<uint8_t> config_5_6_raw_long() {
    return long_area(with(testing::make_gen3_config(66, 0, 'l'),
                          {{50, static_cast<uint32_t>(-1234567), 4}, {62, 475000000, 4}}));
}

std::vector<uint8_t> config_5_6() { return with(testing::make_gen3_config(32, 0, 'k'), {{1, 0x01}}); }

// In the long form the 5_1 configuration starts at offset 30 of the block.
std::vector<uint8_t> config_5_1_long() {
    return with(testing::make_gen3_config(32, 28, 'j'), {{0, 4}, {1, 0x38}});
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
    return with(testing::make_gen3_config(32, 0, 'j'),
                {{1, 600, 2}, {3, 30}, {4, 1}, {6, 3600, 4}, {10, 5}, {11, 4096, 2}, {13, 10, 2},
                 {15, 0x21656A, 4}, {23, 0x31656A, 4}, {27, 3}, {28, 2048, 2}});
}

std::vector<uint8_t> interaction_at_download_long() {
    return long_area(with(testing::make_gen3_config(33, 0, 'j'),
                          {{3, 12}, {4, 0x08 | 0x40 | 0x02 | 0x01}, {30, 4}, {31, 250, 2}}));
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
