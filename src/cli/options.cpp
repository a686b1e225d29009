#include "cli/options.h"

namespace dec {

namespace {

// clang-format off
constexpr OptionSpec kOptions[] = {
    {OptionId::file, 'f', "file", "FILE", "input file (default logger.bin)"},
    {OptionId::output_dir, 'd', "output-dir", "DIR", "output directory (must exist)"},
    {OptionId::key, 'c', "key", "KEY", "what to extract, a menu key (below); no menu is shown"},
    {OptionId::acc_time, 'a', "acc-time", "KEY", "time stamps of acceleration columns (below)"},
    {OptionId::movebank, 'm', "movebank", "FILE", "MOVEBANK files (key m) of a time-stamped input FILE",
     RunMode::timestamped_movebank},
    {OptionId::extended_gps, 'g', "extended-gps", "FILE", "extended GPS lines (key @) of a time-stamped input FILE",
     RunMode::timestamped_gps},
    {OptionId::stats, 's', "stats", "FILE", "one STATS line per tag (key s) of a time-stamped input FILE",
     RunMode::timestamped_stats},
    {OptionId::utc, 0, "utc", nullptr, "times of GPX, KML and MOVEBANK files in UTC, corrected by the leap seconds "
     "(default: GPS time, 18 s ahead since 2017)"},
    {OptionId::help, 0, "help", nullptr, "print this help and exit"},
    {OptionId::version, 'v', "version", nullptr, "print the decoder version and exit"},
};
// clang-format on

}  // namespace

std::span<const OptionSpec> command_line_options() {
    return kOptions;
}

}  // namespace dec
