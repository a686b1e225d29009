// The per-tag run: output file set by action word, statistics line, temporary
// files, and the failures that stop a tag.
#include "gen5/tag_run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <functional>
#include <map>

#include "gen3/gps_acc_run.h"
#include "gen3/tag_stream.h"
#include "gen5/second_pass.h"
#include "expected_sections.h"
#include "testsupport/capture.h"
#include "folder_fixture.h"
#include "gen5_test_util.h"

namespace dec {
namespace {

using testing::CliResult;
using testing::ContainerBuilder;
using testing::OpenBlockFields;
using testing::TempDir;
using Files = std::vector<std::string>;

const std::string kVersionLine = "Data decoder version v21 compiled (w)Feb 20 2025 09:55:15\n";
const std::string kTimeStamped = "2019-5-3-7-0-9_L000000012.bin";

// Tags of the three loop kinds: 17 (version 10), 5 (version 9), 40 (ECG).
std::vector<uint8_t> three_tags() {
    ContainerBuilder c;
    c.download(OpenBlockFields{.tag = 17}, 2);
    c.download(OpenBlockFields{.tag = 5, .sw_version = 9}, 2);
    c.download(OpenBlockFields{.tag = 40, .tag_type = 7, .sw_version = 1}, 2);
    c.download(OpenBlockFields{.tag = 17, .flash_start = 128}, 2);
    return c.bytes();
}

class FileSet : public ::testing::Test {
protected:
    // Runs the decoder on three_tags() in a fresh directory and lists its files.
    Files files_of(const std::vector<std::string>& args, const std::string& input = "logger.bin") {
        TempDir dir;
        testing::write_bytes(dir.file(input), three_tags());
        std::vector<std::string> all = args;
        all.push_back(input);
        last = testing::run_cli(kExe, all, dir.path());
        EXPECT_EQ(last.exit_code, 0) << last.out << last.err;
        Files names;
        for (const std::string& n : dir.list()) {
            if (n != input) {
                names.push_back(n);
            }
            if (n.rfind("stat_", 0) == 0 || n.rfind("info_", 0) == 0) {
                contents[n] = testing::read_text(dir.file(n));
            }
        }
        return names;
    }
    CliResult last;
    std::map<std::string, std::string> contents;
};

// Keys 1, 3 and m of all three kinds of tag are golden cases.
TEST_F(FileSet, OneFileSetPerActionWord) {
    const std::pair<const char*, Files> kKeys[] = {
        {"2", {"tag17_gps.txt", "tag40_ecg.txt", "tag5_gps.txt"}},
        {"4", {"tag17.gpx", "tag40_ecg.txt", "tag5.gpx"}},
        {"5", {"tag17.kml", "tag40_ecg.txt", "tag5.kml"}},
        {"h", {"tag17_accdft.txt", "tag40_ecg.txt", "tag5_accdft.txt"}},
    };
    for (auto [key, files] : kKeys) {
        files.insert(files.end(), {"info_tag17.txt", "info_tag40.txt", "info_tag5.txt"});
        std::sort(files.begin(), files.end());
        EXPECT_EQ(files_of({"-c", key, "-f"}), files) << key;
    }
}

TEST_F(FileSet, TimeStampedNamesPrefixVersion10TagsOnly) {
    EXPECT_EQ(files_of({"-m"}, kTimeStamped),
              (Files{"2019-05-03-07-00-09_tag17_acc.txt", "2019-05-03-07-00-09_tag17_gps.txt",
                     "2019-05-03-07-00-09_tag17_magnetic.txt",
                     "2019-05-03-07-00-09_tag17_quat.txt", "info_2019-05-03-07-00-09_tag17.txt",
                     "info_tag40.txt", "info_tag5.txt", "tag40_ecg.txt", "tag5_acc.txt",
                     "tag5_gps.txt"}));
}

TEST_F(FileSet, StatisticsLineRun) {
    // Version-10 tags write only their statistics file and print their
    // information on the console; the other loops keep their files.
    EXPECT_EQ(files_of({"-s"}, kTimeStamped),
              (Files{"info_tag40.txt", "info_tag5.txt", "stat_2019-05-03-07-00-09_tag17.txt",
                     "tag40_ecg.txt", "tag5.txt"}));
    EXPECT_EQ(contents["stat_2019-05-03-07-00-09_tag17.txt"],
              "STATS,17,(NULL),2007-03-04 00:00:00,2007-03-04 00:00:00,0.00,0,0,0,0,0,0.0,0,0,0,"
              "100000,0,0,0\n");
    const std::string head =
        "****************************************************\n"
        "B5:Separating data...\n"
        "B5:Separating data finished, 512 Bytes = 0 kBytes written.\n"
        "---------- B5:Unpacking data for tag17 ----------------\n" +
        kVersionLine + "Going through data:\n";
    EXPECT_EQ(last.out.substr(0, head.size()), head);
    EXPECT_TRUE(contains(last.out, "The last download for tag17 was a COMPLETE data download.\n"
                                   "---------- B5:Unpacking data for tag5 ----------------\n"));
    EXPECT_EQ(last.out.substr(last.out.size() - 16), "\nSuper success.\n");
}

// End lines and statistics lines, kept as sections of gen5/expected/end_lines.txt.
// Byte counts beyond 4 GiB, of either container generation, are printed whole,
// never wrapped or negative. Decoding such a stream takes minutes, so the
// printers get the figures the loops would have counted.
TEST(EndLines, FiguresTimesAndByteCountsBeyondFourGibibytes) {
    TagState s;
    s.connect_time = 1556866800;
    // 2019-05-03 07:00:00 to 09:30:00.
    s.stats = {.first_fix_time = 383900400, .last_fix_time = 383900400 + 9000, .gps_records = 10,
               .valid_fixes = 8, .attempts = 3, .attempt_valid_fixes = 2,
               .attempt_fix_time_sum = 100, .acc_bytes = 5000, .acc_bursts = 4,
               .activity_sum = 39.9, .quatcmp_bytes = 700, .battery_max = 4100,
               .battery_min = 3900, .battery_sum = 12001, .battery_count = 3};
    constexpr uint64_t k5GiB = uint64_t{5} << 30;
    StreamState more, fewer;
    more.since_last_open = k5GiB + 64;
    more.expected_bytes = 64;
    fewer.since_last_open = 128;
    fewer.expected_bytes = 0xFFFFFFC0;
    TagState state;
    state.stats.acc_bytes = k5GiB;
    state.stats.quatcmp_bytes = k5GiB + 1;
    const std::pair<const char*, std::function<void(OutStream&)>> rows[] = {
        {"statistics line", [&](OutStream& o) { print_stats_line(o, 17, s); }},
        {"completeness, more", [&](OutStream& o) { print_completeness_line(o, k5GiB + 64, 64); }},
        {"completeness, fewer", [&](OutStream& o) { print_completeness_line(o, 128, 0xFFFFFFC0); }},
        {"last download, more", [&](OutStream& o) { print_last_download_line(o, 17, more); }},
        {"last download, fewer", [&](OutStream& o) { print_last_download_line(o, 17, fewer); }},
        {"gen3 completeness, more", [&](OutStream& o) { print_completeness(o, 64, k5GiB + 64); }},
        {"gen3 completeness, fewer", [&](OutStream& o) { print_completeness(o, 0xFFFFFFC0, 128); }},
        {"gen3 end of tag, more", [&](OutStream& o) { print_end_of_tag(o, 12, 64, k5GiB + 64); }},
        {"gen3 end of tag, fewer", [&](OutStream& o) { print_end_of_tag(o, 12, 0xFFFFFFC0, 128); }},
        {"gen3 processed kBytes",
         [&](OutStream& o) { print_processed_kbytes(o, k5GiB + 1023, (1u << 26) + 16); }},
        {"statistics line beyond 4 GiB", [&](OutStream& o) { print_stats_line(o, 17, state); }},
    };
    testing::Sections got;
    for (const auto& [name, print] : rows) {
        got.emplace_back(name, testing::capture(print));
    }
    testing::expect_sections("gen5/expected/end_lines.txt", got);

    // The summary of the generation-5 loops goes to the console.
    testing::FakePlatform sys;
    std::string out, err;
    Console con(sys, &out, &err);
    RunContext run(con);
    IndexedTagData data(con, 17);
    uint8_t open_block[256] = {};
    TagRun tag{run, data, open_block, 0, state, {}};
    state.processed_bytes = k5GiB;
    state.bad_units = (1u << 26) + 1;  // 4 GiB and one unit
    end_unit_loop(tag, 0);
    con.flush();
    EXPECT_EQ(out, "Processed 5368709120 Bytes with 4294967360 bad Bytes\n");
}

class TagRunInProcess : public FolderFixture {
protected:
    void SetUp() override {
        FolderFixture::SetUp();
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
    }
};

TEST_F(TagRunInProcess, TagFileWithoutOpenBlock) {
    std::vector<uint8_t> bytes = testing::make_header();
    const auto unit = testing::make_pattern_unit(0x30, 1);
    bytes.insert(bytes.end(), unit.begin(), unit.end());
    testing::write_bytes(dir.file("tag3.tmp"), bytes);
    EXPECT_EQ(run_tag(run, 3, 2, ""), -1);
    con.flush();
    EXPECT_EQ(out, "Unexpected data instead of open block\n");
    EXPECT_EQ(dir.list(), Files{});  // the temporary file deleted
}

TEST_F(TagRunInProcess, ShortOrForeignTagFile) {
    testing::write_bytes(dir.file("tag3.tmp"), std::vector<uint8_t>(100, 0));
    EXPECT_EQ(run_tag(run, 3, 2, ""), -1);
    testing::write_bytes(dir.file("tag4.tmp"), testing::make_header(0x79F02AC7));
    EXPECT_EQ(run_tag(run, 4, 2, ""), -1);
    EXPECT_EQ(run_tag(run, 5, 2, ""), -1);  // no such file
    con.flush();
    EXPECT_EQ(out, "Could read only 100 of first 512 Bytes of file.\nMagic doesn't match.\n");
    EXPECT_EQ(err, "Couldn't open file: No such file or directory\n");
    EXPECT_EQ(dir.list(), Files{});
}

}  // namespace
}  // namespace dec
