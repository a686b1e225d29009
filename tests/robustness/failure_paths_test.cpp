// Failures on the way out: a full disk, a file-size limit, an output that
// cannot take its name, links planted in the output folder, a second run into
// the same folder, an interrupt. Whatever happens, the exit code says so, and
// the folder holds complete outputs or the files that were there before: never
// a cut file, a temporary file, or bytes written through a link.
#include <gtest/gtest.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <fcntl.h>
#include <sys/file.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "common/platform.h"
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

// The container kinds and what they are decoded with.
struct Kind {
    const char* label;
    std::vector<uint8_t> (*build)();
};

std::vector<uint8_t> gen5() {
    return build_gen5_example();
}
std::vector<uint8_t> gen3() {
    return build_gen3_example(6);
}
std::vector<uint8_t> voltage() {
    return make_voltage_example();
}

void write_text(const std::string& path, const std::string& text) {
    write_bytes(path, std::vector<uint8_t>(text.begin(), text.end()));
}

class FailurePaths : public ::testing::Test {
  protected:
    std::string input() const { return in.file("logger.bin"); }

    // Writes the container and decodes it into `folder`.
    InProcessResult decode(const std::vector<uint8_t>& bytes, std::vector<std::string> args, unsigned workers = 1,
                           const std::function<void(FakePlatform&)>& setup = {}, const TempDir* folder = nullptr) {
        write_bytes(input(), bytes);
        args.insert(args.end(), {"-f", input(), "-d", (folder != nullptr ? *folder : out).path()});
        return run_in_process(args, workers, setup);
    }
    // Every file of a folder but links, with its contents.
    static Files outputs(const TempDir& folder) {
        Files files;
        for (const std::string& name : folder.list()) {
            if (std::filesystem::is_regular_file(std::filesystem::symlink_status(folder.file(name)))) {
                files[name] = read_text(folder.file(name));
            }
        }
        return files;
    }
    Files outputs() const { return outputs(out); }
    // What a good run writes.
    Files reference(const std::vector<uint8_t>& bytes, const std::vector<std::string>& args) {
        TempDir good;
        EXPECT_EQ(decode(bytes, args, 1, {}, &good).exit_code, 0);
        return outputs(good);
    }
    void clear_output() const {
        for (const std::string& name : out.list()) {
            std::remove(out.file(name).c_str());
        }
    }
    // Every output of a good run as an earlier run left it.
    void plant_previous(const Files& good) const {
        for (const auto& [name, text] : good) {
            write_text(out.file(name), kPrevious);
        }
    }
    // No temporary file is left, and every output name holds the earlier
    // file or the complete new one.
    void expect_previous_or_whole(const Files& good) const {
        EXPECT_EQ(out.temporary_files(), std::vector<std::string>{});
        for (const auto& [name, text] : outputs()) {
            ASSERT_EQ(good.count(name), 1u) << name;
            EXPECT_TRUE(text == kPrevious || text == good.at(name)) << name;
        }
    }

    static constexpr const char* kPrevious = "what an earlier run wrote\n";

    TempDir in, out;
};

// ---------------------------------------------------------------------------
// An output that cannot be written completely (a write or the close fails) or
// cannot take its name fails the run; the name keeps what it held before.

enum class Point { write, close, rename };

struct LostOutput {
    const char* what;
    std::vector<uint8_t> (*build)();
    std::vector<std::string> args;
    unsigned workers;
    const char* target;
    Point point;
    int error;
};

