// Configuration prints of generation-3 open blocks, kept as sections of
// gen3/expected/config.txt.
#include <gtest/gtest.h>

#include <functional>

#include "expected_sections.h"
#include "settings/gen3_config.h"
#include "testsupport/capture.h"
#include "testsupport/gen3_builder.h"

namespace dec {
namespace {

using Bytes = std::vector<uint8_t>;

// An open block held as the decoder holds it: 192 zero-filled bytes.
Bytes block(uint8_t sw_version, bool long_form, const Bytes& config) {
    auto b = testing::make_gen3_open_block({.tag = 40, .tag_type = 5, .sw_version = sw_version, .config = config},
                                           long_form);
    b.resize(kGen3ConfigBlockSize, 0);
    return b;
}

// A configuration area of `size` bytes, its marker at `marker_at`, with little-endian
// fields of 1, 2 or 4 bytes set; the long form has four bytes in front.
struct Field {
    size_t at;
    uint32_t value;
    int size = 1;
};
Bytes area(size_t size, char marker, std::initializer_list<Field> fields, bool long_form = false,
           size_t marker_at = 0) {
    Bytes c = testing::make_gen3_config(size, marker_at, static_cast<uint8_t>(marker));
    for (const Field& f : fields) {
        for (int i = 0; i < f.size; ++i) {
            c[f.at + static_cast<size_t>(i)] = static_cast<uint8_t>(f.value >> (8 * i));
        }
    }
    if (long_form) {
        c.insert(c.begin(), 4, 0);
    }
    return c;
}

struct Report {
    const char* name;
    uint8_t sw_version;
    bool long_form;
    Bytes config;
    bool legacy_tag = false;
};

struct InteractionReport {
    const char* name;
    uint8_t sw_version;
    bool long_form;
    Bytes config;
    uint8_t interval;  // 17 going in: kept by a configuration that does not decode
};

TEST(Gen3Config, ReportsAndFrequencies) {
    // 5_1: byte 1 sets X, Z, GPS time limits; in the long form the area
    // starts at offset 30 of the block. 5_7: byte 1 sets ping, ACC time
    // limits; byte 2 the ping bit of version 6 only. 5_8 long: variance axis
    // Y, data link, ping on from 08:05, dacq_offvolt1, section 0 start (also
    // acc_l_threshold), section 7 burst qperiod.
    const Report reports[] = {
        {"5_1_short", 3, false,
         // clang-format off
         area(32, 'j', {{0, 1}, {1, 0x2A}, {2, 0x10}, {3, 120, 2}, {5, 7}, {6, 3000, 2}, {8, 60, 2},
                        {10, 2}, {11, 3}, {12, 150, 2}, {14, 600, 2}, {16, 378, 2}, {18, 900, 2},
                        {20, 90, 2}, {22, 1439, 2}, {26, 61, 2}}, false, 28)},
        // clang-format on
        {"5_1_long", 5, true, area(32, 'j', {{0, 4}, {1, 0x38}}, false, 28)},
        {"5_6_short", 6, false, area(32, 'k', {{1, 0x01}})},
        {"5_6_raw_short", 6, false, area(32, 'l', {{2, 0x20}, {12, 90, 2}})},
        {"5_6_raw_long", 6, true, area(66, 'l', {{50, static_cast<uint32_t>(-1234567), 4}, {62, 475000000, 4}}, true)},
        {"5_7_short", 7, false,
         area(32, 'k', {{1, 0x05}, {2, 0x20}, {3, 4096, 2}, {23, 60, 2}, {25, 3725, 2}, {27, 378, 2}, {29, 12}})},
        {"5_8_short", 8, false, area(32, 'k', {})},
        {"5_8_long", 8, true,
         // clang-format off
         area(116, 'k', {{2, 0x02}, {32, 0x21656A, 4}, {43, 8 * 60 + 5, 2}, {58, 2048, 2},
                         {75, 90, 4}, {79, 86400 * 3 + 3600 * 5 + 60 * 7, 4}, {60, 61, 2},
                         {115, 9}}, true)},
        // clang-format on
        {"wrong marker", 7, false, area(32, 'x', {})},
        {"unknown version", 9, false, {}},
        {"legacy tag", 6, false, {}, true},
    };
    const InteractionReport interactions[] = {
        {"interaction short", 1, false,
         // clang-format off
         area(32, 'j', {{1, 600, 2}, {3, 30}, {4, 1}, {6, 3600, 4}, {10, 5}, {11, 4096, 2},
                        {13, 10, 2}, {15, 0x21656A, 4}, {23, 0x31656A, 4}, {27, 3}, {28, 2048, 2}}),
         // clang-format on
         30},
        {"interaction at download, long", 6, true,
         area(33, 'j', {{3, 12}, {4, 0x08 | 0x40 | 0x02 | 0x01}, {30, 4}, {31, 250, 2}}, true), 12},
        {"interaction, wrong marker", 2, false, area(32, 'k', {}), 17},
    };
    testing::Sections got;
    for (const Report& r : reports) {
        const Bytes b = block(r.sw_version, r.long_form, r.config);
        got.emplace_back(r.name, testing::capture([&](OutStream& o) {
                             print_gen3_gps_acc_config(b.data(), r.long_form, r.legacy_tag, o);
                         }));
    }
    for (const InteractionReport& r : interactions) {
        const Bytes b = block(r.sw_version, r.long_form, r.config);
        uint8_t interval = 17;
        got.emplace_back(r.name, testing::capture([&](OutStream& o) {
                             print_gen3_interaction_config(b.data(), r.long_form, false, o, interval);
                         }));
        EXPECT_EQ(interval, r.interval) << r.name;
    }
    for (const uint32_t word : {0x21656Au, 0u, 0x31656Au}) {
        got.emplace_back("frequency " + std::to_string(word),
                         testing::capture([&](OutStream& o) { print_gen3_frequency(word, o); }));
    }
    testing::expect_sections("gen3/expected/config.txt", got);
}

}  // namespace
}  // namespace dec
