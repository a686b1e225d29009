// Whole runs of the decoder on small synthetic containers: joining a tag's
// downloads, the unit loops of GPS-acceleration and ECG tags, voltage-logger
// files and the failures that stop a tag. Each run's files, console and exit
// code are kept as one section of gen5/expected/downloads.txt.
#include <gtest/gtest.h>

#include <functional>

#include "common/le.h"
#include "expected_sections.h"
#include "folder_fixture.h"
#include "testsupport/container_builder.h"
#include "testsupport/ecg_records.h"

namespace dec {
namespace {

using testing::ContainerBuilder;
using testing::EcgFields;
using testing::make_pattern_unit;
using testing::make_unit;
using testing::OpenBlockFields;
using testing::VoltageRecord;

OpenBlockFields desc(uint32_t start, uint32_t end) {
    return OpenBlockFields{.tag = 17, .flash_start = start, .flash_end = end, .time = kT0};
}

// `count` 0xFE units numbered from `first`.
void units(ContainerBuilder& c, uint32_t first, uint32_t count) {
    for (uint32_t i = 0; i < count; ++i) {
        c.unit(make_pattern_unit(0xFE, first + i));
    }
}

// Downloads of tag 17: flash start and end, then `count` 0xFE units numbered from `first`.
struct Download {
    uint32_t start, end, first, count;
};
std::function<void(ContainerBuilder&)> downloads(std::vector<Download> list) {
    return [list](ContainerBuilder& c) {
        for (const Download& d : list) {
            c.open(desc(d.start, d.end));
            units(c, d.first, d.count);
        }
    };
}

std::vector<uint8_t> gsm_payload(uint32_t time, const std::string& text) {
    std::vector<uint8_t> p(63, 0);
    put_le32(p.data(), 0, time);
    std::copy(text.begin(), text.end(), p.begin() + 4);
    return p;
}

// Three channels of 12 bytes from byte 8: satellite, flags, quality, C/N0,
// elevation, azimuth (16 bits). The third has no orbit information: not listed.
const std::vector<uint8_t> kSatellites = {0, 0,  0, 0, 3, 0,   0,  0, 0, 5, 4, 7, 40, 30, 120, 0, 0,  0,  0, 0,
                                          0, 12, 4, 2, 0, 251, 44, 1, 0, 0, 0, 0, 0,  20, 0,   7, 45, 60, 10};

// One download of ECG tag 40 of `count` units.
void ecg(ContainerBuilder& c, uint32_t count) {
    c.open(OpenBlockFields{.tag = 40, .tag_type = 7, .sw_version = 1, .flash_end = 64 * count, .time = kT0});
}

// An ECG record of `units` units whose first samples are `first`, 2, then zeros.
void ecg_record(ContainerBuilder& c, uint8_t units, uint16_t first) {
    testing::add_ecg_units(
        c, testing::make_ecg_record(EcgFields{.start_time = kT0, .units = units, .samples = {first, 2}}, 40, 2));
}

void close_info_then_empty(ContainerBuilder& c, int after) {
    c.open(desc(0, 1024));
    units(c, 0, 2);
    c.empty_units(1);  // 896 bytes before the announced end: in the middle
    units(c, 3, 10);
    c.empty_units(2);  // within the last 256 bytes: last radio packet
    c.close_info(1556866800).empty_units(after);
}

struct DecoderRun {
    const char* name;
    std::vector<std::string> args;
    std::function<void(ContainerBuilder&)> input;
};

// Key 1 (acceleration only: no GPS legend).
const std::vector<std::string> kAcc = {"-c", "1", "-a", "a"};
const std::vector<std::string> kVolt = {"-c", "2", "-f", "volt.bin"};

const DecoderRun kRuns[] = {
    {"contiguous downloads", kAcc, downloads({{0, 128, 0, 2}, {128, 256, 2, 2}})},
    {"re-sent data that differs is kept twice", kAcc,
     [](ContainerBuilder& c) {
         c.open(desc(0, 256));
         units(c, 0, 4);
         c.open(desc(128, 384));
         auto changed = make_pattern_unit(0xFE, 2);
         changed[40] ^= 1;
         c.unit(changed);
         units(c, 3, 3);
     }},
    // 1024 bytes never arrive; then far behind the end (1280): not comparable;
    // then a restart from address 0: no message.
    {"gap, far overlap, restart at zero", kAcc,
     downloads({{0, 128, 0, 2}, {1152, 1280, 18, 2}, {64, 128, 1, 1}, {0, 64, 0, 1}})},
    // 4160 bytes back from 5120: more than can be compared.
    {"overlap beyond the go-back limit", kAcc, downloads({{0, 64 * 80, 0, 80}, {960, 1024, 15, 1}})},
    {"first download not from address zero", kAcc, downloads({{0x10000, 0x10000 + 64, 0, 1}})},
    // The tag's 32-bit address runs past the top to 0x80; the next download
    // re-sends the unit before it, which is recognised, and goes on to 0x100.
    {"addresses wrap at the top of the tag's memory", kAcc,
     downloads({{0xFFFFFF80, 0x80, 0, 4}, {0x40, 0xC0, 3, 2}, {0x140, 0x180, 9, 1}})},
    // End below start: the tag's 32-bit count announces 2^32 - 64 bytes.
    {"end address below the start", kAcc, downloads({{0x80, 0x40, 0, 1}})},
    {"close information and 3 empty units", kAcc, [](auto& c) { close_info_then_empty(c, 3); }},
    {"close information and 4 empty units", kAcc, [](auto& c) { close_info_then_empty(c, 4); }},
    {"close information and 5 empty units", kAcc, [](auto& c) { close_info_then_empty(c, 5); }},
    {"damaged close information is data", kAcc,
     [](ContainerBuilder& c) {
         c.open(desc(0, 128));
         units(c, 0, 1);
         c.block(testing::make_close_info(0xFF00, 5, 0x12345678));  // four units taken as data
         const auto cut = testing::make_close_info(0xFF00, 5);
         c.raw(cut.data(), 100);  // cut short by the end of the file
     }},
    {"later download of another software version", kAcc,
     [](ContainerBuilder& c) {
         c.open(desc(0, 64));
         units(c, 0, 1);
         c.open({.tag = 17, .sw_version = 9, .flash_start = 64, .flash_end = 128, .time = kT0});
     }},
    {"GSM texts of one, two and five units", kAcc,
     [](ContainerBuilder& c) {
         c.open(desc(0, 64 * 9));
         c.unit(make_unit(0x70, gsm_payload(kT0, "Hello\x01world\xE9!")));
         c.unit(make_pattern_unit(0xFE, 1));  // ends the one-unit text
         c.unit(make_unit(0x70, gsm_payload(kT0 + 61, std::string(59, 'a'))));
         c.unit(make_unit(0x71, std::vector<uint8_t>{'b', 'c', 0}));
         c.unit(make_unit(0x70, gsm_payload(kT0, "dropped")));  // five units: too long
         for (int i = 0; i < 4; ++i) {
             c.unit(make_unit(0x71, std::vector<uint8_t>(63, 'x')));
         }
     }},
    {"satellite report waits for its first continuation", kAcc,
     [](ContainerBuilder& c) {
         c.open(desc(0, 64 * 4));
         c.unit(make_unit(0x32, kSatellites));  // holds all 44 bytes already
         c.unit(make_pattern_unit(0xFE, 1));    // but no continuation: never printed
         c.unit(make_unit(0x32, kSatellites)).unit(make_unit(0x33));
     }},
    {"stray continuations and damaged units", kAcc,
     [](ContainerBuilder& c) {
         c.open(desc(0, 64 * 4));
         c.unit(make_unit(0x41, {1, 2, 3}));  // no burst started: ignored, not bad
         c.unit(make_unit(0x33, {1, 2, 3}));  // no satellite report started
         auto damaged = testing::make_open_block(desc(0, 64));
         damaged[5] = 'X';  // not "OPEN": a damaged unit of open-block type
         c.raw(damaged.data(), 64).unit(make_unit(0x99));
     }},
    {"GPS units are counted but not decoded for key 1", kAcc,
     [](ContainerBuilder& c) {
         c.open(desc(0, 64 * 2));
         c.unit(make_pattern_unit(0x30, 1));  // would fail its checksum if decoded
         c.unit(make_pattern_unit(0x34, 2));
     }},
    {"ECG start units end the record before them",
     {"-c", "2"},
     [](ContainerBuilder& c) {
         ecg(c, 5);
         c.unit(0x61, {1, 2, 3});  // continuation without a start: ignored
         ecg_record(c, 1, 7);
         ecg_record(c, 2, 8);
         c.unit(make_pattern_unit(0xFE, 1));
     }},
    {"ECG record of 30 units decoded, of 31 dropped",
     {"-c", "2"},
     [](ContainerBuilder& c) {
         ecg(c, 61);
         ecg_record(c, 30, 5);
         ecg_record(c, 31, 6);
     }},
    // Keys 3 and m of an ECG tag are golden cases.
    {"ECG temperature only",
     {"-c", "1"},
     [](ContainerBuilder& c) {
         ecg(c, 2);
         ecg_record(c, 1, 7);
         c.unit(0x33);  // not an ECG unit type: bad
     }},
    {"unknown software version ends the program",
     {"-c", "2"},
     [](ContainerBuilder& c) { c.download(OpenBlockFields{.tag = 8, .sw_version = 11}, 1); }},
    {"unknown tag type stops the run",
     {"-c", "2"},
     [](ContainerBuilder& c) {
         c.download(OpenBlockFields{.tag = 8, .tag_type = 9}, 1);
         c.download(OpenBlockFields{.tag = 12}, 1);
     }},
    {"voltage records, checksums and channels", kVolt,
     [](ContainerBuilder& c) {
         VoltageRecord a{.time = 600, .channels = {1024, 65535, 0, 1, 2, 3, 4, 5}, .temperature = 300, .load = 200};
         VoltageRecord bad{.time = 1200, .bad_checksum = true};
         VoltageRecord foreign{.time = 1500, .magic = 0x11223344};
         VoltageRecord b{.time = 7800, .channels = {146, 0, 0, 0, 0, 0, 0, 1023}, .temperature = 65535, .load = 255};
         auto file = testing::make_voltage_file({a, bad, foreign, b});
         file.resize(file.size() + 20);  // a partial last record is ignored
         c = ContainerBuilder(file);
     }},
    {"voltage file of no record", kVolt,
     [](ContainerBuilder& c) { c = ContainerBuilder(testing::make_voltage_file({})); }},
    {"voltage file of a foreign maker", kVolt,
     [](ContainerBuilder& c) {
         auto foreign = testing::make_voltage_file({});
         foreign[10] = 'x';
         c = ContainerBuilder(foreign);
     }},
};

TEST(Downloads, WholeRuns) {
    testing::Sections got;
    for (const DecoderRun& r : kRuns) {
        testing::TempDir dir;
        const std::string input = r.args.size() > 2 && r.args[2] == "-f" ? "volt.bin" : "logger.bin";
        ContainerBuilder c;
        r.input(c);
        testing::write_bytes(dir.file(input), c.bytes());
        const testing::CliResult res = testing::run_cli(kExe, r.args, dir.path());
        got.emplace_back(r.name, strip_settings(testing::outcome(dir, input, res.exit_code, res.out, res.err)));
    }
    testing::expect_sections("gen5/expected/downloads.txt", got);
}

}  // namespace
}  // namespace dec