const LostOutput kLostOutputs[] = {
    {"gen5 one after the other", gen5, {"-c", "3"}, 1, "tag17.txt", Point::write, ENOSPC},
    {"gen5 side by side", gen5, {"-c", "3"}, 2, "tag19.txt", Point::write, ENOSPC},
    {"gen5 information file", gen5, {"-c", "3"}, 2, "info_tag19.txt", Point::close, EIO},
    {"gen5 ECG tag", gen5, {"-c", "3"}, 1, "tag801_ecg.txt", Point::write, EFBIG},
    {"gen5 MOVEBANK", gen5, {"-c", "m"}, 1, "tag17_quat.txt", Point::write, EFBIG},
    {"gen5 MOVEBANK side by side", gen5, {"-c", "m"}, 2, "tag19_acc.txt", Point::rename, EACCES},
    {"gen5 one after the other, rename", gen5, {"-c", "2"}, 1, "tag17_gps.txt", Point::rename, EACCES},
    {"gen3 GPS-acceleration", gen3, {"-c", "3"}, 1, "tag5.txt", Point::write, ENOSPC},
    {"gen3 information file", gen3, {"-c", "m"}, 1, "info_tag5.txt", Point::close, EIO},
    {"gen3 interaction protocol", gen3, {"-c", "3"}, 1, "tag1234.txt", Point::write, ENOSPC},
    {"gen3 contact file", gen3, {"-c", "3"}, 1, "intact.txt", Point::write, ENOSPC},
    {"gen3 contact file, rename", gen3, {"-c", "3"}, 1, "intact.txt", Point::rename, EACCES},
    {"voltage file", voltage, {"-c", "3"}, 1, "voltages.csv", Point::write, EFBIG},
    {"voltage file, rename", voltage, {"-c", "3"}, 1, "voltages.csv", Point::rename, EACCES},
};

TEST_F(FailurePaths, LostOutputFailsTheRunAndKeepsThePreviousFile) {
    for (const LostOutput& c : kLostOutputs) {
        SCOPED_TRACE(c.what);
        clear_output();
        const Files good = reference(c.build(), c.args);
        ASSERT_EQ(good.count(c.target), 1u);
        write_text(out.file(c.target), kPrevious);

        // The staged file of the target starts with its name and a dot.
        const std::string staged = std::string(c.target) + ".";
        std::atomic<int> injected{0};
        // True (errno set) when the call on file `name` is to fail.
        auto fail = [&](const std::string& name) {
            if (name.rfind(staged, 0) != 0 || !is_temporary_name(name)) {
                return false;
            }
            ++injected;
            errno = c.error;
            return true;
        };
        auto setup = [&](FakePlatform& sys) {
            if (c.point == Point::write) {
                sys.write_hook = [&](int fd, size_t n) -> ssize_t {
                    return fd > 2 && fail(sys.name_of(fd)) ? -1 : static_cast<ssize_t>(n);
                };
            } else if (c.point == Point::close) {
                sys.close_hook = [&](int fd) { return fail(sys.name_of(fd)) ? -1 : 0; };
            } else {
                sys.rename_hook = [&](const char* from, const char*) { return fail(from) ? -1 : 0; };
            }
        };
        const InProcessResult r = decode(c.build(), c.args, c.workers, setup);
        EXPECT_GT(injected.load(), 0);
        EXPECT_EQ(r.exit_code, 19);
        const std::string message =
            c.point == Point::rename ? "Couldn't rename output file: " : "Couldn't close text file: ";
        EXPECT_NE(r.err.find(message + std::strerror(c.error) + "\n"), std::string::npos) << r.err;
        EXPECT_NE(r.out.find(std::string("Filename: ") + c.target + "\n"), std::string::npos);
        EXPECT_NE(r.out.find("There was an error"), std::string::npos);
        EXPECT_EQ(r.out.find("uccess"), std::string::npos);

        const Files left = outputs();
        EXPECT_EQ(left.at(c.target), kPrevious);
        EXPECT_EQ(out.temporary_files(), std::vector<std::string>{});
        // Whatever else is there is whole: as a good run writes it.
        for (const auto& [name, text] : left) {
            if (name != c.target) {
                EXPECT_EQ(text, good.at(name)) << name;
            }
        }
    }
}

