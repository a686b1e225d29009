// Files, dumps, byte order and the console log: the input and output paths
// every decoder shares.
#include "common/io.h"

#include <gtest/gtest.h>
#include <unistd.h>
#ifdef _WIN32
#include <io.h>
#include <windows.h>
#endif

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "common/buffered_file.h"
#include "common/console.h"
#include "common/console_log.h"
#include "common/le.h"
#include "common/platform.h"
#include "expected_sections.h"
#include "folder_fixture.h"
#include "testsupport/capture.h"

namespace dec {
namespace {

using testing::capture;

// Hex dumps of 17 bytes (a line and one byte), of none and of a negative
// count; the character dump of a unit with printable and other bytes.
TEST(Dumps, HexAndCharacterDumps) {
    uint8_t b[64] = {};
    for (int i = 0; i < 17; ++i) {
        b[i] = static_cast<uint8_t>(i * 15);
    }
    testing::Sections s = {{"hex 17", capture([&](OutStream& o) { hex_dump(b, 17, o); })},
                           {"hex 0", capture([&](OutStream& o) { hex_dump(b, 0, o); })},
                           {"hex -3", capture([&](OutStream& o) { hex_dump(b, -3, o); })}};
    std::memset(b, 0, sizeof b);
    std::memcpy(b, "A b~", 4);
    b[63] = 0x7F;
    s.emplace_back("char unit", capture([&](OutStream& o) { char_dump(b, o); }));
    testing::expect_sections("common/expected/dumps.txt", s);
}

TEST(FormatInto, CutsTextThatDoesNotFit) {
    char buf[8];
    std::memset(buf, 'x', sizeof buf);
    EXPECT_EQ(format_into(buf, 6, "%s", "abcdefgh"), 5);
    EXPECT_STREQ(buf, "abcde");
    EXPECT_EQ(buf[6], 'x');  // nothing written past the given size
    EXPECT_EQ(format_into(buf, sizeof buf, "%u", 42u), 2);
    EXPECT_STREQ(buf, "42");
}

// n bytes (mul * i + add) mod 256.
std::vector<uint8_t> pattern(size_t n, size_t mul, size_t add = 0) {
    std::vector<uint8_t> v(n);
    for (size_t i = 0; i < n; ++i) {
        v[i] = static_cast<uint8_t>(mul * i + add);
    }
    return v;
}

using IoFileTest = FolderFixture;

TEST_F(IoFileTest, FullReadContinuesPartialReadsAndStopsAtEnd) {
    const std::string path = dir.file("ten");
    testing::write_bytes(path, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9});
    // Deliver at most three bytes per call.
    sys.read_hook = [](int fd, void* buf, size_t n) { return ::read(fd, buf, n < 3 ? n : 3); };
    int fd = sys.open_read(folder(), "ten");
    uint8_t buf[64];
    EXPECT_EQ(full_read(sys, fd, buf, 64), 10);
    EXPECT_EQ(buf[9], 9);
    EXPECT_EQ(full_read(sys, fd, buf, 0), 0);
    sys.close(fd);
    EXPECT_EQ(full_read(sys, -1, buf, 4), -1);
}

// A write failing with ENOSPC is tried 200 times in all; one that succeeds
// in time is continued through short writes. What each returns and prints is
// a section of common/expected/write_retries.txt.
TEST_F(IoFileTest, WriteRetriesAfterEnospc) {
    const std::vector<uint8_t> data = pattern(20, 1);
    testing::Sections got;
    for (const int failures : {200, 3}) {
        int left = failures;
        sys.write_hook = [&](int fd, size_t n) -> ssize_t {
            if (fd > 2 && left > 0) {
                --left;
                errno = ENOSPC;
                return -1;
            }
            return static_cast<ssize_t>(n < 7 ? n : 7);
        };
        const std::string name = std::to_string(failures);
        const int fd = sys.open_exclusive(folder(), name.c_str(), false);
        const ssize_t r = write_all_retry(con, fd, data.data(), data.size(), "Couldn't write file");
        sys.close(fd);
        EXPECT_EQ(left, 0);
        EXPECT_EQ(testing::read_bytes(dir.file(name)) == data, failures == 3);
        con.flush();
        got.emplace_back(std::to_string(failures) + " failures", "return " + std::to_string(r) + "\n" + out + err);
        out.clear();
        err.clear();
    }
    testing::expect_sections("common/expected/write_retries.txt", got);
}

// What an interrupt does: the temporary files are removed while still open,
// and are gone once the process lets go of them (on Windows an open file can
// be removed only when it was opened for that).
TEST_F(IoFileTest, TemporaryFilesAreRemovedWhileOpen) {
    Platform platform;
    std::string image, part, tag_file;
    const int image_fd = platform.create_temp(folder(), "tag17", ".tmp", true, image);
    const int part_fd = platform.create_temp(folder(), "tag17.txt", ".part", false, part);
    // A tag's file of the separation, closed and opened again to append.
    platform.close(platform.create_temp(folder(), "tag5", ".tmp", false, tag_file));
    const int tag_fd = platform.open_append(folder(), tag_file.c_str());
    ASSERT_GE(image_fd, 0);
    ASSERT_GE(part_fd, 0);
    ASSERT_GE(tag_fd, 0);
    ASSERT_EQ(platform.write(part_fd, "x", 1), 1);
    ASSERT_EQ(platform.write(tag_fd, "y", 1), 1);
    platform.remove_all_temps();
    for (int fd : {image_fd, part_fd, tag_fd}) {
        platform.close(fd);
    }
    EXPECT_EQ(dir.list(), std::vector<std::string>{});
}

// Containers grow past 4 GiB: seeks, sizes and reads at offsets there (the
// calls that stop at 2 GiB on Windows), on a sparse file.
TEST_F(IoFileTest, OffsetsPastFourGibibytes) {
    constexpr int64_t kFar = (int64_t{5} << 30) + 3;
    Platform platform;
    const int fd = platform.open_exclusive(folder(), "far", true);
    ASSERT_GE(fd, 0);
#ifdef _WIN32
    DWORD unused = 0;
    DeviceIoControl(reinterpret_cast<HANDLE>(_get_osfhandle(fd)), FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &unused,
                    nullptr);
#endif
    ASSERT_EQ(platform.seek(fd, kFar, SEEK_SET), kFar);
    ASSERT_EQ(platform.write(fd, "far away", 8), 8);
    EXPECT_EQ(platform.seek(fd, 0, SEEK_CUR), kFar + 8);
    EXPECT_EQ(platform.file_size(fd), kFar + 8);
    char buf[16] = {};
    EXPECT_EQ(platform.read_at(fd, buf, sizeof buf, kFar + 4), 4);
    EXPECT_EQ(std::string(buf, 4), "away");
    EXPECT_EQ(platform.read_at(fd, buf, sizeof buf, kFar + 8), 0);
    ASSERT_EQ(platform.seek(fd, kFar - 2, SEEK_SET), kFar - 2);
    EXPECT_EQ(platform.read(fd, buf, 5), 5);
    EXPECT_EQ(std::string(buf, 5), std::string("\0\0far", 5));
    platform.close(fd);
}

// Seeking back inside and before the buffer of a reader. Then a read that
// meets the end of the file just as the buffer grows, and a seek back over the
// bytes it delivered: they must be read again, not the new buffer's
// uninitialised contents.
TEST_F(IoFileTest, BufferedReaderSeeksBack) {
    const std::vector<uint8_t> bytes = pattern(kFileBufferStart + 64, 13, 1);
    const std::string path = dir.file("data");
    testing::write_bytes(path, bytes);
    int fd = sys.open_read(folder(), "data");
    BufferedReader small(sys, fd, 128);
    uint8_t buf[300];
    ASSERT_EQ(small.read(buf, 300), 300);
    ASSERT_EQ(small.seek_back(10), 0);  // inside the buffer
    ASSERT_EQ(small.read(buf, 1), 1);
    EXPECT_EQ(buf[0], bytes[290]);
    ASSERT_EQ(small.seek_back(250), 0);  // before the buffer
    ASSERT_EQ(small.read(buf, 2), 2);
    EXPECT_EQ(buf[0], bytes[41]);
    EXPECT_EQ(buf[1], bytes[42]);
    ASSERT_EQ(small.seek_back(43), 0);
    EXPECT_EQ(small.read(buf, 300), 300);
    EXPECT_EQ(std::vector<uint8_t>(buf, buf + 300), std::vector<uint8_t>(bytes.begin(), bytes.begin() + 300));
    ASSERT_EQ(small.sync_position(), 0);
    EXPECT_EQ(sys.seek(fd, 0, SEEK_CUR), 300);
    ASSERT_EQ(sys.seek(fd, 0, SEEK_SET), 0);

    BufferedReader in(sys, fd);
    std::vector<uint8_t> all(kFileBufferStart);
    ASSERT_EQ(in.read(all.data(), kFileBufferStart - 32), static_cast<ssize_t>(kFileBufferStart - 32));
    // 32 bytes from the first buffer, 64 from the second fill, then the end.
    ASSERT_EQ(in.read(all.data(), 192), 96);
    ASSERT_EQ(in.seek_back(64), 0);
    ASSERT_EQ(in.read(all.data(), 64), 64);
    EXPECT_EQ(std::vector<uint8_t>(all.begin(), all.begin() + 64), std::vector<uint8_t>(bytes.end() - 64, bytes.end()));
    sys.close(fd);
}

// A read error is an error, not the end of the file, unless bytes came
// before it. A writer whose buffer is full writes out and goes on: pieces
// that fit after the flush are buffered, larger ones written straight.
TEST_F(IoFileTest, BufferedFilesReportErrorsAndKeepOrder) {
    const std::string path = dir.file("data");
    testing::write_bytes(path, pattern(100, 3));
    const int from_fd = sys.open_read(folder(), "data");
    sys.read_hook = [](int, void*, size_t) -> ssize_t {
        errno = EIO;
        return -1;
    };
    uint8_t buf[16];
    EXPECT_EQ(BufferedReader(sys, from_fd, 128).read(buf, sizeof buf), -1);
    sys.read_hook = nullptr;
    sys.close(from_fd);

    const int to_fd = sys.open_exclusive(folder(), "written", false);
    BufferedWriter w(con, to_fd, 64);
    const std::vector<uint8_t> bytes = pattern(200, 7, 5);
    for (const auto& [from, to] : {std::pair{0, 40}, {40, 80}, {80, 180}, {180, 200}}) {
        ASSERT_EQ(w.write(bytes.data() + from, static_cast<size_t>(to - from), "w"), 0) << from;
    }
    ASSERT_EQ(w.flush("w"), 0);
    sys.close(to_fd);
    EXPECT_EQ(file("written"), bytes);
}

// Fields at odd offsets, with the sign bit set and clear; the writers read back.
TEST(LittleEndian, UnalignedFieldsWithSign) {
    const uint8_t b[] = {0xAA, 0x34, 0x12, 0xFE, 0xFF, 0x78, 0x56, 0x34, 0x12, 0x80};
    EXPECT_EQ(le_u16(b, 1), 0x1234);
    EXPECT_EQ(le_s16(b, 3), -2);
    EXPECT_EQ(le_u16(b, 3), 0xFFFE);
    EXPECT_EQ(le_u32(b, 5), 0x12345678u);
    EXPECT_EQ(le_u24(b, 5), 0x345678u);
    EXPECT_EQ(le_s32(b, 1), static_cast<int32_t>(0xFFFE1234u));
    EXPECT_EQ(le_s8(b, 9), -128);
    EXPECT_EQ(le_u64(b, 1), 0x3456'78FF'FE12'34ull | (0x12ull << 56));
    uint8_t w[7] = {};
    put_le32(w, 1, 0xDEADBEEF);
    put_le16(w, 5, 0xCAFE);
    EXPECT_EQ(le_u32(w, 1), 0xDEADBEEFu);
    EXPECT_EQ(le_u16(w, 5), 0xCAFE);
    EXPECT_EQ(w[1], 0xEF);
}

// The log of a tag decoded ahead: order of the two streams, the bound on
// what it holds, and dropping the text of a tag that will not be shown.
TEST(ConsoleLog, KeepsTheOrderOfOutputAndErrorLines) {
    ConsoleLog log;
    {
        Console con(Platform::system(), log);
        con.out().put("one ");
        con.out().put("two\n");
        errno = ENOENT;
        con.sys_error("Couldn't open file");
        con.out().put("three\n");
        con.flush();
    }
    log.finish();
    std::vector<ConsoleLog::Record> records, all;
    std::string got;
    while (log.take(records)) {
        all.insert(all.end(), records.begin(), records.end());
    }
    for (const auto& r : all) {
        got += (r.error ? "err: " : "out: ") + r.text;
    }
    EXPECT_EQ(got, "out: one two\nerr: Couldn't open file: No such file or directory\nout: three\n");
    // Replayed into string streams.
    std::string out, err;
    {
        Console real(Platform::system(), &out, &err);
        real.replay(all);
    }
    EXPECT_EQ(out + "|" + err, "one two\nthree\n|Couldn't open file: No such file or directory\n");
}

TEST(ConsoleLog, WriterWaitsAtTheLimitUntilTheTextIsTaken) {
    ConsoleLog log;
    const std::string chunk(ConsoleLog::kLimit / 2 + 1, 'x');
    std::atomic<int> appended{0};
    std::thread writer([&] {
        for (int i = 0; i < 4; ++i) {
            log.out_sink()->append(chunk.data(), chunk.size());
            ++appended;
        }
        log.finish();
    });
    // Two chunks pass the limit; the third waits for a reader.
    while (appended < 2) {
        std::this_thread::yield();
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_EQ(appended, 2);
    size_t total = 0;
    std::vector<ConsoleLog::Record> records;
    while (log.take(records)) {
        for (const auto& r : records) {
            total += r.text.size();
        }
    }
    writer.join();
    EXPECT_EQ(total, 4 * chunk.size());
}

TEST(ConsoleLog, AbandonedLogDropsTextAndReleasesTheWriter) {
    ConsoleLog log;
    const std::string chunk(ConsoleLog::kLimit, 'y');
    std::thread writer([&] {
        for (int i = 0; i < 3; ++i) {
            log.out_sink()->append(chunk.data(), chunk.size());
        }
        log.finish();
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
    log.abandon();
    writer.join();
    std::vector<ConsoleLog::Record> records;
    EXPECT_FALSE(log.take(records));
}

}  // namespace
}  // namespace dec
