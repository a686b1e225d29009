// Interaction tags decoded end to end: joining on the 512-byte grid, the
// protocol file, the shared contact file and the failures.
#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "common/fatal.h"
#include "gen3/gen3.h"
#include "gen3_fixture.h"

namespace dec {
namespace {

using testing::Gen3Builder;
using testing::Gen3IntactBlock;
using testing::Gen3OpenFields;
using testing::intact_entries;
using testing::intact_jump_entry;
using testing::intact_rx_entry;
using testing::intact_tx_entry;
using testing::make_gen3_intact_block;

// Day 10, 01:01:01 (Wednesday 14 March 2007).
constexpr uint32_t kT = 10 * 86400 + 3661;
constexpr uint32_t kDay = 86400;

// An interaction tag's open block: type 6 with its configuration (interval,
// TX flag), or type 0 without one.
Gen3OpenFields itag(uint16_t number, uint8_t type, uint8_t sw, uint32_t fufa, uint32_t fffa,
                  bool long_form, uint8_t interval = 10, uint32_t time = kT) {
    Gen3OpenFields s{.tag = number, .tag_type = type, .sw_version = sw, .fufa = fufa, .fffa = fffa,
                   .time = time, .basestation_id = 0x0300, .config = {}};
    if (type == 6) {
        s.config = testing::make_gen3_intact_config(interval, 0x01, sw == 6, long_form);
    }
    return s;
}

// A TX block whose one contact identifies it: time kT + k, strength from 0x02 + 2k.
Gen3IntactBlock tx_block(uint32_t k) {
    return make_gen3_intact_block(
        {.type = 130, .time = kT + k, .entries = intact_tx_entry(static_cast<uint8_t>(2 + 2 * k))});
}
// Its contact line: strength (2 + 2k) / 2 - 78.
std::string tx_line(int tag, uint32_t k) {
    return "T," + std::to_string(tag) + "," + std::to_string(kT + k) + "," +
           std::to_string(static_cast<int>(1 + k) - 78) + "\n";
}

size_t count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) {
        ++n;
    }
    return n;
}

const char* kVersionLine = "Data decoder version v21 compiled (w)Feb 20 2025 09:55:15\n";
const char* kBasestationV13 =
    "\nNow uncompressing data (please wait...):\n\nbasestation info:\nRewrite counter:7\n"
    "Base station 3\nbase3, V1.3 build 2\nBst-id: 0x300\n";

class Intact : public Gen3Fixture {
protected:
    int decode(const Gen3Builder& b, uint32_t action = ACT_GPS) {
        b.write_file(input());
        int rv;
        try {
            rv = separate_gen3(run, input().c_str(), dir.path().c_str(), action);
        } catch (const FatalStop&) {
            con.flush();
            throw;
        }
        con.flush();
        return rv;
    }
    // Runs a decoding that must end the program; returns the exit code.
    int decode_fatal(const Gen3Builder& b) {
        try {
            decode(b);
        } catch (const FatalStop& stop) {
            return stop.code;
        }
        return -1;
    }
};

