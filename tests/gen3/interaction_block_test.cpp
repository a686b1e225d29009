// Interaction data blocks: block line, checksum, entries and their times.
#include "gen3/interaction_block.h"

#include <algorithm>
#include <string>

#include "expected_sections.h"
#include "folder_fixture.h"
#include "testsupport/gen3_builder.h"

namespace dec {
namespace {

using testing::Gen3IntactBlock;
using testing::intact_entries;
using testing::intact_jump_entry;
using testing::intact_rx_entry;
using testing::intact_tx_entry;
using testing::make_gen3_intact_block;

// Day 10, 01:01:01.
constexpr uint32_t kT = 10 * 86400 + 3661;

struct Written {
    std::string protocol;
    std::string intact;
};

Written write(const Gen3IntactBlock& block, uint32_t tag, uint8_t interval) {
    Written w;
    {
        OutStream protocol(&w.protocol);
        OutStream intact(&w.intact);
        write_intact_block(block.data(), tag, interval, protocol, intact);
    }
    return w;
}

// The head's temperature, battery and time show in the block lines of
// ProtocolAndContactLines; the checksum covers every byte, its own included.
TEST(IntactBlockHead, ChecksumCoversEveryByte) {
    const Gen3IntactBlock b = make_gen3_intact_block({.type = 128, .time = kT, .temperature_raw = 1000});
    EXPECT_TRUE(decode_intact_head(b.data()).checksum_ok);
    for (size_t at : {size_t{0}, size_t{509}, size_t{510}, size_t{511}}) {
        Gen3IntactBlock bad = b;
        bad[at] ^= 0x01;
        EXPECT_FALSE(decode_intact_head(bad.data()).checksum_ok) << at;
    }
}

struct BlockCase {
    const char* name;
    Gen3IntactBlock block;
    uint32_t tag;
    uint8_t interval;
};

Gen3IntactBlock with_byte(Gen3IntactBlock b, size_t at, uint8_t value) {
    b[at] = value;
    return b;
}

std::vector<uint8_t> old_tx_entries() {
    std::vector<uint8_t> entries(500, 0x00);
    // Signal strengths at the edges of both ranges.
    const uint8_t first[] = {0x7F, 0x81, 0xFF, 0x80, 0x82, 0xFF, 0x01, 0xC0, 0xFE, 0x00};
    std::copy(std::begin(first), std::end(first), entries.begin());
    entries[499] = 0x02;
    return entries;
}

// The protocol lines and contact lines of one block, kept as sections of
// gen3/expected/intact_blocks.txt.
TEST(IntactBlock, ProtocolAndContactLines) {
    const Gen3IntactBlock checked = make_gen3_intact_block({.type = 128,
                                                            .time = kT,
                                                            .temperature_raw = 2000,
                                                            .battery_raw = 3900,
                                                            .entries = intact_rx_entry(0x10, 0x10, 3)});
    const BlockCase cases[] = {
        // The jump entry writes nothing; the offset after it is 10 + (100 - 10).
        {"TX block with a time jump",
         make_gen3_intact_block(
             {.type = 130,
              .time = kT,
              .temperature_raw = 2000,
              .battery_raw = 3900,
              .entries = intact_entries({intact_tx_entry(0x00), intact_jump_entry(130, 100), intact_tx_entry(0x80)})}),
         35, 10},
        // Interval 0: entries carry the block time until a jump; a jump of
        // 65000 is -536 seconds as a signed 16-bit offset.
        {"TX block without interval, backward jump",
         make_gen3_intact_block(
             {.type = 130,
              .time = kT,
              .entries = intact_entries({intact_tx_entry(0x02), intact_tx_entry(0x04), intact_jump_entry(130, 65000),
                                         intact_tx_entry(0x06), intact_jump_entry(130, 1000), intact_tx_entry(0x08)})}),
         36, 0},
        // A TX time-jump marker inside an RX block is unexpected; so is any
        // other second byte after 0x82. Unexpected entries leave the offset alone.
        {"RX entries and unexpected entries",
         make_gen3_intact_block({.type = 128,
                                 .time = kT,
                                 .temperature_raw = 2010,
                                 .battery_raw = 3800,
                                 .entries = intact_entries({intact_rx_entry(0x10, 0xF0, 0x1234),
                                                            intact_rx_entry(0x80, 0x7F, 7),
                                                            intact_jump_entry(128, 300),
                                                            {0x82, 0x55, 0x01, 0x02},
                                                            intact_jump_entry(130, 9),
                                                            intact_rx_entry(0xFF, 0x00, 65535)})}),
         36, 10},
        {"unexpected entry in a TX block",
         make_gen3_intact_block(
             {.type = 130, .time = kT, .entries = intact_entries({intact_jump_entry(128, 5), intact_tx_entry(0x7F)})}),
         36, 3},
        // A byte per entry; 0x82 0xFF are two plain strength bytes here.
        {"old TX block", make_gen3_intact_block({.type = 129, .time = kT, .entries = old_tx_entries()}), 34, 2},
        {"wrong magic skips the block",
         with_byte(make_gen3_intact_block({.type = 130, .time = kT, .entries = intact_tx_entry(0x10)}), 1, 0xF0), 35,
         10},
        {"wrong checksum dumps the block", with_byte(checked, 511, checked[511] ^ 0x40), 35, 10},
    };
    testing::Sections got;
    for (const BlockCase& c : cases) {
        const Written w = write(c.block, c.tag, c.interval);
        got.emplace_back(c.name, w.protocol + "--- contacts\n" + w.intact);
    }
    testing::expect_sections("gen3/expected/intact_blocks.txt", got);
}

}  // namespace
}  // namespace dec
