// Whole runs of the decoder on small synthetic containers: joining a tag's
// downloads, the unit loops of GPS-acceleration and ECG tags, voltage-logger
// files and the failures that stop a tag. Each run's files, console and exit
// code are kept as one section of gen5/expected/downloads.txt.
#include <gtest/gtest.h>

#include <functional>

#include "expected_sections.h"
#include "gen5/outcome.h"
#include "gen5_test_util.h"
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
std::vector<uint8_t> downloads(std::initializer_list<Download> list) {
    ContainerBuilder c;
    for (const Download& d : list) {
        c.open(desc(d.start, d.end));
        units(c, d.first, d.count);
    }
    return c.bytes();
}

std::vector<uint8_t> gsm_payload(uint32_t time, const std::string& text) {
    std::vector<uint8_t> p(63, 0);
    for (int i = 0; i < 4; ++i) {
        p[i] = static_cast<uint8_t>(time >> (8 * i));
    }
    std::copy(text.begin(), text.end(), p.begin() + 4);
    return p;
}

std::vector<uint8_t> satellite_payload() {
    std::vector<uint8_t> p(63, 0);
    p[4] = 3;  // channels
    // Satellite, flags, quality, C/N0, elevation, azimuth; the third has no
    // orbit information: not listed.
    const int channels[3][6] = {
        {5, 0x04, 7, 40, 30, 120}, {12, 0x04, 2, 0, -5, 300}, {20, 0x00, 7, 45, 60, 10}};
    for (int i = 0; i < 3; ++i) {
        uint8_t* ch = p.data() + 8 + 12 * i;
        for (int f = 0; f < 6; ++f) {
            ch[1 + f] = static_cast<uint8_t>(channels[i][f]);
        }
        ch[7] = static_cast<uint8_t>(channels[i][5] >> 8);
    }
    return p;
}

// One download of ECG tag 40 of `count` units filled by `body`.
std::vector<uint8_t> ecg(uint32_t count, const std::function<void(ContainerBuilder&)>& body) {
    ContainerBuilder c;
    c.open(OpenBlockFields{.tag = 40, .tag_type = 7, .sw_version = 1, .flash_end = 64 * count,
                           .time = kT0});
    body(c);
    return c.bytes();
}

// An ECG record of `units` units whose first samples are `first`, 2, then zeros.
std::vector<uint8_t> ecg_record(uint8_t units, uint16_t first) {
    EcgFields s;
    s.start_time = kT0;
    s.units = units;
    s.samples = {first, 2};
    return testing::make_ecg_record(s, 40, 2);
}

std::vector<uint8_t> close_info_then_empty(int after) {
    ContainerBuilder c;
    c.open(desc(0, 1024));
    units(c, 0, 2);
    c.empty_units(1);  // 896 bytes before the announced end: in the middle
    units(c, 3, 10);
    c.empty_units(2);  // within the last 256 bytes: last radio packet
    c.close_info(1556866800).empty_units(after);
    return c.bytes();
}

struct DecoderRun {
    const char* name;
    std::vector<std::string> args;
    std::function<std::vector<uint8_t>()> input;
};

// Key 1 (acceleration only: no GPS legend).
const std::vector<std::string> kAcc = {"-c", "1", "-a", "a"};
const std::vector<std::string> kVolt = {"-c", "2", "-f", "volt.bin"};