TEST_F(Intact, ProtocolOfTwoDownloads) {
    const std::string config =
        "Interaction tag Software Vers. 2;\n\nPrinting tag configuration:\nradio_interval:0\n"
        "intact_interval:10\nflags0:1\nflags1:0\nmax_ontime:0\nrfpower:0\ndacq_offvoltage:0\n"
        "dacq_offvoltage: 0 mV\nradio_longdelay:0\nData link freq:0x0 = Default frequency\n"
        "Interaction freq:0x0 = Default frequency\nTiming signal frequency:0x0 = Default "
        "frequency\nrf_intact_power:0\nmaccess_voltlimit:0\nmaccess_voltlimit: 0 mV\n\n";
    Gen3Builder b(3);
    b.open(itag(301, 6, 2, 0, 1024, false))
        .intact_block(make_gen3_intact_block(
            {.type = 128, .time = kT + 100, .temperature_raw = 2010, .battery_raw = 3800,
             .entries = intact_entries({intact_rx_entry(0x40, 0x42, 35),
                                        intact_rx_entry(0x44, 0x46, 35),
                                        intact_jump_entry(128, 300),
                                        intact_rx_entry(0x48, 0x80, 302)})}))
        .intact_block(make_gen3_intact_block(
            {.type = 130, .time = kT + 1000, .temperature_raw = 2010, .battery_raw = 3800,
             .entries = intact_entries({intact_tx_entry(0x50), intact_tx_entry(0xF0)})}))
        .open(itag(301, 6, 2, 1024, 1536, false, 10, kT + kDay))
        .intact_block(make_gen3_intact_block({.type = 130, .time = kT + kDay + 50,
                                              .temperature_raw = 2010, .battery_raw = 3800,
                                              .entries = intact_tx_entry(0x02)}));
    ASSERT_EQ(decode(b), 0);
    EXPECT_EQ(text("tag301.txt"),
              std::string(kVersionLine) + "Going through data:\n" + config +
                  "(data complete)\n\nData download:\nBasestation Id: 768\n"
                  "11,15.3.2007,Th,01:01:01\nAnimal tag has 0.50 kBytes data for download "
                  "available.\n\n" +
                  config + kBasestationV13 +
                  "Intact RX block 10,01:02:41,4082,49\nIntact TX block 10,01:17:41,4082,49\n"
                  "Intact TX block 11,01:01:51,4082,49\n"
                  "The last download for tag301 was a COMPLETE data download.\n");
    EXPECT_EQ(text("intact.txt"),
              "R,301,867761,-46,-45,35\nR,301,867771,-44,-43,35\nR,301,868071,-42,-150,302\n"
              "T,301,868661,-38\nT,301,868671,-86\nT,301,954111,-77\n");
    // The console shows the configuration of the first download before the run.
    EXPECT_NE(out.find("---------- Generating data for tag301 ----------------\n" + config),
              std::string::npos);
    EXPECT_EQ(dir.list(), (std::vector<std::string>{"intact.txt", "logger.bin", "tag301.txt"}));
}

TEST_F(Intact, OldTagsByNumber) {
    // Type 0: tag 35 is an interaction tag taken as it is (no configuration,
    // interval 0), tag 37 is skipped.
    Gen3Builder b(3);
    b.open(itag(37, 0, 1, 0, 512, false)).intact_block(tx_block(0));
    b.open(itag(35, 0, 1, 0, 512, false))
        .intact_block(make_gen3_intact_block(
            {.type = 130, .time = kT,
             .entries = intact_entries({intact_tx_entry(0x10), intact_tx_entry(0x12),
                                        intact_jump_entry(130, 30), intact_tx_entry(0x14)})}));
    ASSERT_EQ(decode(b), 0);
    EXPECT_EQ(text("tag35.txt"), std::string(kVersionLine) + "Going through data:\n" +
                                     kBasestationV13 +
                                     "Intact TX block 10,01:01:01,0,-316\n"
                                     "The last download for tag35 was a COMPLETE data download.\n");
    EXPECT_EQ(text("intact.txt"), "T,35,867661,-70\nT,35,867661,-69\nT,35,867691,-68\n");
    EXPECT_EQ(out.find("Interaction tag"), std::string::npos);
    EXPECT_EQ(dir.list(), (std::vector<std::string>{"intact.txt", "logger.bin", "tag35.txt"}));
}

TEST_F(Intact, TagsShareTheContactFileOfThisRunOnly) {
    testing::write_bytes(dir.file("intact.txt"), {'T', ',', '9', '\n'});
    Gen3Builder b(6);
    b.open(itag(36, 0, 0, 0, 1024, true)).intact_block(tx_block(0)).intact_block(tx_block(1));
    b.open(itag(302, 6, 6, 0, 512, true)).intact_block(tx_block(2));
    b.open(itag(34, 0, 0, 0, 512, true)).intact_block(tx_block(3));
    ASSERT_EQ(decode(b), 0);
    EXPECT_EQ(text("intact.txt"),
              tx_line(36, 0) + tx_line(36, 1) + tx_line(302, 2) + tx_line(34, 3));
    // A second run starts the file afresh.
    Gen3Builder again(6);
    again.open(itag(34, 0, 0, 0, 512, true)).intact_block(tx_block(4));
    ASSERT_EQ(decode(again), 0);
    EXPECT_EQ(text("intact.txt"), tx_line(34, 4));
}

