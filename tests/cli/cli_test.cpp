// The decoder as users and pipelines run it: arguments, menu answers on
// standard input, console text and exit codes.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "testsupport/cli_runner.h"
#include "testsupport/container_builder.h"

namespace dec {
namespace {

using testing::CliResult;
using testing::ContainerBuilder;
using testing::OpenBlockFields;
using testing::TempDir;

const std::string kExe = DEC_DECODER_EXE;
const std::string kStars = "****************************************************\n";
const std::string kSynopsis =
    "SYNOPSIS\n\tdecoder.exe [-f filename] [-d outputdirectory] [-c action] [-a argument] [-m "
    "filename with timestamp]\nExit-Codes:\n\tBAD_CMDLINE 16\n\tINTERNAL_ERROR "
    "17\n\tOPEN_FILE_ERROR 18\n\tUNKNOWN_ERROR 19\n\tUNSUPPORTED_PRODUCT "
    "20\n\tUNSUPPORTED_FF_PRODUCT 21\n\tBADLOGGERBIN 22\n";
const std::string kMenu =
    "Please enter 1,2,3,... and press return:\n\tExtract ...\n\t\t1.Only ACC data (only T for "
    "ECG-loggers)\n\t\t2.Only GPS data\n\t\t3.All recorded data in one file per logger\n\t\t4.GPX "
    "Format\n\t\t5.GPS Google Earth\n\t\t6.ACC in columns\n\t\t8.ACC in columns\n\t\t\twith "
    "google earth number of last GPS-Fix\n\t\t9.ACC: average, stddev (after hp filter), min, "
    "max\n\t\t\tfor each axis and burst\n\t\ta.ACC: average, variance , min, max\n\t\t\tfor each "
    "axis and burst\n\t\tf.ACC lp-filtered, in columns\n\t\tg.ACC hp-filtered, in "
    "columns\n\t\th.DFT of ACC\n\t\ti.DFT of ACC, each burst in one line,\n\t\t\tincluding stddev "
    "(after hp filter)\n\t\tm.MOVEBANK-Format\n";
const std::string kAccMenu =
    "Please choose:\nOptions for Acceleration in columns:\n\ta.No time\n\tb.Time in full format "
    "(dayno,day.month.year,\n\t\t\t\tday of week,HH:MM:SS)\n\tc.Time in full format "
    "(dayno,day.month.year,\n\t\t\t\tday of week,HH:MM:SS.subseconds)\n\td.Time: just "
    "seconds\n\te.Time: just seconds.subseconds\n";
const std::string kExitPrompt = "GCAE:Press return to exit...\n";

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

TEST_F(Cli, VersionOption) {
    CliResult r = run({"-v"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "Decoder version v21\n");

    r = run({"-c", "2", "-v"});  // options read before -v are dropped
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, "Decoder version v21\n");

    r = run({"-c", "2", "-f", "-v"});  // -v as the value of -f is a file name
    EXPECT_EQ(r.exit_code, 18);
    EXPECT_EQ(r.out, kStars + "Filename: -v\nCLBT:Couldn't open file -v\n");
    EXPECT_EQ(r.err, "Couldn't open file: No such file or directory\n");
}

TEST_F(Cli, BadCommandLines) {
    CliResult r = run({"-c", "2", "-x"}, "\n");
    EXPECT_EQ(r.exit_code, 16);
    EXPECT_EQ(r.out, "Invalid command line option \"-x\"\n" + kSynopsis +
                         "Press Return-Key to continue!\n");

    r = run({"-c", "2", "-f"});
    EXPECT_EQ(r.exit_code, 16);
    EXPECT_EQ(r.out, "Missing argument for last option!\nPress Return-Key to continue!\n");

    r = run({"-f", "a.bin", "-m", "2019-5-3-7-0-9_L000000012.bin"});
    EXPECT_EQ(r.exit_code, 16);
    EXPECT_EQ(r.out, "Only one filename is allowed!\nPress Return-Key to continue!\n");

    r = run({"-c", "7", "-f", "logger.bin"});
    EXPECT_EQ(r.exit_code, 16);
    EXPECT_EQ(r.out, "Invalid user input!\n");

    r = run({"-c", "6", "-a", "z", "-f", "logger.bin"});
    EXPECT_EQ(r.exit_code, 16);
    EXPECT_EQ(r.out, "Invalid user input for ACC time stamps!\n");
}

TEST_F(Cli, SingleArgumentIsTheInputFile) {
    CliResult r = run({"some file.bin"}, "2\n\n");
    EXPECT_EQ(r.exit_code, 18);
    EXPECT_EQ(r.out, "Using file some file.bin\n" + kStars + kMenu + kStars +
                         "Filename: some file.bin\nCLBT:Couldn't open file some file.bin\n" +
                         kExitPrompt);
}

TEST_F(Cli, MenuAndTimeStampMenuFromStandardInput) {
    write_logger();
    CliResult r = run({}, "6\nc\n\n");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out.substr(0, kStars.size() + kMenu.size() + 2 * kStars.size() + kAccMenu.size()),
              kStars + kMenu + kStars + kStars + kAccMenu);
    EXPECT_NE(r.out.find("\nSuper success.\n" + kExitPrompt), std::string::npos);
    EXPECT_TRUE(testing::file_exists(dir.file("tag17_acc.txt")));

    r = run({}, "7\n\n");  // there is no key 7
    EXPECT_EQ(r.exit_code, 16);
    EXPECT_EQ(r.out, kStars + kMenu + "Invalid user input!\n" + kExitPrompt);

