#include "cli/entry.h"

namespace dec {

int program_main(int argc, char** argv) { return program_main(argc, argv, Platform::system()); }

int program_main(int, char**, Platform&) { return 0; }

}  // namespace dec