TEST_F(Intact, RepeatedTailIsWrittenOnce) {
    Gen3Builder b(3);
    b.open(itag(301, 6, 1, 0, 1024, false)).intact_block(tx_block(0)).intact_block(tx_block(1));
    b.open(itag(301, 6, 1, 512, 1536, false)).intact_block(tx_block(1)).intact_block(tx_block(2));
    ASSERT_EQ(decode(b), 0);
    EXPECT_EQ(text("intact.txt"), tx_line(301, 0) + tx_line(301, 1) + tx_line(301, 2));
    EXPECT_EQ(text("tag301.txt").find("####"), std::string::npos);
}

TEST_F(Intact, ChangedTailIsKept) {
    Gen3Builder b(3);
    b.open(itag(301, 6, 1, 0, 1024, false)).intact_block(tx_block(0)).intact_block(tx_block(1));
    b.open(itag(301, 6, 1, 512, 1536, false)).intact_block(tx_block(5)).intact_block(tx_block(2));
    ASSERT_EQ(decode(b), 0);
    EXPECT_EQ(text("intact.txt"),
              tx_line(301, 0) + tx_line(301, 1) + tx_line(301, 5) + tx_line(301, 2));
}

TEST_F(Intact, MissingDataDropsTheIncompleteBlock) {
    // 960 bytes of the first download: its second block is incomplete and is
    // dropped, so the next download starts on the block grid.
    Gen3Builder b(3);
    b.open(itag(301, 6, 2, 0, 1024, false)).intact_block(tx_block(0)).intact_part(tx_block(1), 448);
    b.open(itag(301, 6, 2, 2048, 2560, false)).intact_block(tx_block(2));
    ASSERT_EQ(decode(b), 0);
    EXPECT_EQ(text("intact.txt"), tx_line(301, 0) + tx_line(301, 2));
    const std::string protocol = text("tag301.txt");
    EXPECT_NE(protocol.find("(data not complete, there were 64 bytes missing.)\n\nData download:\n"),
              std::string::npos);
    EXPECT_NE(protocol.find("\n\n########## Missing at least 1.06 kBytes data!\nReason: Probably "
                            "the tag downloaded data\nto another basesstation. This means data\n"
                            "is distributed on different memory cards.\n" +
                            std::string(kBasestationV13)),
              std::string::npos);
    EXPECT_EQ(count(protocol, "Intact TX block"), 2u);
}

TEST_F(Intact, EarlierAndDistantData) {
    // The first download starts at 5 kBytes; the next one starts more than
    // 4 kBytes before where the first ended.
    Gen3Builder b(3);
    b.open(itag(301, 6, 2, 5120, 5632, false)).intact_block(tx_block(0));
    b.open(itag(301, 6, 2, 512, 1024, false)).intact_block(tx_block(1));
    ASSERT_EQ(decode(b), 0);
    const std::string protocol = text("tag301.txt");
    EXPECT_NE(protocol.find("intact_interval:10\n"), std::string::npos);
    EXPECT_NE(protocol.find("maccess_voltlimit: 0 mV\n\n########## Important information:\n"
                            "Obviously the tag downloaded at least 5.00 kBytes to\nanother "
                            "memorycard and/or basestation\nbefore. This means that data\nmay be "
                            "distributed in different logger.bin-files.\n\n(data complete)\n"),
              std::string::npos);
    EXPECT_NE(protocol.find("maccess_voltlimit: 0 mV\n\n########## There is data missing, maybe "
                            "data\nis distributed on several\nmemorycards/basestations?\n"),
              std::string::npos);
    EXPECT_EQ(text("intact.txt"), tx_line(301, 0) + tx_line(301, 1));
}

