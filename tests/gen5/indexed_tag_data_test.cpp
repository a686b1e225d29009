// The flash image kept as an index into the raw stream: overwriting, keeping
// the bytes past the position, reading across extents, and the file-backed
// image as the reference behaviour.
#include "gen5/indexed_tag_data.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "common/fatal.h"
#include "folder_fixture.h"

namespace dec {
namespace {

using Units = std::vector<int>;

constexpr size_t kUnit = 64;
constexpr int kRawUnits = 3000;

// Raw unit k: its number in the first two bytes, then a pattern of k.
std::vector<uint8_t> raw_unit(int k) {
    std::vector<uint8_t> u(kUnit);
    u[0] = static_cast<uint8_t>(k & 0xFF);
    u[1] = static_cast<uint8_t>(k >> 8);
    for (size_t i = 2; i < kUnit; ++i) {
        u[i] = static_cast<uint8_t>(k * 31 + static_cast<int>(i) * 7);
    }
    return u;
}

std::vector<uint8_t> raw_stream() {
    std::vector<uint8_t> bytes;
    for (int k = 0; k < kRawUnits; ++k) {
        const auto u = raw_unit(k);
        bytes.insert(bytes.end(), u.begin(), u.end());
    }
    return bytes;
}

class IndexedImage : public FolderFixture {
  protected:
    void SetUp() override {
        testing::write_bytes(dir.file("tag1.tmp"), raw_stream());
        fresh();
    }
    // A new data path on tag1.tmp with an empty image.
    void fresh(size_t max_extents = IndexedTagData::kMaxExtents) {
        data_ = std::make_unique<IndexedTagData>(con, folder(), 1, TagSource{}, max_extents);
        ASSERT_EQ(data_->open_raw(), 0);
    }
    IndexedTagData& data() { return *data_; }

    // Writes raw unit k at the image position.
    void put(int k) {
        const auto u = raw_unit(k);
        ASSERT_EQ(data().image_write_from_raw(u.data(), kUnit, static_cast<uint64_t>(k) * kUnit, "w"),
                  static_cast<ssize_t>(kUnit));
    }
    // Runs a script: "w5" writes raw unit 5, "b2" seeks back two units, "r5"
    // reads the next unit of the image, which must be raw unit 5; "R5" and
    // "B2" read and seek the raw stream.
    void run(const std::string& script) {
        std::istringstream in(script);
        for (std::string op; in >> op;) {
            const int n = std::stoi(op.substr(1));
            const size_t bytes = static_cast<size_t>(n) * kUnit;
            std::vector<uint8_t> u(kUnit);
            if (op[0] == 'w') {
                put(n);
            } else if (op[0] == 'r' || op[0] == 'R') {
                EXPECT_EQ(op[0] == 'r' ? data().image_read(u.data(), kUnit) : data().raw_read(u.data(), kUnit),
                          static_cast<ssize_t>(kUnit))
                    << op;
                EXPECT_EQ(u, raw_unit(n)) << op;
            } else {
                ASSERT_EQ(op[0] == 'b' ? data().image_seek_back(bytes) : data().raw_seek_back(bytes), 0) << op;
            }
        }
    }
    // The whole image as raw unit numbers, each unit checked whole.
    Units image_units() {
        EXPECT_EQ(data().image_rewind(), 0);
        Units units;
        uint8_t u[kUnit];
        while (data().image_read(u, kUnit) == static_cast<ssize_t>(kUnit)) {
            const int k = u[0] | u[1] << 8;
            EXPECT_EQ(std::vector<uint8_t>(u, u + kUnit), raw_unit(k)) << "unit " << units.size();
            units.push_back(k);
        }
        return units;
    }