    r = run({}, "9\nx\n\n");
    EXPECT_EQ(r.exit_code, 16);
    EXPECT_EQ(r.out, kStars + kMenu + kStars + kStars + kAccMenu +
                         "Invalid user input for ACC time stamps!\n" + kExitPrompt);

    // A two-character action is ignored, so the menu asks.
    r = run({"-c", "33"}, "2\n\n");
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out.substr(0, kStars.size() + kMenu.size()), kStars + kMenu);
    EXPECT_TRUE(testing::file_exists(dir.file("tag17_gps.txt")));
}

// Answers ending in "\r\n" (typed or piped on Windows) run as those ending in "\n".
TEST_F(Cli, MenuAnswersWithWindowsLineEnds) {
    write_logger();
    const std::pair<std::string, int> rows[] = {
        {"2\n", 0}, {"6\nb\n", 0}, {"9\ne\n", 0}, {"6\nx\n", 16}, {"7\n", 16}};
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

TEST_F(Cli, MissingUnreadableShortAndForeignFiles) {
    CliResult r = run({"-c", "2"});
    EXPECT_EQ(r.exit_code, 18);
    EXPECT_EQ(r.out, kStars +
                         "Filename: logger.bin\nThe logger.bin file, that you want to unpack, must "
                         "be in\nthe same directory as this program or you have to supply "
                         "the\ncomplete path and filename at the command line using option "
                         "\"-f\".\n");

    testing::write_bytes(dir.file("short.bin"), std::vector<uint8_t>(511, 0));
    r = run({"-c", "2", "-f", "short.bin"});
    EXPECT_EQ(r.exit_code, 17);
    EXPECT_EQ(r.out, kStars +
                         "Couldn't read first 512 Bytes of file. Maybe file corrupt?\nCLBT:There "
                         "was an error (rv=-1). I'm sorry that I have to\nabort further file "
                         "processing. Please contact\nTavro GmbH for assistance.\n");

    testing::write_bytes(dir.file("foreign.bin"), testing::make_header(0x12345678));
    r = run({"-c", "2", "-f", "foreign.bin"});
    EXPECT_EQ(r.exit_code, 17);
    EXPECT_EQ(r.out, kStars +
                         "CLBT:There was an error (rv=0). I'm sorry that I have to\nabort further "
                         "file processing. Please contact\nTavro GmbH for assistance.\n");

    testing::write_bytes(dir.file("maker.bin"),
                         testing::make_header(0x79F02AB6, 0, "Tavro Ltd, Wireless Wildlife Logging"));
    r = run({"-c", "2", "-f", "maker.bin"});
    EXPECT_EQ(r.exit_code, 19);
    EXPECT_EQ(r.out, kStars +
                         "B5:Separating data...\nYou probably need a new TAVRO data "
                         "decoder.\nPlease go to the website https://www.tavro.example/decoder "
                         "and download\na new TAVRO data decoder.\nThere was an error. I'm sorry "
                         "that I have to\nabort further file processing. Please contact\nTavro "
                         "support for assistance.\n");
}

TEST_F(Cli, ContainerWithoutTagsIsNoError) {
    testing::write_bytes(dir.file("logger.bin"), testing::make_header());
    CliResult r = run({"-c", "2"});
    EXPECT_EQ(r.exit_code, 0);
    EXPECT_EQ(r.out, kStars +
                         "B5:Separating data...\nB5:Separating data finished, 0 Bytes = 0 kBytes "
                         "written.\nI'm sorry, the file doesn't contain\ndata from any tag.\n");
}

TEST_F(Cli, TimeStampedNames) {
    struct Case {
        std::string name;
        int exit_code;
        std::string out;
    } cases[] = {
        {"2019-5-3-7-0-9_L12.bin", 16, "Filename too short.\n"},
        {"/a/much/longer/directory/x.bin", 16, "Filename too short or too long.\n"},
        {"2019-05-03-07-00-09_L0000000000012.bin", 16, "Filename too short or too long.\n"},
        {"2019-5-3-7-0-9_L000000012.dat", 16, "Filename format not matching!"},
        {"2013-5-3-7-0-9_L000000012.bin", 16, "Invalid filename timestamp. Exiting.\n"},
        {"2100-5-3-7-0-9_L000000012.bin", 16, "Invalid filename timestamp. Exiting.\n"},
        {"2019-13-3-7-0-9_L00000012.bin", 16, "Invalid filename timestamp. Exiting.\n"},
        {"2019-5-3-24-0-9_L00000012.bin", 16, "Invalid filename timestamp. Exiting.\n"},
        {"2019-5-3-7-0-9-L000000012.bin", 16, "Invalid filename timestamp. Exiting.\n"},
    };
    for (const Case& c : cases) {
        CliResult r = run({"-m", c.name});
        EXPECT_EQ(r.exit_code, c.exit_code) << c.name;
        EXPECT_EQ(r.out, c.out) << c.name;
    }
    // Files written by base stations this year are accepted.
    write_logger("2026-1-15-23-59-59_L00007.bin");
    CliResult r = run({"-g", "2026-1-15-23-59-59_L00007.bin"});
    EXPECT_EQ(r.exit_code, 0) << r.out;
    EXPECT_TRUE(testing::file_exists(dir.file("info_2026-01-15-23-59-59_tag17.txt")));
    EXPECT_TRUE(testing::file_exists(dir.file("2026-01-15-23-59-59_tag17_gps.txt")));
}

}  // namespace
}  // namespace dec
