// Writes the decoder's bash completion, made from its option and menu tables.
//
//   make_completion PATH
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "cli/usage.h"
#include "testsupport/container_builder.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_completion <file to write>\n");
        return 2;
    }
    try {
        const std::string script = dec::bash_completion();
        dec::testing::write_bytes(argv[1], std::vector<uint8_t>(script.begin(), script.end()));
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
