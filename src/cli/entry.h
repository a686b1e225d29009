// Program entry: command line, menu, run, exit prompt.
#pragma once

#include "common/platform.h"

namespace dec {

// Runs the decoder with the process's arguments; returns the exit code. An
// interrupt deletes the run's temporary files and calls `end` (which ends
// the process at once) with 128 + the signal number.
int program_main(int argc, char** argv, Platform::EndProcess end);
// The same with an explicit platform (tests), decoding generation-5 tags on up
// to `workers` threads.
int program_main(int argc, char** argv, Platform& sys, unsigned workers = 1);

}  // namespace dec
