// Generation-3 tags decoded end to end: GPS-acceleration tags (records,
// bursts, system information, bad blocks) and interaction tags (joining on
// the 512-byte grid, the protocol file, the shared contact file). Each run's
// files, console, return value and bad-block count are kept as one section of
// gen3/expected/decode.txt.
#include <filesystem>
#include <functional>

#include "common/fatal.h"
#include "expected_sections.h"
#include "folder_fixture.h"
#include "gen3/gen3.h"
#include "testsupport/gen3_builder.h"

namespace dec {
namespace {

using testing::Gen3Builder;
using testing::Gen3GpsFields;
using testing::Gen3IntactBlock;
using testing::Gen3OpenFields;
using testing::intact_entries;
using testing::intact_jump_entry;
using testing::intact_rx_entry;
using testing::intact_tx_entry;
using testing::make_gen3_intact_block;

// 10 days and 01:01:01 after the tag epoch: Wednesday 14 March 2007.
constexpr uint32_t kStart = 10 * 86400 + 3661;
constexpr uint32_t kDay = 86400;

// Week 1418 begins Sunday 11 March 2007: Monday 01:00:00; 35 degrees, 4000 mV.
Gen3GpsFields fix() {
    // clang-format off
    return {.lon = 87654321, .lat = 475000000, .height_mm = 512300, .week = 1418,
            .tow_ms = 90000000, .time_to_fix = 20, .start_time = kStart, .temperature_raw = 1700,
            .battery = 3277, .speed_acc = 80, .speed = 350, .heading = 1000, .horiz_acc = 12000,
            .fix_battery = 3277};
    // clang-format on
}

std::vector<uint16_t> ramp(int n, uint16_t from) {
    std::vector<uint16_t> v;
    for (int k = 0; k < n; ++k) {
        v.push_back(static_cast<uint16_t>(from + k));
    }
    return v;
}

// A GPS-acceleration tag's open block announcing `records` records.
Gen3OpenFields tag(uint16_t number, uint8_t type, uint8_t sw, uint32_t records) {
    // clang-format off
    std::vector<uint8_t> config = sw <= 5 ? testing::make_gen3_config(32, 28, 'j')
                                          : testing::make_gen3_config(32, 0, 'k');
    return {.tag = number, .tag_type = type, .sw_version = sw, .fufa = 0, .fffa = 64 * records,
            .time = kStart, .basestation_id = 0x0300, .config = config};
    // clang-format on
}

// An interaction tag's open block: type 6 with its configuration (interval,
// TX flag), or type 0 without one.
Gen3OpenFields itag(uint16_t number, uint8_t type, uint8_t sw, uint32_t fufa, uint32_t fffa, bool long_form,
                    uint8_t interval = 10, uint32_t time = kStart) {
    // clang-format off
    Gen3OpenFields s{.tag = number, .tag_type = type, .sw_version = sw, .fufa = fufa,
                     .fffa = fffa, .time = time, .basestation_id = 0x0300, .config = {}};
    // clang-format on
    if (type == 6) {
        s.config = testing::make_gen3_intact_config(interval, 0x01, sw == 6, long_form);
    }
    return s;
}

// A TX block whose one contact identifies it: time kStart + k, strength byte 2 + 2k.
Gen3IntactBlock tx_block(uint32_t k) {
    return make_gen3_intact_block(
        {.type = 130, .time = kStart + k, .entries = intact_tx_entry(static_cast<uint8_t>(2 + 2 * k))});
}
// Two downloads of interaction tag 301 (software 1), blocks `a` then `b`.
Gen3Builder two_tx_downloads(uint32_t a1, uint32_t a2, uint32_t b1, uint32_t b2) {
    return Gen3Builder(3)
        .open(itag(301, 6, 1, 0, 1024, false))
        .intact_block(tx_block(a1))
        .intact_block(tx_block(a2))
        .open(itag(301, 6, 1, 512, 1536, false))
        .intact_block(tx_block(b1))
        .intact_block(tx_block(b2));
}

// Two downloads in a V1.3 container, TX blocks `ka` and `kb`.
Gen3Builder block_each(const Gen3OpenFields& a, uint32_t ka, const Gen3OpenFields& b, uint32_t kb) {
    return Gen3Builder(3).open(a).intact_block(tx_block(ka)).open(b).intact_block(tx_block(kb));
}

// One appended download of tag 302 offering `expected` bytes and delivering
// `received`: whole TX blocks, the last one cut.
Gen3Builder appended(uint32_t expected, uint32_t received) {
    Gen3Builder b(6);
    b.open(itag(302, 6, 6, 0, expected, true));
    for (uint32_t k = 0; 512 * k < received; ++k) {
        b.intact_part(tx_block(k), std::min<size_t>(512, received - 512 * k));
    }
    return b;
}

// One-block single-axis burst of rate `code` for key 6 with sub-seconds.
Gen3Builder subsecond_burst(uint16_t number, uint8_t code) {
    return Gen3Builder(2)
        .open(tag(number, 5, 5, 1))
        .records(testing::make_gen3_burst(kStart, 0x08, code, ramp(4, 100), false));
}

Gen3Builder z_axis_tag() {
    return Gen3Builder(2)
        .open(tag(25, 5, 6, 2))
        .record(testing::make_gen3_gps(fix()))
        .records(testing::make_gen3_burst(kStart + 29, 0x08, 4, ramp(36, 100), false));
}

struct Gen3Run {
    const char* name;
    uint32_t action;
    std::function<Gen3Builder()> input;
    // What the output folder holds before the run.
    void (*prepare)(const testing::TempDir&) = nullptr;
};

constexpr uint32_t kSubSeconds = ACT_ACC | ACT_ACC_COLUMNS | ACT_ACC_JUST_SECONDS | ACT_ACC_SUBSECONDS;

const Gen3Run kRuns[] = {
    {"zero position and test record", ACT_GPS,
     [] {
         Gen3GpsFields zero = fix();
         zero.lon = zero.lat = zero.height_mm = 0;
         Gen3GpsFields test_record = fix();
         test_record.lon = 123456789;
         test_record.status = 0x0C;
         return Gen3Builder(4)
             .open(tag(40, 5, 6, 2))
             .record(testing::make_gen3_gps(zero))
             .record(testing::make_gen3_gps(test_record));
     }},
    // Tags 19..22 and 25..30 have one Z axis at 1 Hz; tags chosen by number
    // are taken as they are: no configuration print.
    {"Z-axis tag 25", ACT_GPS | ACT_ACC, z_axis_tag},
    {"Z-axis tag 25 for Movebank", ACT_MOVEBANK, z_axis_tag},
    // No menu key asks for GPS lines and MOVEBANK at once; the GPS file then
    // takes the MOVEBANK form, with its header in the information file too.
    {"MOVEBANK with GPS lines", ACT_MOVEBANK | ACT_GPS,
     [] { return Gen3Builder(6).open(tag(40, 5, 6, 1)).record(testing::make_gen3_gps(fix())); }},
    {"early tag 5 with a record it does not know, low-pass", ACT_GPS | ACT_ACC | ACT_ACC_COLUMNS | ACT_ACC_LOWPASS,
     [] {
         return Gen3Builder(0)
             .open(tag(5, 4, 1, 3))
             .record(testing::make_gen3_gps_old(fix()))
             .record(testing::make_gen3_gps(fix()))  // not known to these tags: a bad block
             .records(testing::make_gen3_burst(kStart + 29, 0x38, 4, ramp(36, 100), false));
     }},
    {"old record without a valid fix", ACT_GPS,
     [] {
         Gen3GpsFields g = fix();
         g.status = 0x0C;
         return Gen3Builder(0).open(tag(40, 4, 2, 1)).record(testing::make_gen3_gps_old(g));
     }},
    {"checksum error is a bad block", ACT_GPS,
     [] {
         auto r = testing::make_gen3_gps(fix());
         r[30] ^= 0x40;
         return Gen3Builder(3).open(tag(40, 5, 3, 1)).record(r);
     }},
    // One line of (30 * 63 - 9) / 3 * 2 = 1254 samples, then too much data.
    {"burst of 30 blocks, of 31, with a gap", ACT_ACC,
     [] {
         std::vector<uint16_t> few = {7, 7, 7, 7};
         auto gap = testing::make_gen3_burst(kStart, 0x08, 0, few, false, 3);
         gap.erase(gap.begin() + 1);
         return Gen3Builder(3)
             .open(tag(40, 5, 3, 63))
             .records(testing::make_gen3_burst(kStart, 0x08, 0, few, false, 30))
             .records(testing::make_gen3_burst(kStart, 0x08, 0, few, false, 31))
             .records(gap);
     }},
    {"system information, older form", ACT_GPS,
     [] {
         return Gen3Builder(3)
             .open(tag(40, 5, 3, 2))
             .record(testing::make_gen3_reset_old(kStart, 0x12, 0x01))
             .record(testing::make_gen3_reset_old(kStart, 0x01, 0x00));
     }},
    {"system information, newer form", ACT_GPS,
     [] {
         return Gen3Builder(6)
             .open(tag(41, 5, 7, 4))
             .record(testing::make_gen3_sysinfo(0, kStart, 0x81, 0x02))
             .record(testing::make_gen3_sysinfo(1, kStart, 2900 & 0xFF, 2900 >> 8))
             .record(testing::make_gen3_sysinfo(2, kStart, 3, 9))
             .record(testing::make_gen3_sysinfo(5, kStart, 0, 0));
     }},
    {"checked bursts of later software, one damaged", ACT_ACC,
     [] {
         auto good = testing::make_gen3_burst(kStart, 0x08, 4, ramp(36, 1), true);
         auto bad = good;
         bad[0][20] ^= 1;
         return Gen3Builder(6).open(tag(41, 5, 7, 2)).records(good).records(bad);
     }},
    {"bad blocks and skipped blocks", ACT_GPS,
     [] {
         Gen3Builder b(3);
         b.open(tag(40, 5, 3, 17));
         for (int i = 0; i < 8; ++i) {
             b.record(testing::make_gen3_record(0x00)).record(testing::make_gen3_record(0xFF));
         }
         b.record(testing::make_gen3_record(0x03));
         return b;
     }},
    // Tag 37 of type 0 and tag 50 of type 3 write nothing; tag 35 of type 0
    // is an interaction tag.
    {"tag types without output", ACT_GPS,
     [] {
         return Gen3Builder(3)
             .open(tag(37, 0, 1, 1))
             .record(testing::make_gen3_record(0x31))
             .open(tag(35, 0, 1, 0))
             .open(tag(50, 3, 1, 0));
     }},
    // The failing tag's temporary files go, and so does the copy of the next
    // tag, which is never run.
    {"unknown tag type stops the run", ACT_GPS,
     [] { return Gen3Builder(3).open(tag(40, 9, 1, 0)).open(tag(41, 5, 3, 0)); }},
    {"unknown software version stops the run", ACT_GPS, [] { return Gen3Builder(3).open(tag(40, 5, 9, 0)); }},
    {"sub-seconds at 100 Hz", kSubSeconds, [] { return subsecond_burst(41, 4); }},
    {"stopped sensor: rate 0, whole seconds", kSubSeconds, [] { return subsecond_burst(41, 10); }},
    {"invalid rate code", kSubSeconds, [] { return subsecond_burst(41, 12); }},
    {"Z-axis tag at 1 Hz whatever the code", kSubSeconds, [] { return subsecond_burst(25, 10); }},
    {"Z-axis tag with an invalid code", kSubSeconds, [] { return subsecond_burst(25, 12); }},
    {"interaction protocol of two downloads", ACT_GPS,
     [] {
         return Gen3Builder(3)
             .open(itag(301, 6, 2, 0, 1024, false))
             .intact_block(make_gen3_intact_block(
                 {.type = 128,
                  .time = kStart + 100,
                  .temperature_raw = 2010,
                  .battery_raw = 3800,
                  .entries = intact_entries({intact_rx_entry(0x40, 0x42, 35), intact_rx_entry(0x44, 0x46, 35),
                                             intact_jump_entry(128, 300), intact_rx_entry(0x48, 0x80, 302)})}))
             .intact_block(
                 make_gen3_intact_block({.type = 130,
                                         .time = kStart + 1000,
                                         .temperature_raw = 2010,
                                         .battery_raw = 3800,
                                         .entries = intact_entries({intact_tx_entry(0x50), intact_tx_entry(0xF0)})}))
             .open(itag(301, 6, 2, 1024, 1536, false, 10, kStart + kDay))
             .intact_block(make_gen3_intact_block({.type = 130,
                                                   .time = kStart + kDay + 50,
                                                   .temperature_raw = 2010,
                                                   .battery_raw = 3800,
                                                   .entries = intact_tx_entry(0x02)}));
     }},
    {"repeated tail is written once", ACT_GPS, [] { return two_tx_downloads(0, 1, 1, 2); }},
    {"changed tail is kept", ACT_GPS, [] { return two_tx_downloads(0, 1, 5, 2); }},
    // 960 bytes of the first download: its second block is incomplete and is
    // dropped, so the next download starts on the block grid.
    {"missing data drops the incomplete block", ACT_GPS,
     [] {
         return Gen3Builder(3)
             .open(itag(301, 6, 2, 0, 1024, false))
             .intact_block(tx_block(0))
             .intact_part(tx_block(1), 448)
             .open(itag(301, 6, 2, 2048, 2560, false))
             .intact_block(tx_block(2));
     }},
    // The first download starts at 5 kBytes; the next one starts more than
    // 4 kBytes before where the first ended.
    {"earlier and distant interaction data", ACT_GPS,
     [] { return block_each(itag(301, 6, 2, 5120, 5632, false), 0, itag(301, 6, 2, 512, 1024, false), 1); }},
    // 960: the 448 bytes of the second block go. 1024: four whole radio
    // packets (980 bytes) do not end on a record, so the second block goes.
    // 15872: 64 packets end on a record: nothing is cut.
    {"appended 960 of 2048", ACT_GPS, [] { return appended(2048, 960); }},
    {"appended 1024 of 2048", ACT_GPS, [] { return appended(2048, 1024); }},
    {"appended 15872 of 16384", ACT_GPS, [] { return appended(16384, 15872); }},
    {"appended 1024 of 1024", ACT_GPS, [] { return appended(1024, 1024); }},
    {"appended 1024 of 512", ACT_GPS, [] { return appended(512, 1024); }},
    // 192 bytes where 64 were offered: nothing is cut, and the image does
    // not end on a block.
    {"appended data off the grid fails the tag", ACT_GPS, [] { return appended(64, 192); }},
    {"invalid interaction block type ends the program", ACT_GPS,
     [] {
         Gen3IntactBlock bad = tx_block(1);
         bad[0] = 0x05;
         return Gen3Builder(3).open(itag(301, 6, 2, 0, 1024, false)).intact_block(tx_block(0)).intact_block(bad);
     }},
    {"old TX block is invalid for appended tags", ACT_GPS,
     [] {
         return Gen3Builder(6)
             .open(itag(302, 6, 6, 0, 512, true))
             .intact_block(make_gen3_intact_block({.type = 129, .time = kStart}));
     }},
    {"unknown interaction software version", ACT_GPS,
     [] { return Gen3Builder(3).open(itag(301, 6, 3, 0, 512, false)).intact_block(tx_block(0)); }},
    // Type 6: a different software version fails the tag. Type 0 tags are
    // taken as they are.
    {"later download of another software version", ACT_GPS,
     [] { return block_each(itag(301, 6, 2, 0, 512, false), 0, itag(301, 6, 1, 512, 1024, false), 1); }},
    {"later download of another software version, type 0", ACT_GPS,
     [] { return block_each(itag(35, 0, 2, 0, 512, false), 0, itag(35, 0, 1, 512, 1024, false), 1); }},
    // The contact file is started afresh and shared by the tags of this run.
    {"contact file of three tags", ACT_GPS,
     [] {
         return Gen3Builder(6)
             .open(itag(36, 0, 0, 0, 1024, true))
             .intact_block(tx_block(0))
             .intact_block(tx_block(1))
             .open(itag(302, 6, 6, 0, 512, true))
             .intact_block(tx_block(2))
             .open(itag(34, 0, 0, 0, 512, true))
             .intact_block(tx_block(3));
     },
     [](const testing::TempDir& dir) {
         testing::write_bytes(dir.file("intact.txt"), {'T', ',', '9', '\n'});
     }},
    // The contact file is written aside and cannot take its name at the end.
    {"contact file name taken by a folder", ACT_GPS,
     [] { return Gen3Builder(3).open(itag(35, 0, 0, 0, 512, false)).intact_block(tx_block(0)); },
     [](const testing::TempDir& dir) { std::filesystem::create_directories(dir.file("intact.txt/keep")); }},
};

// One run's container decoded into a fresh folder.
struct WholeRun final : FolderFixture {
    void TestBody() override {}
    std::string decode(const Gen3Run& r) {
        r.input().write_file(input());
        if (r.prepare != nullptr) {
            r.prepare(dir);
        }
        std::string head;
        int rv;
        try {
            rv = static_cast<int>(separate_gen3(run, input().c_str(), output_plan_of(r.action)));
        } catch (const FatalStop& stop) {
            rv = stop.code;
            head = "program ended\n";
        }
        con.flush();
        return head + "bad blocks " + std::to_string(run.bad_blocks) + "\n" +
               testing::outcome(dir, "logger.bin", rv, out, err);
    }
};

TEST(Gen3Decode, WholeRuns) {
    testing::Sections got;
    for (const Gen3Run& r : kRuns) {
        got.emplace_back(r.name, WholeRun().decode(r));
    }
    testing::expect_sections("gen3/expected/decode.txt", got);
}

}  // namespace
}  // namespace dec
