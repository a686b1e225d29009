// Runs the decoder executable as a user or a pipeline would: in a working
// directory, with arguments and standard input, capturing both output streams.
#pragma once

#include <sys/types.h>

#include <functional>
#include <string>
#include <vector>

namespace dec::testing {

struct CliResult {
    int exit_code = -1;
    std::string out;
    std::string err;
};

CliResult run_cli(const std::string& exe, const std::vector<std::string>& args,
                  const std::string& workdir, const std::string& stdin_text = "");
#ifndef _WIN32
// Starts the program as run_cli does, without waiting for it: standard input
// from `in_path`, the output streams into `out_path` and `err_path`, the
// interrupt signals at their defaults. The child's process id.
// `in_child`, when given, runs in the child just before the program starts
// (async-signal-safe calls only: the test process may have threads).
pid_t start_cli(const std::string& exe, const std::vector<std::string>& args,
                const std::string& workdir, const std::string& in_path, const std::string& out_path,
                const std::string& err_path, const std::function<void()>& in_child = {});
#endif

// A fresh empty directory below the system's temporary directory; removed with
// everything in it when the object goes.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Names of the files in the directory, sorted.
    std::vector<std::string> list() const;
    // Those of them that are the decoder's temporary or staged files, which no
    // run may leave behind.
    std::vector<std::string> temporary_files() const;

  private:
    std::string path_;
};

// Whether a file name looks like one of the decoder's temporary or staged
// files (".tmp", ".part" in the name).
bool is_temporary_name(const std::string& name);

std::string read_text(const std::string& path);

// The expected file tests/<path>: a whole report or output, checked by hand
// once and compared byte for byte. With DEC_UPDATE_GOLDEN=1 in the
// environment it is first rewritten from `actual` (review the difference).
std::string expected_text(const std::string& path, const std::string& actual);
bool file_exists(const std::string& path);

}  // namespace dec::testing