// An output that cannot be created stops its tag; the outputs the stop cut
// short (opened, still empty or partial) do not replace the previous run's files.
TEST_F(FailurePaths, FailedCreateKeepsThePreviousFiles) {
    struct Case {
        const char* what;
        std::vector<uint8_t> (*build)();
        std::vector<std::string> args;
        unsigned workers;
        const char* refused;  // the output that cannot be created
    };
    const Case cases[] = {
        {"gen5 main file", gen5, {"-c", "3"}, 1, "tag17.txt"},
        {"gen5 side by side", gen5, {"-c", "3"}, 2, "tag19.txt"},
        {"gen5 MOVEBANK magnetic file", gen5, {"-c", "m"}, 1, "tag17_magnetic.txt"},
        {"gen3 acceleration file", gen3, {"-c", "m"}, 1, "tag5_acc.txt"},
        {"gen3 interaction protocol", gen3, {"-c", "3"}, 1, "tag1234.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clear_output();
        const Files good = reference(c.build(), c.args);
        plant_previous(good);
        const std::string staged = std::string(c.refused) + ".";
        const InProcessResult r = decode(c.build(), c.args, c.workers, [&](FakePlatform& sys) {
            sys.create_hook = [&](const char* path) {
                if (std::string(path).rfind(staged, 0) != 0) {
                    return 0;
                }
                errno = ENOSPC;
                return -1;
            };
        });
        EXPECT_EQ(r.exit_code, 19);
        EXPECT_NE(r.err.find(std::string("Couldn't open or create new textfile: ") + std::strerror(ENOSPC) +
                             "\nFilename: " + c.refused + "\n"),
                  std::string::npos)
            << r.err;
        // The tag of the refused output replaced none of its files.
        expect_previous_or_whole(good);
        const std::string tag = std::string(c.refused).substr(0, std::string(c.refused).find_first_of("._"));
        for (const auto& [name, text] : outputs()) {
            if (name.find(tag + ".") != std::string::npos || name.find(tag + "_") != std::string::npos) {
                EXPECT_EQ(text, kPrevious) << name;
            }
        }
    }
}

#ifndef _WIN32  // a file open in another program cannot shrink there
// A container that shrinks while its tags are decoded has lost data the index
// promised: the run fails, naming the container, and keeps the earlier files.
TEST_F(FailurePaths, ContainerThatShrinksDuringTheRunFails) {
    for (unsigned workers : {1u, 2u}) {
        SCOPED_TRACE(workers);
        clear_output();
        const Files good = reference(gen5(), {"-c", "3"});
        plant_previous(good);
        const uintmax_t size = gen5().size();
        std::atomic<bool> cut{false};
        const InProcessResult r = decode(gen5(), {"-c", "3"}, workers, [&](FakePlatform& sys) {
            sys.create_hook = [&](const char*) {
                if (!cut.exchange(true)) {
                    std::filesystem::resize_file(input(), size / 2);
                }
                return 0;
            };
        });
        EXPECT_EQ(r.exit_code, 19);
        EXPECT_NE(r.err.find("The container is shorter than when its downloads were indexed: it was changed "
                             "during the run.\nFilename: " +
                             input() + "\n"),
                  std::string::npos)
            << r.err;
        EXPECT_EQ(r.out.find("uccess"), std::string::npos);
        EXPECT_EQ(r.out.find("COMPLETE"), std::string::npos);
        expect_previous_or_whole(good);
    }
}
#endif

// The copies and images the decoder makes for itself fail their tag as well,
// and the failed separation leaves none of them.
TEST_F(FailurePaths, TemporaryFilesThatCannotBeWrittenLeaveNothing) {
    struct Case {
        const char* what;
        std::vector<uint8_t> (*build)();
        const char* prefix;  // of the temporary files that fail
        int after;           // writes that succeed first
    };
    for (const Case& c : {Case{"gen3 separation copies", gen3, "tag", 3}, Case{"gen3 flash image", gen3, "ftag", 0}}) {
        SCOPED_TRACE(c.what);
        clear_output();
        std::atomic<int> writes{0};
        const InProcessResult r = decode(c.build(), {"-c", "3"}, 1, [&](FakePlatform& sys) {
            sys.write_hook = [&](int fd, size_t n) -> ssize_t {
                const std::string name = sys.name_of(fd);
                if (name.rfind(c.prefix, 0) == 0 && is_temporary_name(name) && ++writes > c.after) {
                    errno = ENOSPC;
                    return -1;
                }
                return static_cast<ssize_t>(n);
            };
        });
        EXPECT_EQ(r.exit_code, 19);
        EXPECT_NE(r.err.find(std::strerror(ENOSPC)), std::string::npos);
        EXPECT_EQ(out.temporary_files(), std::vector<std::string>{});
    }

    // The 1001st tag stops the separation after a thousand copies.
    clear_output();
    Gen3Builder b(4);
    for (int t = 0; t < 1001; ++t) {
        b.open({.tag = static_cast<uint16_t>(t + 100)});
    }
    const InProcessResult r = decode(b.bytes(), {"-c", "2"});
    EXPECT_EQ(r.exit_code, 19);
    EXPECT_NE(r.out.find("No more free entry in name list."), std::string::npos);
    EXPECT_EQ(out.list(), std::vector<std::string>{});
}

// ---------------------------------------------------------------------------
// Links planted under every name the decoder makes for itself are neither
// written through nor removed; a link at an output's own name is replaced.

#ifndef _WIN32  // links and permission bits as POSIX has them
TEST_F(FailurePaths, PlantedLinksAreNeverWrittenThrough) {
    struct Case {
        const char* what;
        std::vector<uint8_t> (*build)();
        unsigned workers;
        std::vector<std::string> planted;
    };
    const Case cases[] = {
        {"gen5", gen5, 1, {"tag17.txt.part", "info_tag17.txt.part", "tag19.txt", "tag17.tmp"}},
        {"gen5 side by side", gen5, 2, {"tag19.txt.part", "tag19.txt.1.part", "info_tag801.txt"}},
        {"gen3",
         gen3,
         1,
         {"tag5.tmp", "ftag5.tmp", "tag5.txt.part", "intact.txt.part", "tag1234.txt.part", "ftag1234.tmp",
          "tag35.txt"}},
        {"voltage", voltage, 1, {"voltages.csv.part", "voltages.csv.1.part", "voltages.csvt", "voltages.csvt.part"}},
    };
    const std::string victim = in.file("victim");
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        clear_output();
        const Files good = reference(c.build(), {"-c", "3"});
        write_text(victim, "precious\n");
        for (const std::string& name : c.planted) {
            ASSERT_EQ(symlink(victim.c_str(), out.file(name).c_str()), 0) << name;
        }
        const InProcessResult r = decode(c.build(), {"-c", "3"}, c.workers);
        EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
        EXPECT_EQ(read_text(victim), "precious\n");
        EXPECT_EQ(outputs(), good);
        for (const std::string& name : c.planted) {
            struct stat st;
            const bool output = good.count(name) != 0;
            ASSERT_EQ(lstat(out.file(name).c_str(), &st), 0) << name;
            EXPECT_EQ(S_ISLNK(st.st_mode), !output) << name;
        }
    }
}

