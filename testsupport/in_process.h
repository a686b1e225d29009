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
    std::string both;  // standard output and error in the order written
};

// Runs program_main with `args` (without the program name) and no console
// input, decoding generation-5 tags on up to `workers` threads; restores the
// working directory afterwards.
InProcessResult run_in_process(const std::vector<std::string>& args, unsigned workers = 1);

}  // namespace dec::testing
