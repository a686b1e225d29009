// Joining a generation-3 tag's downloads into the flash image.
#include "gen3/tag_stream.h"

#include <cstring>

#include "common/fatal.h"
#include "gen5/folder_fixture.h"
#include "testsupport/gen3_builder.h"

namespace dec {
namespace {

using testing::Gen3Record;

void no_config(Gen3Context&, const uint8_t*, uint32_t, OutStream&) {}

Gen3Record rec(uint32_t seed) { return testing::make_gen3_pattern_record(0x03, seed); }

// The tag stream in tag12.tmp, the flash image in its own temporary file.
class Gen3Joining : public FolderFixture {
protected:
    void SetUp() override {
        FolderFixture::SetUp();
        ASSERT_EQ(chdir(dir.path().c_str()), 0);
    }
    void TearDown() override {
        data.close_and_remove();
        FolderFixture::TearDown();
    }
    // First download: records [0, first_count) at flash 0.
    void first(uint32_t first_count) {
        first_open(0, 64 * first_count);
        add(0, first_count);
    }
    void first_open(uint32_t fufa, uint32_t fffa) {
        first_block_ =
            testing::make_gen3_open_block({.tag = 12, .fufa = fufa, .fffa = fffa}, false);
        first_block_.resize(kGen3OpenBufferSize, 0);
    }
    void add(const Gen3Record& r) { raw.insert(raw.end(), r.begin(), r.end()); }
    // Records [from, to).
    void add(uint32_t from, uint32_t to) {
        const auto v = range(from, to);
        raw.insert(raw.end(), v.begin(), v.end());
    }
    void open(uint32_t fufa, uint32_t fffa, uint16_t tag = 12) {
        const auto b = testing::make_gen3_open_block({.tag = tag, .fufa = fufa, .fffa = fffa}, false);
        raw.insert(raw.end(), b.begin(), b.end());
    }
    void open_files() {
        testing::write_bytes(dir.file("tag12.tmp"), raw);
        ASSERT_EQ(data.open_raw(), 0);
        ASSERT_EQ(data.create_image(), 0);
    }
    int join() {
        open_files();
        stream = std::make_unique<Gen3Stream>(
            Gen3Stream{ctx, data, info_stream, ACT_GPS, first_block_.data(), no_config, {}});
        start_gen3_stream(*stream);
        const int rv = join_downloads(*stream);
        info_stream.flush();
        return rv;
    }
    std::vector<uint8_t> image() {
        EXPECT_EQ(data.image_rewind(), 0);
        std::vector<uint8_t> all(1 << 16);
        const ssize_t n = data.image_read(all.data(), all.size());
        all.resize(static_cast<size_t>(std::max<ssize_t>(n, 0)));
        return all;
    }
    std::vector<uint8_t> range(uint32_t from, uint32_t to) {
        std::vector<uint8_t> v;
        for (uint32_t i = from; i < to; ++i) {
            const auto r = rec(i);
            v.insert(v.end(), r.begin(), r.end());
        }
        return v;
    }

