#include "testsupport/seed_containers.h"

#include "testsupport/container_builder.h"
#include "testsupport/ecg_records.h"
#include "testsupport/gen3_builder.h"
#include "testsupport/settings_records.h"

namespace dec::testing {

std::vector<uint8_t> gen5_seed_container(uint8_t structure_version) {
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

std::vector<uint8_t> voltage_seed_container() {
    VoltageRecord a{.time = 600, .channels = {1024, 65535, 0, 1, 2, 3, 4, 5}};
    VoltageRecord b{.time = 1200, .bad_checksum = true};
    VoltageRecord c{.time = 1800, .magic = 0x12345678};
    return make_voltage_file({a, b, c, a});
}

std::vector<NamedContainer> seed_containers() {
    std::vector<NamedContainer> seeds;
    for (uint8_t sv = 0; sv < 4; ++sv) {
        seeds.push_back({"gen5-sv" + std::to_string(sv), gen5_seed_container(sv)});
    }
    for (int minor = 0; minor <= 6; ++minor) {
        seeds.push_back({"gen3-v1." + std::to_string(minor), build_gen3_example(minor)});
    }
    seeds.push_back({"voltage", voltage_seed_container()});
    return seeds;
}

}  // namespace dec::testing
