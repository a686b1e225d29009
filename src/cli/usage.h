// Texts made from the tables of options, menu keys and exit codes: the
// --help text and the bash completion, so neither can drift from what the
// parser and the menu accept.
#pragma once

#include <string>

namespace dec {

// The usage text of --help: every option, menu key, time-stamp choice and exit code.
std::string help_text();

// A bash completion script for `decoder`: options (short and long, "--opt=" too),
// menu keys after -c, time-stamp choices after -a, folders after -d, files elsewhere.
std::string bash_completion();

}  // namespace dec
