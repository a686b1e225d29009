// Shared pieces of the tests that decode synthetic containers end to end.
#pragma once

#include <algorithm>
#include <string>

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

}  // namespace dec
