#include "testsupport/cli_runner.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace dec::testing {

namespace {

std::string slurp(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    std::ostringstream s;
    s << f.rdbuf();
    return s.str();
}

}  // namespace

pid_t start_cli(const std::string& exe, const std::vector<std::string>& args,
                const std::string& workdir, const std::string& in_path, const std::string& out_path,
                const std::string& err_path) {
    pid_t pid = fork();
    if (pid < 0) {
        throw std::runtime_error("fork failed");
    }
    if (pid == 0) {
        if (chdir(workdir.c_str()) != 0 || !freopen(in_path.c_str(), "rb", stdin) ||
            !freopen(out_path.c_str(), "wb", stdout) || !freopen(err_path.c_str(), "wb", stderr)) {
            _exit(127);
        }
        // As from a terminal: the interrupt signals at their defaults.
        sigset_t none;
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
            signal(sig, SIG_DFL);
        }
        setenv("LC_ALL", "C", 1);
        setenv("TZ", "UTC", 1);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(exe.c_str()));
        for (const std::string& a : args) {
            argv.push_back(const_cast<char*>(a.c_str()));
        }
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(127);
    }
    return pid;
}

CliResult run_cli(const std::string& exe, const std::vector<std::string>& args,
                  const std::string& workdir, const std::string& stdin_text) {
    TempDir io;
    const std::string in_path = io.file("stdin"), out_path = io.file("stdout"),
                      err_path = io.file("stderr");
    {
        std::ofstream in(in_path, std::ios::binary);
        in << stdin_text;
    }
    const pid_t pid = start_cli(exe, args, workdir, in_path, out_path, err_path);
    int status = 0;
    waitpid(pid, &status, 0);
    CliResult r;
    r.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    r.out = slurp(out_path);
    r.err = slurp(err_path);
    return r;
}

TempDir::TempDir() {
    std::string tmpl = (std::filesystem::temp_directory_path() / "decoder-test-XXXXXX").string();
    if (mkdtemp(tmpl.data()) == nullptr) {
        throw std::runtime_error("mkdtemp failed");
    }
    path_ = tmpl;
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

std::vector<std::string> TempDir::list() const {
    std::vector<std::string> names;
    for (const auto& e : std::filesystem::directory_iterator(path_)) {
        names.push_back(e.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    return names;
}

std::vector<std::string> TempDir::temporary_files() const {
    std::vector<std::string> names = list();
    std::erase_if(names, [](const std::string& n) { return !is_temporary_name(n); });
    return names;
}

bool is_temporary_name(const std::string& name) {
    return name.find(".tmp") != std::string::npos || name.find(".part") != std::string::npos;
}

std::string read_text(const std::string& path) {
    return slurp(path);
}

std::string expected_text(const std::string& path, const std::string& actual) {
    const std::string full = std::string(DEC_SOURCE_DIR) + "/tests/" + path;
    const char* update = std::getenv("DEC_UPDATE_GOLDEN");
    if (update != nullptr && std::string(update) == "1") {
        std::filesystem::create_directories(std::filesystem::path(full).parent_path());
        std::ofstream(full, std::ios::binary | std::ios::trunc) << actual;
    }
    return file_exists(full) ? slurp(full) : "(missing expected file " + full + ")";
}

bool file_exists(const std::string& path) {
    return std::filesystem::exists(path);
}

}  // namespace dec::testing
