// Fuzz entry: the whole decoder on arbitrary bytes as its input file.
//
// The first input byte chooses the action word (and the -s mode) and whether
// generation-5 tags are decoded one after the other or side by side on two
// threads; the rest is the file. Built as three targets that force the magic number of one
// container kind (generation 5, generation 3, voltage logger), so the fuzzer spends its time inside
// that path. Console output is discarded; a fatal stop comes back as the exit code of program_main
// and is not a finding.
#include <dirent.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/entry.h"
#include "common/platform.h"

namespace {

class QuietPlatform : public dec::Platform {
  public:
    ssize_t write(int fd, const void* buf, size_t count) override {
        if (fd == 1 || fd == 2) {
            return static_cast<ssize_t>(count);
        }
        return Platform::write(fd, buf, count);
    }
    // The console is the fuzzer's own: the run's end closes nothing.
    int close(int fd) override { return fd == 1 || fd == 2 ? 0 : Platform::close(fd); }
    int read_console_char() override { return EOF; }
};

struct Mode {
    std::vector<std::string> args;
};

// Plain, columns with sub-seconds, statistics, spectrum (both forms), MOVEBANK,
// KML (both date styles), GPX, all data, extended GPS, and the -s run.
const char* const kModes[][4] = {
    {"-c", "2", nullptr, nullptr}, {"-c", "6", "-a", "c"},
    {"-c", "9", "-a", "e"},        {"-c", "h", nullptr, nullptr},
    {"-c", "i", nullptr, nullptr}, {"-c", "m", nullptr, nullptr},
    {"-c", "5", nullptr, nullptr}, {"-c", "b", nullptr, nullptr},
    {"-c", "4", nullptr, nullptr}, {"-c", "3", nullptr, nullptr},
    {"-c", "!", nullptr, nullptr}, {"-c", "f", "-a", "b"},
    {"-c", "1", nullptr, nullptr}, {"-s", nullptr, nullptr, nullptr},
};
constexpr size_t kModeCount = sizeof kModes / sizeof kModes[0];

std::string work_dir() {
    static std::string dir = [] {
        const char* base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        std::string tmpl = std::string(base) + "/decoder-fuzz-XXXXXX";
        if (mkdtemp(tmpl.data()) == nullptr) {
            std::perror("mkdtemp");
            std::abort();
        }
        return tmpl;
    }();
    return dir;
}

void clear_dir(const std::string& dir) {
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) {
        return;
    }
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] != '.') {
            unlink((dir + "/" + e->d_name).c_str());
        }
    }
    closedir(d);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const std::string dir = work_dir();
    const char* const* mode = kModes[data[0] % kModeCount];
    const unsigned workers = 1 + (data[0] / kModeCount) % 2;
    std::vector<uint8_t> file(data + 1, data + size);
#ifdef FUZZ_MAGIC
    const uint32_t magic = FUZZ_MAGIC;
#ifdef FUZZ_MAGIC_ALT
    // Containers of the other generation-3 variant keep their magic.
    const bool keep = file.size() >= 4 && file[0] == static_cast<uint8_t>(FUZZ_MAGIC_ALT) &&
                      file[1] == static_cast<uint8_t>(FUZZ_MAGIC_ALT >> 8) &&
                      file[2] == static_cast<uint8_t>(FUZZ_MAGIC_ALT >> 16) &&
                      file[3] == static_cast<uint8_t>(FUZZ_MAGIC_ALT >> 24);
#else
    const bool keep = false;
#endif
    if (file.size() >= 4 && !keep) {
        for (int i = 0; i < 4; ++i) {
            file[static_cast<size_t>(i)] = static_cast<uint8_t>(magic >> (8 * i));
        }
    }
#endif
    // A time-stamped name, so that the -s mode accepts it too.
    const std::string path = dir + "/2019-5-3-7-0-9_L000000012.bin";
    if (FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
    } else {
        return 0;
    }
    std::vector<std::string> args = {"decoder"};
    for (int i = 0; i < 4 && mode[i] != nullptr; ++i) {
        args.emplace_back(mode[i]);
    }
    if (args[1] != "-s") {
        args.emplace_back("-f");
    }
    args.push_back(path);
    args.emplace_back("-d");
    args.push_back(dir);
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);

    QuietPlatform sys;
    const int code = dec::program_main(static_cast<int>(args.size()), argv.data(), sys, workers);
    // Every run ends with one of the documented exit codes.
    if (code != 0 && (code < 16 || code > 22)) {
        std::fprintf(stderr, "undocumented exit code %d\n", code);
        std::abort();
    }
    // No run, whatever its exit, leaves a temporary file or an output that
    // was being written.
    DIR* d = opendir(dir.c_str());
    while (dirent* e = d != nullptr ? readdir(d) : nullptr) {
        const size_t n = std::strlen(e->d_name);
        const bool tmp = n > 4 && std::strcmp(e->d_name + n - 4, ".tmp") == 0;
        const bool part = n > 5 && std::strcmp(e->d_name + n - 5, ".part") == 0;
        if (tmp || part) {
            std::fprintf(stderr, "file %s left after exit code %d\n", e->d_name, code);
            std::abort();
        }
    }
    if (d != nullptr) {
        closedir(d);
    }
    clear_dir(dir);
    return 0;
}
