// Fixture of the tests that run parts of the decoder in process: a console
// collecting its output and a temporary folder that the decoder may enter.
#pragma once

#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "common/action.h"
#include "common/run_context.h"
#include "testsupport/cli_runner.h"
#include "testsupport/container_builder.h"
#include "testsupport/fake_platform.h"

namespace dec {

class FolderFixture : public ::testing::Test {
protected:
    void SetUp() override {
        char buf[4096];
        ASSERT_NE(getcwd(buf, sizeof buf), nullptr);
        cwd_ = buf;
    }
    // The decoder enters the output directory for the rest of the run.
    void TearDown() override { ASSERT_EQ(chdir(cwd_.c_str()), 0); }

    std::string input() const { return dir.file("logger.bin"); }
    std::vector<uint8_t> file(const std::string& name) const {
        return testing::read_bytes(dir.file(name));
    }
    std::string text(const std::string& name) const { return testing::read_text(dir.file(name)); }

    testing::TempDir dir;
    testing::FakePlatform sys;
    std::string out, err;
    Console con{sys, &out, &err};
    RunContext run{con};
    std::string cwd_;
};

inline std::vector<uint8_t> cat(std::initializer_list<std::vector<uint8_t>> parts) {
    std::vector<uint8_t> all;
    for (const auto& p : parts) {
        all.insert(all.end(), p.begin(), p.end());
    }
    return all;
}

inline bool contains(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}

template <typename A>
std::vector<uint8_t> vec(const A& a) {
    return std::vector<uint8_t>(a.begin(), a.end());
}

}  // namespace dec
