// The command line's long forms end in the same parsed options as the short ones.
#include "cli/command_line.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "common/fatal.h"
#include "common/platform.h"

namespace dec {
namespace {

struct Parsed {
    std::vector<std::string> args;  // what the parsed pointers point into
    int code;
    RunParams params;
    std::string out;
};

Parsed parse(std::vector<std::string> args) {
    Parsed p{};
    p.args = std::move(args);
    p.args.insert(p.args.begin(), "decoder");
    std::vector<char*> argv;
    for (std::string& a : p.args) {
        argv.push_back(a.data());
    }
    std::string out;
    std::string err;
    Console con(Platform::system(), &out, &err);
    p.code = parse_command_line(static_cast<int>(argv.size()), argv.data(), con, p.params);
    con.flush();
    p.out = out;
    return p;
}

void expect_same(const Parsed& got, const Parsed& want, const std::string& what) {
    EXPECT_EQ(got.code, want.code) << what;
    EXPECT_STREQ(got.params.path, want.params.path) << what;
    EXPECT_EQ(got.params.files_given, want.params.files_given) << what;
    EXPECT_STREQ(got.params.output_dir == nullptr ? "(none)" : got.params.output_dir,
                 want.params.output_dir == nullptr ? "(none)" : want.params.output_dir)
        << what;
    EXPECT_EQ(got.params.action_char, want.params.action_char) << what;
    EXPECT_EQ(got.params.acc_time_char, want.params.acc_time_char) << what;
    EXPECT_EQ(got.params.mode, want.params.mode) << what;
    EXPECT_EQ(got.out, want.out) << what;
}

// Every option with a value, given as "-x V", "--name V" and "--name=V" (values
// that begin with '-' or hold '=' included), beside a -c 3 that comes before.
TEST(CommandLine, LongFormsParseAsTheShortOnes) {
    for (const OptionSpec& o : command_line_options()) {
        if (o.value == nullptr) {
            continue;
        }
        ASSERT_NE(o.letter, 0) << o.name;
        const std::string short_form{'-', o.letter};
        const std::string long_form = std::string("--") + o.name;
        for (const std::string value : {"x", "2019-5-3-7-0-9_L000000012.bin", "-dash", "a=b", "", "33"}) {
            const Parsed want = parse({"-c", "3", short_form, value});
            ASSERT_EQ(want.code, kRunDecoder) << short_form << " " << value;
            expect_same(parse({"-c", "3", long_form, value}), want, long_form + " " + value);
            expect_same(parse({"-c", "3", long_form + "=" + value}), want, long_form + "=" + value);
        }
    }
    const Parsed version = parse({"-v"});
    EXPECT_EQ(version.code, EXIT_OK);
    expect_same(parse({"--version"}), version, "--version");
    const Parsed later = parse({"-f", "a.bin", "--version", "-x"});
    EXPECT_EQ(later.code, EXIT_OK);
    EXPECT_EQ(later.out, version.out);
}

// "--" ends the options: what follows is a file name, even when it begins with '-'.
TEST(CommandLine, DoubleDashEndsTheOptions) {
    const Parsed p = parse({"-c", "2", "--", "-v"});
    EXPECT_EQ(p.code, kRunDecoder);
    EXPECT_STREQ(p.params.path, "-v");
    EXPECT_EQ(p.params.files_given, 1);
    EXPECT_EQ(p.params.action_char, '2');
    EXPECT_EQ(parse({"--"}).params.files_given, 0);
    // The value of an option is taken before "--" is looked at.
    EXPECT_STREQ(parse({"--file", "--", "-c", "2"}).params.path, "--");
    EXPECT_EQ(parse({"-f", "a.bin", "--", "b.bin"}).code, BAD_CMDLINE);
}

}  // namespace
}  // namespace dec
