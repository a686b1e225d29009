// A generation-5 container whose acceleration bursts have spectra on integers.
//
// One software-10 tag records, for every unit count from 1 to 30, bursts of
// one, two and three axes (axes of 6, 3 and 2 times 7u - 1 samples) and NEWACC
// bursts (2 (7u - 2) samples per axis): the axis lengths of every path of the
// spectrum, up to the longest a tag records. The samples are impulses (on zero
// and on a constant), tones on a bin (periods 2, 3, 4 and 6 over a constant)
// and constants at the 12-bit extremes, so the printed bins are integers or
// zero and each is decided by the last bits of the table-order sums. Keys h and
// i of such a container show any platform difference of the spectra.
#pragma once

#include <cstdint>
#include <vector>

namespace dec::testing {

std::vector<uint8_t> build_spectrum_container();

}  // namespace dec::testing
