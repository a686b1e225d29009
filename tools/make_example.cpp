// Writes the bundled example inputs.
//
//   make_example PATH            generation-5 logger.bin: tags of software
//                                versions 10 and 9 and an ECG tag, downloaded
//                                twice with re-sent data, close information and
//                                empty units
//   make_example --gen3 PATH     generation-3 logger.bin (container V1.6)
//   make_example --voltage PATH  voltage-logger file
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "testsupport/container_builder.h"
#include "testsupport/ecg_records.h"
#include "testsupport/example_container.h"
#include "testsupport/gen3_builder.h"

namespace {

using namespace dec::testing;

// A day of hourly voltage readings of eight cells charging in the sun, with one
// damaged record in the middle.
std::vector<uint8_t> voltage_example() {
    std::vector<VoltageRecord> records;
    const uint32_t t0 = 383900400;  // 2019-05-03 07:00:00
    for (uint32_t h = 0; h < 24; ++h) {
        VoltageRecord r;
        r.time = t0 + 3600 * h;
        const double sun = std::max(0.0, std::sin((static_cast<double>(h) - 6.0) * 3.14159 / 12.0));
        for (int ch = 0; ch < 8; ++ch) {
            r.channels[ch] = static_cast<uint16_t>(480 + 10 * ch + 80 * sun);  // about 3.3 to 4.1 V
        }
        r.temperature = static_cast<uint16_t>(2560 + 40 * h);
        r.load = static_cast<uint8_t>(sun > 0.5 ? 1 : 0);
        r.bad_checksum = h == 13;
        records.push_back(r);
    }
    return make_voltage_file(records);
}

int usage() {
    std::fprintf(stderr, "usage: make_example [--gen3|--voltage] <file to write>\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode;
    const char* path = nullptr;
    if (argc == 2) {
        path = argv[1];
    } else if (argc == 3 && (std::strcmp(argv[1], "--gen3") == 0 ||
                             std::strcmp(argv[1], "--voltage") == 0)) {
        mode = argv[1];
        path = argv[2];
    } else {
        return usage();
    }
    try {
        if (mode == "--gen3") {
            write_bytes(path, build_gen3_example(6));
        } else if (mode == "--voltage") {
            write_bytes(path, voltage_example());
        } else {
            write_gen5_example_file(path, ExampleOptions{});
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
