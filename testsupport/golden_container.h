// The generation-5 container of the golden tests: a software-10 tag (17) with
// every record family (events, cooked, extended and seeded fixes with an
// invalid one, bursts of one to three axes as 0x40 and 0x44, NEWACC,
// QUATCMP, a satellite report, a GSM text and report) downloaded twice with
// re-sent units, and a software-9 tag (1234) between, each download closed by
// close information and empty units.
#pragma once

#include <cstdint>
#include <vector>

namespace dec::testing {

std::vector<uint8_t> golden_container();

}  // namespace dec::testing
