// The log of a tag decoded ahead: order of the two streams, the bound on
// what it holds, and dropping the text of a tag that will not be shown.
#include "common/console_log.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "common/console.h"
#include "common/platform.h"

namespace dec {
namespace {

// Replays a logged console into string streams.
std::string replayed(const std::vector<ConsoleLog::Record>& records) {
    std::string out, err;
    {
        Console real(Platform::system(), &out, &err);
        real.replay(records);
    }
    return out + "|" + err;
}

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
    while (log.take(records)) {
        all.insert(all.end(), records.begin(), records.end());
    }
    std::vector<std::pair<bool, std::string>> got;
    for (const auto& r : all) {
        got.emplace_back(r.error, r.text);
    }
    EXPECT_EQ(got, (std::vector<std::pair<bool, std::string>>{
                       {false, "one two\n"}, {true, "Couldn't open file: No such file or directory\n"}, {false, "three\n"}}));
    EXPECT_EQ(replayed(all), "one two\nthree\n|Couldn't open file: No such file or directory\n");
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
