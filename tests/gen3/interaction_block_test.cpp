// Interaction data blocks: block line, checksum, entries and their times.
#include "gen3/interaction_block.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "gen3_fixture.h"

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

TEST(IntactSignalStrength, RawBytes) {
    struct Case {
        uint8_t raw;
        int32_t strength;
    };
    static constexpr Case kCases[] = {
        {0x00, -78}, {0x01, -78}, {0x02, -77}, {0x7F, -15},   {0x80, -150},
        {0x81, -142}, {0x82, -141}, {0xC0, -110}, {0xFE, -79}, {0xFF, -79},
    };
    for (const Case& c : kCases) {
        EXPECT_EQ(intact_signal_strength(c.raw), c.strength) << int{c.raw};
    }
}

TEST(IntactBlockHead, TemperatureBatteryAndChecksum) {
    // 2000 * 2200 / 12083 = 364, minus 316; 3900 * 4400 >> 12 = 4189.
    Gen3IntactBlock b = make_gen3_intact_block(
        {.type = 130, .time = kT, .temperature_raw = 2000, .battery_raw = 3900});
    IntactBlockHead h = decode_intact_head(b.data());
    EXPECT_EQ(h.type, 130);
    EXPECT_TRUE(h.magic_ok);
    EXPECT_EQ(h.time, kT);
    EXPECT_EQ(h.temperature, 48);
    EXPECT_EQ(h.battery_mv, 4189u);
    EXPECT_TRUE(h.checksum_ok);
    // 1000 * 2200 / 12083 = 182: below zero after the offset.
    b = make_gen3_intact_block({.type = 128, .time = kT, .temperature_raw = 1000});
    EXPECT_EQ(decode_intact_head(b.data()).temperature, -134);
    for (size_t at : {size_t{0}, size_t{509}, size_t{510}, size_t{511}}) {
        Gen3IntactBlock bad = b;
        bad[at] ^= 0x01;
        EXPECT_FALSE(decode_intact_head(bad.data()).checksum_ok) << at;
    }
}

TEST(IntactBlock, TxBlockWithTimeJump) {
    // The jump entry writes nothing; the offset after it is 10 + (100 - 10).
    const auto block = make_gen3_intact_block(
        {.type = 130, .time = kT, .temperature_raw = 2000, .battery_raw = 3900,
         .entries = intact_entries(
             {intact_tx_entry(0x00), intact_jump_entry(130, 100), intact_tx_entry(0x80)})});
    const Written w = write(block, 35, 10);
    EXPECT_EQ(w.protocol, "Intact TX block 10,01:01:01,4189,48\n");
    EXPECT_EQ(w.intact, "T,35,867661,-78\nT,35,867761,-150\n");
}

TEST(IntactBlock, TxBlockWithoutIntervalAndBackwardJump) {
    // Interval 0: entries carry the block time until a jump; a jump of 65000
    // is -536 seconds as a signed 16-bit offset.
    const auto block = make_gen3_intact_block(
        {.type = 130, .time = kT,
         .entries = intact_entries({intact_tx_entry(0x02), intact_tx_entry(0x04),
                                    intact_jump_entry(130, 65000), intact_tx_entry(0x06),
                                    intact_jump_entry(130, 1000), intact_tx_entry(0x08)})});
    const Written w = write(block, 36, 0);
    EXPECT_EQ(w.intact,
              "T,36,867661,-77\nT,36,867661,-76\nT,36,867125,-75\nT,36,868125,-74\n");
}