// New files follow the umask, and a replaced output keeps nothing of the old
// file but its name.
TEST_F(FailurePaths, OutputsFollowTheUmask) {
    write_text(out.file("tag17.txt"), "old\n");
    ASSERT_EQ(chmod(out.file("tag17.txt").c_str(), 0604), 0);
    const mode_t saved = umask(027);
    const InProcessResult r = decode(gen5(), {"-c", "3"});
    umask(saved);
    ASSERT_EQ(r.exit_code, 0);
    for (const std::string& name : out.list()) {
        struct stat st;
        ASSERT_EQ(stat(out.file(name).c_str(), &st), 0);
        EXPECT_EQ(st.st_mode & 0777, 0640u) << name;
    }
    EXPECT_NE(read_text(out.file("tag17.txt")), "old\n");
}
#endif

// ---------------------------------------------------------------------------
// One run per output folder: a second run, in this process or another, stops
// at once and touches nothing; the lock leaves no file behind.

TEST_F(FailurePaths, SecondRunIntoTheSameFolderStops) {
    write_text(out.file("tag17.txt"), "first run's\n");
    Platform other_run;
    Folder held;
    ASSERT_EQ(other_run.open_folder(out.path().c_str(), &held), 0);
    ASSERT_EQ(other_run.lock_folder(held), 0);

    write_bytes(input(), gen5());
    const std::vector<std::string> args = {"-c", "3", "-f", input(), "-d", out.path()};
    const InProcessResult r = run_in_process(args, 2);
    EXPECT_EQ(r.exit_code, 19);
    const std::string message = "The output folder " + out.path() +
                                " is in use by another running decoder; nothing was written. "
                                "Try again when that run has ended.\n";
    EXPECT_EQ(r.err, message);
    const CliResult child = run_cli(DEC_DECODER_EXE, args, in.path());
    EXPECT_EQ(child.exit_code, 19);
    EXPECT_EQ(child.err, message);
    EXPECT_EQ(out.list(), std::vector<std::string>{"tag17.txt"});
    EXPECT_EQ(read_text(out.file("tag17.txt")), "first run's\n");

    other_run.unlock_folder(held);
    other_run.close_folder(held);
    EXPECT_EQ(run_in_process(args).exit_code, 0);
    EXPECT_EQ(outputs(), reference(gen5(), {"-c", "3"}));
}

