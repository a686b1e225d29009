// Splitting generation-3 containers into per-tag files.
#include "gen3/separate.h"

#include "expected_sections.h"
#include "folder_fixture.h"
#include "gen3/gen3.h"
#include "gen3/gps_acc_run.h"
#include "testsupport/gen3_builder.h"

namespace dec {
namespace {

using testing::Gen3Builder;
using testing::Gen3OpenFields;

class Gen3Separation : public FolderFixture {
  protected:
    int split(const Gen3Builder& b) {
        ctx.tag_files.remove_all();  // what an earlier split left
        b.write_file(input());
        const int rv = static_cast<int>(separate(ctx, input().c_str(), tags));
        con.flush();
        return rv;
    }
    Gen3Context ctx{run};
    uint32_t tags[kMaxTags];
};

// An open block that starts 10 bytes into a record: a V1.1 base station wrote
// an incomplete record in front of it. The dropped piece ends in 0x01, the
// first byte of the open-block signature, which must not hide the block.
Gen3Builder misaligned_container(int minor) {
    Gen3Builder b(minor);
    const uint8_t junk[10] = {9, 8, 7, 6, 5, 4, 3, 2, 1, 0x01};
    b.open({.tag = 1, .fufa = 0, .fffa = 64})
        .record(testing::make_gen3_pattern_record(0x31, 1))
        .raw(junk, sizeof junk)
        .open({.tag = 2, .fufa = 0, .fffa = 64})
        .record(testing::make_gen3_pattern_record(0x31, 2));
    return b;
}

TEST_F(Gen3Separation, V11RealignsToAnOpenBlockOffTheGrid) {
    ASSERT_EQ(split(misaligned_container(1)), 0);
    EXPECT_EQ(ctx.container_version, 3011u);
    EXPECT_EQ(std::vector<uint32_t>(tags, tags + 3), (std::vector<uint32_t>{1, 2, kNoTag}));
    for (const uint16_t t : {1, 2}) {
        EXPECT_EQ(
            file("tag" + std::to_string(t) + ".tmp"),
            cat({testing::make_gen3_header(1), testing::make_gen3_open_block({.tag = t, .fufa = 0, .fffa = 64}, false),
                 vec(testing::make_gen3_pattern_record(0x31, t))}));
    }
    EXPECT_EQ(out, "Separating data...\nSeparating data finished.\n");
}

TEST_F(Gen3Separation, V10ReadsTheSameBytesOnTheFixedGrid) {
    const Gen3Builder b = misaligned_container(0);
    ASSERT_EQ(split(b), 0);
    EXPECT_EQ(ctx.container_version, 3010u);
    EXPECT_EQ(std::vector<uint32_t>(tags, tags + 2), (std::vector<uint32_t>{1, kNoTag}));
    // Header, open block, record and the two records that the open block of
    // tag 2 straddles; the trailing 10 bytes are no record.
    EXPECT_EQ(file("tag1.tmp"), std::vector<uint8_t>(b.bytes().begin(), b.bytes().begin() + 768));
}

TEST_F(Gen3Separation, TrailingPiecesAreIgnored) {
    for (size_t piece : {size_t{1}, size_t{37}, size_t{63}}) {
        Gen3Builder b(3);
        b.open({.tag = 4, .fufa = 0x1234, .fffa = 0x1300}).record(testing::make_gen3_pattern_record(0x30, 3));
        const std::vector<uint8_t> tail(piece, 0x55);
        b.raw(tail.data(), tail.size());
        out.clear();
        ASSERT_EQ(split(b), 0) << piece;
        auto open = testing::make_gen3_open_block({.tag = 4, .fufa = 0x1200, .fffa = 0x1300}, false);
        EXPECT_EQ(file("tag4.tmp"),
                  cat({testing::make_gen3_header(3), open, vec(testing::make_gen3_pattern_record(0x30, 3))}))
            << piece;
        EXPECT_TRUE(contains(out, "Separating data finished.\n"));
    }
}

TEST_F(Gen3Separation, LongOpenBlockCutShortIsData) {
    const auto head = testing::make_gen3_open_block({.tag = 9}, true);
    for (size_t kept : {size_t{64}, size_t{128}}) {
        Gen3Builder b(5);
        b.open({.tag = 3, .fufa = 0, .fffa = 128}).record(testing::make_gen3_pattern_record(0x31, 5));
        b.raw(head.data(), kept);
        ASSERT_EQ(split(b), 0) << kept;
        EXPECT_EQ(tags[1], kNoTag);
        // Every record behind the cut block stays with tag 3.
        EXPECT_EQ(file("tag3.tmp"), b.bytes()) << kept;
    }
}

// Containers the separation refuses: the return value, the version taken, the
// number of files in the folder and the console, kept as sections of gen3/expected/separation_refused.txt.
// A thousand tags fit, and a known tag is always accepted.
TEST_F(Gen3Separation, RefusedContainersAndAThousandTagsThatFit) {
    Gen3Builder thousand(4);
    for (int t = 0; t < 1000; ++t) {
        thousand.open({.tag = static_cast<uint16_t>(t + 100)});
    }
    Gen3Builder thousand_and_one = thousand;
    thousand_and_one.open({.tag = 1100});
    const std::pair<const char*, Gen3Builder> cases[] = {
        {"unknown version text",
         Gen3Builder(7, testing::make_gen3_header(7, 0, "x", 0x300, 0x13FA95B7)).open({.tag = 4})},
        {"magic of another version",
         Gen3Builder(5, testing::make_gen3_header(5, 0, "x", 0x300, 0x17FA95B3)).open({.tag = 4})},
        {"data before any open block", Gen3Builder(2).record(testing::make_gen3_pattern_record(0x31, 1))},
        {"a thousand and one tags", thousand_and_one},
    };
    testing::Sections got;
    for (const auto& [name, b] : cases) {
        out.clear();
        const int rv = split(b);
        got.emplace_back(name, "rv " + std::to_string(rv) + ", version " + std::to_string(ctx.container_version) +
                                   ", files in the folder " + std::to_string(dir.list().size()) + "\n" + out);
    }
    testing::expect_sections("gen3/expected/separation_refused.txt", got);
    // An empty body has no tag.
    testing::write_bytes(input(), testing::make_gen3_header(6));
    EXPECT_EQ(separate_gen3(run, input().c_str(), output_plan_of(ACT_GPS)), ContainerResult::no_tag_data);

    thousand.open({.tag = 100});
    EXPECT_EQ(split(thousand), 0);
    EXPECT_EQ(tags[999], 1099u);
    EXPECT_EQ(file("tag100.tmp").size(), 512u + 2 * 64u);
}

// The variants of a tag follow its number and its first open block: early and
// one-axis tags and old interaction tags are taken as they are (no version
// check), the others by their software version.
TEST(Gen3TagPlan, VariantsFollowTheTagNumberAndFirstBlock) {
    struct Case {
        uint32_t tag;
        uint8_t type, version;
        bool early, z_axis, legacy, checked, subtype;
    };
    static constexpr Case kCases[] = {
        {2, 4, 5, false, false, false, false, false}, {3, 4, 8, true, false, true, false, false},
        {5, 4, 8, true, false, true, false, false},   {8, 4, 8, true, true, true, false, false},
        {9, 4, 6, false, false, false, true, false},  {19, 4, 8, false, true, true, false, false},
        {22, 4, 8, false, true, true, false, false},  {23, 4, 7, false, false, false, true, true},
        {25, 4, 8, false, true, true, false, false},  {30, 4, 8, false, true, true, false, false},
        {31, 5, 8, false, false, false, true, true},  {34, 0, 8, false, false, true, false, false},
        {36, 0, 1, false, false, true, false, false}, {37, 0, 8, false, false, false, true, true},
        {34, 6, 8, false, false, false, true, true},
    };
    for (const Case& c : kCases) {
        for (bool in : {false, true}) {
            OutputPlan plan = output_plan_of(ACT_GPS);
            Gen3TagVariant& v = plan.gen3;
            v.early_tag = v.z_axis_tag = v.legacy = v.acc_checked = v.sysinfo_subtype = in;
            Gen3OpenBlock first;
            first.tag_type = c.type;
            first.sw_version = c.version;
            const OutputPlan got = plan_for_tag(plan, c.tag, first);
            EXPECT_EQ(got.gen3.early_tag, c.early) << c.tag;
            EXPECT_EQ(got.gen3.z_axis_tag, c.z_axis) << c.tag;
            EXPECT_EQ(got.gen3.legacy, c.legacy) << c.tag;
            EXPECT_EQ(got.gen3.acc_checked, c.checked) << c.tag;
            EXPECT_EQ(got.gen3.sysinfo_subtype, c.subtype) << c.tag;
            EXPECT_TRUE(got.gps) << c.tag;
        }
    }
}

}  // namespace
}  // namespace dec
