// Pieces of the tests that run the decoder, or parts of it, on synthetic
// containers: a fixture with a console collecting its output and a temporary
// folder that is the run's output folder, and the outcome of a run as one text.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/action.h"
#include "common/run_context.h"
#include "testsupport/cli_runner.h"
#include "testsupport/container_builder.h"
#include "testsupport/fake_platform.h"

namespace dec {

inline const std::string kExe = DEC_DECODER_EXE;
// 2019-05-03 07:00:00 as tag time (a Friday, day 4443).
inline constexpr uint32_t kT0 = 383900400;

// Settings reports have tests of their own; here they are replaced by a marker.
// A report ends with its "AM" or "TTOFF" line; one without such an end (the
// ECG and software-9 reports) is kept whole.
inline std::string strip_settings(std::string text) {
    for (size_t pos = 0; (pos = text.find("\nPrinting tag settings", pos)) != std::string::npos; ++pos) {
        const size_t next = std::min(text.find("\n--- ", pos + 1), text.find("\nPrinting tag settings", pos + 1));
        const size_t am = text.find("\nAM\n", pos), off = text.find("\nTTOFF\n", pos);
        size_t end = std::min(am == std::string::npos ? am : am + 4, off == std::string::npos ? off : off + 7);
        if (end == std::string::npos || end > next) {
            continue;
        }
        if (end < text.size() && text[end] == '\n') {
            ++end;  // structure versions 2 and 3 end with an empty line
        }
        text.replace(pos, end - pos, "<settings>\n");
    }
    return text;
}

class FolderFixture : public ::testing::Test {
  protected:
    // The temporary folder is the run's output folder, held open as the run
    // controller holds it, from before the members of a test's fixture are made.
    FolderFixture() { EXPECT_EQ(sys.open_folder(dir.path().c_str(), &run.folder.at), 0); }
    ~FolderFixture() override { sys.close_folder(run.folder.at); }
    const Folder& folder() const { return run.folder.at; }

    std::string input() const { return dir.file("logger.bin"); }
    std::vector<uint8_t> file(const std::string& name) const { return testing::read_bytes(dir.file(name)); }
    std::string text(const std::string& name) const { return testing::read_text(dir.file(name)); }

    testing::TempDir dir;
    testing::FakePlatform sys;
    std::string out, err;
    Console con{sys, &out, &err};
    RunContext run{con};
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

namespace testing {

// What a decoder run left behind, as one text for an expected file: the exit
// code, every file in the folder but the input, and the console. The folder's
// own path reads "<dir>".
inline std::string outcome(const TempDir& dir, const std::string& input, int code, const std::string& out,
                           const std::string& err) {
    std::string s = "exit " + std::to_string(code) + "\n";
    for (const std::string& name : dir.list()) {
        if (name != input) {
            s += "--- " + name + "\n" + read_text(dir.file(name));
        }
    }
    s += "--- console\n" + out + (err.empty() ? "" : "--- errors\n" + err);
    for (size_t at; (at = s.find(dir.path())) != std::string::npos;) {
        s.replace(at, dir.path().size(), "<dir>");
    }
    return s;
}

}  // namespace testing
}  // namespace dec
