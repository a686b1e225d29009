// Texts from the container reach the information files without control bytes,
// whichever printer writes them: a file read with `cat` must not retitle the
// terminal, clear it or print a line the decoder never wrote.
#include <gtest/gtest.h>

#include <string>

#include "gen3/gps_acc_run.h"
#include "records/sysinfo.h"
#include "testsupport/capture.h"
#include "testsupport/gen3_builder.h"
#include "testsupport/record_builders.h"

namespace dec {
namespace {

using testing::capture;

TEST(ContainerTexts, ControlBytesAreReplaced) {
    // The modem texts end at their first byte below 32 and hold five bytes at
    // most; the one-character states print such a byte as a blank.
    const struct {
        std::string bytes, text, modem_text;
        char state;
    } rows[] = {
        {"Base station 3", "Base station 3", "Base ", 'B'},
        {"\x1b]0;owned\x07", "~]0;owned~", "", ' '},    // window title, ended by BEL
        {"\x1b[2J\x1b[Hfake", "~[2J~[Hfake", "", ' '},  // clear screen, cursor home
        {"ok\rfake", "ok~fake", "ok", 'o'},
        {"del\x7f", "del?", "del?", 'd'},
        {"\x9bK", "?K", "?K", '?'},  // erase line, 8-bit control sequence introducer
        {"caf\xc3\xa9", "caf??", "caf??", 'c'},
    };
    for (const auto& row : rows) {
        const auto header = testing::make_gen3_header(6, 7, row.bytes, 0x0300, 0, row.bytes);
        EXPECT_EQ(capture([&](OutStream& o) { print_basestation_info(header.data(), o); }),
                  "basestation info:\nRewrite counter:7\n" + row.text + "\nbase3, V1.6" + row.text +
                      "\nBst-id: 0x300\n");

        const auto report = testing::make_gsm_report({.csq = row.bytes});
        const std::string gsm =
            capture([&](OutStream& o) { decode_sysinfo(report.data(), o, 0, 4711); });
        EXPECT_NE(gsm.find("\ncsq:" + row.modem_text + "\n"), std::string::npos) << gsm;

        const auto first = static_cast<uint8_t>(row.bytes[0]);
        const auto sms = testing::make_sms_event_v9(row.bytes, first, first);
        const std::string line =
            capture([&](OutStream& o) { decode_sysinfo_v9(sms.data(), o, 0, 1980); });
        EXPECT_NE(line.find(std::string("creg_stat:") + row.state + " cgreg_stat:" + row.state +
                            " CSQ:" + row.modem_text + "\n\n"),
                  std::string::npos)
            << line;
    }
}

}  // namespace
}  // namespace dec
