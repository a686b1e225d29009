// Damaged containers: cut downloads, radio errors, zeroed and erased regions,
// fields at their maxima. Every run must end with a documented exit code,
// leave no temporary file behind, and keep what lies before the damage.
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>
#include <string>
#include <vector>

#include "testsupport/cli_runner.h"
#include "testsupport/container_builder.h"
#include "testsupport/ecg_records.h"
#include "testsupport/gen3_builder.h"
#include "testsupport/in_process.h"
#include "testsupport/record_builders.h"
#include "testsupport/settings_records.h"

namespace dec {
namespace {

using namespace testing;

// A GPS fix every ten minutes from 2019-05-03 07:00:00.
Payload fix(uint32_t i) {
    GpsCookedFields g;
    g.lon = 87654321 + 1000 * static_cast<int32_t>(i);
    g.lat = 475432100 - 500 * static_cast<int32_t>(i);
    g.height_mm = 512300;
    g.week = 2051;
    g.tow_ms = (457200 + 600 * i) * 1000;
    g.start_time = 383900400 + 600 * i;
    g.battery = 3300;
    g.time_to_fix = 20;
    return make_gps_cooked(g);
}

// A container with a version-10 tag (two overlapping downloads of GPS fixes,
// acceleration bursts and events, close information, units of every type), a
// version-9 tag and an ECG tag.
std::vector<uint8_t> base_container() {
    std::vector<Unit> image;
    for (uint32_t i = 0; i < 24; ++i) {
        image.push_back(payload_unit(kUnitGpsCooked, fix(i)));
        if (i % 4 == 0) {
            AccBurstFields b;
            b.time = 383900400 + 600 * i;
            b.axes = i % 8 == 0 ? 0x38 : 0x08;
            for (uint16_t k = 0; k < 60; ++k) {
                b.samples.push_back(static_cast<uint16_t>(2048 + 37 * (k % 11)));
            }
            for (const Unit& u : record_units(kUnitAcc0, make_acc_burst(b))) {
                image.push_back(u);
            }
            image.push_back(payload_unit(kUnitSysinfo, make_switch_event(b.time, true, 3300)));
        }
    }
    uint32_t seed = 1;
    for (uint8_t type : {0x34, 0x36, 0x44, 0x45, 0x42, 0x43, 0x50, 0x51, 0x32, 0x33, 0x70, 0x71, 0xFE}) {
        image.push_back(make_pattern_unit(type, seed++));
    }
    const uint32_t n = static_cast<uint32_t>(image.size());
    const uint32_t split = n / 2;

    // Two downloads of tag 17, the second re-sending the last three units of
    // the first; the settings record names tag type 5, software 10 (bytes 2, 3).
    ContainerBuilder c;
    auto download = [&](uint32_t from, uint32_t to, uint32_t time) {
        Block256 open = make_open_block({.tag = 17, .flash_start = 64 * from, .flash_end = 64 * to, .time = time});
        example_tt5_10(3).u8(2, 5).u8(3, 10).write_into(open.data());
        c.block(open);
        for (uint32_t i = from; i < to; ++i) {
            c.unit(image[i]);
        }
    };
    download(0, split, 383900400);
    c.close_info(1556866800).empty_units(4);
    download(split - 3, n, 383910000);
    c.download(OpenBlockFields{.tag = 5, .sw_version = 9, .time = 383900400}, 3, 0x40);
    EcgFields ecg;
    ecg.samples = {1, 2, 3, 4095};
    c.open(OpenBlockFields{.tag = 40, .tag_type = 7, .sw_version = 1, .flash_end = 128});
    add_ecg_units(c, make_ecg_record(ecg, 40, 2));
    c.unit(make_pattern_unit(0x10, 99));
    return c.bytes();
}

// clang-format off
const std::vector<std::vector<std::string>> kModes = {
    {"-c", "2"}, {"-c", "3"}, {"-c", "6", "-a", "c"}, {"-c", "9", "-a", "e"}, {"-c", "h"},
    {"-c", "i"}, {"-c", "m"}, {"-c", "5"}, {"-c", "b"}, {"-c", "4"}, {"-c", "f"}, {"-c", "!"}};
// clang-format on

class Damaged : public ::testing::Test {
  protected:
    // Decodes `file` with mode `mode` (an index into kModes, or -1 for -s).
    InProcessResult decode(const std::vector<uint8_t>& file, int mode) {
        for (const std::string& name : dir.list()) {
            std::remove(dir.file(name).c_str());
        }
        const std::string path = dir.file("2019-5-3-7-0-9_L000000012.bin");
        write_bytes(path, file);
        std::vector<std::string> args;
        if (mode < 0) {
            args = {"-s", path};
        } else {
            args = kModes[static_cast<size_t>(mode) % kModes.size()];
            args.insert(args.end(), {"-f", path});
        }
        args.insert(args.end(), {"-d", dir.path()});
        InProcessResult r = run_in_process(args);
        check(r);
        return r;
    }
    // Exit codes of the documented table; whatever the exit, no temporary
    // file and no output that was being written stays behind.
    void check(const InProcessResult& r) {
        const int c = r.exit_code;
        EXPECT_TRUE(c == 0 || (c >= 16 && c <= 22)) << c;
        EXPECT_EQ(dir.temporary_files(), std::vector<std::string>{}) << "exit " << c;
        ++runs;
    }
    // Every `flip`th byte of `full` inverted, and `full` cut every `cut`
    // bytes; each copy decoded with a mode of its own, or all with key 2.
    void flipped_and_cut(const std::vector<uint8_t>& full, size_t flip, size_t cut, bool key2) {
        for (size_t i = 0; i < full.size(); i += flip) {
            std::vector<uint8_t> damaged = full;
            damaged[i] ^= 0xFF;
            decode(damaged, key2 ? 0 : static_cast<int>(i));
        }
        for (size_t n = 0; n <= full.size(); n += cut) {
            decode(std::vector<uint8_t>(full.begin(), full.begin() + static_cast<long>(n)),
                   key2 ? 0 : static_cast<int>(n));
        }
    }
    std::vector<std::string> lines(const std::string& name) {
        std::vector<std::string> v;
        std::istringstream in(file_exists(dir.file(name)) ? read_text(dir.file(name)) : "");
        for (std::string l; std::getline(in, l);) {
            v.push_back(l);
        }
        return v;
    }

