// What a decoder run left behind, as one text for an expected file: the exit
// code, every file in the folder but the input, and the console. The folder's
// own path reads "<dir>".
#pragma once

#include <string>

#include "testsupport/cli_runner.h"

namespace dec::testing {

inline std::string outcome(const TempDir& dir, const std::string& input, int code,
                           const std::string& out, const std::string& err) {
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

}  // namespace dec::testing
