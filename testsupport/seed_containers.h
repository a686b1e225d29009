// Small valid containers of every kind: the seeds of the fuzz targets and the
// starting points of the damaged-container corpus.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace dec::testing {

// A generation-5 container: a version-10 tag whose settings record has
// `structure_version`, with a unit of every type, close information and a
// second download; a version-9 tag; an ECG tag.
std::vector<uint8_t> gen5_seed_container(uint8_t structure_version);

// A voltage-logger file of a good record, one failing its checksum and one of
// a foreign magic.
std::vector<uint8_t> voltage_seed_container();

struct NamedContainer {
    std::string name;
    std::vector<uint8_t> bytes;
};

// The seed containers in a fixed order: "gen5-sv0" to "gen5-sv3", "gen3-v1.0"
// to "gen3-v1.6" (the generation-3 example of each container version) and
// "voltage".
std::vector<NamedContainer> seed_containers();

}  // namespace dec::testing
