// Tags decoded side by side give exactly what decoding them one after the
// other gives: console (both streams, in order), every file, the exit code,
// also when a tag in the middle stops the run.
#include "gen5/parallel_tags.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "expected_sections.h"
#include "folder_fixture.h"
#include "gen5/container.h"
#include "testsupport/container_builder.h"
#include "testsupport/example_container.h"
#include "testsupport/in_process.h"

namespace dec {
namespace {

using testing::ContainerBuilder;
using testing::OpenBlockFields;

// Decodes `container` with `args` (the input and output folder are added) in
// a fresh folder holding `before` files, on `workers` threads: the exit code,
// every file, both console streams apart and in the order written.
std::string decode(const std::vector<uint8_t>& container, std::vector<std::string> args, unsigned workers,
                   const std::map<std::string, std::string>& before = {},
                   const std::string& input_name = "logger.bin") {
    testing::TempDir dir;
    testing::write_bytes(dir.file(input_name), container);
    for (const auto& [name, text] : before) {
        testing::write_bytes(dir.file(name), std::vector<uint8_t>(text.begin(), text.end()));
    }
    if (args[0] != "-s") {
        args.push_back("-f");
    }
    args.insert(args.end(), {dir.file(input_name), "-d", dir.path()});
    const testing::InProcessResult r = testing::run_in_process(args, workers);
    return testing::outcome(dir, input_name, r.exit_code, r.out, r.err) + "--- in order\n" + r.both;
}

TEST(SideBySide, ExampleContainerInEveryKindOfOutput) {
    const auto container = testing::build_gen5_example({.tags_v10 = 4, .tags_v9 = 2, .tags_ecg = 2});
    const std::vector<std::vector<std::string>> runs = {{"-c", "2"}, {"-c", "3"}, {"-c", "9"},
                                                        {"-c", "h"}, {"-c", "m"}, {"-c", "6", "-a", "c"}};
    for (const auto& args : runs) {
        SCOPED_TRACE(args[1]);
        const std::string one = decode(container, args, 1);
        EXPECT_EQ(one.substr(0, 7), "exit 0\n");
        EXPECT_EQ(decode(container, args, 2), one);
        EXPECT_EQ(decode(container, args, 3), one);
    }
    // -s puts each tag's information text on the console.
    const std::string stamped = "2019-5-3-7-0-9_L000000012.bin";
    EXPECT_EQ(decode(container, {"-s"}, 3, {}, stamped), decode(container, {"-s"}, 1, {}, stamped));
}

// A run stopped by the third of five tags (an unknown software version, an
// unknown tag type): the tags decoded ahead leave no file, and files of their
// names from before the run keep their contents. The outcomes are sections of
// gen5/expected/stopped_runs.txt.
TEST(SideBySide, TagStoppingTheRunLeavesLaterFilesAlone) {
    testing::Sections got;
    for (const OpenBlockFields& stopper :
         {OpenBlockFields{.tag = 8, .sw_version = 11}, OpenBlockFields{.tag = 8, .tag_type = 9}}) {
        ContainerBuilder b;
        b.download(OpenBlockFields{.tag = 3}, 4).download(OpenBlockFields{.tag = 5}, 2);
        b.download(stopper, 2);
        b.download(OpenBlockFields{.tag = 12}, 3).download(OpenBlockFields{.tag = 14}, 3);
        const std::map<std::string, std::string> before = {{"tag12_gps.txt", "from before\n"},
                                                           {"info_tag14.txt", "old\n"}};
        const std::string side = decode(b.bytes(), {"-c", "2"}, 4, before);
        EXPECT_EQ(side, decode(b.bytes(), {"-c", "2"}, 1, before));
        got.emplace_back(stopper.sw_version == 11 ? "unknown software version" : "unknown tag type",
                         strip_settings(side));
    }
    testing::expect_sections("gen5/expected/stopped_runs.txt", got);
}

// Damaged containers stop or fail tags anywhere (settings checks, unknown
// versions, bad units): the outcome is still the one-after-the-other one.
TEST(SideBySide, DamagedContainersEndAsOneAfterTheOther) {
    const testing::ExampleOptions options{
        .tags_v10 = 3, .tags_v9 = 1, .tags_ecg = 1, .downloads = 1, .hours_per_download = 1};
    const std::vector<uint8_t> clean = testing::build_gen5_example(options);
    // Every other round hits an open block (the settings of a download).
    std::vector<size_t> open_blocks;
    for (size_t at = kHeaderSize; at + kOpenBlockSize <= clean.size(); at += kUnitSize) {
        if (is_open_block_unit(&clean[at])) {
            open_blocks.push_back(at);
        }
    }
    ASSERT_GE(open_blocks.size(), 5u);
    uint32_t r = 2024;
    for (int round = 0; round < 40; ++round) {
        std::vector<uint8_t> damaged = clean;
        for (int flips = 0; flips < 1 + round % 4; ++flips) {
            r = r * 1103515245u + 12345u;
            const size_t at = round % 2 == 1 ? open_blocks[(r >> 4) % open_blocks.size()] + 64 + (r >> 12) % 192
                                             : 512 + (r >> 4) % (damaged.size() - 512);
            damaged[at] = static_cast<uint8_t>(damaged[at] ^ (1u << (r % 8)));
        }
        SCOPED_TRACE(round);
        const std::vector<std::string> args = {"-c", round % 2 == 0 ? "3" : "9"};
        EXPECT_EQ(decode(damaged, args, 3), decode(damaged, args, 1));
    }
}

}  // namespace
}  // namespace dec
