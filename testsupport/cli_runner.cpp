#include "testsupport/cli_runner.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
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

#ifdef _WIN32

namespace {

// One argument as the C runtime's command-line parser reads it back: quoted,
// with the backslashes before a quote (or the closing quote) doubled.
void append_quoted(std::string& line, const std::string& arg) {
    line += '"';
    size_t backslashes = 0;
    for (char ch : arg) {
        if (ch == '\\') {
            ++backslashes;
            continue;
        }
        line.append(ch == '"' ? 2 * backslashes + 1 : backslashes, '\\');
        backslashes = 0;
        line += ch;
    }
    line.append(2 * backslashes, '\\');
    line += '"';
}

HANDLE open_inherited(const std::string& path, DWORD access, DWORD creation) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit, creation,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Console lines end in CR LF on Windows; the expected texts hold the lines.
std::string without_carriage_returns(std::string text) {
    size_t kept = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            text[kept++] = text[i];
        }
    }
    text.resize(kept);
    return text;
}

}  // namespace

CliResult run_cli(const std::string& exe, const std::vector<std::string>& args,
                  const std::string& workdir, const std::string& stdin_text) {
    TempDir io;
    const std::string in_path = io.file("stdin"), out_path = io.file("stdout"),
                      err_path = io.file("stderr");
    std::ofstream(in_path, std::ios::binary) << stdin_text;
    STARTUPINFOA start{};
    start.cb = sizeof(start);
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = open_inherited(in_path, GENERIC_READ, OPEN_EXISTING);
    start.hStdOutput = open_inherited(out_path, GENERIC_WRITE, CREATE_ALWAYS);
    start.hStdError = open_inherited(err_path, GENERIC_WRITE, CREATE_ALWAYS);
    std::string line;
    append_quoted(line, exe);
    for (const std::string& a : args) {
        line += ' ';
        append_quoted(line, a);
    }
    // The child inherits this environment; the decoder's texts do not depend
    // on it, but the tests run with it everywhere.
    SetEnvironmentVariableA("LC_ALL", "C");
    SetEnvironmentVariableA("TZ", "UTC");
    PROCESS_INFORMATION child{};
    const BOOL started = CreateProcessA(exe.c_str(), line.data(), nullptr, nullptr, TRUE, 0,
                                        nullptr, workdir.c_str(), &start, &child);
    const DWORD error = GetLastError();
    for (HANDLE h : {start.hStdInput, start.hStdOutput, start.hStdError}) {
        CloseHandle(h);
    }
    if (!started) {
        throw std::runtime_error("cannot start " + exe + ": error " + std::to_string(error));
    }
    WaitForSingleObject(child.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(child.hProcess, &code);
    CloseHandle(child.hProcess);
    CloseHandle(child.hThread);
    CliResult r;
    r.exit_code = static_cast<int>(code);
    r.out = without_carriage_returns(slurp(out_path));
    r.err = without_carriage_returns(slurp(err_path));
    return r;
}

TempDir::TempDir() {
    // No mkdtemp here: a random name, created only if it is new.
    static std::random_device seed;
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    for (;;) {
        char name[32];
        std::snprintf(name, sizeof(name), "decoder-test-%08x", static_cast<unsigned>(seed()));
        if (std::filesystem::create_directory(base / name)) {
            path_ = (base / name).string();
            return;
        }
    }
}

#else

pid_t start_cli(const std::string& exe, const std::vector<std::string>& args,
                const std::string& workdir, const std::string& in_path, const std::string& out_path,
                const std::string& err_path, const std::function<void()>& in_child) {
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
        if (in_child) {
            in_child();
        }
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

#endif

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
