#include "cli/command_line.h"

#include <cstring>

#include "cli/actions.h"
#include "common/action.h"
#include "common/fatal.h"

namespace dec {

int parse_command_line(int argc, char** argv, Console& con, RunParams& params) {
    params = RunParams{};
    if (argc <= 1) {
        return kRunDecoder;
    }
    // A single argument that is not an option is the input file.
    if (argc == 2 && argv[1][0] != '-') {
        params.path = argv[1];
        params.files_given = 1;
        con.out().printf("Using file %s\n", params.path);
        return kRunDecoder;
    }

    char pending = 0;  // option letter waiting for its value
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (pending != 0) {
            const bool single_char = arg[0] != '\0' && arg[1] == '\0';
            switch (pending) {
                case 'f':
                    params.path = arg;
                    ++params.files_given;
                    break;
                case 'd':
                    params.output_dir = arg;
                    break;
                case 'c':
                    if (single_char) {
                        params.action_char = arg[0];
                    }
                    break;
                case 'a':
                    if (single_char) {
                        params.acc_time_char = arg[0];
                    }
                    break;
                case 'm':
                case 'g':
                case 's':
                    params.path = arg;
                    ++params.files_given;
                    params.mode = pending == 'm'   ? RunMode::timestamped_movebank
                                  : pending == 'g' ? RunMode::timestamped_gps
                                                   : RunMode::timestamped_stats;
                    break;
                default:
                    break;
            }
            pending = 0;
            continue;
        }
        if (arg[0] == '-' && arg[1] != '\0' && arg[2] == '\0' &&
            std::strchr("fdcamsg", arg[1]) != nullptr) {
            pending = arg[1];
            continue;
        }
        if (std::strcmp(arg, "-v") == 0) {
            con.out().printf("Decoder version v%hhu\n", kDecoderVersion);
            return EXIT_OK;
        }
        con.out().printf("Invalid command line option \"%s\"\n", arg);
        con.out().printf("%s\n", kSynopsis);
        con.out().put("Press Return-Key to continue!\n");
        con.read_char();
        return BAD_CMDLINE;
    }
    if (pending != 0) {
        con.out().put("Missing argument for last option!\nPress Return-Key to continue!\n");
        con.read_char();
        return BAD_CMDLINE;
    }
    if (params.files_given >= 2) {
        con.out().put("Only one filename is allowed!\nPress Return-Key to continue!\n");
        return BAD_CMDLINE;
    }
    return kRunDecoder;
}

}  // namespace dec
