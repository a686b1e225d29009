// The run controller: from the run parameters to the exit code.
#pragma once

#include "cli/command_line.h"
#include "common/run_context.h"

namespace dec {

// Builds the action word (asking through the menu when the command line gave
// no choice), checks the input and hands it to the path of its container kind.
int run_decoder(RunContext& run, const RunParams& params);

}  // namespace dec
