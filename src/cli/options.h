// The options of the command line, read by the parser (command_line.h) and
// by the texts made from them (usage.h).
#pragma once

#include <span>

namespace dec {

// What a run decodes: a plain input, or a time-stamped one (-m, -g, -s) for
// one output form.
enum class RunMode {
    plain = 0,
    timestamped_movebank = 1,
    timestamped_gps = 2,
    timestamped_stats = 3
};

enum class OptionId {
    file,
    output_dir,
    key,
    acc_time,
    movebank,
    extended_gps,
    stats,
    utc,
    help,
    version
};

// An option of the command line: "-f FILE", "--file FILE" and "--file=FILE"
// are the same.
struct OptionSpec {
    OptionId id;
    char letter;                    // the short form "-f"; 0 for an option with only the long form
    const char* name;               // the long form without "--"
    const char* value;              // the value's name; null for an option without one
    const char* help;               // its text in --help
    RunMode mode = RunMode::plain;  // the run a time-stamped input asks for
};

// Every option, in the order --help lists them.
std::span<const OptionSpec> command_line_options();

}  // namespace dec
