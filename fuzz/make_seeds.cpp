// Writes the seed corpora of the fuzz targets: small valid inputs of every
// container kind, each behind a mode byte that picks the action word (and,
// from 14 on, decoding on two threads).
//
//   make_seeds <directory>   (writes gen5/, gen3/ and voltage/ below it)
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "testsupport/container_builder.h"
#include "testsupport/ecg_records.h"
#include "testsupport/gen3_builder.h"
#include "testsupport/settings_records.h"

using namespace dec::testing;

namespace {

void write_seed(const std::filesystem::path& dir, const std::string& name, uint8_t mode,
                const std::vector<uint8_t>& file) {
    std::vector<uint8_t> seed(file.size() + 1);
    seed[0] = mode;
    std::copy(file.begin(), file.end(), seed.begin() + 1);
    write_bytes((dir / (name + "-mode" + std::to_string(mode))).string(), seed);
}

std::vector<uint8_t> gen5_seed(uint8_t structure_version) {
    ContainerBuilder c;
    OpenBlockFields t17{.tag = 17, .flash_start = 0, .flash_end = 64 * 6, .time = 383900400};
    Block256 open = make_open_block(t17);
    // Tag type and software version are bytes 2 and 3 of the settings record.
    example_tt5_10(structure_version).u8(2, 5).u8(3, 10).write_into(open.data());
    c.block(open);
    for (uint8_t type : {0x10, 0x30, 0x34, 0x36, 0x40, 0x41, 0x44, 0x45, 0x42, 0x43, 0x50, 0x51,
                         0x32, 0x33, 0x70, 0x71, 0xFE}) {
        c.unit(make_pattern_unit(type, type));
    }
    c.close_info(1556866800).empty_units(4);
    c.download(OpenBlockFields{.tag = 17, .flash_start = 64 * 15, .time = 383904000}, 3, 0x30);
    c.download(OpenBlockFields{.tag = 5, .sw_version = 9, .time = 383900400}, 3, 0x40);
    EcgFields ecg;
    ecg.samples = {1, 2, 3};
    c.open(OpenBlockFields{.tag = 40, .tag_type = 7, .sw_version = 1, .flash_end = 128});
    add_ecg_units(c, make_ecg_record(ecg, 40, 2));
    c.unit(make_pattern_unit(0x10, 3));
    return c.bytes();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds <directory>\n");
        return 2;
    }
    const std::filesystem::path root(argv[1]);
    for (const char* sub : {"gen5", "gen3", "voltage"}) {
        std::filesystem::create_directories(root / sub);
    }
    for (uint8_t sv = 0; sv < 4; ++sv) {
        for (uint8_t mode = 0; mode < 14; mode += 3) {
            write_seed(root / "gen5", "sv" + std::to_string(sv), static_cast<uint8_t>(mode + sv),
                       gen5_seed(sv));
        }
    }
    // Mode bytes 14 to 27 decode the tags side by side on two threads.
    for (uint8_t mode = 14; mode < 28; mode += 3) {
        write_seed(root / "gen5", "sv3", mode, gen5_seed(3));
    }
    for (int minor = 0; minor <= 6; ++minor) {
        write_seed(root / "gen3", "v1." + std::to_string(minor), static_cast<uint8_t>(minor * 2),
                   build_gen3_example(minor));
    }
    VoltageRecord a{.time = 600, .channels = {1024, 65535, 0, 1, 2, 3, 4, 5}};
    VoltageRecord b{.time = 1200, .bad_checksum = true};
    VoltageRecord c{.time = 1800, .magic = 0x12345678};
    write_seed(root / "voltage", "records", 0, make_voltage_file({a, b, c, a}));
    return 0;
}
