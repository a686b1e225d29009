// Writes the bundled example container: a generation-5 logger.bin as a base
// station collects it over a few days from several tags, with repeated and
// interrupted downloads, close information and empty units.
//
//   make_example <path of logger.bin to write>
#include <cstdio>
#include <exception>

#include "testsupport/container_builder.h"

using dec::testing::ContainerBuilder;
using dec::testing::OpenBlockSpec;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_example <logger.bin to write>\n");
        return 2;
    }
    // 2019-05-03 07:00:00 as tag time; downloads follow each other by hours.
    const uint32_t t0 = 383900400;
    ContainerBuilder c(dec::testing::make_header(0x79F02AB6, 3));

    // Tag 17, software version 10: two downloads, the second re-sending the
    // last two units of the first, each closed by the base station.
    c.download(OpenBlockSpec{.tag = 17, .flash_start = 0, .time = t0, .basestation_id = 4}, 40);
    c.close_info(1556866800).empty_units(4);
    // Tag 23, software version 10: one download, interrupted (fewer units than announced).
    OpenBlockSpec t23{.tag = 23, .flash_start = 0x10000, .flash_end = 0x10000 + 64 * 30,
                      .time = t0 + 600, .basestation_id = 4};
    c.open(t23);
    for (uint32_t i = 0; i < 24; ++i) {
        c.unit(dec::testing::make_pattern_unit(0xFE, 0x10000 / 64 + i));
    }
    c.download(OpenBlockSpec{.tag = 17, .flash_start = 64 * 38, .time = t0 + 7200,
                             .basestation_id = 4},
               20);
    c.close_info(1556874000).empty_units(4);
    // Tag 5, software version 9: one complete download.
    c.download(OpenBlockSpec{.tag = 5, .sw_version = 9, .flash_start = 0, .time = t0 + 9000,
                             .basestation_id = 7},
               16);
    try {
        c.write_file(argv[1]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
