// Runs the decoder inside the test process (much faster than a child process
// when thousands of damaged inputs are tried), capturing the console.
#pragma once

#include <string>
#include <vector>

namespace dec::testing {

struct InProcessResult {
    int exit_code = -1;
    std::string out;
    std::string err;
};

// Runs program_main with `args` (without the program name) and no console
// input; restores the working directory afterwards.
InProcessResult run_in_process(const std::vector<std::string>& args);

}  // namespace dec::testing
