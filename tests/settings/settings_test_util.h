// Helpers shared by the settings report tests.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "common/fatal.h"
#include "common/outstream.h"

namespace settings_test {

struct Printed {
    std::string text;
    int exit_code = -1;  // -1: the printer returned normally
};

// Runs a printer into a string and catches a fatal stop.
inline Printed capture(const std::function<void(dec::OutStream&)>& print) {
    Printed p;
    try {
        dec::OutStream out(&p.text);
        print(out);
    } catch (const dec::FatalStop& stop) {
        p.exit_code = stop.code;
    }
    return p;
}

inline bool has_line(const std::string& text, const std::string& line) {
    return text.find("\n" + line + "\n") != std::string::npos || text.rfind(line + "\n", 0) == 0;
}

}  // namespace settings_test