const DecoderRun kRuns[] = {
    {"contiguous downloads", kAcc, [] { return downloads({{0, 128, 0, 2}, {128, 256, 2, 2}}); }},
    {"re-sent data that differs is kept twice", kAcc,
     [] {
         ContainerBuilder c;
         c.open(desc(0, 256));
         units(c, 0, 4);
         c.open(desc(128, 384));
         auto changed = make_pattern_unit(0xFE, 2);
         changed[40] ^= 1;
         c.unit(changed);
         units(c, 3, 3);
         return c.bytes();
     }},
    // 1024 bytes never arrive; then far behind the end (1280): not comparable;
    // then a restart from address 0: no message.
    {"gap, far overlap, restart at zero", kAcc,
     [] { return downloads({{0, 128, 0, 2}, {1152, 1280, 18, 2}, {64, 128, 1, 1}, {0, 64, 0, 1}}); }},
    // 4160 bytes back from 5120: more than can be compared.
    {"overlap beyond the go-back limit", kAcc,
     [] { return downloads({{0, 64 * 80, 0, 80}, {960, 1024, 15, 1}}); }},
    {"first download not from address zero", kAcc,
     [] { return downloads({{0x10000, 0x10000 + 64, 0, 1}}); }},
    {"close information and 3 empty units", kAcc, [] { return close_info_then_empty(3); }},
    {"close information and 4 empty units", kAcc, [] { return close_info_then_empty(4); }},
    {"close information and 5 empty units", kAcc, [] { return close_info_then_empty(5); }},
    {"damaged close information is data", kAcc,
     [] {
         ContainerBuilder c;
         c.open(desc(0, 128));
         units(c, 0, 1);
         c.block(testing::make_close_info(0xFF00, 5, 0x12345678));  // four units taken as data
         const auto cut = testing::make_close_info(0xFF00, 5);
         c.raw(cut.data(), 100);  // cut short by the end of the file
         return c.bytes();
     }},
    {"later download of another software version", kAcc,
     [] {
         ContainerBuilder c;
         c.open(desc(0, 64));
         units(c, 0, 1);
         OpenBlockFields other = desc(64, 128);
         other.sw_version = 9;
         c.open(other);
         return c.bytes();
     }},
    {"GSM texts of one, two and five units", kAcc,
     [] {
         ContainerBuilder c;
         c.open(desc(0, 64 * 9));
         c.unit(make_unit(0x70, gsm_payload(kT0, "Hello\x01world\xE9!")));
         c.unit(make_pattern_unit(0xFE, 1));  // ends the one-unit text
         c.unit(make_unit(0x70, gsm_payload(kT0 + 61, std::string(59, 'a'))));
         c.unit(make_unit(0x71, std::vector<uint8_t>{'b', 'c', 0}));
         c.unit(make_unit(0x70, gsm_payload(kT0, "dropped")));  // five units: too long
         for (int i = 0; i < 4; ++i) {
             c.unit(make_unit(0x71, std::vector<uint8_t>(63, 'x')));
         }
         return c.bytes();
     }},
    {"satellite report waits for its first continuation", kAcc,
     [] {
         ContainerBuilder c;
         c.open(desc(0, 64 * 4));
         c.unit(make_unit(0x32, satellite_payload()));  // holds all 44 bytes already
         c.unit(make_pattern_unit(0xFE, 1));            // but no continuation: never printed
         c.unit(make_unit(0x32, satellite_payload()));
         c.unit(make_unit(0x33));
         return c.bytes();
     }},
    {"stray continuations and damaged units", kAcc,
     [] {
         ContainerBuilder c;
         c.open(desc(0, 64 * 4));
         c.unit(make_unit(0x41, {1, 2, 3}));  // no burst started: ignored, not bad
         c.unit(make_unit(0x33, {1, 2, 3}));  // no satellite report started
         auto damaged = testing::make_open_block(desc(0, 64));
         damaged[5] = 'X';  // not "OPEN": a damaged unit of open-block type
         c.raw(damaged.data(), 64);
         c.unit(make_unit(0x99));
         return c.bytes();
     }},
    {"GPS units are counted but not decoded for key 1", kAcc,
     [] {
         ContainerBuilder c;
         c.open(desc(0, 64 * 2));
         c.unit(make_pattern_unit(0x30, 1));  // would fail its checksum if decoded
         c.unit(make_pattern_unit(0x34, 2));
         return c.bytes();
     }},
    {"ECG start units end the record before them", {"-c", "2"},
     [] {
         return ecg(5, [](ContainerBuilder& c) {
             c.unit(0x61, {1, 2, 3});  // continuation without a start: ignored
             testing::add_ecg_units(c, ecg_record(1, 7));
             testing::add_ecg_units(c, ecg_record(2, 8));
             c.unit(make_pattern_unit(0xFE, 1));
         });
     }},
    {"ECG record of 30 units decoded, of 31 dropped", {"-c", "2"},
     [] {
         return ecg(61, [](ContainerBuilder& c) {
             testing::add_ecg_units(c, ecg_record(30, 5));
             testing::add_ecg_units(c, ecg_record(31, 6));
         });
     }},
    // Keys 3 and m of an ECG tag are golden cases.
    {"ECG temperature only", {"-c", "1"},
     [] {
         return ecg(2, [](ContainerBuilder& c) {
             testing::add_ecg_units(c, ecg_record(1, 7));
             c.unit(0x33);  // not an ECG unit type: bad
         });
     }},
    {"unknown software version ends the program", {"-c", "2"},
     [] {
         return ContainerBuilder().download(OpenBlockFields{.tag = 8, .sw_version = 11}, 1).bytes();
     }},
    {"unknown tag type stops the run", {"-c", "2"},
     [] {
         ContainerBuilder c;
         c.download(OpenBlockFields{.tag = 8, .tag_type = 9}, 1);
         c.download(OpenBlockFields{.tag = 12}, 1);
         return c.bytes();
     }},
    {"voltage records, checksums and channels", kVolt,
     [] {
         VoltageRecord a{.time = 600, .channels = {1024, 65535, 0, 1, 2, 3, 4, 5},
                         .temperature = 300, .load = 200};
         VoltageRecord bad{.time = 1200, .bad_checksum = true};
         VoltageRecord foreign{.time = 1500, .magic = 0x11223344};
         VoltageRecord b{.time = 7800, .channels = {146, 0, 0, 0, 0, 0, 0, 1023},
                         .temperature = 65535, .load = 255};
         auto file = testing::make_voltage_file({a, bad, foreign, b});
         file.resize(file.size() + 20);  // a partial last record is ignored
         return file;
     }},
    {"voltage file of no record", kVolt, [] { return testing::make_voltage_file({}); }},
    {"voltage file of a foreign maker", kVolt,
     [] {
         auto foreign = testing::make_voltage_file({});
         foreign[10] = 'x';
         return foreign;
     }},
};

TEST(Downloads, WholeRuns) {
    testing::Sections got;
    for (const DecoderRun& r : kRuns) {
        testing::TempDir dir;
        const bool volt = r.args.size() > 2 && r.args[2] == "-f";
        const std::string input = volt ? "volt.bin" : "logger.bin";
        testing::write_bytes(dir.file(input), r.input());
        const testing::CliResult res = testing::run_cli(kExe, r.args, dir.path());
        got.emplace_back(r.name, strip_settings(testing::outcome(dir, input, res.exit_code,
                                                                 res.out, res.err)));
    }
    testing::expect_sections("gen5/expected/downloads.txt", got);
}

}  // namespace
}  // namespace dec
