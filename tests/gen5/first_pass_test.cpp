// Joining a tag's downloads: whole information files of synthetic containers.
#include <gtest/gtest.h>

#include <string>

#include "testsupport/cli_runner.h"
#include "testsupport/container_builder.h"
#include "gen5_test_util.h"

namespace dec {
namespace {

using testing::ContainerBuilder;
using testing::make_pattern_unit;
using testing::OpenBlockFields;

TEST_F(TagInfoTest, ContiguousDownloads) {
    ContainerBuilder c;
    c.open(desc(0, 128));
    units(c, 0, 2);
    c.open(desc(128, 256));
    units(c, 2, 2);
    EXPECT_EQ(info_of(c), kHead + download(128, "0.000") + "(data complete)\n" +
                              download(128, "0.000") +
                              "totalcount up to here: 256 Bytes, since last open: 128 Bytes\n"
                              "(data complete)\n" +
                              kAnalysing +
                              "There were 4 b5 0xFE blocks.\n"
                              "The last download for tag17 was a COMPLETE data download.\n");
    EXPECT_EQ(result.exit_code, 0);
    EXPECT_NE(result.out.find("Processed 256 Bytes with 0 bad Bytes\n"), std::string::npos);
}

TEST_F(TagInfoTest, ResentDataIsWrittenOnce) {
    ContainerBuilder c;
    c.open(desc(0, 256));
    units(c, 0, 4);
    c.open(desc(128, 384));  // re-sends units 2 and 3
    units(c, 2, 4);
    const std::string text = info_of(c);
    EXPECT_EQ(text, kHead + download(256, "0.000") + "(data complete)\n" +
                        download(256, "0.000") +
                        "totalcount up to here: 512 Bytes, since last open: 256 Bytes\n"
                        "(data complete)\n" +
                        kAnalysing +
                        "There were 6 b5 0xFE blocks.\n"
                        "The last download for tag17 was a COMPLETE data download.\n");
    EXPECT_NE(result.out.find("Processed 384 Bytes with 0 bad Bytes\n"), std::string::npos);
}

TEST_F(TagInfoTest, ResentDataThatDiffersIsKeptTwice) {
    ContainerBuilder c;
    c.open(desc(0, 256));
    units(c, 0, 4);
    c.open(desc(128, 384));
    auto changed = make_pattern_unit(0xFE, 2);
    changed[40] ^= 1;
    c.unit(changed);
    units(c, 3, 3);
    const std::string text = info_of(c);
    EXPECT_NE(text.find("There were 8 b5 0xFE blocks.\n"), std::string::npos);
    EXPECT_NE(result.out.find("Processed 512 Bytes with 0 bad Bytes\n"), std::string::npos);
}

TEST_F(TagInfoTest, GapsAndLargeOverlaps) {
    ContainerBuilder c;
    c.open(desc(0, 128));
    units(c, 0, 2);
    c.open(desc(1152, 1280));  // 1024 bytes never arrived
    units(c, 18, 2);
    c.open(desc(64, 128));  // far behind the end (1280): not comparable
    units(c, 1, 1);
    c.open(desc(0, 64));  // restart from address 0: no message
    units(c, 0, 1);
    EXPECT_EQ(
        info_of(c),
        kHead + download(128, "0.000") + "(data complete)\n" + download(128, "0.001") +
            "########## Missing at least 1024 Bytes data!\nReason: Probably the tag downloaded "
            "data\nto another basesstation or over UMTS. This means data\nis distributed over "
            "different memory cards or files.\n"
            "(data complete)\n" +
            download(64, "0.000") + "(data complete)\n" + download(64, "0.000") +
            "totalcount up to here: 384 Bytes, since last open: 64 Bytes\n(data complete)\n" +
            kAnalysing +
            "There were 6 b5 0xFE blocks.\n"
            "The last download for tag17 was a COMPLETE data download.\n");
}

TEST_F(TagInfoTest, OverlapBeyondTheGoBackLimit) {
    ContainerBuilder c;
    c.open(desc(0, 64 * 80));
    units(c, 0, 80);  // ends at 5120
    c.open(desc(960, 1024));  // 4160 bytes back: more than can be compared
    units(c, 15, 1);
    const std::string text = info_of(c);
    EXPECT_NE(text.find(download(64, "0.001") +
                        "######### There is data missing, maybe data\nis distributed over "
                        "several\nmemorycards/basestations/UMTS files?\n"
                        "totalcount"),
              std::string::npos)
        << text;
    EXPECT_NE(result.out.find("Processed 5184 Bytes"), std::string::npos);
}

TEST_F(TagInfoTest, FirstDownloadNotFromAddressZero) {
    ContainerBuilder c;
    c.open(desc(0x10000, 0x10000 + 64));
    units(c, 0, 1);
    EXPECT_EQ(info_of(c), kHead + download(64, "0.063") +
                              "########### Important information:\nObviously the tag downloaded "
                              "at least 65536 Bytes data to\nanother memorycard and/or basestation "
                              "or over UMTS\nbefore. This means that data\nmay be distributed over "
                              "different logger.bin-files.\n\n"
                              "totalcount up to here: 64 Bytes, since last open: 64 Bytes\n"
                              "(data complete)\n" +
                              kAnalysing +
                              "There were 1 b5 0xFE blocks.\n"
                              "The last download for tag17 was a COMPLETE data download.\n");
}

TEST_F(TagInfoTest, EmptyUnitsAndCloseInformation) {
    for (int after : {3, 4, 5}) {
        ContainerBuilder c;
        c.open(desc(0, 1024));
        units(c, 0, 2);
        c.empty_units(1);  // 896 bytes before the announced end: in the middle
        units(c, 3, 10);
        c.empty_units(2);  // within the last 256 bytes: last radio packet
        c.close_info(1556866800).empty_units(after);
        const std::string text = info_of(c);
        std::string expected = kHead + download(1024, "0.001") + "\nClose info:\n\n" +
                               "totalcount up to here: 960 Bytes, since last open: 960 Bytes\n"
                               "empty blocks in the middle: 1\n"
                               "empty blocks in last radiopacket: 2\n";
        if (after != 4) {
            expected += "Error: empty blocks: " + std::to_string(after) + " after closeinfo\n";
        }
        expected += "(data not complete, there were 64 bytes missing.)\n" + kAnalysing +
                    "There were 12 b5 0xFE blocks.\n"
                    "The last download was not complete for tag17, there were 64 bytes "
                    "missing.\n";
        EXPECT_EQ(text, expected) << after;
    }
}

TEST_F(TagInfoTest, DamagedCloseInformationIsData) {
    ContainerBuilder c;
    c.open(desc(0, 128));
    units(c, 0, 1);
    c.block(testing::make_close_info(0xFF00, 5, 0x12345678));  // four units taken as data
    const auto cut = testing::make_close_info(0xFF00, 5);
    c.raw(cut.data(), 100);  // close information cut short by the end of the file
    const std::string text = info_of(c);
    EXPECT_NE(text.find("\nMagic 0x12345678 of close info not matching.\n"
                        "totalcount up to here: 384 Bytes, since last open: 384 Bytes\n"
                        "(data complete and 256 bytes data more than expected)\n"),
              std::string::npos)
        << text;
    // Both type-0x02 units and the three zero units of the first block are bad
    // units of the image; the 36 bytes of the cut block are lost.
    EXPECT_NE(result.out.find("Processed 384 Bytes with 320 bad Bytes\n"), std::string::npos);
    EXPECT_NE(result.out.find("\nSuccess, although there were 5 bad blocks.\n"), std::string::npos);
}

TEST_F(TagInfoTest, UnexpectedTagTypeInALaterDownload) {
    ContainerBuilder c;
    c.open(desc(0, 64));
    units(c, 0, 1);
    OpenBlockFields other = desc(64, 128);
    other.sw_version = 9;
    c.open(other);
    const std::string text = info_of(c);
    EXPECT_NE(text.find("############### B5: Unexpected software_version ##############\n"),
              std::string::npos);
    EXPECT_EQ(result.exit_code, 19);
}

}  // namespace
}  // namespace dec
