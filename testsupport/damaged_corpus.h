// The damaged-container corpus: the seed containers, the examples and mutated
// copies of them, made reproducibly from fixed seeds. Every release decodes it
// with every key, and the digests of those runs are kept and compared, so that
// a change of any output of a damaged container is seen and explained.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "testsupport/seed_containers.h"

namespace dec::testing {

// The mutations, applied to a copy of a base container. Units and open blocks
// are found on the 64-byte grid behind the 512-byte header.
enum class Mutation {
    truncate,     // cut at a random offset
    flip,         // one to eight bytes changed
    fill,         // a run of 0x00, 0xFF or one random byte
    drop_unit,    // one 64-byte unit removed
    double_unit,  // one 64-byte unit written twice
    near_top,     // an open block's download moved next to 2^32 (it wraps)
    swap,         // an open block's start and end address swapped
    end_below,    // an open block's end address set below its start
};
inline constexpr int kMutationKinds = 8;
const char* mutation_name(Mutation m);

// Applies mutation `m` with the random stream seeded by `seed`; the name of
// what was done (kind and place), appended to the copy's name.
std::string mutate(std::vector<uint8_t>& bytes, Mutation m, uint64_t seed);

// The whole corpus in a fixed order; `copies` mutated copies of each base
// container (the kinds in turn).
std::vector<NamedContainer> damaged_corpus(int copies = 16);

}  // namespace dec::testing