TEST(IntactBlock, RxEntriesAndUnexpectedEntries) {
    // A TX time-jump marker inside an RX block is unexpected; so is any other
    // second byte after 0x82. Unexpected entries leave the offset alone.
    const auto block = make_gen3_intact_block(
        {.type = 128, .time = kT, .temperature_raw = 2010, .battery_raw = 3800,
         .entries = intact_entries({intact_rx_entry(0x10, 0xF0, 0x1234),
                                    intact_rx_entry(0x80, 0x7F, 7), intact_jump_entry(128, 300),
                                    {0x82, 0x55, 0x01, 0x02}, intact_jump_entry(130, 9),
                                    intact_rx_entry(0xFF, 0x00, 65535)})});
    const Written w = write(block, 36, 10);
    EXPECT_EQ(w.protocol,
              "Intact RX block 10,01:01:01,4082,49\n############ Unexpected bytes\n"
              "############ Unexpected bytes\n");
    EXPECT_EQ(w.intact,
              "R,36,867661,-70,-86,4660\nR,36,867671,-150,-15,7\nR,36,867971,-79,-78,65535\n");
}

TEST(IntactBlock, UnexpectedEntryInTxBlock) {
    const auto block = make_gen3_intact_block(
        {.type = 130, .time = kT,
         .entries = intact_entries({intact_jump_entry(128, 5), intact_tx_entry(0x7F)})});
    const Written w = write(block, 36, 3);
    EXPECT_EQ(w.protocol, "Intact TX block 10,01:01:01,0,-316\n########### Unexpected bytes\n");
    EXPECT_EQ(w.intact, "T,36,867661,-15\n");
}

TEST(IntactBlock, OldTxBlockHasAByteEntryEach) {
    std::vector<uint8_t> entries = {0x7F, 0x81, 0xFF, 0x80, 0x82, 0xFF};
    entries.resize(500, 0x00);
    entries[499] = 0x02;
    const auto block =
        make_gen3_intact_block({.type = 129, .time = kT, .entries = entries});
    const Written w = write(block, 34, 2);
    EXPECT_EQ(w.protocol, "Old intact TX block 10,01:01:01,0,-316\n");
    EXPECT_EQ(std::count(w.intact.begin(), w.intact.end(), '\n'), 500);
    // 0x82 0xFF are two plain strength bytes here.
    EXPECT_EQ(w.intact.rfind("T,34,867661,-15\nT,34,867663,-142\nT,34,867665,-79\n"
                             "T,34,867667,-150\nT,34,867669,-141\nT,34,867671,-79\n"
                             "T,34,867673,-78\n",
                             0),
              0u);
    // Entry 499 is 998 seconds after the block time.
    EXPECT_EQ(w.intact.substr(w.intact.size() - 16), "T,34,868659,-77\n");
}

TEST(IntactBlock, WrongMagicSkipsTheBlock) {
    auto block = make_gen3_intact_block(
        {.type = 130, .time = kT, .entries = intact_tx_entry(0x10)});
    block[1] = 0xF0;
    const Written w = write(block, 35, 10);
    EXPECT_EQ(w.protocol, "Magic number of Interaction data block doesn't match\n");
    EXPECT_EQ(w.intact, "");
}

TEST(IntactBlock, WrongChecksumDumpsTheBlock) {
    auto block = make_gen3_intact_block(
        {.type = 128, .time = kT, .temperature_raw = 2000, .battery_raw = 3900,
         .entries = intact_rx_entry(0x10, 0x10, 3)});
    block[511] ^= 0x40;
    // 32 lines of 16 bytes, each begun with a line end, and a final line end.
    std::string dump;
    for (size_t i = 0; i < block.size(); ++i) {
        char group[4];
        std::snprintf(group, sizeof group, "%02X ", block[i]);
        if (i % 16 == 0) {
            dump += '\n';
        }
        dump += group;
    }
    dump += "\n";
    const Written w = write(block, 35, 10);
    EXPECT_EQ(w.protocol,
              "Intact RX block 10,01:01:01,4189,48\n"
              "############################ Interaction checksum error: Throwing last 512 "
              "bytes data away\n" +
                  dump);
    EXPECT_EQ(std::count(dump.begin(), dump.end(), '\n'), 33);
    EXPECT_EQ(dump.substr(0, 31), "\n80 F1 4D 3D 0D 00 D0 07 3C 0F ");
    EXPECT_EQ(w.intact, "");
}

}  // namespace
}  // namespace dec