#ifndef _WIN32
// The run holds its output folder from the start: renamed while the run goes
// on (before anything is written, or at the first output), with a new folder
// made under the old name, it still gets every output and keeps the lock; the
// new folder gets nothing and is not locked.
TEST_F(FailurePaths, RenamedOutputFolderKeepsOutputsAndLock) {
    // Whether another open of the folder finds it locked.
    auto locked = [](const std::string& folder) {
        const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY);
        const bool busy = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) != 0 && errno == EWOULDBLOCK;
        close(fd);  // drops a lock taken here
        return busy;
    };
    const Files good = reference(gen5(), {"-c", "3"});
    for (const Call moment : {Call::list, Call::create}) {
        SCOPED_TRACE(moment == Call::list ? "renamed at the litter clean-up" : "renamed at the first output");
        TempDir parent;
        const std::string named = parent.file("out"), moved = parent.file("moved");
        ASSERT_TRUE(std::filesystem::create_directory(named));
        bool renamed = false, moved_locked = false, new_locked = true;
        write_bytes(input(), gen5());
        const InProcessResult r = run_in_process({"-c", "3", "-f", input(), "-d", named}, 1, [&](FakePlatform& sys) {
            sys.fault_hook = [&](Call call, const std::string&) {
                if (call == moment && !renamed) {
                    renamed = true;
                    std::filesystem::rename(named, moved);
                    std::filesystem::create_directory(named);
                } else if (call == Call::rename && renamed) {  // an output takes its name
                    moved_locked = locked(moved);
                    new_locked = locked(named);
                }
                return 0;
            };
        });
        ASSERT_TRUE(renamed);
        EXPECT_EQ(r.exit_code, 0) << r.out << r.err;
        Files in_moved;
        for (const auto& e : std::filesystem::directory_iterator(moved)) {
            in_moved[e.path().filename().string()] = read_text(e.path().string());
        }
        EXPECT_EQ(in_moved, good);
        EXPECT_TRUE(std::filesystem::is_empty(named));
        EXPECT_TRUE(moved_locked);
        EXPECT_FALSE(new_locked);
    }
}
#endif

