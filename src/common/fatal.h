// Fatal stops.
//
// Damaged data that makes further decoding meaningless (an inconsistent
// repeated-data check, an unsupported tag software or settings version, an
// unknown feature flag, a missing or corrupt settings record) ends the whole
// program with a fixed exit code. The stop unwinds to the program entry as a
// FatalStop, so buffered output is flushed by the streams' destructors, the exit
// prompt of an interactive run still runs, and a test or fuzz harness can observe
// the code without the process ending.
#pragma once

namespace dec {

enum ExitCode : int {
    EXIT_OK = 0,
    BAD_CMDLINE = 16,
    INTERNAL_ERROR = 17,
    OPEN_FILE_ERROR = 18,
    UNKNOWN_ERROR = 19,
    UNSUPPORTED_PRODUCT = 20,
    UNSUPPORTED_FF_PRODUCT = 21,
    BADLOGGERBIN = 22,
};

struct FatalStop {
    int code;
};

[[noreturn]] inline void fatal_stop(int code) {
    throw FatalStop{code};
}

}  // namespace dec
