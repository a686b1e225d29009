// How the path of a container ended: its separation, then the decoding of the
// tags it holds. The run controller turns it into the closing console text and
// the exit code.
#pragma once

namespace dec {

enum class ContainerResult : int {
    ok = 0,
    // The container could not be read or split (the reason is printed).
    failed = -1,
    // The input file does not open.
    cannot_open = -2,
    // A readable container without data of any tag.
    no_tag_data = -3,
    // A tag could not be decoded, or the run's outputs could not be closed.
    tag_failed = -4,
};

}  // namespace dec
