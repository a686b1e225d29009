// Many small outputs of one test kept as one expected file of sections: a
// line "=== name", then the output, then one line end. The file is data,
// checked by hand once; each section is compared on its own, so a failure
// names its case. DEC_UPDATE_GOLDEN=1 rewrites the file (review the diff).
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "testsupport/cli_runner.h"

namespace dec::testing {

using Sections = std::vector<std::pair<std::string, std::string>>;

inline void expect_sections(const std::string& path, const Sections& got) {
    std::string all;
    for (const auto& [name, text] : got) {
        all += "=== " + name + "\n" + text + "\n";
    }
    const std::string want = expected_text(path, all);
    Sections expected;
    size_t at = 0;
    while (at < want.size() && want.compare(at, 4, "=== ") == 0) {
        const size_t name_end = want.find('\n', at);
        size_t next = want.find("\n=== ", name_end);
        next = next == std::string::npos ? want.size() : next + 1;
        expected.emplace_back(want.substr(at + 4, name_end - at - 4), want.substr(name_end + 1, next - name_end - 2));
        at = next;
    }
    ASSERT_EQ(expected.size(), got.size()) << path << ": number of sections";
    for (size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].first, expected[i].first) << path;
        EXPECT_EQ(got[i].second, expected[i].second) << path << ": " << got[i].first;
    }
}

}  // namespace dec::testing
