// Decodes the damaged-container corpus with every key and keeps one line per
// run: the container, the key, the exit code, then digests of the standard
// output (">"), of the error stream ("2>") and of every file the run left in
// its output folder ("name:") or beside it ("../name:"). Two such manifests
// compared name every container, key and file whose output changed.
//
//   corpus_digest run DECODER MANIFEST [JOBS]    decode the corpus, write MANIFEST
//   corpus_digest check DECODER MANIFEST [JOBS]  decode it again, compare with MANIFEST
//   corpus_digest diff OLD NEW [INTENDED]        compare two manifests; differences
//                                                listed in INTENDED are allowed
//   corpus_digest write DIR                      write the corpus containers into DIR
//
// INTENDED holds one line per intended change: a container pattern, a key
// pattern and a file pattern (shell wildcards), then the reason. Exit codes:
// 0 no (unintended) difference, 1 differences, 2 usage or I/O errors.
#include <fnmatch.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "testsupport/container_builder.h"
#include "testsupport/damaged_corpus.h"

namespace fs = std::filesystem;
using dec::testing::NamedContainer;

namespace {

// The keys of every run: the menu keys, key 6 with each time-stamp style, and
// the statistics mode -s (which needs a time-stamped input name).
struct Mode {
    const char* name;
    std::vector<const char*> args;
};
// clang-format off
const Mode kModes[] = {
    {"1", {"-c", "1"}}, {"2", {"-c", "2"}}, {"3", {"-c", "3"}}, {"4", {"-c", "4"}},
    {"5", {"-c", "5"}}, {"8", {"-c", "8"}}, {"9", {"-c", "9"}}, {"a", {"-c", "a"}},
    {"b", {"-c", "b"}}, {"f", {"-c", "f"}}, {"g", {"-c", "g"}}, {"h", {"-c", "h"}},
    {"i", {"-c", "i"}}, {"m", {"-c", "m"}}, {"!", {"-c", "!"}}, {"$", {"-c", "$"}},
    {"@", {"-c", "@"}}, {"6a", {"-c", "6", "-a", "a"}}, {"6b", {"-c", "6", "-a", "b"}},
    {"6c", {"-c", "6", "-a", "c"}}, {"6d", {"-c", "6", "-a", "d"}},
    {"6e", {"-c", "6", "-a", "e"}}, {"s", {}}};
// clang-format on
constexpr const char* kInput = "logger.bin";
constexpr const char* kStampedInput = "2019-5-3-7-0-9_L000000012.bin";
// A run that takes longer than this is stopped (and shows as "sig24").
constexpr rlim_t kCpuSeconds = 60;

// 48 bits of a 64-bit FNV-1a hash of the file in hex; "0" for an empty file.
std::string digest_of(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    uint64_t h = 0xCBF29CE484222325ull;
    bool empty = true;
    char buf[1 << 16];
    while (in.read(buf, sizeof buf) || in.gcount() > 0) {
        empty = empty && in.gcount() == 0;
        for (std::streamsize i = 0; i < in.gcount(); ++i) {
            h = (h ^ static_cast<uint8_t>(buf[i])) * 0x100000001B3ull;
        }
    }
    if (empty) {
        return "0";
    }
    char hex[13];
    std::snprintf(hex, sizeof hex, "%012llx", static_cast<unsigned long long>(h >> 16));
    return hex;
}

struct Job {
    size_t container;
    size_t mode;
    fs::path dir;
};

// Starts the decoder in the job's folder: no input, the console into files,
// the C locale and UTC, a CPU limit.
pid_t start(const std::string& decoder, const Job& job) {
    const Mode& m = kModes[job.mode];
    std::vector<std::string> args = {decoder};
    if (m.args.empty()) {
        args.insert(args.end(), {"-s", kStampedInput, "-d", "out"});
    } else {
        args.insert(args.end(), {"-f", kInput, "-d", "out"});
        args.insert(args.end(), m.args.begin(), m.args.end());
    }
    const pid_t pid = fork();
    if (pid != 0) {
        return pid;
    }
    if (chdir(job.dir.c_str()) != 0 || !std::freopen("/dev/null", "r", stdin) ||
        !std::freopen("stdout.txt", "w", stdout) || !std::freopen("stderr.txt", "w", stderr)) {
        _exit(127);
    }
    const rlimit cpu{kCpuSeconds, kCpuSeconds};
    setrlimit(RLIMIT_CPU, &cpu);
    setenv("LC_ALL", "C", 1);
    setenv("TZ", "UTC", 1);
    std::vector<char*> argv;
    for (std::string& a : args) {
        argv.push_back(a.data());
    }
    argv.push_back(nullptr);
    execv(argv[0], argv.data());
    _exit(127);
}

// The manifest line of a finished run; removes its folder.
std::string finish(const Job& job, const std::string& container, int status) {
    std::string line = container + " " + kModes[job.mode].name + " ";
    if (WIFEXITED(status)) {
        line += std::to_string(WEXITSTATUS(status));
    } else {
        line += "sig" + std::to_string(WTERMSIG(status));
    }
    line += " >" + digest_of((job.dir / "stdout.txt").string());
    line += " 2>" + digest_of((job.dir / "stderr.txt").string());
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(job.dir / "out")) {
        names.push_back(e.path().filename().string());
    }
    // Anything the run left beside its output folder.
    for (const auto& e : fs::directory_iterator(job.dir)) {
        const std::string n = e.path().filename().string();
        if (n != "out" && n != "stdout.txt" && n != "stderr.txt" && n != kInput &&
            n != kStampedInput) {
            names.push_back("../" + n);
        }
    }
    std::sort(names.begin(), names.end());
    for (const std::string& n : names) {
        const fs::path p = job.dir / "out" / n;
        line += " " + n + ":" +
                (fs::is_regular_file(p) ? digest_of(p.string()) : std::string("not-a-file"));
    }
    fs::remove_all(job.dir);
    return line + "\n";
}