// ---------------------------------------------------------------------------
// The input is never an output: a container in the output folder under an
// output's name is refused before anything is written.

TEST_F(FailurePaths, InputThatIsAnOutputIsRefused) {
    for (const char* name : {"tag19.txt", "info_tag17.txt", "voltages.csv", "voltages.csvt", "tag17_gps.csvt"}) {
        SCOPED_TRACE(name);
        clear_output();
        write_bytes(out.file(name), std::string(name).starts_with("voltages") ? voltage() : gen5());
        const std::vector<uint8_t> before = read_bytes(out.file(name));
        const InProcessResult r = run_in_process({"-c", "3", "-f", out.file(name), "-d", out.path()});
        EXPECT_EQ(r.exit_code, 19);
        EXPECT_EQ(r.err, "The input file " + out.file(name) +
                             " lies in the output folder under the name of an output; the run could replace it, "
                             "so nothing was written. Decode it into another folder.\n");
        EXPECT_EQ(out.list(), std::vector<std::string>{name});
        EXPECT_EQ(read_bytes(out.file(name)), before);
    }
    // Any other name in the output folder is an input like any other.
    clear_output();
    write_bytes(out.file("logger.bin"), gen5());
    EXPECT_EQ(run_in_process({"-c", "3", "-f", out.file("logger.bin"), "-d", out.path()}).exit_code, 0);
}

// ---------------------------------------------------------------------------
// What a killed run left (staged outputs, temporary files) goes with the next
// run into the folder, which holds its lock; nothing else is touched.

