// The decoder as users and pipelines run it: arguments, menu answers on
// standard input, console text and exit codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/platform.h"
#include "expected_sections.h"
#include "testsupport/cli_runner.h"
#include "testsupport/container_builder.h"

namespace dec {
namespace {

using testing::CliResult;
using testing::ContainerBuilder;
using testing::OpenBlockFields;
using testing::TempDir;

const std::string kExe = DEC_DECODER_EXE;

class Cli : public ::testing::Test {
  protected:
    TempDir dir;

    CliResult run(const std::vector<std::string>& args, const std::string& input = "") {
        return testing::run_cli(kExe, args, dir.path(), input);
    }
    // A small valid container with one version-10 tag.
    void write_logger(const std::string& name = "logger.bin") {
        ContainerBuilder c;
        c.download(OpenBlockFields{.tag = 17}, 3);
        c.write_file(dir.file(name));
    }
};

// Console text, error text and exit code of every kind of command line, menu
// answer and unusable input file: cli/expected/runs.txt.
TEST_F(Cli, ArgumentsMenuAnswersAndInputFiles) {
    testing::Sections s;
    const auto add = [&](const std::string& name, const std::vector<std::string>& args, const std::string& input = "") {
        const CliResult r = run(args, input);
        s.emplace_back(name, "exit " + std::to_string(r.exit_code) + "\n" + r.out + "--- stderr\n" + r.err);
    };
    add("version", {"-v"});
    add("options before -v are dropped", {"-c", "2", "-v"});
    add("-v as the value of -f is a file name", {"-c", "2", "-f", "-v"});
    add("unknown option", {"-c", "2", "-x"}, "\n");
    add("missing argument", {"-c", "2", "-f"});
    add("help", {"--help"});
    add("--version", {"-c", "2", "--version"});
    add("unknown long option", {"-c", "2", "--bogus"}, "\n");
    add("a value for an option without one", {"--help=all"}, "\n");
    add("long option missing its value", {"-c", "2", "--file"});
    add("two file names", {"-f", "a.bin", "-m", "2019-5-3-7-0-9_L000000012.bin"});
    add("no key 7", {"-c", "7", "-f", "logger.bin"});
    add("bad time stamp answer", {"-c", "6", "-a", "z", "-f", "logger.bin"});
    add("single argument is the input file", {"some file.bin"}, "2\n\n");
    add("missing logger.bin", {"-c", "2"});
    for (const char* name :
         {"2019-5-3-7-0-9_L12.bin", "/a/much/longer/directory/x.bin", "2019-05-03-07-00-09_L0000000000012.bin",
          "2019-5-3-7-0-9_L000000012.dat", "2013-5-3-7-0-9_L000000012.bin", "2100-5-3-7-0-9_L000000012.bin",
          "2019-13-3-7-0-9_L00000012.bin", "2019-5-3-24-0-9_L00000012.bin", "2019-5-3-7-0-9-L000000012.bin"}) {
        add(std::string("-m ") + name, {"-m", name});
    }
    testing::write_bytes(dir.file("short.bin"), std::vector<uint8_t>(511, 0));
    add("file shorter than a unit", {"-c", "2", "-f", "short.bin"});
    testing::write_bytes(dir.file("foreign.bin"), testing::make_header(0x12345678));
    add("foreign file", {"-c", "2", "-f", "foreign.bin"});
    testing::write_bytes(dir.file("maker.bin"),
                         testing::make_header(0x79F02AB6, 0, "Tavro Ltd, Wireless Wildlife Logging"));
    add("newer container", {"-c", "2", "-f", "maker.bin"});
    testing::write_bytes(dir.file("logger.bin"), testing::make_header());
    add("container without tags", {"-c", "2"});

    write_logger();
    add("menu key 6 then c", {}, "6\nc\n\n");
    EXPECT_TRUE(testing::file_exists(dir.file("tag17_acc.txt")));
    add("menu key 7", {}, "7\n\n");
    add("menu key 9 then x", {}, "9\nx\n\n");
    add("menu key 6 then the end of the input", {}, "6\n");
    add("two-character action asks the menu", {"-c", "33"}, "2\n\n");
    EXPECT_TRUE(testing::file_exists(dir.file("tag17_gps.txt")));
    testing::expect_sections("cli/expected/runs.txt", s);
}

// Answers ending in "\r\n" (typed or piped on Windows) run as those ending in "\n".
TEST_F(Cli, MenuAnswersWithWindowsLineEnds) {
    write_logger();
    const std::pair<std::string, int> rows[] = {{"2\n", 0}, {"6\nb\n", 0}, {"9\ne\n", 0}, {"6\nx\n", 16}, {"7\n", 16}};
    for (const auto& [answers, exit_code] : rows) {
        std::string windows;
        for (char c : answers) {
            windows += c == '\n' ? "\r\n" : std::string(1, c);
        }
        const CliResult want = run({}, answers);
        const CliResult got = run({}, windows);
        EXPECT_EQ(want.exit_code, exit_code) << answers;
        EXPECT_EQ(got.exit_code, exit_code) << answers;
        EXPECT_EQ(got.out, want.out) << answers;
    }
}

// Paths as this system writes them. Where they begin with a drive letter, a
// lone argument beginning with a capital becomes "X:\..." (one too short for
// that is refused), and a time-stamped name may follow backslashes; elsewhere
// the lone argument is taken as it is. A name stamped this year (by a base
// station today) is accepted.
TEST_F(Cli, PathsOfThisSystem) {
    const std::string stamped = "2026-1-15-23-59-59_L00007.bin";
    write_logger(stamped);
    const CliResult r = run({"-g", dir.path() + (kDriveLetterPaths ? "\\" : "/") + stamped});
    EXPECT_EQ(r.exit_code, 0) << r.out;
    EXPECT_TRUE(testing::file_exists(dir.file("info_2026-01-15-23-59-59_tag17.txt")));
    EXPECT_TRUE(testing::file_exists(dir.file("2026-01-15-23-59-59_tag17_gps.txt")));

    write_logger("Logger.bin");
    const CliResult lone = run({"Logger.bin"}, "2\n\n");
    const CliResult two_chars = run({"C:"}, "\n");
    const auto first_line = [](const CliResult& c) { return c.out.substr(0, c.out.find('\n')); };
    if (kDriveLetterPaths) {
        EXPECT_EQ(first_line(lone), "Using file L:\\ger.bin");
        EXPECT_EQ(lone.exit_code, 18);
        EXPECT_EQ(first_line(two_chars), "Invalid command line option \"C:\"");
        EXPECT_EQ(two_chars.exit_code, 16);
    } else {
        EXPECT_EQ(first_line(lone), "Using file Logger.bin");
        EXPECT_EQ(lone.exit_code, 0);
        EXPECT_EQ(first_line(two_chars), "Using file C:");
    }
}

}  // namespace
}  // namespace dec
