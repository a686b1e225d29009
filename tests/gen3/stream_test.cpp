// Joining a generation-3 tag's downloads into the flash image.
#include "gen3/tag_stream.h"

#include <cstring>

#include "common/fatal.h"
#include "common/le.h"
#include "gen5/folder_fixture.h"
#include "testsupport/gen3_builder.h"

namespace dec {
namespace {

using testing::Gen3Record;

// The tag stream and the flash image held in memory.
class MemoryTagData final : public TagDataPath {
public:
    std::vector<uint8_t> raw;
    size_t raw_pos = 0;
    std::vector<uint8_t> image;
    size_t image_pos = 0;

    ssize_t raw_read(void* buf, size_t count) override {
        const size_t n = std::min(count, raw.size() - raw_pos);
        std::copy_n(raw.begin() + static_cast<long>(raw_pos), n, static_cast<uint8_t*>(buf));
        raw_pos += n;
        return static_cast<ssize_t>(n);
    }
    int raw_seek_back(size_t count) override {
        if (count > raw_pos) {
            return -1;
        }
        raw_pos -= count;
        return 0;
    }
    ssize_t image_write(const void* buf, size_t count, const char*) override {
        if (image.size() < image_pos + count) {
            image.resize(image_pos + count);
        }
        std::copy_n(static_cast<const uint8_t*>(buf), count, image.begin() + static_cast<long>(image_pos));
        image_pos += count;
        return static_cast<ssize_t>(count);
    }
    int image_seek_back(size_t count) override {
        if (count > image_pos) {
            return -1;
        }
        image_pos -= count;
        return 0;
    }
    ssize_t image_read(void* buf, size_t count) override {
        const size_t n = std::min(count, image.size() - image_pos);
        std::copy_n(image.begin() + static_cast<long>(image_pos), n, static_cast<uint8_t*>(buf));
        image_pos += n;
        return static_cast<ssize_t>(n);
    }
    int image_rewind() override {
        image_pos = 0;
        return 0;
    }
};

void no_config(Gen3Context&, const uint8_t*, uint32_t, OutStream&) {}

Gen3Record rec(uint32_t seed) { return testing::make_gen3_pattern_record(0x03, seed); }

class Gen3Joining : public ::testing::Test {
protected:
    // First download: records [0, first_count) at flash 0.
    void first(int first_count) {
        first_block_ = testing::make_gen3_open_block(
            {.tag = 12, .fufa = 0, .fffa = 64u * static_cast<uint32_t>(first_count)}, false);
        first_block_.resize(kGen3OpenBufferSize, 0);
        for (int i = 0; i < first_count; ++i) {
            add(rec(static_cast<uint32_t>(i)));
        }
    }
    void add(const Gen3Record& r) { data.raw.insert(data.raw.end(), r.begin(), r.end()); }
    void open(uint32_t fufa, uint32_t fffa) {
        const auto b = testing::make_gen3_open_block({.tag = 12, .fufa = fufa, .fffa = fffa}, false);
        data.raw.insert(data.raw.end(), b.begin(), b.end());
    }
    int join() {
        stream = std::make_unique<Gen3Stream>(
            Gen3Stream{ctx, data, info_stream, ACT_GPS, first_block_.data(), no_config, {}});
        start_gen3_stream(*stream);
        const int rv = join_downloads(*stream);
        info_stream.flush();
        return rv;
    }
    std::vector<uint8_t> records(std::initializer_list<Gen3Record> rs) {
        std::vector<uint8_t> v;
        for (const auto& r : rs) {
            v.insert(v.end(), r.begin(), r.end());
        }
        return v;
    }
    std::vector<uint8_t> range(uint32_t from, uint32_t to) {
        std::vector<uint8_t> v;
        for (uint32_t i = from; i < to; ++i) {
            const auto r = rec(i);
            v.insert(v.end(), r.begin(), r.end());
        }
        return v;
    }