TEST_F(FailurePaths, LitterOfAKilledRunIsRemoved) {
    const Files good = reference(gen5(), {"-c", "3"});
    const std::vector<std::string> litter = {"tag17.txt.part",
                                             "info_tag17.txt.3.part",
                                             "tag5.tmp",
                                             "ftag5.2.tmp",
                                             "2019-05-03-07-00-09_tag17_gps.txt.part",
                                             "tag17_gps.csvt.1.part"};
    const std::vector<std::string> kept = {"notes.part", "tag5.tmp.keep", "logger.tmp", "ftagx.tmp", "mine.txt.part"};
    for (const std::string& name : litter) {
        write_text(out.file(name), "left behind\n");
    }
    for (const std::string& name : kept) {
        write_text(out.file(name), "the user's\n");
    }
    const InProcessResult r = decode(gen5(), {"-c", "3"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_NE(r.out.find("\nRemoved 6 staged or temporary files that an interrupted run left in the output "
                         "folder.\n"),
              std::string::npos)
        << r.out;
    Files expected = good;
    for (const std::string& name : kept) {
        expected[name] = "the user's\n";
    }
    EXPECT_EQ(outputs(), expected);
    // A clean folder: no such line.
    EXPECT_EQ(decode(gen5(), {"-c", "3"}).out.find("Removed"), std::string::npos);
}

// ---------------------------------------------------------------------------
// The console keeps up: a tag's heading and the "please wait" line reach the
// terminal before the tag's outputs are written and named.

TEST_F(FailurePaths, ConsoleIsWrittenAsTheRunGoes) {
    for (unsigned workers : {1u, 2u}) {
        SCOPED_TRACE(workers);
        clear_output();
        std::string seen_at_rename;
        std::string seen_at_write;
        const InProcessResult r = decode(gen5(), {"-c", "3"}, workers, [&](FakePlatform& sys) {
            // Renames happen at the tag's turn, on the thread of the console.
            sys.rename_hook = [&](const char* from, const char*) {
                if (std::strncmp(from, "tag19.txt.", 10) == 0) {
                    seen_at_rename = sys.console_out;
                }
                return 0;
            };
            if (workers == 1) {
                sys.write_hook = [&](int fd, size_t n) -> ssize_t {
                    if (seen_at_write.empty() && sys.name_of(fd) == "tag19.txt.part") {
                        seen_at_write = sys.console_out;
                    }
                    return static_cast<ssize_t>(n);
                };
            }
        });
        ASSERT_EQ(r.exit_code, 0);
        const std::string heading = "---------- B5:Unpacking data for tag19 ----------------\n";
        const size_t at = seen_at_rename.find(heading);
        ASSERT_NE(at, std::string::npos);
        EXPECT_NE(seen_at_rename.find("please wait", at), std::string::npos);
        if (workers == 1) {
            EXPECT_NE(seen_at_write.find("please wait", seen_at_write.find(heading)), std::string::npos);
        }
    }
}

#ifndef _WIN32  // memory file systems and signals
// ---------------------------------------------------------------------------
// A real full disk: a small memory file system as the output folder.

class FullDisk : public FailurePaths {
  protected:
    void TearDown() override {
        if (mounted_) {
            umount2(out.path().c_str(), MNT_DETACH);
        }
    }
    bool mount_small(const char* size) {
        if (mounted_) {
            umount2(out.path().c_str(), MNT_DETACH);
        }
        const std::string options = std::string("size=") + size + ",mode=0755";
        mounted_ = mount("tmpfs", out.path().c_str(), "tmpfs", 0, options.c_str()) == 0;
        return mounted_;
    }
    bool mounted_ = false;
};

// How child `pid` ended: its exit code, or -1 (a failure) when it could not
// be waited for or a signal ended it.
int exit_code_of(pid_t pid) {
    int status = 0;
    if (pid <= 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        ADD_FAILURE() << "child " << pid << " did not exit; status " << status;
        return -1;
    }
    return WEXITSTATUS(status);
}

std::vector<uint8_t> long_voltage_file() {
    std::vector<VoltageRecord> records(200);
    for (uint32_t i = 0; i < records.size(); ++i) {
        records[i].time = 600 * i;
        records[i].channels[0] = static_cast<uint16_t>(3000 + i);
    }
    return make_voltage_file(records);
}

TEST_F(FullDisk, RunOntoAFullDiskFails) {
    struct Case {
        const char* what;
        std::vector<uint8_t> (*build)();
        std::vector<std::string> args;
        const char* size;
    };
    const Case cases[] = {
        {"gen5", gen5, {"-c", "6", "-a", "c"}, "1m"},
        {"gen3", gen3, {"-c", "3"}, "32k"},
        {"voltage", long_voltage_file, {"-c", "3"}, "4k"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (!mount_small(c.size)) {
            GTEST_SKIP() << "cannot mount a small file system here (needs root): " << std::strerror(errno);
        }
        write_bytes(input(), c.build());
        std::vector<std::string> args = c.args;
        args.insert(args.end(), {"-f", input(), "-d", out.path()});
        const CliResult r = run_cli(DEC_DECODER_EXE, args, in.path());
        EXPECT_EQ(r.exit_code, 19) << r.out;
        EXPECT_NE(r.err.find(std::string("Couldn't close text file: ") + std::strerror(ENOSPC)), std::string::npos)
            << r.err;
        EXPECT_NE(r.out.find("Filename: "), std::string::npos);
        EXPECT_EQ(r.out.find("uccess"), std::string::npos);
        EXPECT_EQ(out.temporary_files(), std::vector<std::string>{});
    }
}

// ---------------------------------------------------------------------------
// Standard output is an output too: a full disk under it fails the run. With
// -s the information reports go only there.

TEST_F(FullDisk, StandardOutputOnAFullDiskFails) {
    const std::string stamped = "2019-5-3-7-0-9_L000000012.bin";
    write_bytes(in.file(stamped), gen5());
    const pid_t pid = start_cli(DEC_DECODER_EXE, {"-s", stamped, "-d", out.path()}, in.path(), "/dev/null", "/dev/full",
                                in.file("stderr"));
    EXPECT_EQ(exit_code_of(pid), 19);
    EXPECT_EQ(read_text(in.file("stderr")), std::string("write error: ") + std::strerror(ENOSPC) + "\n");
    std::remove(in.file("stderr").c_str());
    EXPECT_EQ(out.temporary_files(), std::vector<std::string>{});
}

// ---------------------------------------------------------------------------
// An interrupt removes the run's temporary files and ends with 128 + signal;
// every output name holds the earlier file or the complete new one.

class Interrupted : public FailurePaths {};

// A closed pipe on the console ends the run as an interrupt does (128 +
// SIGPIPE, nothing left behind); a file-size limit fails the output it cuts.
TEST_F(Interrupted, ClosedPipeAndFileSizeLimitEndTheRunCleanly) {
    write_bytes(input(), gen3());
    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    close(pipe_ends[0]);  // nobody reads
    const int writer = pipe_ends[1];
    const pid_t pid = start_cli(DEC_DECODER_EXE, {"-c", "3", "-f", input(), "-d", out.path()}, in.path(), "/dev/null",
                                "/dev/null", "/dev/null", [writer] {
                                    dup2(writer, 1);
                                    close(writer);
                                });
    close(writer);
    EXPECT_EQ(exit_code_of(pid), 128 + SIGPIPE);
    EXPECT_EQ(out.temporary_files(), std::vector<std::string>{});

    const std::vector<uint8_t> big = gen5();
    const Files good = reference(big, {"-c", "6", "-a", "c"});
    clear_output();
    write_bytes(input(), big);
    plant_previous(good);
    const pid_t limited = start_cli(DEC_DECODER_EXE, {"-c", "6", "-a", "c", "-f", input(), "-d", out.path()}, in.path(),
                                    "/dev/null", in.file("stdout"), in.file("stderr"), [] {
                                        const rlimit limit{64 * 1024, 64 * 1024};
                                        setrlimit(RLIMIT_FSIZE, &limit);
                                    });
    EXPECT_EQ(exit_code_of(limited), 19);
    const std::string err = read_text(in.file("stderr"));
    EXPECT_NE(err.find(std::string("Couldn't close text file: ") + std::strerror(EFBIG) + "\nFilename: "),
              std::string::npos)
        << err;
    std::remove(in.file("stdout").c_str());
    std::remove(in.file("stderr").c_str());
    expect_previous_or_whole(good);
}

TEST_F(Interrupted, SignalRemovesTemporaryFilesAndEndsWith128PlusSignal) {
    // Enough tags and downloads that the run takes a while.
    const std::vector<uint8_t> bytes =
        build_gen5_example({.tags_v10 = 6, .downloads = 12, .hours_per_download = 12, .acc_interval_s = 30});
    const std::vector<std::string> key = {"-c", "h"};
    const Files good = reference(bytes, key);
    write_bytes(input(), bytes);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        SCOPED_TRACE(sig);
        clear_output();
        plant_previous(good);
        const pid_t pid = start_cli(DEC_DECODER_EXE, {"-c", "h", "-f", input(), "-d", out.path()}, in.path(),
                                    "/dev/null", "/dev/null", "/dev/null");
        ASSERT_GT(pid, 0);
        // Stop the run while it is writing an output, then interrupt it.
        bool caught = false;
        for (int i = 0; i < 200000 && !caught; ++i) {
            if (!out.temporary_files().empty()) {
                kill(pid, SIGSTOP);
                caught = !out.temporary_files().empty();
                if (!caught) {
                    kill(pid, SIGCONT);
                }
            }
        }
        if (!caught) {
            GTEST_SKIP() << "the run ended before it could be interrupted";
        }
        kill(pid, sig);
        kill(pid, SIGCONT);
        EXPECT_EQ(exit_code_of(pid), 128 + sig);
        expect_previous_or_whole(good);
        const Files left = outputs();
        EXPECT_GT(std::count_if(left.begin(), left.end(), [](const auto& f) { return f.second == kPrevious; }), 0);
    }
}

#endif

}  // namespace
}  // namespace dec
