// Texts from the container reach the information files without control bytes,
// whichever printer writes them: a file read with `cat` must not retitle the
// terminal, clear it or print a line the decoder never wrote.
#include <gtest/gtest.h>

#include <string>
#include <utility>

#include "expected_sections.h"
#include "gen3/gps_acc_run.h"
#include "records/sysinfo.h"
#include "testsupport/capture.h"
#include "testsupport/gen3_builder.h"
#include "testsupport/record_builders.h"

namespace dec {
namespace {

using testing::capture;

// The modem texts end at their first byte below 32 and hold five bytes at
// most; the one-character states print such a byte as a blank. What the
// basestation header, a GSM report and an SMS event print of each text is a
// section of common/expected/container_texts.txt.
TEST(ContainerTexts, ControlBytesAreReplaced) {
    const std::pair<const char*, std::string> rows[] = {
        {"plain", "Base station 3"},
        {"window title, ended by BEL", "\x1b]0;owned\x07"},
        {"clear screen, cursor home", "\x1b[2J\x1b[Hfake"},
        {"carriage return", "ok\rfake"},
        {"delete", "del\x7f"},
        {"erase line, 8-bit control sequence introducer", "\x9bK"},
        {"UTF-8", "caf\xc3\xa9"},
    };
    testing::Sections got;
    for (const auto& [name, bytes] : rows) {
        const auto header = testing::make_gen3_header(6, 7, bytes, 0x0300, 0, bytes);
        const auto report = testing::make_gsm_report({.csq = bytes});
        const auto first = static_cast<uint8_t>(bytes[0]);
        const auto sms = testing::make_sms_event_v9({.cgreg_stat = first, .csq = bytes, .creg_stat = first});
        got.emplace_back(name, capture([&](OutStream& o) {
                             print_basestation_info(header.data(), o);
                             decode_sysinfo(report.data(), o, {}, 4711);
                             decode_sysinfo_v9(sms.data(), o, {}, 1980);
                         }));
    }
    testing::expect_sections("common/expected/container_texts.txt", got);
}

}  // namespace
}  // namespace dec
