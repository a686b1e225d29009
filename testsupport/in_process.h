// Runs the decoder inside the test process (much faster than a child process
// when thousands of damaged inputs are tried), capturing the console.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "testsupport/fake_platform.h"

namespace dec::testing {

struct InProcessResult {
    int exit_code = -1;
    std::string out;
    std::string err;
    std::string both;  // standard output and error in the order written
};

// Runs program_main with `args` (without the program name) and no console
// input, decoding generation-5 tags on up to `workers` threads. `setup` may
// set the platform's hooks (the console is captured before the write hook
// sees it).
InProcessResult run_in_process(const std::vector<std::string>& args, unsigned workers = 1,
                               const std::function<void(FakePlatform&)>& setup = {});

}  // namespace dec::testing