// Every run of the corpus, JOBS at a time; the manifest text in corpus order.
std::string run_corpus(const std::string& decoder, unsigned jobs) {
    const std::vector<NamedContainer> corpus = dec::testing::damaged_corpus();
    char tmpl[] = "/tmp/corpus_digest.XXXXXX";
    if (mkdtemp(tmpl) == nullptr) {
        throw std::runtime_error("cannot make a temporary folder");
    }
    const fs::path work(tmpl);
    const size_t modes = std::size(kModes);
    std::vector<std::string> lines(corpus.size() * modes);
    std::map<pid_t, Job> running;
    size_t next = 0, done = 0;
    while (done < lines.size()) {
        while (running.size() < jobs && next < lines.size()) {
            Job job{next / modes, next % modes, work / std::to_string(next)};
            fs::create_directories(job.dir / "out");
            const NamedContainer& c = corpus[job.container];
            dec::testing::write_bytes(
                (job.dir / (kModes[job.mode].args.empty() ? kStampedInput : kInput)).string(),
                c.bytes);
            const pid_t pid = start(decoder, job);
            if (pid < 0) {
                throw std::runtime_error("cannot start the decoder");
            }
            running.emplace(pid, job);
            ++next;
        }
        int status = 0;
        const pid_t pid = wait(&status);
        const auto it = running.find(pid);
        if (it == running.end()) {
            continue;
        }
        const Job job = it->second;
        running.erase(it);
        lines[job.container * modes + job.mode] = finish(job, corpus[job.container].name, status);
        ++done;
    }
    fs::remove_all(work);
    std::string text;
    for (const std::string& l : lines) {
        text += l;
    }
    return text;
}

// A manifest: per run ("container key"), its fields by name ("exit", "stdout",
// "stderr", output files), in file order.
struct Manifest {
    std::vector<std::string> order;
    std::map<std::string, std::map<std::string, std::string>> runs;
};

Manifest parse(const std::string& text) {
    Manifest m;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string container, mode, exit_code;
        if (!(words >> container >> mode >> exit_code)) {
            continue;
        }
        const std::string run = container + " " + mode;
        auto& fields = m.runs[run];
        m.order.push_back(run);
        fields["exit"] = exit_code;
        for (std::string w; words >> w;) {
            const size_t split = w[0] == '>' ? 1 : w.starts_with("2>") ? 2 : w.rfind(':');
            const std::string name = w.substr(0, split);
            fields[name == ">"    ? "stdout"
                   : name == "2>" ? "stderr"
                                  : name] =
                split == std::string::npos ? "" : w.substr(w[split] == ':' ? split + 1 : split);
        }
    }
    return m;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        throw std::runtime_error("cannot read " + path);
    }
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

struct Intended {
    std::string container, mode, file, reason;
    int used = 0;
};

std::vector<Intended> parse_intended(const std::string& text) {
    std::vector<Intended> list;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        Intended i;
        if (line.empty() || line[0] == '#' || !(words >> i.container >> i.mode >> i.file)) {
            continue;
        }
        std::getline(words >> std::ws, i.reason);
        list.push_back(i);
    }
    return list;
}

