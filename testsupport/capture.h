// What a printer writes into an OutStream, as a string.
#pragma once

#include <functional>
#include <string>

#include "common/outstream.h"

namespace dec::testing {

inline std::string capture(const std::function<void(OutStream&)>& print) {
    std::string s;
    {
        OutStream out(&s);
        print(out);
    }
    return s;
}

}  // namespace dec::testing
