// The reading library as a program uses it: tables of a container, the
// selection of tags and sensors, failures as exceptions, UTC across a leap
// second, and nothing left in the folder of temporary files. (The values of
// every table against the console program's files: tests/bindings.)
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tavro/tavro.h"
#include "testsupport/container_builder.h"
#include "testsupport/example_container.h"
#include "testsupport/record_builders.h"
#include "testsupport/settings_records.h"

namespace dec {
namespace {

namespace fs = std::filesystem;
using namespace dec::testing;

// 2017-01-01 00:00:17 GPS time as seconds since 1970 read as UTC: the leap
// second 2016-12-31 23:59:60 UTC. Before it GPS time is 17 s ahead, after it 18.
constexpr int64_t kLeap = 1483228817;
constexpr int64_t kSecond = 1000000000;
constexpr uint32_t kTagEpoch = 1172966400;

class Reader : public ::testing::Test {
  protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("reader_test_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()));
        fs::remove_all(dir_);
        fs::create_directories(dir_ / "work");
    }
    void TearDown() override { fs::remove_all(dir_); }

    std::string example() {
        const std::string path = (dir_ / "logger.bin").string();
        write_gen5_example_file(path);
        return path;
    }

    fs::path dir_;
};

TEST_F(Reader, SelectsTagsAndSensorsAndLeavesNoTemporaryFiles) {
    const std::string path = example();
    tavro::ReadOptions all;
    all.work_dir = (dir_ / "work").string();
    const tavro::Container c = tavro::read(path, all);
    EXPECT_EQ(c.kind, "generation 5");
    ASSERT_EQ(c.tags.size(), 4u);
    // The container's order, as the console program decodes the tags.
    EXPECT_EQ(c.tags[0].number, 17u);
    EXPECT_EQ(c.tags[3].number, 801u);
    const tavro::Tag& t17 = c.tags[0];
    EXPECT_GT(t17.gps.rows(), 0u);
    EXPECT_GT(t17.acc.rows(), t17.acc_bursts.rows());
    EXPECT_GT(t17.orientation.rows(), 0u);
    EXPECT_GT(t17.events.rows(), 0u);
    EXPECT_TRUE(t17.last_download_complete);
    EXPECT_FALSE(t17.settings.empty());
    EXPECT_NE(t17.info.find("COMPLETE data download"), std::string::npos);
    EXPECT_GT(c.tags[3].ecg.rows(), 0u);
    for (const tavro::Column& col : t17.gps.columns()) {
        EXPECT_EQ(col.rows, t17.gps.rows()) << col.name;
    }
    EXPECT_TRUE(fs::is_empty(dir_ / "work"));

    tavro::ReadOptions some;
    some.tags = {19};
    some.sensors = tavro::kGps;
    const tavro::Container only = tavro::read(path, some);
    ASSERT_EQ(only.tags.size(), 1u);
    EXPECT_EQ(only.tags[0].number, 19u);
    EXPECT_EQ(only.tags[0].gps.rows(), t17.gps.rows());
    EXPECT_EQ(only.tags[0].acc.rows(), 0u);
    EXPECT_EQ(only.tags[0].events.rows(), 0u);
}

TEST_F(Reader, FailuresAreExceptionsWithTheConsoleText) {
    try {
        tavro::read((dir_ / "missing.bin").string());
        FAIL() << "a missing file was read";
    } catch (const tavro::Error& e) {
        EXPECT_EQ(e.code(), 18);
        EXPECT_NE(std::string(e.what()).find("Couldn't open file"), std::string::npos);
    }
    const std::string text = (dir_ / "text.bin").string();
    ContainerBuilder(std::vector<uint8_t>(64, 'x')).write_file(text);
    EXPECT_THROW(tavro::read(text), tavro::Error);
    tavro::ReadOptions nowhere;
    nowhere.work_dir = (dir_ / "no" / "such" / "folder").string();
    EXPECT_THROW(tavro::read(example(), nowhere), tavro::Error);
}

TEST_F(Reader, UtcOfSamplesAcrossALeapSecond) {
    // One burst of one axis from 3 s before the leap second on.
    AccBurstFields b;
    b.time = static_cast<uint32_t>(kLeap - 3 - kTagEpoch);
    b.axes = 0x08;
    for (uint16_t k = 0; k < 400; ++k) {
        b.samples.push_back(static_cast<uint16_t>(2048 + k % 50));
    }
    const std::vector<Unit> units = record_units(0x40, make_acc_burst(b));
    ContainerBuilder c;
    Block256 open = make_open_block(
        {.tag = 17, .flash_start = 0, .flash_end = static_cast<uint32_t>(64 * units.size()), .time = b.time + 60});
    example_tt5_10(3).u8(2, 5).u8(3, 10).write_into(open.data());
    c.block(open);
    for (const Unit& u : units) {
        c.unit(u);
    }
    const std::string path = (dir_ / "leap.bin").string();
    c.write_file(path);

    const tavro::Container read = tavro::read(path);
    ASSERT_EQ(read.tags.size(), 1u);
    const tavro::AccSamples& s = read.tags[0].acc;
    ASSERT_GT(s.rows(), 0u);
    ASSERT_GT(s.time_gps[s.rows() - 1], (kLeap + 1) * kSecond) << "the burst ends after the leap";
    int before = 0, inside = 0, after = 0;
    for (size_t i = 0; i < s.rows(); ++i) {
        const int64_t gps = s.time_gps[i];
        if (gps < kLeap * kSecond) {
            EXPECT_EQ(s.time[i], gps - 17 * kSecond) << i;
            ++before;
        } else if (gps < (kLeap + 1) * kSecond) {
            // 23:59:60 reads as 23:59:59 again, as POSIX counts.
            EXPECT_EQ(s.time[i], gps - 18 * kSecond) << i;
            ++inside;
        } else {
            EXPECT_EQ(s.time[i], gps - 18 * kSecond) << i;
            ++after;
        }
    }
    EXPECT_GT(before, 0);
    EXPECT_GT(inside, 0);
    EXPECT_GT(after, 0);
}

}  // namespace
}  // namespace dec