bool matches(const std::string& pattern, const std::string& text) {
    return fnmatch(pattern.c_str(), text.c_str(), 0) == 0;
}

// Prints every difference; the number of those that no intended line covers.
int compare(const Manifest& old_m, const Manifest& new_m, std::vector<Intended>& intended) {
    std::vector<std::string> runs = old_m.order;
    for (const std::string& r : new_m.order) {
        if (!old_m.runs.count(r)) {
            runs.push_back(r);
        }
    }
    int unintended = 0, differences = 0;
    const std::map<std::string, std::string> none;
    for (const std::string& run : runs) {
        const auto o = old_m.runs.find(run), n = new_m.runs.find(run);
        const auto& of = o == old_m.runs.end() ? none : o->second;
        const auto& nf = n == new_m.runs.end() ? none : n->second;
        std::vector<std::string> files;
        for (const auto& [name, digest] : of) {
            files.push_back(name);
        }
        for (const auto& [name, digest] : nf) {
            if (!of.count(name)) {
                files.push_back(name);
            }
        }
        const std::string container = run.substr(0, run.find(' ')),
                          mode = run.substr(run.find(' ') + 1);
        for (const std::string& file : files) {
            const auto a = of.find(file), b = nf.find(file);
            if (a != of.end() && b != nf.end() && a->second == b->second) {
                continue;
            }
            ++differences;
            const std::string was = a == of.end() ? "(none)" : a->second,
                              is = b == nf.end() ? "(none)" : b->second;
            const auto why = std::find_if(intended.begin(), intended.end(), [&](const Intended& i) {
                return matches(i.container, container) && matches(i.mode, mode) &&
                       matches(i.file, file);
            });
            if (why == intended.end()) {
                ++unintended;
                std::printf("CHANGED %s key %s %s: %s -> %s\n", container.c_str(), mode.c_str(),
                            file.c_str(), was.c_str(), is.c_str());
            } else {
                ++why->used;
                std::printf("intended %s key %s %s (%s)\n", container.c_str(), mode.c_str(),
                            file.c_str(), why->reason.c_str());
            }
        }
    }
    for (const Intended& i : intended) {
        if (i.used == 0) {
            std::printf("note: no difference for the intended change \"%s %s %s\"\n",
                        i.container.c_str(), i.mode.c_str(), i.file.c_str());
        }
    }
    std::printf("%zu runs compared, %d differences, %d not intended\n", runs.size(), differences,
                unintended);
    return unintended;
}

int usage() {
    std::fprintf(stderr,
                 "usage: corpus_digest run|check DECODER MANIFEST [JOBS]\n"
                 "       corpus_digest diff OLD NEW [INTENDED]\n"
                 "       corpus_digest write DIR\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> a(argv + 1, argv + argc);
    if (a.empty()) {
        return usage();
    }
    try {
        if ((a[0] == "run" || a[0] == "check") && (a.size() == 3 || a.size() == 4)) {
            const unsigned jobs = a.size() == 4 ? static_cast<unsigned>(std::stoul(a[3]))
                                                : std::max(1u, std::thread::hardware_concurrency());
            const std::string decoder = fs::absolute(a[1]).string();
            const std::string text = run_corpus(decoder, jobs);
            if (a[0] == "run") {
                std::ofstream(a[2], std::ios::binary) << text;
                return 0;
            }
            std::vector<Intended> none;
            const int changed = compare(parse(read_file(a[2])), parse(text), none);
            if (changed != 0) {
                std::printf(
                    "If the change is intended: corpus_digest run %s %s, and say in the commit why "
                    "each "
                    "line changed.\n",
                    a[1].c_str(), a[2].c_str());
            }
            return changed == 0 ? 0 : 1;
        }
        if (a[0] == "diff" && (a.size() == 3 || a.size() == 4)) {
            std::vector<Intended> intended =
                a.size() == 4 ? parse_intended(read_file(a[3])) : std::vector<Intended>{};
            return compare(parse(read_file(a[1])), parse(read_file(a[2])), intended) == 0 ? 0 : 1;
        }
        if (a[0] == "write" && a.size() == 2) {
            fs::create_directories(a[1]);
            for (const NamedContainer& c : dec::testing::damaged_corpus()) {
                dec::testing::write_bytes((fs::path(a[1]) / c.name).string(), c.bytes);
            }
            return 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "corpus_digest: %s\n", e.what());
        return 2;
    }
    return usage();
}