    TempDir dir;
    int runs = 0;
};

TEST_F(Damaged, CutAtEveryUnitBoundaryAndOddOffsets) {
    const std::vector<uint8_t> full = base_container();
    decode(full, 1);  // key 3: all records of a tag in one file
    const std::vector<std::string> full_lines = lines("tag17.txt");
    ASSERT_FALSE(full_lines.empty());
    for (size_t cut = 0; cut <= full.size(); cut += 64) {
        for (size_t odd : {size_t{0}, size_t{1}, size_t{37}, size_t{63}}) {
            const size_t n = cut + odd;
            if (n > full.size()) {
                continue;
            }
            InProcessResult r = decode(std::vector<uint8_t>(full.begin(), full.begin() + static_cast<long>(n)), 1);
            if (n < 512) {
                EXPECT_EQ(r.exit_code, 17);
                continue;
            }
            // A piece of a unit is ignored; a whole first unit of an open block
            // without the rest is data before the first open block.
            EXPECT_EQ(r.exit_code, n >= 576 && n < 768 ? 19 : 0) << n;
            // Everything before the cut is decoded as in the whole file: the
            // lines of tag 17 are the first lines of the whole file's, but for
            // the last one, whose record the cut may have shortened.
            std::vector<std::string> part = lines("tag17.txt");
            if (!part.empty()) {
                part.pop_back();
            }
            ASSERT_LE(part.size(), full_lines.size()) << n;
            EXPECT_TRUE(std::equal(part.begin(), part.end(), full_lines.begin())) << n;
        }
    }
}

TEST_F(Damaged, EveryByteFlipped) {
    const std::vector<uint8_t> full = base_container();
    for (size_t i = 0; i < full.size(); ++i) {
        std::vector<uint8_t> damaged = full;
        damaged[i] ^= static_cast<uint8_t>(i % 3 == 0 ? 0xFF : 1u << (i % 8));
        decode(damaged, i % 7 == 0 ? -1 : static_cast<int>(i));
    }
    EXPECT_EQ(runs, static_cast<int>(full.size()));
}

TEST_F(Damaged, ZeroedAndErasedUnits) {
    const std::vector<uint8_t> full = base_container();
    for (size_t at = 0; at + 64 <= full.size(); at += 64) {
        for (uint8_t fill : {uint8_t{0x00}, uint8_t{0xFF}}) {
            std::vector<uint8_t> damaged = full;
            std::fill(damaged.begin() + static_cast<long>(at), damaged.begin() + static_cast<long>(at + 64), fill);
            decode(damaged, static_cast<int>(at / 64));
        }
    }
}

TEST_F(Damaged, FieldsAtTheirMaxima) {
    // Units of every type whose payload is all ones or all zeros, in every mode.
    ContainerBuilder c;
    const uint32_t units = 2 * 256;
    c.open(OpenBlockFields{.tag = 17, .flash_end = 64 * units, .time = 0xFFFFFFFF});
    for (int type = 0; type < 256; ++type) {
        c.unit(make_unit(static_cast<uint8_t>(type), std::vector<uint8_t>(63, 0xFF)));
        c.unit(make_unit(static_cast<uint8_t>(type), std::vector<uint8_t>(63, 0x00)));
    }
    // Thirty units of each multi-unit family with all bytes set.
    for (uint8_t start : {0x40, 0x44, 0x42, 0x50, 0x32, 0x70}) {
        c.unit(make_unit(start, std::vector<uint8_t>(63, 0xFF)));
        for (int i = 0; i < 29; ++i) {
            c.unit(make_unit(static_cast<uint8_t>(start + 1), std::vector<uint8_t>(63, 0xFF)));
        }
    }
    // Addresses and lengths at their maxima.
    c.open(OpenBlockFields{.tag = 17, .flash_start = 0xFFFFFFC0, .flash_end = 0xFFFFFFFF});
    c.unit(make_pattern_unit(0x30, 1));
    c.open(OpenBlockFields{.tag = 17, .flash_start = 0, .flash_end = 0});
    c.unit(make_pattern_unit(0x30, 2));
    const std::vector<uint8_t> file = c.bytes();
    for (int mode = -1; mode < static_cast<int>(kModes.size()); ++mode) {
        InProcessResult r = decode(file, mode);
        EXPECT_EQ(r.exit_code, 0) << mode << r.out.substr(0, 2000);
    }
}

TEST_F(Damaged, Generation3AndVoltageFilesFlippedAndCut) {
    flipped_and_cut(build_gen3_example(6), 3, 61, false);
    VoltageRecord a{.time = 600, .channels = {1024, 65535, 0, 1, 2, 3, 4, 5}};
    flipped_and_cut(make_voltage_file({a, a, a}), 1, 1, true);
}

}  // namespace
}  // namespace dec