TEST_F(Intact, AppendedDownloadsAreCutToWholeBlocks) {
    struct Case {
        uint32_t expected;
        uint32_t received;
        uint32_t decoded;
        const char* end_line;
    };
    // 960: the 448 bytes of the second block go. 1024: four whole radio packets
    // (980 bytes) do not end on a record, so the second block goes. 15872: 64
    // packets end on a record: nothing is cut.
    static constexpr Case kCases[] = {
        {2048, 960, 1,
         "The last download was not complete for tag302, there were 1088 bytes missing.\n"},
        {2048, 1024, 1,
         "The last download was not complete for tag302, there were 1024 bytes missing.\n"},
        {16384, 15872, 31,
         "The last download was not complete for tag302, there were 512 bytes missing.\n"},
        {1024, 1024, 2, "The last download for tag302 was a COMPLETE data download.\n"},
        {512, 1024, 2, "The last download for tag302 gave us 512 bytes more than expected.\n"},
    };
    for (const Case& c : kCases) {
        Gen3Builder b(6);
        b.open(itag(302, 6, 6, 0, c.expected, true));
        for (uint32_t k = 0; 512 * k < c.received; ++k) {
            b.intact_part(tx_block(k), std::min<size_t>(512, c.received - 512 * k));
        }
        ASSERT_EQ(decode(b), 0) << c.received;
        std::string lines;
        for (uint32_t k = 0; k < c.decoded; ++k) {
            lines += tx_line(302, k);
        }
        EXPECT_EQ(text("intact.txt"), lines) << c.received;
        const std::string protocol = text("tag302.txt");
        EXPECT_EQ(count(protocol, "Intact TX block"), c.decoded) << c.received;
        EXPECT_EQ(protocol.substr(protocol.size() - std::string(c.end_line).size()), c.end_line);
        EXPECT_EQ(count(protocol, "######### Error: (512 bytes data more than expected)\n"),
                  c.received > c.expected ? 1u : 0u);
    }
}

TEST_F(Intact, AppendedDownloadCutBetweenDownloads) {
    Gen3Builder b(6);
    b.open(itag(302, 6, 6, 0, 2048, true)).intact_block(tx_block(0)).intact_part(tx_block(1), 448);
    b.open(itag(302, 6, 6, 512, 1536, true, 20)).intact_block(tx_block(1)).intact_block(tx_block(2));
    ASSERT_EQ(decode(b), 0);
    EXPECT_EQ(text("intact.txt"), tx_line(302, 0) + tx_line(302, 1) + tx_line(302, 2));
    const std::string protocol = text("tag302.txt");
    EXPECT_NE(protocol.find("\nPrinting tag configuration at time of data download:\n"
                            "radio_interval:0\nintact_interval:20\nflags0:1\nflags1:0\n"
                            "configured as TX tag\n"),
              std::string::npos);
    EXPECT_NE(protocol.find("(data not complete, there were 1088 bytes missing.)\n"),
              std::string::npos);
    EXPECT_NE(protocol.find("The last download for tag302 was a COMPLETE data download.\n"),
              std::string::npos);
}

TEST_F(Intact, AppendedDataOffTheGridFailsTheTag) {
    // 192 bytes where 64 were offered: nothing is cut, and the image does not
    // end on a block.
    Gen3Builder b(6);
    b.open(itag(302, 6, 6, 0, 64, true)).intact_part(tx_block(0), 192);
    EXPECT_EQ(decode(b), -4);
    const std::string message =
        "######## Error: number_of_valid_bytes_on_output%512!=0:192\nPlease inform "
        "support@tavro.example\n";
    EXPECT_EQ(text("tag302.txt").substr(text("tag302.txt").size() - message.size() - 53),
              "######### Error: (128 bytes data more than expected)\n" + message);
    EXPECT_NE(out.find(message), std::string::npos);
    EXPECT_EQ(dir.list(), (std::vector<std::string>{"intact.txt", "logger.bin", "tag302.txt"}));
}

