// The folder a run writes into: the folder of -d, or the working directory.
//
// The run controller opens it once, before anything is written, and keeps it
// open to the end of the run; every output and temporary file of the run is a
// bare name in it (see Folder in platform.h). A folder of -d that cannot be
// opened is reported by the separation, where the input has been opened and
// its first message printed, and nothing is written.
#pragma once

#include "common/platform.h"

namespace dec {

struct OutputFolder {
    Folder at;
    // The folder as given with -d, for messages; nullptr for the working
    // directory.
    const char* path = nullptr;
    // Why the folder of -d could not be opened (an errno value); 0 when it is
    // open.
    int open_error = 0;
};

}  // namespace dec
