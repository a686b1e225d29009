// Every call of the platform may fail: one representative run per container
// path is repeated with its first call failing, then its second, and so on to
// its last. After each run the outcome must be a good run's (exit 0, the same
// outputs) or a documented failure (its exit code, a message on the error
// stream naming the file concerned); every output name holds the previous
// run's file or the complete new one; no staged or temporary file is left; and
// nothing was written outside the output folder.
#include <gtest/gtest.h>

#include <atomic>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "testsupport/cli_runner.h"
#include "testsupport/ecg_records.h"
#include "testsupport/example_container.h"
#include "testsupport/gen3_builder.h"
#include "testsupport/in_process.h"
#include "testsupport/record_builders.h"

namespace dec {
namespace {

using namespace testing;

using Files = std::map<std::string, std::string>;

struct SweepPath {
    const char* what;
    std::vector<uint8_t> (*build)();
    std::vector<std::string> args;
    unsigned workers;
};

// Small containers: the sweep runs each path once per call.
std::vector<uint8_t> gen5() {
    return build_gen5_example({.tags_v10 = 2, .tags_v9 = 1, .tags_ecg = 0, .hours_per_download = 1});
}
std::vector<uint8_t> ecg() {
    return build_gen5_example({.tags_v10 = 0, .tags_v9 = 0, .tags_ecg = 1, .hours_per_download = 1});
}
std::vector<uint8_t> gen3() {
    return build_gen3_example(6);
}
std::vector<uint8_t> voltage() {
    return make_voltage_example();
}

const SweepPath kPaths[] = {
    {"gen5 one tag after the other", gen5, {"-c", "3"}, 1},
    {"gen5 side by side", gen5, {"-c", "3"}, 2},
    {"gen5 STATS lines", gen5, {"-s"}, 1},
    {"gen5 ECG tag", ecg, {"-c", "3"}, 1},
    {"gen5 MOVEBANK side by side", gen5, {"-c", "m"}, 2},
    {"gen3 MOVEBANK", gen3, {"-c", "m"}, 1},
    {"gen3 GPS-acceleration and interaction tags", gen3, {"-c", "3"}, 1},
    {"voltage file", voltage, {"-c", "3"}, 1},
};

// The error a failing call reports, as the system would for it.
int error_of(Call call) {
    switch (call) {
        case Call::create:
        case Call::write:
            return ENOSPC;
        case Call::open:
            return EMFILE;
        case Call::rename:
        case Call::remove:
        case Call::lock:
        case Call::open_folder:
            return EACCES;
        default:
            return EIO;
    }
}

const char* call_name(Call call) {
    static constexpr const char* kNames[] = {"open",   "create", "read",        "write",    "seek", "close", "rename",
                                             "remove", "lock",   "open_folder", "identify", "size", "list"};
    return kNames[static_cast<int>(call)];
}

// The output a staged file stands for ("tag17.txt" of "tag17.txt.1.part").
std::string output_of(const std::string& name) {
    const size_t part = name.rfind(".part");
    if (part == std::string::npos || part + 5 != name.size()) {
        return name;
    }
    std::string base = name.substr(0, part);
    const size_t dot = base.rfind('.');
    if (dot != std::string::npos && base.find_first_not_of("0123456789", dot + 1) == std::string::npos) {
        base.resize(dot);
    }
    return base;
}

Files regular_files(const TempDir& folder) {
    Files files;
    for (const std::string& name : folder.list()) {
        if (std::filesystem::is_regular_file(folder.file(name))) {
            files[name] = read_text(folder.file(name));
        }
    }
    return files;
}

class FaultSweep : public ::testing::TestWithParam<SweepPath> {};

TEST_P(FaultSweep, EveryCallFailingOnceLosesNothing) {
    const SweepPath& path = GetParam();
    TempDir in, out;
    // -s takes a time-stamped container name in place of -f.
    const bool stamped = path.args.back() == "-s";
    const std::string input_name = stamped ? "2019-5-3-7-0-9_L000000012.bin" : "logger.bin";
    const std::string input = in.file(input_name);
    const std::vector<uint8_t> bytes = path.build();
    write_bytes(input, bytes);
    std::vector<std::string> args = path.args;
    if (!stamped) {
        args.push_back("-f");
    }
    args.insert(args.end(), {input, "-d", out.path()});

    // The good run, and the folder as an earlier run left it.
    const InProcessResult good_run = run_in_process(args, path.workers);
    ASSERT_EQ(good_run.exit_code, 0) << good_run.out << good_run.err;
    const Files good = regular_files(out);
    ASSERT_FALSE(good.empty());
    auto set_previous = [&] {
        for (const std::string& name : out.list()) {
            std::remove(out.file(name).c_str());
        }
        for (const auto& [name, text] : good) {
            write_bytes(out.file(name), std::vector<uint8_t>(name.begin(), name.end()));
        }
    };

    // N: the calls of a good run into that folder.
    set_previous();
    std::atomic<uint64_t> calls{0};
    ASSERT_EQ(run_in_process(args, path.workers,
                             [&](FakePlatform& sys) {
                                 sys.fault_hook = [&](Call, const std::string&) {
                                     ++calls;
                                     return 0;
                                 };
                             })
                  .exit_code,
              0);
    const uint64_t n = calls.load();
    std::printf("[ sweep    ] %s: N = %llu\n", path.what, static_cast<unsigned long long>(n));
    RecordProperty("calls", static_cast<int>(n));

    std::map<std::string, int> problems;  // what went wrong, and how often
    std::map<std::string, std::string> first_seen;
    auto problem = [&](const std::string& kind, const std::string& detail) {
        if (problems[kind]++ == 0) {
            first_seen[kind] = detail;
        }
    };
    for (uint64_t k = 1; k <= n; ++k) {
        set_previous();
        std::atomic<uint64_t> count{0};
        std::mutex mutex;
        std::string failed_name;
        Call failed_call = Call::open;
        const InProcessResult r = run_in_process(args, path.workers, [&](FakePlatform& sys) {
            sys.fault_hook = [&](Call call, const std::string& name) {
                if (++count != k) {
                    return 0;
                }
                std::lock_guard<std::mutex> lock(mutex);
                failed_name = name;
                failed_call = call;
                // Writes fail by turns with a full disk (retried) and an I/O error.
                return call == Call::write && k % 2 == 0 ? EIO : error_of(call);
            };
        });
        const std::string what = std::string(call_name(failed_call)) + " " + output_of(failed_name);
        const std::string detail = "call " + std::to_string(k) + " (" + what + "): exit " +
                                   std::to_string(r.exit_code) + "\n" +
                                   r.out.substr(r.out.size() > 400 ? r.out.size() - 400 : 0) + "--- err\n" + r.err;
        const Files left = regular_files(out);
        if (r.exit_code == 0) {
            if (left != good) {
                problem("exit 0 with other outputs: " + what, detail);
            }
        } else {
            if (r.exit_code < 16 || r.exit_code > 22) {
                problem("undocumented exit code: " + what, detail);
            }
            // (The console's text was written before its close failed.)
            if (r.out.find("uccess") != std::string::npos && failed_name != "<stdout>") {
                problem("success reported: " + what, detail);
            }
            // The console's own failure is a "write error", as other tools say it.
            const std::string named = failed_name == "<stdout>" ? "write error: "
                                      : failed_name.empty()     ? "?"
                                                                : output_of(path_file_name(failed_name.c_str()));
            if (r.err.find(named) == std::string::npos && r.err.find(failed_name) == std::string::npos) {
                problem("message without the file's name: " + std::string(call_name(failed_call)) + " " + named,
                        detail);
            }
        }
        for (const auto& [name, text] : left) {
            const auto g = good.find(name);
            if (g == good.end()) {
                problem("a file no good run writes: " + name, detail);
            } else if (text != g->second && text != name) {
                problem("an output neither the previous nor the new file: " + name, detail);
            }
        }
        for (const auto& [name, text] : good) {
            if (left.count(name) == 0) {
                problem("an output gone: " + name, detail);
            }
        }
        if (in.list() != std::vector<std::string>{input_name} || read_bytes(input) != bytes) {
            problem("written outside the output folder: " + what, detail);
        }
    }
    for (const auto& [kind, times] : problems) {
        ADD_FAILURE() << kind << " (" << times << " times); first:\n" << first_seen[kind];
    }
}

INSTANTIATE_TEST_SUITE_P(Paths, FaultSweep, ::testing::ValuesIn(kPaths),
                         [](const ::testing::TestParamInfo<SweepPath>& param) {
                             std::string name;
                             for (const char* p = param.param.what; *p != '\0'; ++p) {
                                 name += std::isalnum(static_cast<unsigned char>(*p)) ? *p : '_';
                             }
                             return name;
                         });

}  // namespace
}  // namespace dec