TEST_F(Intact, InvalidBlockTypeEndsTheProgram) {
    Gen3Builder b(3);
    Gen3IntactBlock bad = tx_block(1);
    bad[0] = 0x05;
    b.open(itag(301, 6, 2, 0, 1024, false)).intact_block(tx_block(0)).intact_block(bad);
    EXPECT_EQ(decode_fatal(b), INTERNAL_ERROR);
    const std::string protocol = text("tag301.txt");
    EXPECT_EQ(protocol.substr(protocol.size() - 46),
              "########### Invalid blocktype 0x05 addr 0x200\n");
    EXPECT_NE(out.find("########### Invalid blocktype 0x05 addr 0x200\nPress enter...\n"),
              std::string::npos);
    EXPECT_EQ(text("intact.txt"), tx_line(301, 0));
}

TEST_F(Intact, OldTxBlockIsInvalidForAppendedTags) {
    Gen3Builder b(6);
    b.open(itag(302, 6, 6, 0, 512, true))
        .intact_block(make_gen3_intact_block({.type = 129, .time = kT}));
    EXPECT_EQ(decode_fatal(b), INTERNAL_ERROR);
    EXPECT_NE(out.find("########### Invalid blocktype 0x81 addr 0x00\nPress enter...\n"),
              std::string::npos);
}

TEST_F(Intact, UnknownSoftwareVersion) {
    Gen3Builder b(3);
    b.open(itag(301, 6, 3, 0, 512, false)).intact_block(tx_block(0));
    EXPECT_EQ(decode(b), -4);
    EXPECT_NE(out.find("Interaction tag Software Vers. 3;\nUnknown tag software version\n"
                       "Unknown tag software version\n"),
              std::string::npos);
    EXPECT_EQ(dir.list(), std::vector<std::string>{"logger.bin"});
}

TEST_F(Intact, LaterDownloadMustMatchTheFirst) {
    // Type 6: a different software version fails the tag. Type 0 tags are taken
    // as they are.
    Gen3Builder b(3);
    b.open(itag(301, 6, 2, 0, 512, false)).intact_block(tx_block(0));
    b.open(itag(301, 6, 1, 512, 1024, false)).intact_block(tx_block(1));
    EXPECT_EQ(decode(b), -4);
    EXPECT_NE(out.find("############### Unexpected software_version ##############\n"),
              std::string::npos);
    EXPECT_EQ(text("tag301.txt").find("Now uncompressing"), std::string::npos);

    Gen3Builder legacy(3);
    legacy.open(itag(35, 0, 2, 0, 512, false)).intact_block(tx_block(0));
    legacy.open(itag(35, 0, 1, 512, 1024, false)).intact_block(tx_block(1));
    EXPECT_EQ(decode(legacy), 0);
    EXPECT_EQ(text("intact.txt"), tx_line(35, 0) + tx_line(35, 1));
}

TEST_F(Intact, ContactFileThatCannotBeOpened) {
    ASSERT_EQ(mkdir(dir.file("intact.txt").c_str(), 0700), 0);
    testing::write_bytes(dir.file("intact.txt/keep"), {1});
    Gen3Builder b(3);
    b.open(itag(35, 0, 0, 0, 512, false)).intact_block(tx_block(0));
    // The contact file is written aside; it cannot take its name at the end.
    EXPECT_EQ(decode(b), -4);
    EXPECT_NE(err.find("Couldn't rename output file: Is a directory\n"), std::string::npos);
    EXPECT_NE(out.find("Filename: intact.txt\n"), std::string::npos);
    EXPECT_EQ(dir.list(), (std::vector<std::string>{"intact.txt", "logger.bin", "tag35.txt"}));
    ASSERT_EQ(std::remove(dir.file("intact.txt/keep").c_str()), 0);
}

}  // namespace
}  // namespace dec

