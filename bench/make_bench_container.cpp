// Writes a benchmark container of about the requested size: the example
// container's mix of tags and records, scaled up by download rounds.
//
//   make_bench_container [--many-lengths | --length-runs | --units U] <path>
//                        [size in MiB, default 1024]
//
// Mix: 24 GPS-acceleration tags of software version 10, 6 of version 9 and 2
// ECG tags; GPS fixes every 5 minutes in all three record kinds, three-axis
// acceleration bursts of 4 units every minute (with one- and two-axis ones
// among them), NEWACC and QUATCMP records, satellite reports, events and GSM
// texts; every download re-sends the last units of the previous one, ends with
// close information and empty units. With --many-lengths the bursts cycle
// through ten unit counts (4 to 13), so their axes come in 30 lengths and
// every burst has other lengths than the one before; with --length-runs the
// same bursts come in runs of ten that share unit count and axes; with
// --units U every burst has U units (1 to 30): its axes have 2, 3 or 6 times
// 7U - 1 samples, and 7U - 1 is often a prime.
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "testsupport/example_container.h"

int main(int argc, char** argv) {
    dec::testing::ExampleOptions o;
    const std::string option = argc > 1 ? argv[1] : "";
    int units = 4;
    if (option == "--many-lengths" || option == "--length-runs") {
        o.acc_unit_counts = 10;
        o.acc_run = option == "--length-runs" ? 10 : 1;
        --argc;
        ++argv;
    } else if (option == "--units" && argc > 2) {
        units = std::atoi(argv[2]);
        argc -= 2;
        argv += 2;
    }
    if (argc < 2 || argc > 3 || units < 1 || units > 30) {
        std::fprintf(stderr,
                     "usage: make_bench_container [--many-lengths | --length-runs | --units U] "
                     "<path> [size in MiB]\n");
        return 2;
    }
    const double target = (argc == 3 ? std::atof(argv[2]) : 1024.0) * 1048576.0;
    o.tags_v10 = 24;
    o.tags_v9 = 6;
    o.tags_ecg = 2;
    o.hours_per_download = 6;
    o.gps_interval_s = 300;
    o.acc_interval_s = 60;
    o.acc_units = static_cast<uint8_t>(units);
    o.overlap_units = 3;
    // Size of one download round, then as many rounds as the size needs.
    o.downloads = 1;
    size_t round = 0;
    dec::testing::write_gen5_example(o, [&](const uint8_t*, size_t n) { round += n; });
    o.downloads = static_cast<int>(target / static_cast<double>(round)) + 1;
    try {
        dec::testing::write_gen5_example_file(argv[1], o);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("%d download rounds of %zu bytes\n", o.downloads, round);
    return 0;
}
