#include "testsupport/in_process.h"

#include <cstdio>
#include <unistd.h>

#include "cli/entry.h"
#include "common/platform.h"

namespace dec::testing {

namespace {

class CapturePlatform : public Platform {
public:
    std::string out, err, both;

    ssize_t write(int fd, const void* buf, size_t count) override {
        if (fd == 1 || fd == 2) {
            (fd == 1 ? out : err).append(static_cast<const char*>(buf), count);
            both.append(static_cast<const char*>(buf), count);
            return static_cast<ssize_t>(count);
        }
        return Platform::write(fd, buf, count);
    }
    int read_console_char() override { return EOF; }
};

}  // namespace

InProcessResult run_in_process(const std::vector<std::string>& args, unsigned workers) {
    char cwd[4096];
    const bool have_cwd = getcwd(cwd, sizeof cwd) != nullptr;
    std::vector<std::string> all = {"decoder"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    CapturePlatform sys;
    InProcessResult r;
    r.exit_code = program_main(static_cast<int>(all.size()), argv.data(), sys, workers);
    r.out = std::move(sys.out);
    r.err = std::move(sys.err);
    r.both = std::move(sys.both);
    if (have_cwd && chdir(cwd) != 0) {
        std::perror("chdir");
    }
    return r;
}

}  // namespace dec::testing
