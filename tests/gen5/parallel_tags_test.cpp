// Tags decoded side by side give exactly what decoding them one after the
// other gives: console (both streams, in order), every file, the exit code,
// also when a tag in the middle stops the run.
#include "gen5/parallel_tags.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "gen5/container.h"
#include "testsupport/cli_runner.h"
#include "testsupport/container_builder.h"
#include "testsupport/example_container.h"
#include "testsupport/in_process.h"

namespace dec {
namespace {

using testing::ContainerBuilder;
using testing::OpenBlockFields;
using testing::TempDir;

using Files = std::map<std::string, std::vector<uint8_t>>;

struct Outcome {
    testing::InProcessResult console;
    Files files;
};

// Decodes `container` with `args` (the input and output folder are added) in
// a fresh folder holding `before` files, on `workers` threads.
Outcome decode(const std::vector<uint8_t>& container, std::vector<std::string> args,
               unsigned workers, const std::map<std::string, std::string>& before = {},
               const std::string& input_name = "logger.bin") {
    TempDir dir;
    testing::write_bytes(dir.file(input_name), container);
    for (const auto& [name, text] : before) {
        testing::write_bytes(dir.file(name), std::vector<uint8_t>(text.begin(), text.end()));
    }
    if (args[0] != "-s") {
        args.push_back("-f");
    }
    args.insert(args.end(), {dir.file(input_name), "-d", dir.path()});
    Outcome o{testing::run_in_process(args, workers), {}};
    for (const std::string& name : dir.list()) {
        o.files[name] = testing::read_bytes(dir.file(name));
    }
    return o;
}

void expect_same(const Outcome& one_by_one, const Outcome& side_by_side) {
    EXPECT_EQ(side_by_side.console.exit_code, one_by_one.console.exit_code);
    EXPECT_EQ(side_by_side.console.both, one_by_one.console.both);
    EXPECT_EQ(side_by_side.console.out, one_by_one.console.out);
    EXPECT_EQ(side_by_side.console.err, one_by_one.console.err);
    EXPECT_TRUE(side_by_side.files == one_by_one.files);
}

TEST(SideBySide, ExampleContainerInEveryKindOfOutput) {
    testing::ExampleOptions options{.tags_v10 = 4, .tags_v9 = 2, .tags_ecg = 2};
    const std::vector<uint8_t> container = testing::build_gen5_example(options);
    const std::vector<std::vector<std::string>> runs = {
        {"-c", "2"}, {"-c", "3"}, {"-c", "9"}, {"-c", "h"}, {"-c", "m"}, {"-c", "6", "-a", "c"}};
    for (const auto& args : runs) {
        SCOPED_TRACE(args[1]);
        const Outcome one = decode(container, args, 1);
        EXPECT_EQ(one.console.exit_code, 0);
        for (unsigned workers : {2u, 3u}) {
            expect_same(one, decode(container, args, workers));
        }
    }
    // -s puts each tag's information text on the console.
    const Outcome one = decode(container, {"-s"}, 1, {}, "2019-5-3-7-0-9_L000000012.bin");
    expect_same(one, decode(container, {"-s"}, 3, {}, "2019-5-3-7-0-9_L000000012.bin"));
}

// A run stopped by the third of five tags: the tags decoded ahead leave no
// file, and files of their names from before the run keep their contents.
TEST(SideBySide, TagStoppingTheRunLeavesLaterFilesAlone) {
    struct Case {
        const char* name;
        OpenBlockFields stopper;
        int exit_code;
    };
    const Case cases[] = {
        {"unknown software version", OpenBlockFields{.tag = 8, .sw_version = 11}, 20},
        {"unknown tag type", OpenBlockFields{.tag = 8, .tag_type = 9}, 19},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ContainerBuilder b;
        b.download(OpenBlockFields{.tag = 3}, 4).download(OpenBlockFields{.tag = 5}, 2);
        b.download(c.stopper, 2);
        b.download(OpenBlockFields{.tag = 12}, 3).download(OpenBlockFields{.tag = 14}, 3);
        const std::map<std::string, std::string> before = {{"tag12_gps.txt", "from before\n"},
                                                           {"info_tag14.txt", "old\n"}};
        const Outcome one = decode(b.bytes(), {"-c", "2"}, 1, before);
        EXPECT_EQ(one.console.exit_code, c.exit_code);
        const Outcome side = decode(b.bytes(), {"-c", "2"}, 4, before);
        expect_same(one, side);
        EXPECT_EQ(side.files.at("tag12_gps.txt"),
                  std::vector<uint8_t>({'f', 'r', 'o', 'm', ' ', 'b', 'e', 'f', 'o', 'r', 'e', '\n'}));
        EXPECT_EQ(side.files.count("info_tag12.txt"), 0u);
    }
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
            const size_t at = round % 2 == 1
                                  ? open_blocks[(r >> 4) % open_blocks.size()] + 64 + (r >> 12) % 192
                                  : 512 + (r >> 4) % (damaged.size() - 512);
            damaged[at] = static_cast<uint8_t>(damaged[at] ^ (1u << (r % 8)));
        }
        SCOPED_TRACE(round);
        const std::vector<std::string> args = {"-c", round % 2 == 0 ? "3" : "9"};
        expect_same(decode(damaged, args, 1), decode(damaged, args, 3));
    }
}

}  // namespace
}  // namespace dec
