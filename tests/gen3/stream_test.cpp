// Joining a generation-3 tag's downloads into the flash image.
#include <cstring>

#include "common/fatal.h"
#include "expected_sections.h"
#include "folder_fixture.h"
#include "gen3/tag_stream.h"
#include "testsupport/gen3_builder.h"

namespace dec {
namespace {

using testing::Gen3Record;

void no_config(Gen3Context&, const uint8_t*, const OutputPlan&, OutStream&) {}

Gen3Record rec(uint32_t seed) {
    return testing::make_gen3_pattern_record(0x03, seed);
}

// The tag stream in tag12.tmp, the flash image in its own temporary file.
class Gen3Joining : public FolderFixture {
  public:
    void TearDown() override { data.close_and_remove(); }
    // First download: records [0, first_count) at flash 0.
    void first(uint32_t first_count) {
        first_open(0, 64 * first_count);
        add(0, first_count);
    }
    void first_open(uint32_t fufa, uint32_t fffa) {
        first_block_ = testing::make_gen3_open_block({.tag = 12, .fufa = fufa, .fffa = fffa}, false);
        first_block_.resize(kGen3OpenBufferSize, 0);
    }
    void add(const Gen3Record& r) { raw.insert(raw.end(), r.begin(), r.end()); }
    // Records [from, to).
    void add(uint32_t from, uint32_t to) {
        for (uint32_t i = from; i < to; ++i) {
            add(rec(i));
        }
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
    // The return value, the stream's flash address, the image as the seeds of
    // its records (anything else in hex), then the information text.
    std::string join() {
        open_files();
        Gen3Stream stream{ctx, data, info_stream, output_plan_of(ACT_GPS), first_block_.data(), no_config, {}};
        start_gen3_stream(stream);
        const int rv = join_downloads(stream);
        info_stream.flush();
        EXPECT_EQ(data.image_rewind(), 0);
        std::vector<uint8_t> image(1 << 16);
        image.resize(static_cast<size_t>(std::max<ssize_t>(data.image_read(image.data(), image.size()), 0)));
        std::string s = "rv " + std::to_string(rv) + ", next flash address " +
                        std::to_string(stream.st.decoder_flashaddr) + "\nimage";
        for (size_t at = 0; at < image.size(); at += 64) {
            const std::vector<uint8_t> piece(image.begin() + static_cast<long>(at),
                                             image.begin() + static_cast<long>(std::min(at + 64, image.size())));
            uint32_t seed = 0;
            while (seed < 250 && piece != vec(rec(seed))) {
                ++seed;
            }
            s += " ";
            if (seed < 250) {
                s += std::to_string(seed);
                continue;
            }
            for (uint8_t b : piece) {
                s += "0123456789abcdef"[b >> 4];
                s += "0123456789abcdef"[b & 15];
            }
        }
        return s + "\n" + info;
    }

    std::string info;
    Gen3Context ctx{run};
    OutStream info_stream{&info};
    TempFileTagData data{con, folder(), 12};
    std::vector<uint8_t> raw;
    std::vector<uint8_t> first_block_;
};

// Each case builds the tag stream in a fresh fixture; the outcomes are the
// sections of gen3/expected/joining.txt.
struct JoiningCase {
    const char* name;
    void (*build)(Gen3Joining&);
};

struct JoiningRun final : Gen3Joining {
    void TestBody() override {}
};

const JoiningCase kJoinings[] = {
    // The second download repeats the last 16 records.
    {"exact repeat is written once",
     [](Gen3Joining& j) {
         j.first(32);
         j.open(1024, 36 * 64);
         j.add(16, 36);
     }},
    {"changed repeat is appended",
     [](Gen3Joining& j) {
         j.first(32);
         j.open(1024, 36 * 64);
         j.add(16, 20);
         auto r = rec(20);
         r[5] ^= 1;
         j.add(r);
         j.add(21, 36);
     }},
    // The last record was not yet written when it was downloaded.
    {"zero tail is filled by the repeat",
     [](Gen3Joining& j) {
         j.first(31);
         auto last = rec(31);
         std::memset(last.data() + 32, 0, 32);
         j.add(last);
         j.first_open(0, 32 * 64);
         j.open(1024, 34 * 64);
         j.add(16, 34);
     }},
    {"gap of eight kilobytes",
     [](Gen3Joining& j) {
         j.first(4);
         j.open(4 * 64 + 8192, 4 * 64 + 8192 + 128);
         j.add(100, 102);
     }},
    {"restart at flash address zero",
     [](Gen3Joining& j) {
         j.first(100);
         j.open(0, 64);
         j.add(200, 201);
     }},
    {"large overlap not at zero",
     [](Gen3Joining& j) {
         j.first(100);
         j.open(64, 128);
         j.add(200, 201);
     }},
    // Six records offered, one delivered.
    {"incomplete download",
     [](Gen3Joining& j) {
         j.first(2);
         j.open(128, 512);
         j.add(2, 3);
     }},
    {"foreign tag number stops the tag",
     [](Gen3Joining& j) {
         j.first(1);
         j.open(64, 128, 13);
     }},
    {"first download starts later", [](Gen3Joining& j) { j.first_open(2048, 2048); }},
    // The 32-bit flash address runs past the top to 128; the next download
    // re-sends the record before it, then a gap of 64 bytes.
    {"addresses wrap at the top of the tag's memory",
     [](Gen3Joining& j) {
         j.first_open(0xFFFFFF80, 128);
         j.add(0, 4);
         j.open(64, 192);
         j.add(3, 5);
         j.open(256, 320);
         j.add(9, 10);
     }},
    {"end address below the start",
     [](Gen3Joining& j) {
         j.first_open(128, 64);
         j.add(0, 1);
         j.open(192, 128);
         j.add(1, 2);
     }},
};

TEST(Gen3JoiningTable, Downloads) {
    testing::Sections got;
    for (const JoiningCase& c : kJoinings) {
        JoiningRun t;
        c.build(t);
        got.emplace_back(c.name, t.join());
        t.TearDown();
    }
    testing::expect_sections("gen3/expected/joining.txt", got);
}

TEST_F(Gen3Joining, RulesOfTheRepeatCheck) {
    const auto r = rec(1);
    add(r);
    open_files();
    ASSERT_EQ(data.image_write(r.data(), 64, "w"), 64);
    EXPECT_EQ(check_if_data_repeated(con, 64, 64, data, false), RepeatCheck::repeated);
    // beyond what was written
    EXPECT_EQ(check_if_data_repeated(con, 128, 64, data, false), RepeatCheck::different);
    EXPECT_EQ(check_if_data_repeated(con, 0, 64, data, false), RepeatCheck::different);
    // A window of more than 4 GiB still holds the overlap.
    EXPECT_EQ(check_if_data_repeated(con, 64, (uint64_t{1} << 32) + 32, data, false), RepeatCheck::repeated);
    // The stream is read again by the joining.
    uint8_t again[64];
    ASSERT_EQ(data.raw_read(again, 64), 64);
    EXPECT_EQ(std::vector<uint8_t>(again, again + 64), std::vector<uint8_t>(r.begin(), r.end()));
    EXPECT_EQ(check_if_data_repeated(con, 64, 64, data, false), RepeatCheck::nothing_compared);
    EXPECT_THROW(check_if_data_repeated(con, 8192, 9000, data, false), FatalStop);
}

}  // namespace
}  // namespace dec
