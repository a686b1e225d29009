#include "cli/command_line.h"

#include <cstring>

#include "cli/actions.h"
#include "common/fatal.h"
#include "common/platform.h"
#include "common/version.h"

namespace dec {

namespace {

// A lone argument beginning with a capital, where paths have drive letters:
// its second and third characters become ":\" (a drive prefix), since a file
// dropped on the program arrives as "C:\data\...". False when it is too short for that.
bool make_drive_path(char* arg) {
    if (arg[0] < 'A' || arg[0] > 'Z') {
        return true;
    }
    if (arg[1] == '\0' || arg[2] == '\0') {
        return false;
    }
    arg[1] = ':';
    arg[2] = '\\';
    return true;
}

// "-f" and the other options whose value is the next argument.
bool is_value_option(const char* arg) {
    return arg[0] == '-' && arg[1] != '\0' && arg[2] == '\0' &&
           std::strchr("fdcamsg", arg[1]) != nullptr;
}

void take_file_name(RunParams& params, const char* name) {
    params.path = name;
    ++params.files_given;
}

// The value of `option`. The menu choices (-c, -a) are single characters; a
// longer value leaves the choice to the menu.
void store_option_value(RunParams& params, char option, const char* value) {
    const bool single_char = value[0] != '\0' && value[1] == '\0';
    switch (option) {
        case 'f':
            take_file_name(params, value);
            break;
        case 'd':
            params.output_dir = value;
            break;
        case 'c':
            if (single_char) {
                params.action_char = value[0];
            }
            break;
        case 'a':
            if (single_char) {
                params.acc_time_char = value[0];
            }
            break;
        case 'm':
            take_file_name(params, value);
            params.mode = RunMode::timestamped_movebank;
            break;
        case 'g':
            take_file_name(params, value);
            params.mode = RunMode::timestamped_gps;
            break;
        case 's':
            take_file_name(params, value);
            params.mode = RunMode::timestamped_stats;
            break;
    }
}

// An argument that is no option: the synopsis, and a pause that keeps a
// console window opened for the run readable.
int reject_argument(Console& con, const char* arg) {
    con.out().printf("Invalid command line option \"%s\"\n", arg);
    con.out().printf("%s\n", kSynopsis);
    con.out().put("Press Return-Key to continue!\n");
    con.read_char();
    return BAD_CMDLINE;
}

// What the whole command line must satisfy once all arguments are read.
int check_complete(Console& con, char pending, const RunParams& params) {
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

}  // namespace

int parse_command_line(int argc, char** argv, Console& con, RunParams& params) {
    params = RunParams{};
    if (argc <= 1) {
        return kRunDecoder;
    }
    // A single argument that is not an option is the input file.
    if (argc == 2 && argv[1][0] != '-') {
        if (kDriveLetterPaths && !make_drive_path(argv[1])) {
            return reject_argument(con, argv[1]);
        }
        take_file_name(params, argv[1]);
        con.out().printf("Using file %s\n", params.path);
        return kRunDecoder;
    }

    char pending = 0;  // option letter waiting for its value
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        if (pending != 0) {
            store_option_value(params, pending, arg);
            pending = 0;
        } else if (is_value_option(arg)) {
            pending = arg[1];
        } else if (std::strcmp(arg, "-v") == 0) {
            con.out().printf("Decoder version v%hhu\n", kDecoderVersion);
            return EXIT_OK;
        } else {
            return reject_argument(con, arg);
        }
    }
    return check_complete(con, pending, params);
}

}  // namespace dec
