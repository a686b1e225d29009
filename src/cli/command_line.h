// Command-line parsing.
#pragma once

#include "cli/options.h"
#include "common/console.h"

namespace dec {

// What the command line hands to the run controller.
struct RunParams {
    const char* path = "logger.bin";
    int files_given = 0;  // file names the command line carried
    const char* output_dir = nullptr;
    char action_char = 0;
    char acc_time_char = 0;
    RunMode mode = RunMode::plain;
    bool utc = false;  // --utc
};

inline constexpr int kRunDecoder = -1;

// Reads the arguments (argv[1..argc-1]) into `params`. Returns kRunDecoder when
// the run controller is to be called, otherwise the exit code of a run that
// ends here (-v, --help, an invalid option, a missing value, two file names).
int parse_command_line(int argc, char** argv, Console& con, RunParams& params);

}  // namespace dec
