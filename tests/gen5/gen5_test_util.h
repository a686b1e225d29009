// Shared pieces of the tests that decode synthetic containers end to end.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>

#include "testsupport/cli_runner.h"
#include "testsupport/container_builder.h"

namespace dec {

using testing::CliResult;
using testing::ContainerBuilder;
using testing::make_pattern_unit;
using testing::OpenBlockFields;
using testing::TempDir;

inline const std::string kExe = DEC_DECODER_EXE;
// 2019-05-03 07:00:00 as tag time (a Friday, day 4443).
inline constexpr uint32_t kT0 = 383900400;
inline const std::string kT0Text = "4443,3.5.2019,Fr,07:00:00";

// Settings reports have tests of their own; here they are replaced by a marker.
inline std::string strip_settings(std::string text) {
    for (size_t pos; (pos = text.find("\nPrinting tag settings")) != std::string::npos;) {
        size_t am = text.find("\nAM\n", pos), off = text.find("\nTTOFF\n", pos);
        size_t end = std::min(am == std::string::npos ? am : am + 4,
                              off == std::string::npos ? off : off + 7);
        if (end == std::string::npos) {
            break;
        }
        if (end < text.size() && text[end] == '\n') {
            ++end;  // structure versions 2 and 3 end with an empty line
        }
        text.replace(pos, end - pos, "<settings>\n");
    }
    return text;
}

inline std::string download(uint32_t available, const char* mbytes, const std::string& time = kT0Text) {
    return "\nData download:\nBasestation Id: 1\n" + time + "\nAnimal tag still has " +
           std::to_string(available) +
           " Bytes data for download available.\nAltogether " + mbytes +
           " MBytes are used, which will be freed\nonly after a COMPLETE data download.\n\n"
           "B5:GPS-ACC-Tag Software vers No.:10\n<settings>\n";
}

inline const std::string kHead =
    "Data decoder version v21 compiled (w)Feb 20 2025 09:55:15\nGoing through data:\n";
inline const std::string kAnalysing =
    "Now analysing data:\nbasestation info:\nRewrite counter:0\nTavro Ltd, Wireless Wildlife "
    "Logging Systems, Peru\n";

class TagInfoTest : public ::testing::Test {
protected:
    // Decodes `c` with key 1 (acceleration only: no GPS legend) and returns
    // the information file of tag 17.
    std::string info_of(const ContainerBuilder& c, const std::string& key = "1") {
        c.write_file(dir.file("logger.bin"));
        result = testing::run_cli(kExe, {"-c", key, "-a", "a"}, dir.path());
        EXPECT_FALSE(testing::file_exists(dir.file("tag17.tmp")));
        EXPECT_FALSE(testing::file_exists(dir.file("ftag17.tmp")));
        return strip_settings(testing::read_text(dir.file("info_tag17.txt")));
    }
    static OpenBlockFields desc(uint32_t start, uint32_t end) {
        return OpenBlockFields{.tag = 17, .flash_start = start, .flash_end = end, .time = kT0};
    }
    // `count` 0xFE units numbered from `first`.
    static void units(ContainerBuilder& c, uint32_t first, uint32_t count) {
        for (uint32_t i = 0; i < count; ++i) {
            c.unit(make_pattern_unit(0xFE, first + i));
        }
    }

    TempDir dir;
    CliResult result;
};


}  // namespace dec
