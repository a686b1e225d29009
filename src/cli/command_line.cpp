#include "cli/command_line.h"

#include <cstring>
#include <string_view>

#include "cli/actions.h"
#include "cli/usage.h"
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

// The option `arg` names ("-f", "--file" or "--file=VALUE"); null for none.
// `inline_value` is the value after "=", null without one.
const OptionSpec* find_option(const char* arg, const char*& inline_value) {
    inline_value = nullptr;
    if (arg[0] != '-' || arg[1] == '\0') {
        return nullptr;
    }
    if (arg[1] != '-') {
        for (const OptionSpec& o : command_line_options()) {
            if (o.letter != 0 && arg[1] == o.letter && arg[2] == '\0') {
                return &o;
            }
        }
        return nullptr;
    }
    const std::string_view body(arg + 2);
    const size_t equals = body.find('=');
    const std::string_view name = body.substr(0, equals);
    for (const OptionSpec& o : command_line_options()) {
        if (name == o.name) {
            if (equals == std::string_view::npos) {
                return &o;
            }
            // Only an option with a value takes "=VALUE".
            inline_value = arg + 2 + equals + 1;
            return o.value != nullptr ? &o : nullptr;
        }
    }
    return nullptr;
}

void take_file_name(RunParams& params, const char* name) {
    params.path = name;
    ++params.files_given;
}

// The value of `option`. The menu choices (-c, -a) are single characters; a
// longer value leaves the choice to the menu.
void store_option_value(RunParams& params, const OptionSpec& option, const char* value) {
    const bool single_char = value[0] != '\0' && value[1] == '\0';
    switch (option.id) {
        case OptionId::file:
            take_file_name(params, value);
            break;
        case OptionId::output_dir:
            params.output_dir = value;
            break;
        case OptionId::key:
            if (single_char) {
                params.action_char = value[0];
            }
            break;
        case OptionId::acc_time:
            if (single_char) {
                params.acc_time_char = value[0];
            }
            break;
        case OptionId::movebank:
        case OptionId::extended_gps:
        case OptionId::stats:
            take_file_name(params, value);
            params.mode = option.mode;
            break;
        case OptionId::utc:
        case OptionId::help:
        case OptionId::version:
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
int check_complete(Console& con, const OptionSpec* pending, const RunParams& params) {
    if (pending != nullptr) {
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

    const OptionSpec* pending = nullptr;  // option waiting for its value
    bool options_ended = false;           // after "--" every argument is a file name
    for (int i = 1; i < argc; ++i) {
        const char* arg = argv[i];
        const char* inline_value = nullptr;
        const OptionSpec* option = nullptr;
        if (pending != nullptr) {
            store_option_value(params, *pending, arg);
            pending = nullptr;
        } else if (options_ended) {
            take_file_name(params, arg);
        } else if (std::strcmp(arg, "--") == 0) {
            options_ended = true;
        } else if ((option = find_option(arg, inline_value)) == nullptr) {
            return reject_argument(con, arg);
        } else if (inline_value != nullptr) {
            store_option_value(params, *option, inline_value);
        } else if (option->value != nullptr) {
            pending = option;
        } else if (option->id == OptionId::utc) {
            params.utc = true;
        } else if (option->id == OptionId::version) {
            con.out().printf("Decoder version v%hhu\n", kDecoderVersion);
            return EXIT_OK;
        } else {
            con.out().put(help_text());
            return EXIT_OK;
        }
    }
    return check_complete(con, pending, params);
}

}  // namespace dec
