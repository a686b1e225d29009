// Which kind of tag a tag's records come from: it decides the decoders, the
// columns of the lines, the legends and the file names.
#pragma once

#include <cstdint>

#include "common/outstream.h"

namespace dec {

enum class TagLayout : uint8_t {
    v10,   // generation-5 GPS-acceleration tags, software 10
    v9,    // generation-5 GPS-acceleration tags, software 9
    ecg,   // generation-5 ECG tags
    gen3,  // generation-3 GPS-acceleration tags
};

// The output streams of one tag. Streams that the plan does not ask for
// separately are the main stream; for the STATS line alone all are the console.
struct TagStreams {
    OutStream* info = nullptr;
    OutStream* main = nullptr;
    OutStream* acc = nullptr;
    OutStream* quat = nullptr;
    OutStream* mag = nullptr;
};

}  // namespace dec
