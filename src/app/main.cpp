#include "cli/entry.h"

int main(int argc, char** argv) { return dec::program_main(argc, argv); }
