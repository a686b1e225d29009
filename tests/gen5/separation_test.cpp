// Splitting a container into per-tag files.
#include "gen5/separation.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>
#include <map>

#include "common/le.h"
#include "expected_sections.h"
#include "folder_fixture.h"
#include "gen5/container.h"
#include "gen5/indexed_tag_data.h"

namespace dec {
namespace {

using testing::ContainerBuilder;
using testing::OpenBlockFields;

const std::string kSeparated256 = "B5:Separating data...\nB5:Separating data finished, 256 Bytes = 0 kBytes written.\n";

class Separation : public FolderFixture {
  protected:
    ContainerResult separate(const ContainerBuilder& c, ContainerIndex* index = nullptr) {
        c.write_file(input());
        return separate_container(con, input().c_str(), tags, run.folder, index);
    }

    uint32_t tags[kMaxTags];
};

TEST_F(Separation, TagDownloadedFirstAndThirdGetsOneFile) {
    const OpenBlockFields a1{.tag = 17, .flash_start = 0, .flash_end = 128};
    const OpenBlockFields b{.tag = 4, .flash_start = 0, .flash_end = 64};
    const OpenBlockFields a2{.tag = 17, .flash_start = 0x1234, .flash_end = 0x1300};
    const auto u1 = testing::make_pattern_unit(0x30, 1), u2 = testing::make_pattern_unit(0x40, 2),
               u3 = testing::make_pattern_unit(0x10, 3), u4 = testing::make_pattern_unit(0x41, 4);
    ContainerBuilder c(testing::make_header(0x79F02AB6, 9));
    c.open(a1).unit(u1).unit(u2).open(b).unit(u3).open(a2).unit(u4);
    const uint8_t partial[10] = {0x30};
    c.raw(partial, sizeof partial);  // cut off in the middle of a unit

    ASSERT_EQ(separate(c), ContainerResult::ok);
    EXPECT_EQ(std::vector<uint32_t>(tags, tags + 3), (std::vector<uint32_t>{17, 4, kNoTag}));

    auto a2_stored = testing::make_open_block(a2);
    put_le32(a2_stored.data(), 20, 0x1200);  // start address rounded down to 64
    const auto header = testing::make_header(0x79F02AB6, 9);
    EXPECT_EQ(file("tag17.tmp"),
              cat({header, vec(testing::make_open_block(a1)), vec(u1), vec(u2), vec(a2_stored), vec(u4)}));
    EXPECT_EQ(file("tag4.tmp"), cat({header, vec(testing::make_open_block(b)), vec(u3)}));
    con.flush();
    EXPECT_EQ(out, kSeparated256);
}

// The index reads back, byte for byte, what the copying separation writes:
// header, open blocks with their start rounded down, units, the first unit of
// an open block cut short by the end of the container.
TEST_F(Separation, IndexReadsAsTheTagFiles) {
    ContainerBuilder c;
    for (int round = 0; round < 3; ++round) {
        for (uint16_t tag : {7, 3, 7, 9}) {
            c.open(OpenBlockFields{.tag = tag, .flash_start = 0x1000u * round + 0x21u + tag, .flash_end = 0x1FFFF});
            for (int u = 0; u < 5 + tag * round; ++u) {
                c.unit(testing::make_pattern_unit(0x30, static_cast<uint8_t>(tag + u)));
            }
        }
    }
    c.open(OpenBlockFields{.tag = 9});
    c.open(OpenBlockFields{.tag = 3});
    c.raw(testing::make_open_block(OpenBlockFields{.tag = 7}).data(), 100);  // cut short

    ASSERT_EQ(separate(c), ContainerResult::ok);
    con.flush();
    const std::string copied = out;
    std::map<uint32_t, std::vector<uint8_t>> files;
    for (uint32_t tag : {7u, 3u, 9u}) {
        const std::string name = "tag" + std::to_string(tag) + ".tmp";
        files[tag] = file(name);
        std::remove(dir.file(name).c_str());
    }
    out.clear();

    ContainerIndex index;
    ASSERT_EQ(separate(c, &index), ContainerResult::ok);
    con.flush();
    EXPECT_EQ(out, copied);  // same messages, same byte count
    ASSERT_TRUE(index.active());
    EXPECT_EQ(dir.list(), std::vector<std::string>{"logger.bin"});  // nothing copied
    for (size_t slot = 0; slot < 3; ++slot) {
        const uint32_t tag = tags[slot];
        SCOPED_TRACE(tag);
        for (size_t chunk : {size_t{1}, size_t{64}, size_t{100}, size_t{300}, size_t{1} << 20}) {
            IndexedTagData data(con, folder(), tag, TagSource{index.input_fd(), &index.runs_of(slot)});
            ASSERT_EQ(data.open_raw(), 0);
            std::vector<uint8_t> all, piece(chunk);
            size_t last_back = 0;
            for (ssize_t n; (n = data.raw_read(piece.data(), chunk)) > 0;) {
                all.insert(all.end(), piece.begin(), piece.begin() + n);
                // Going back (into open blocks, too) reads the same bytes again.
                if (all.size() >= last_back + 333) {
                    ASSERT_EQ(data.raw_seek_back(200), 0);
                    all.resize(all.size() - 200);
                    last_back = all.size() + 200;
                }
            }
            EXPECT_EQ(all, files[tag]) << "chunk " << chunk;
        }
    }
    index.close(con);
    EXPECT_FALSE(index.active());
}

TEST_F(Separation, FullIndexCopiesAfterAll) {
    ContainerBuilder c;
    c.download(OpenBlockFields{.tag = 3}, 2).download(OpenBlockFields{.tag = 4}, 1);
    c.download(OpenBlockFields{.tag = 3}, 1);
    ContainerIndex index(2);
    ASSERT_EQ(separate(c, &index), ContainerResult::ok);
    EXPECT_FALSE(index.active());
    EXPECT_EQ(std::vector<uint32_t>(tags, tags + 3), (std::vector<uint32_t>{3, 4, kNoTag}));
    EXPECT_EQ(dir.list(), (std::vector<std::string>{"logger.bin", "tag3.tmp", "tag4.tmp"}));
    EXPECT_EQ(file("tag3.tmp").size(), kHeaderSize + 2 * kOpenBlockSize + 3 * kUnitSize);
    con.flush();
    EXPECT_EQ(out, kSeparated256);
}

// Separations that stop: data before the first open block (dumped), the
// thousand and first tag (known tags are still accepted up to then), a missing
// input or folder, a failing write of a tag file. The return value and the
// console of each are a section of gen5/expected/separation_failures.txt.
TEST_F(Separation, FailuresStopTheSeparation) {
    ContainerBuilder data_first, thousand, failing_write;
    data_first.unit(testing::make_unit(0x30, {'G', 'P', 'S', 0x00, 0xFF}));
    for (uint16_t t = 0; t < 1000; ++t) {
        thousand.open(OpenBlockFields{.tag = t});
    }
    thousand.open(OpenBlockFields{.tag = 999});
    ContainerBuilder too_many = thousand;
    too_many.open(OpenBlockFields{.tag = 1000});
    failing_write.download(OpenBlockFields{.tag = 3}, 1);
    // A folder of -d that could not be opened, as the run controller leaves it.
    OutputFolder missing;
    missing.path = "missing";
    missing.open_error = sys.open_folder(dir.file("missing").c_str(), &missing.at) != 0 ? errno : 0;
    const std::pair<const char*, std::function<ContainerResult()>> rows[] = {
        {"data before the first open block", [&] { return separate(data_first); }},
        {"a thousand tags", [&] { return separate(thousand); }},
        {"the thousand and first tag", [&] { return separate(too_many); }},
        {"missing input", [&] { return separate_container(con, "none.bin", tags, run.folder); }},
        {"missing folder", [&] { return separate_container(con, input().c_str(), tags, missing); }},
        {"failing write",
         [&] {
             sys.write_hook = [](int fd, size_t n) -> ssize_t {
                 errno = EIO;  // the buffered data of a tag file
                 return fd > 2 && n == 64 ? -1 : static_cast<ssize_t>(n);
             };
             return separate(failing_write);
         }},
    };
    testing::Sections got;
    for (const auto& [name, separation] : rows) {
        out.clear();
        err.clear();
        const int r = static_cast<int>(separation());
        con.flush();
        got.emplace_back(name, "return " + std::to_string(r) + " tags " + std::to_string(tags[0]) + " " +
                                   std::to_string(tags[999]) + "\n" + out + err);
    }
    testing::expect_sections("gen5/expected/separation_failures.txt", got);
}

}  // namespace
}  // namespace dec