    testing::FakePlatform sys;
    std::string out, err, info;
    Console con{sys, &out, &err};
    RunContext run{con};
    Gen3Context ctx{run};
    OutStream info_stream{&info};
    MemoryTagData data;
    std::vector<uint8_t> first_block_;
    std::unique_ptr<Gen3Stream> stream;
};

TEST_F(Gen3Joining, ExactRepeatIsWrittenOnce) {
    first(32);
    open(1024, 36 * 64);  // repeats the last 16 records
    for (uint32_t i = 16; i < 36; ++i) {
        add(rec(i));
    }
    ASSERT_EQ(join(), 0);
    EXPECT_EQ(data.image, range(0, 36));
    EXPECT_EQ(stream->st.decoder_flashaddr, 36u * 64);
    EXPECT_NE(info.find("(data complete)\n\nData download:\n"), std::string::npos);
    EXPECT_EQ(info.find("####"), std::string::npos);
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
    const size_t second = data.raw.size() - 20 * 64;
    expected.insert(expected.end(), data.raw.begin() + static_cast<long>(second), data.raw.end());
    EXPECT_EQ(data.image, expected);
}

TEST_F(Gen3Joining, ZeroTailIsFilledByTheRepeat) {
    first(31);
    auto last = rec(31);
    std::memset(last.data() + 32, 0, 32);  // not yet written when downloaded
    add(last);
    first_block_ = testing::make_gen3_open_block({.tag = 12, .fufa = 0, .fffa = 32 * 64}, false);
    first_block_.resize(kGen3OpenBufferSize, 0);
    open(1024, 34 * 64);
    for (uint32_t i = 16; i < 34; ++i) {
        add(rec(i));
    }
    ASSERT_EQ(join(), 0);
    EXPECT_EQ(data.image, range(0, 34));
}

TEST_F(Gen3Joining, GapOfEightKilobytes) {
    first(4);
    open(4 * 64 + 8192, 4 * 64 + 8192 + 128);
    add(rec(100));
    add(rec(101));
    ASSERT_EQ(join(), 0);
    EXPECT_NE(info.find("########## Missing at least 8.00 kBytes data!\nReason: Probably the tag "
                        "downloaded data\nto another basesstation. This means data\nis distributed "
                        "on different memory cards.\n"),
              std::string::npos);
    EXPECT_EQ(data.image, cat({range(0, 4), range(100, 102)}));
    EXPECT_EQ(stream->st.decoder_flashaddr, 4u * 64 + 8192 + 128);
}

TEST_F(Gen3Joining, RestartAtFlashAddressZero) {
    first(100);
    open(0, 64);
    add(rec(500));
    ASSERT_EQ(join(), 0);
    EXPECT_EQ(info.find("####"), std::string::npos);
    EXPECT_EQ(data.image, cat({range(0, 100), range(500, 501)}));
    EXPECT_EQ(stream->st.decoder_flashaddr, 64u);
}

TEST_F(Gen3Joining, LargeOverlapNotAtZeroIsReported) {
    first(100);
    open(64, 128);
    add(rec(500));
    ASSERT_EQ(join(), 0);
    EXPECT_NE(info.find("######### There is data missing, maybe data\nis distributed on "
                        "several\nmemorycards/basestations?\n"),
              std::string::npos);
}

TEST_F(Gen3Joining, EndLinesAndCompleteness) {
    first(2);
    open(128, 512);  // offers 6 records, delivers 1
    add(rec(2));
    ASSERT_EQ(join(), 0);
    EXPECT_NE(info.find("totalcount_written up to here: 0.19 kBytes, since last open: 0.06 "
                        "kBytes\n(data not complete, there were 320 bytes missing.)\nNow analysing "
                        "data:\n"),
              std::string::npos);
}

TEST_F(Gen3Joining, ForeignTagNumberStopsTheTag) {
    first(1);
    const auto b = testing::make_gen3_open_block({.tag = 13, .fufa = 64, .fffa = 128}, false);
    data.raw.insert(data.raw.end(), b.begin(), b.end());
    EXPECT_EQ(join(), -1);
    EXPECT_NE(info.find("############### Unexpected tagnumber ##############\n"),
              std::string::npos);
}

TEST_F(Gen3Joining, ImportantInformationForLaterStart) {
    first_block_ = testing::make_gen3_open_block({.tag = 12, .fufa = 2048, .fffa = 2048}, false);
    first_block_.resize(kGen3OpenBufferSize, 0);
    ASSERT_EQ(join(), 0);
    EXPECT_NE(info.find("Obviously the tag downloaded at least 2.00 kBytes to\n"),
              std::string::npos);
}

TEST(Gen3RepeatCheck, RulesOfTheComparison) {
    testing::FakePlatform sys;
    std::string out, err;
    Console con{sys, &out, &err};
    MemoryTagData d;
    const auto r = rec(1);
    d.image.assign(r.begin(), r.end());
    d.image_pos = 64;
    d.raw.assign(r.begin(), r.end());
    EXPECT_EQ(check_if_data_repeated(con, 64, 64, d, false), 1);
    EXPECT_EQ(d.raw_pos, 0u);  // the stream is read again by the joining
    EXPECT_EQ(check_if_data_repeated(con, 128, 64, d, false), 0);  // beyond what was written
    EXPECT_EQ(check_if_data_repeated(con, 0, 64, d, false), 0);
    // A window of more than 4 GiB still holds the overlap.
    EXPECT_EQ(check_if_data_repeated(con, 64, (uint64_t{1} << 32) + 32, d, false), 1);
    d.raw.clear();
    EXPECT_EQ(check_if_data_repeated(con, 64, 64, d, false), 2);  // nothing to compare
    EXPECT_THROW(check_if_data_repeated(con, 8192, 9000, d, false), FatalStop);
}

}  // namespace
}  // namespace dec
