#include "testsupport/in_process.h"

#include "cli/entry.h"
#include "common/platform.h"

namespace dec::testing {

InProcessResult run_in_process(const std::vector<std::string>& args, unsigned workers,
                               const std::function<void(FakePlatform&)>& setup) {
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
    return r;
}

}  // namespace dec::testing