    std::unique_ptr<IndexedTagData> data_;
};

struct ScriptCase {
    const char* name;
    const char* script;
    Units image;
    size_t extents;
};

const ScriptCase kScripts[] = {
    {"contiguous units make one extent", "w0 w1 w2 w3", {0, 1, 2, 3}, 1},
    {"a gap in the raw stream starts an extent", "w0 w1 w5 w6", {0, 1, 5, 6}, 2},
    {"identical re-send replaces the overlap", "w0 w1 w2 w3 b2 w6 w7", {0, 1, 6, 7}, 2},
    {"differing re-send is appended", "w0 w1 w2 w3 w6 w7", {0, 1, 2, 3, 6, 7}, 2},
    // Bytes past the position stay in the image, as in a file.
    {"shorter re-send keeps the old tail", "w0 w1 w2 w3 b2 w6", {0, 1, 6, 3}, 3},
    {"the tail is replaced later", "w0 w1 w2 w3 b2 w6 w7", {0, 1, 6, 7}, 2},
    {"seek-back over several extents", "w0 w1 w4 w5 w8 w9 b5 w12 w13 w14 w15 w16", {0, 12, 13, 14, 15, 16}, 2},
    {"partial overwrite inside several extents", "w0 w1 w4 w5 w8 w9 b4 w12", {0, 1, 12, 5, 8, 9}, 4},
    {"overwrite joining the following extent", "w0 w1 w5 w6 b3 w4", {0, 4, 5, 6}, 2},
    {"overwrite with the same raw bytes", "w0 w1 w2 w3 b3 w1", {0, 1, 2, 3}, 1},
    {"rewritten from the start", "w0 w1 w2 b3 w7 w8", {7, 8, 2}, 2},
    // What the first pass does at a new download: read the last units back,
    // then (data differing) append after them. Re-reading after a write sees
    // the new unit, not a stale buffer, also where it replaces the unit just
    // read, which the read buffer still holds.
    {"comparing the tail, then writing on", "w0 w1 w2 w3 b2 r2 r3 w9 b2 r3 r9 b1 w10 b1 r10", {0, 1, 2, 3, 10}, 2},
};

// Each script on an index, then with the image moved into "ftag1.tmp" once it
// has more than one extent; it goes on as before.
TEST_F(IndexedImage, Scripts) {
    for (const size_t max_extents : {IndexedTagData::kMaxExtents, size_t{1}}) {
        for (const ScriptCase& c : kScripts) {
            SCOPED_TRACE(c.name);
            fresh(max_extents);
            run(c.script);
            if (max_extents == 1) {
                EXPECT_EQ(data().image_in_file(), c.extents > 1);
            } else {
                EXPECT_EQ(data().extent_count(), c.extents);
            }
            EXPECT_EQ(image_units(), c.image);
            EXPECT_EQ(data().image_size(), c.image.size() * kUnit);
            // Writing again after reading, then reading across the pending bytes.
            ASSERT_EQ(data().image_seek_back(kUnit), 0);
            run("w2999 w2998");
            Units expected = c.image;
            expected.back() = 2999;
            expected.push_back(2998);
            EXPECT_EQ(image_units(), expected);
        }
    }
    EXPECT_EQ(dir.list(), (std::vector<std::string>{"ftag1.tmp", "tag1.tmp"}));
    data().close_and_remove();
    EXPECT_EQ(dir.list(), std::vector<std::string>{});
}

TEST_F(IndexedImage, ReadingAcrossManyExtentsAndBufferRefills) {
    // Runs of 1 to 9 units with gaps of 1 to 3, over far more than one buffer.
    Units expected;
    std::vector<uint8_t> bytes;
    for (int k = 0, run_length = 1; k + run_length < kRawUnits; run_length = run_length % 9 + 1) {
        for (int i = 0; i < run_length; ++i) {
            put(k + i);
            expected.push_back(k + i);
            const auto u = raw_unit(k + i);
            bytes.insert(bytes.end(), u.begin(), u.end());
        }
        k += run_length + run_length % 3 + 1;
    }
    EXPECT_GT(data().extent_count(), 400u);
    EXPECT_EQ(image_units(), expected);
    // Odd read sizes cut units and extents anywhere.
    for (size_t chunk : {size_t{1}, size_t{100}, size_t{4096}, size_t{70000}}) {
        ASSERT_EQ(data().image_rewind(), 0);
        std::vector<uint8_t> all, piece(chunk);
        for (ssize_t n; (n = data().image_read(piece.data(), chunk)) > 0;) {
            all.insert(all.end(), piece.begin(), piece.begin() + n);
        }
        EXPECT_TRUE(all == bytes) << "chunk " << chunk;
    }
}

// An image write and read between raw reads leave the raw stream alone.
TEST_F(IndexedImage, RawStreamOffsetsFollowReadsAndSeeks) {
    run("R0 R1 w1 b1 r1 R2 B2");
    EXPECT_EQ(data().raw_offset(), kUnit);
    run("R1");
    EXPECT_EQ(data().raw_seek_back(3 * kUnit), -1);
}

TEST_F(IndexedImage, FailuresAndCleanUp) {
    run("w0 w1");
    EXPECT_EQ(data().image_seek_back(3 * kUnit), -1);  // before the start
    EXPECT_EQ(errno, EINVAL);
    // A read error of the raw file stops the run, naming the file: the data
    // after it is lost, not ended.
    sys.read_hook = [](int, void*, size_t) -> ssize_t {
        errno = EIO;
        return -1;
    };
    uint8_t u[kUnit];
    ASSERT_EQ(data().image_rewind(), 0);
    try {
        data().image_read(u, kUnit);
        ADD_FAILURE() << "a read error did not stop the run";
    } catch (const FatalStop& stop) {
        EXPECT_EQ(stop.code, UNKNOWN_ERROR);
    }
    sys.read_hook = nullptr;
    EXPECT_EQ(data().image_read(u, kUnit), static_cast<ssize_t>(kUnit));
    // Bytes of unknown origin cannot be indexed.
    EXPECT_EQ(data().image_write(u, kUnit, "Couldn't write data"), -1);
    EXPECT_EQ(dir.list(), std::vector<std::string>{"tag1.tmp"});
    // Moving the image into its own file fails cleanly; both files go.
    fresh(1);
    sys.write_hook = [](int fd, size_t n) -> ssize_t {
        errno = ENOSPC;
        return fd > 2 ? -1 : static_cast<ssize_t>(n);
    };
    put(0);
    const auto u5 = raw_unit(5);
    EXPECT_EQ(data().image_write_from_raw(u5.data(), kUnit, 5 * kUnit, "Couldn't write data"), -1);
    sys.write_hook = nullptr;
    data().close_and_remove();
    EXPECT_EQ(dir.list(), std::vector<std::string>{});
    con.flush();
    EXPECT_TRUE(contains(out, "Retrying write after ENOSPC"));
    // One text at a time: strerror may hand out one buffer for every call.
    const std::string unsupported = strerror(ENOTSUP), full = strerror(ENOSPC);
    const std::string io = strerror(EIO);
    EXPECT_EQ(err, "Couldn't read file: " + io + "\nFilename: tag1.tmp\nCouldn't write data: " + unsupported +
                       "\nCouldn't write data: " + full + "\nFilename: ftag1.tmp\n");
}

// The file-backed image is the reference: random runs of the first pass's
// operations must read back the same bytes from both, whether the image is
// an index all along or moves into its own file on the way.
TEST_F(IndexedImage, SameBytesAsTheFileImage) {
    for (const size_t max_extents : {IndexedTagData::kMaxExtents, size_t{60}}) {
        SCOPED_TRACE(max_extents);
        fresh(max_extents);
        testing::write_bytes(dir.file("tag2.tmp"), raw_stream());
        TempFileTagData file(con, folder(), 2);
        ASSERT_EQ(file.open_raw(), 0);
        ASSERT_EQ(file.create_image(), 0);
        std::mt19937 rng(12345);
        int next = 0;
        size_t pos = 0;
        uint8_t a[64 * kUnit], b[64 * kUnit];
        for (int step = 0; step < 4000; ++step) {
            const unsigned op = rng() % 10;
            if (op < 6) {  // the next raw unit, or one after a gap
                next = rng() % 8 == 0 ? static_cast<int>(rng() % kRawUnits) : (next + 1) % kRawUnits;
                const auto u = raw_unit(next);
                ASSERT_EQ(file.image_write(u.data(), kUnit, "w"), static_cast<ssize_t>(kUnit));
                put(next);
                ++pos;
            } else if (op < 8 && pos > 0) {
                const size_t n = 1 + rng() % std::min<size_t>(pos, 64);
                ASSERT_EQ(file.image_seek_back(n * kUnit), 0);
                ASSERT_EQ(data().image_seek_back(n * kUnit), 0);
                pos -= n;
            } else {
                const size_t n = 1 + rng() % 64;
                const ssize_t got = file.image_read(a, n * kUnit);
                ASSERT_EQ(data().image_read(b, n * kUnit), got) << "step " << step;
                ASSERT_EQ(std::memcmp(a, b, static_cast<size_t>(got)), 0) << "step " << step;
                pos += static_cast<size_t>(got) / kUnit;
            }
        }
        ASSERT_EQ(file.image_rewind(), 0);
        ASSERT_EQ(data().image_rewind(), 0);
        size_t total = 0;
        for (ssize_t got; (got = file.image_read(a, sizeof a)) > 0; total += static_cast<size_t>(got)) {
            ASSERT_EQ(data().image_read(b, sizeof b), got);
            ASSERT_EQ(std::memcmp(a, b, static_cast<size_t>(got)), 0) << "at " << total;
        }
        EXPECT_EQ(total, data().image_size());
        EXPECT_LT(data().extent_count(), 1000u);
        EXPECT_EQ(data().image_in_file(), max_extents < 100);
        file.close_and_remove();
    }
}

}  // namespace
}  // namespace dec
