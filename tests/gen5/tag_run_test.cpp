// The per-tag run: output file set by action word, statistics line, temporary
// files, and the failures that stop a tag.
#include "gen5/tag_run.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>

#include "expected_sections.h"
#include "folder_fixture.h"
#include "gen3/gps_acc_run.h"
#include "gen3/tag_stream.h"
#include "gen5/second_pass.h"
#include "records/tag_output.h"
#include "testsupport/capture.h"

namespace dec {
namespace {

using testing::ContainerBuilder;
using testing::OpenBlockFields;
using testing::TempDir;

// Keys 1, 3 and m of all three kinds of tag are golden cases; here the other
// output sets and the time-stamped runs, on tags of the three loop kinds: 17
// (version 10), 5 (version 9), 40 (ECG). Time-stamped names prefix version-10
// tags only; -s writes their statistics file and prints their information on
// the console while the other loops keep their files. Each run's files,
// console and exit code are a section of gen5/expected/file_sets.txt.
TEST(FileSet, OneFileSetPerActionWord) {
    ContainerBuilder c;
    c.download(OpenBlockFields{.tag = 17}, 2);
    c.download(OpenBlockFields{.tag = 5, .sw_version = 9}, 2);
    c.download(OpenBlockFields{.tag = 40, .tag_type = 7, .sw_version = 1}, 2);
    c.download(OpenBlockFields{.tag = 17, .flash_start = 128}, 2);
    const std::string stamped = "2019-5-3-7-0-9_L000000012.bin";
    const std::vector<std::string> runs[] = {{"-c", "2", "-f", "logger.bin"},
                                             {"-c", "4", "-f", "logger.bin"},
                                             {"-c", "5", "-f", "logger.bin"},
                                             {"-c", "h", "-f", "logger.bin"},
                                             {"-m", stamped},
                                             {"-s", stamped}};
    testing::Sections got;
    for (const auto& args : runs) {
        TempDir dir;
        testing::write_bytes(dir.file(args.back()), c.bytes());
        const testing::CliResult r = testing::run_cli(kExe, args, dir.path());
        got.emplace_back(args[0] + " " + args[1],
                         strip_settings(testing::outcome(dir, args.back(), r.exit_code, r.out, r.err)));
    }
    testing::expect_sections("gen5/expected/file_sets.txt", got);
}

// End lines and statistics lines, kept as sections of gen5/expected/end_lines.txt.
// Byte counts beyond 4 GiB, of either container generation, are printed whole,
// never wrapped or negative. Decoding such a stream takes minutes, so the
// printers get the figures the loops would have counted.
using TagRunInProcess = FolderFixture;

TEST_F(TagRunInProcess, EndLinesOfFiguresTimesAndByteCountsBeyondFourGibibytes) {
    TagState s;
    s.connect_time = 1556866800;
    // 2019-05-03 07:00:00 to 09:30:00.
    // clang-format off
    s.stats = {.first_fix_time = 383900400, .last_fix_time = 383900400 + 9000, .gps_records = 10,
               .valid_fixes = 8, .attempts = 3, .attempt_valid_fixes = 2,
               .attempt_fix_time_sum = 100, .acc_bytes = 5000, .acc_bursts = 4,
               .activity_sum = 39.9, .quatcmp_bytes = 700, .battery_max = 4100,
               .battery_min = 3900, .battery_sum = 12001, .battery_count = 3};
    // clang-format on
    constexpr uint64_t k5GiB = uint64_t{5} << 30;
    StreamState more, fewer;
    more.since_last_open = k5GiB + 64;
    more.expected_bytes = 64;
    fewer.since_last_open = 128;
    fewer.expected_bytes = 0xFFFFFFC0;
    TagState seventeen;
    seventeen.tag_number = 17;
    TagState state;
    state.stats.acc_bytes = k5GiB;
    state.stats.quatcmp_bytes = k5GiB + 1;
    const std::pair<const char*, std::function<void(OutStream&)>> rows[] = {
        {"statistics line", [&](OutStream& o) { print_stats_line(o, 17, s); }},
        {"completeness, more", [&](OutStream& o) { print_completeness(o, 64, k5GiB + 64, kGen5Surplus); }},
        {"completeness, fewer", [&](OutStream& o) { print_completeness(o, 0xFFFFFFC0, 128, kGen5Surplus); }},
        // Below 4 GiB the surplus is the tag's 32-bit difference, read as signed.
        {"completeness, 3 GiB more", [&](OutStream& o) { print_completeness(o, 64, 0xC0000000, kGen5Surplus); }},
        {"last download, more", [&](OutStream& o) { print_last_download_line(o, seventeen, more); }},
        {"last download, fewer", [&](OutStream& o) { print_last_download_line(o, seventeen, fewer); }},
        {"gen3 completeness, more", [&](OutStream& o) { print_completeness(o, 64, k5GiB + 64, kGen3Surplus); }},
        {"gen3 completeness, fewer", [&](OutStream& o) { print_completeness(o, 0xFFFFFFC0, 128, kGen3Surplus); }},
        {"gen3 end of tag, more", [&](OutStream& o) { print_end_of_tag(o, 12, 64, k5GiB + 64); }},
        {"gen3 end of tag, fewer", [&](OutStream& o) { print_end_of_tag(o, 12, 0xFFFFFFC0, 128); }},
        {"gen3 processed kBytes", [&](OutStream& o) { print_processed_kbytes(o, k5GiB + 1023, (1u << 26) + 16); }},
        {"statistics line beyond 4 GiB", [&](OutStream& o) { print_stats_line(o, 17, state); }},
    };
    testing::Sections got;
    for (const auto& [name, print] : rows) {
        got.emplace_back(name, testing::capture(print));
    }
    testing::expect_sections("gen5/expected/end_lines.txt", got);
    // The state keeps what the last line said: a short download is not complete.
    testing::capture([&](OutStream& o) { print_last_download_line(o, seventeen, more); });
    EXPECT_TRUE(seventeen.last_download_complete);
    testing::capture([&](OutStream& o) { print_last_download_line(o, seventeen, fewer); });
    EXPECT_FALSE(seventeen.last_download_complete);

    // The summary of the generation-5 loops goes to the console.
    IndexedTagData data(con, folder(), 17);
    uint8_t open_block[256] = {};
    OutputSet outputs(sys, folder());
    TagOutput output(con, outputs, OutputPlan{}, TagLayout::v10, "", state);
    TagRun tag{run, data, open_block, output, state};
    state.processed_bytes = k5GiB;
    state.bad_units = (1u << 26) + 1;  // 4 GiB and one unit
    end_unit_loop(tag, 0);
    con.flush();
    EXPECT_EQ(out, "Processed 5368709120 Bytes with 4294967360 bad Bytes\n");
}

// Tag files that stop their tag: no open block after the header, cut short,
// of a foreign magic, missing. The temporary files are deleted.
TEST_F(TagRunInProcess, BrokenTagFiles) {
    testing::write_bytes(dir.file("tag2.tmp"), cat({testing::make_header(), vec(testing::make_pattern_unit(0x30, 1))}));
    testing::write_bytes(dir.file("tag3.tmp"), std::vector<uint8_t>(100, 0));
    testing::write_bytes(dir.file("tag4.tmp"), testing::make_header(0x79F02AC7));
    for (uint32_t tag = 2; tag <= 5; ++tag) {
        EXPECT_EQ(run_tag(run, tag), -1) << tag;
    }
    con.flush();
    EXPECT_EQ(out,
              "Unexpected data instead of open block\n"
              "Could read only 100 of first 512 Bytes of file.\nMagic doesn't match.\n");
    EXPECT_EQ(err, "Couldn't open file: No such file or directory\nFilename: tag5.tmp\n");
    EXPECT_EQ(dir.list(), std::vector<std::string>{});
}

}  // namespace
}  // namespace dec
