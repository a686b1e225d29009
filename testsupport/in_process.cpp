#include "testsupport/in_process.h"

#include <unistd.h>

#include <cstdio>

#include "cli/entry.h"
#include "common/platform.h"

namespace dec::testing {

InProcessResult run_in_process(const std::vector<std::string>& args, unsigned workers,
                               const std::function<void(FakePlatform&)>& setup) {
    char cwd[4096];
    const bool have_cwd = getcwd(cwd, sizeof cwd) != nullptr;
    std::vector<std::string> all = {"decoder"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    FakePlatform sys;
    sys.capture_console = true;
    if (setup) {
        setup(sys);
    }
    InProcessResult r;
    r.exit_code = program_main(static_cast<int>(all.size()), argv.data(), sys, workers);
    r.out = std::move(sys.console_out);
    r.err = std::move(sys.console_err);
    r.both = std::move(sys.console_both);
    if (have_cwd && chdir(cwd) != 0) {
        std::perror("chdir");
    }
    return r;
}

}  // namespace dec::testing
