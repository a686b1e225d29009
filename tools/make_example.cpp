// Writes the bundled example inputs.
//
//   make_example PATH            generation-5 logger.bin: tags of software
//                                versions 10 and 9 and an ECG tag, downloaded
//                                twice with re-sent data, close information and
//                                empty units
//   make_example --gen3 PATH     generation-3 logger.bin (container V1.6)
//   make_example --voltage PATH  voltage-logger file
//   make_example --spectra PATH  generation-5 logger.bin of acceleration bursts
//                                whose spectra lie on integers (impulses,
//                                tones, constants) in every axis length
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
#include "testsupport/integer_bins_container.h"

namespace {

using namespace dec::testing;

int usage() {
    std::fprintf(stderr, "usage: make_example [--gen3|--voltage|--spectra] <file to write>\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    std::string mode;
    const char* path = nullptr;
    if (argc == 2) {
        path = argv[1];
    } else if (argc == 3 &&
               (std::strcmp(argv[1], "--gen3") == 0 || std::strcmp(argv[1], "--voltage") == 0 ||
                std::strcmp(argv[1], "--spectra") == 0)) {
        mode = argv[1];
        path = argv[2];
    } else {
        return usage();
    }
    try {
        if (mode == "--gen3") {
            write_bytes(path, build_gen3_example(6));
        } else if (mode == "--voltage") {
            write_bytes(path, make_voltage_example());
        } else if (mode == "--spectra") {
            write_bytes(path, build_spectrum_container());
        } else {
            write_gen5_example_file(path, ExampleOptions{});
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