    std::string info;
    Gen3Context ctx{run};
    OutStream info_stream{&info};
    TempFileTagData data{con, 12};
    std::vector<uint8_t> raw;
    std::vector<uint8_t> first_block_;
    std::unique_ptr<Gen3Stream> stream;
};

TEST_F(Gen3Joining, ExactRepeatIsWrittenOnce) {
    first(32);
    open(1024, 36 * 64);  // repeats the last 16 records
    add(16, 36);
    ASSERT_EQ(join(), 0);
    EXPECT_EQ(image(), range(0, 36));
    EXPECT_EQ(stream->st.decoder_flashaddr, 36u * 64);
    EXPECT_TRUE(contains(info, "(data complete)\n\nData download:\n"));
    EXPECT_FALSE(contains(info, "####"));
}

TEST_F(Gen3Joining, ChangedRepeatIsAppended) {
    first(32);
    open(1024, 36 * 64);
    for (uint32_t i = 16; i < 36; ++i) {
        auto r = rec(i);
        if (i == 20) {
            r[5] = static_cast<uint8_t>(r[5] == 0x77 ? 0x78 : 0x77);
        }
        add(r);
    }
    ASSERT_EQ(join(), 0);
    std::vector<uint8_t> expected = range(0, 32);
    const size_t second = raw.size() - 20 * 64;
    expected.insert(expected.end(), raw.begin() + static_cast<long>(second), raw.end());
    EXPECT_EQ(image(), expected);
}

TEST_F(Gen3Joining, ZeroTailIsFilledByTheRepeat) {
    first(31);
    auto last = rec(31);
    std::memset(last.data() + 32, 0, 32);  // not yet written when downloaded
    add(last);
    first_open(0, 32 * 64);
    open(1024, 34 * 64);
    add(16, 34);
    ASSERT_EQ(join(), 0);
    EXPECT_EQ(image(), range(0, 34));
}

TEST_F(Gen3Joining, GapOfEightKilobytes) {
    first(4);
    open(4 * 64 + 8192, 4 * 64 + 8192 + 128);
    add(100, 102);
    ASSERT_EQ(join(), 0);
    EXPECT_TRUE(contains(info,
                         "########## Missing at least 8.00 kBytes data!\nReason: Probably the tag "
                         "downloaded data\nto another basesstation. This means data\nis "
                         "distributed on different memory cards.\n"));
    EXPECT_EQ(image(), cat({range(0, 4), range(100, 102)}));
    EXPECT_EQ(stream->st.decoder_flashaddr, 4u * 64 + 8192 + 128);
}

TEST_F(Gen3Joining, RestartAtFlashAddressZero) {
    first(100);
    open(0, 64);
    add(rec(500));
    ASSERT_EQ(join(), 0);
    EXPECT_FALSE(contains(info, "####"));
    EXPECT_EQ(image(), cat({range(0, 100), range(500, 501)}));
    EXPECT_EQ(stream->st.decoder_flashaddr, 64u);
}

TEST_F(Gen3Joining, LargeOverlapNotAtZeroIsReported) {
    first(100);
    open(64, 128);
    add(rec(500));
    ASSERT_EQ(join(), 0);
    EXPECT_TRUE(contains(info, "######### There is data missing, maybe data\nis distributed on "
                               "several\nmemorycards/basestations?\n"));
}

TEST_F(Gen3Joining, EndLinesAndCompleteness) {
    first(2);
    open(128, 512);  // offers 6 records, delivers 1
    add(rec(2));
    ASSERT_EQ(join(), 0);
    EXPECT_TRUE(contains(info,
                         "totalcount_written up to here: 0.19 kBytes, since last open: 0.06 "
                         "kBytes\n(data not complete, there were 320 bytes missing.)\nNow "
                         "analysing data:\n"));
}

TEST_F(Gen3Joining, ForeignTagNumberStopsTheTag) {
    first(1);
    open(64, 128, 13);
    EXPECT_EQ(join(), -1);
    EXPECT_TRUE(contains(info, "############### Unexpected tagnumber ##############\n"));
}

TEST_F(Gen3Joining, ImportantInformationForLaterStart) {
    first_open(2048, 2048);
    ASSERT_EQ(join(), 0);
    EXPECT_TRUE(contains(info, "Obviously the tag downloaded at least 2.00 kBytes to\n"));
}

TEST_F(Gen3Joining, RulesOfTheRepeatCheck) {
    const auto r = rec(1);
    add(r);
    open_files();
    ASSERT_EQ(data.image_write(r.data(), 64, "w"), 64);
    EXPECT_EQ(check_if_data_repeated(con, 64, 64, data, false), 1);
    EXPECT_EQ(check_if_data_repeated(con, 128, 64, data, false), 0);  // beyond what was written
    EXPECT_EQ(check_if_data_repeated(con, 0, 64, data, false), 0);
    // A window of more than 4 GiB still holds the overlap.
    EXPECT_EQ(check_if_data_repeated(con, 64, (uint64_t{1} << 32) + 32, data, false), 1);
    // The stream is read again by the joining.
    uint8_t again[64];
    ASSERT_EQ(data.raw_read(again, 64), 64);
    EXPECT_EQ(std::vector<uint8_t>(again, again + 64), std::vector<uint8_t>(r.begin(), r.end()));
    EXPECT_EQ(check_if_data_repeated(con, 64, 64, data, false), 2);  // nothing to compare
    EXPECT_THROW(check_if_data_repeated(con, 8192, 9000, data, false), FatalStop);
}

}  // namespace
}  // namespace dec
