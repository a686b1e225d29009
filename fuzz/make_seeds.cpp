// Writes the seed corpora of the fuzz targets: small valid inputs of every
// container kind, each behind a mode byte that picks the action word (and,
// from 14 on, decoding on two threads).
//
//   make_seeds <directory>   (writes gen5/, gen3/ and voltage/ below it)
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "testsupport/container_builder.h"
#include "testsupport/gen3_builder.h"
#include "testsupport/seed_containers.h"

using namespace dec::testing;

namespace {

void write_seed(const std::filesystem::path& dir, const std::string& name, uint8_t mode,
                const std::vector<uint8_t>& file) {
    std::vector<uint8_t> seed(file.size() + 1);
    seed[0] = mode;
    std::copy(file.begin(), file.end(), seed.begin() + 1);
    write_bytes((dir / (name + "-mode" + std::to_string(mode))).string(), seed);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_seeds <directory>\n");
        return 2;
    }
    const std::filesystem::path root(argv[1]);
    for (const char* sub : {"gen5", "gen3", "voltage"}) {
        std::filesystem::create_directories(root / sub);
    }
    for (uint8_t sv = 0; sv < 4; ++sv) {
        for (uint8_t mode = 0; mode < 14; mode += 3) {
            write_seed(root / "gen5", "sv" + std::to_string(sv), static_cast<uint8_t>(mode + sv),
                       gen5_seed_container(sv));
        }
    }
    // Mode bytes 14 to 27 decode the tags side by side on two threads.
    for (uint8_t mode = 14; mode < 28; mode += 3) {
        write_seed(root / "gen5", "sv3", mode, gen5_seed_container(3));
    }
    for (int minor = 0; minor <= 6; ++minor) {
        write_seed(root / "gen3", "v1." + std::to_string(minor), static_cast<uint8_t>(minor * 2),
                   build_gen3_example(minor));
    }
    write_seed(root / "voltage", "records", 0, voltage_seed_container());
    return 0;
}
