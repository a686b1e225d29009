#include "cli/usage.h"

#include <span>
#include <string_view>

#include "cli/actions.h"
#include "cli/options.h"
#include "common/fatal.h"

namespace dec {

namespace {

struct ExitCodeDoc {
    int code;
    const char* name;
    const char* when;
};

// clang-format off
constexpr ExitCodeDoc kExitCodes[] = {
    {EXIT_OK, "success", "all tags decoded; also after -v, --version, --help and for a file without tag data"},
    {BAD_CMDLINE, "BAD_CMDLINE", "invalid option or menu key, missing option value, two file names, "
                                 "rejected time-stamped name"},
    {INTERNAL_ERROR, "INTERNAL_ERROR", "input unreadable or of unknown kind, inconsistent repeated data"},
    {OPEN_FILE_ERROR, "OPEN_FILE_ERROR", "input file cannot be opened"},
    {UNKNOWN_ERROR, "UNKNOWN_ERROR", "a tag's run failed (an output not written completely), the output "
                                     "folder is in use by another run"},
    {UNSUPPORTED_PRODUCT, "UNSUPPORTED_PRODUCT", "unknown tag software version or settings structure version"},
    {UNSUPPORTED_FF_PRODUCT, "UNSUPPORTED_FF_PRODUCT", "unknown feature flag in a tag's settings"},
    {BADLOGGERBIN, "BADLOGGERBIN", "tag settings missing or failing their checksum"},
};
// clang-format on

constexpr size_t kOptionColumn = 28;  // where the texts of options begin
constexpr size_t kKeyColumn = 6;      // and those of keys and exit codes
constexpr size_t kHelpWidth = 79;

// "  TERM" padded to `column` (on a line of its own when it reaches it), then
// `text`, its words wrapped at the help width.
void add_row(std::string& out, const std::string& term, std::string_view text, size_t text_column) {
    out += "  ";
    out += term;
    size_t column = term.size() + 2;
    if (column + 1 >= text_column) {
        out += '\n';
        column = 0;
    }
    out.append(text_column - column, ' ');
    column = text_column;
    bool first = true;
    while (!text.empty()) {
        const size_t end = text.find(' ');
        const std::string_view word = text.substr(0, end);
        if (!first && column + 1 + word.size() > kHelpWidth) {
            out += '\n';
            out.append(text_column, ' ');
            column = text_column;
        } else if (!first) {
            out += ' ';
            ++column;
        }
        out += word;
        column += word.size();
        first = false;
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    out += '\n';
}

std::string option_term(const OptionSpec& o) {
    std::string term = o.letter != 0 ? std::string{'-', o.letter, ',', ' '} : std::string(4, ' ');
    term += "--";
    term += o.name;
    if (o.value != nullptr) {
        term += '=';
        term += o.value;
    }
    return term;
}

// "-c, --key" of an option, as the help names it beside its table.
std::string option_names(OptionId id) {
    for (const OptionSpec& o : command_line_options()) {
        if (o.id == id) {
            return std::string{'-', o.letter} + ", --" + o.name;
        }
    }
    return {};
}

}  // namespace

std::string help_text() {
    std::string out =
        "Usage: decoder [OPTION]... [FILE]\n"
        "Decodes a wildlife-telemetry base-station container (logger.bin, or FILE)\n"
        "into text files per tag. Without a menu key the menu asks what to extract.\n"
        "A value follows its option as the next argument or after '='; \"--\" ends\n"
        "the options (a file name may follow).\n\nOptions:\n";
    for (const OptionSpec& o : command_line_options()) {
        add_row(out, option_term(o), o.help, kOptionColumn);
    }
    out += "\nMenu keys (" + option_names(OptionId::key) + "):\n";
    for (const ActionKey& k : action_keys()) {
        add_row(out, std::string(1, k.key), k.help, kKeyColumn);
    }
    out += "\nTime stamps of acceleration columns (" + option_names(OptionId::acc_time) + "):\n";
    for (const AccTimeChoice& c : acc_time_choices()) {
        add_row(out, std::string(1, c.key), c.help, kKeyColumn);
    }
    out += "\nExit codes:\n";
    for (const ExitCodeDoc& e : kExitCodes) {
        add_row(out, std::to_string(e.code), std::string(e.name) + ": " + e.when, kKeyColumn);
    }
    out += "An interrupt ends the run with 128 + the signal number (130 for Ctrl-C).\n";
    return out;
}

std::string bash_completion() {
    // The options, then per kind of value the case pattern of the options taking it.
    std::string words;
    std::string patterns[4];  // a menu key, a time-stamp choice, a folder, a file
    for (const OptionSpec& o : command_line_options()) {
        std::string forms = std::string("--") + o.name;
        if (o.letter != 0) {
            words += std::string{' ', '-', o.letter};
            forms = std::string{'-', o.letter} + " | " + forms;
        }
        words += std::string(" --") + o.name + (o.value != nullptr ? "=" : "");
        if (o.value != nullptr) {
            const int kind = o.id == OptionId::key          ? 0
                             : o.id == OptionId::acc_time   ? 1
                             : o.id == OptionId::output_dir ? 2
                                                            : 3;
            patterns[kind] += (patterns[kind].empty() ? "" : " | ") + forms;
        }
    }
    std::string keys;
    for (const ActionKey& k : action_keys()) {
        keys += std::string{' ', '\'', k.key, '\''};
    }
    std::string times;
    for (const AccTimeChoice& c : acc_time_choices()) {
        times += std::string{' ', '\'', c.key, '\''};
    }
    return "# bash completion of the Tavro decoder, made from its tables of options,\n"
           "# menu keys and time-stamp choices.\n"
           "\n"
           "_tavro_decoder_options=(" +
           words.substr(1) +
           ")\n"
           "_tavro_decoder_keys=(" +
           keys.substr(1) +
           ")\n"
           "_tavro_decoder_times=(" +
           times.substr(1) +
           ")\n"
           R"(
# COMPREPLY: the words after $1 that begin with $1, compared as text (the
# menu keys '$', '!' and '@' are not expanded).
_tavro_decoder_match() {
    local prefix=$1 word
    shift
    COMPREPLY=()
    for word in "$@"; do
        [[ $word == "$prefix"* ]] && COMPREPLY+=("$word")
    done
    return 0
}

_tavro_decoder() {
    local cur=${COMP_WORDS[COMP_CWORD]} option= i
    # "--key=3" arrives as the words "--key", "=" and "3" ("=" breaks words).
    if [[ $cur == = ]]; then
        option=${COMP_WORDS[COMP_CWORD - 1]} cur=
    elif ((COMP_CWORD >= 2)) && [[ ${COMP_WORDS[COMP_CWORD - 1]} == = ]]; then
        option=${COMP_WORDS[COMP_CWORD - 2]}
    else
        option=${COMP_WORDS[COMP_CWORD - 1]}
    fi
    # After "--" every word is a file name.
    for ((i = 1; i < COMP_CWORD; i++)); do
        [[ ${COMP_WORDS[i]} == -- ]] && option=--
    done
    case $option in
        )" +
           patterns[0] + R"()
            _tavro_decoder_match "$cur" "${_tavro_decoder_keys[@]}" ;;
        )" +
           patterns[1] + R"()
            _tavro_decoder_match "$cur" "${_tavro_decoder_times[@]}" ;;
        )" +
           patterns[2] + R"()
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -d -- "$cur") ;;
        )" +
           patterns[3] + R"()
            compopt -o filenames 2>/dev/null
            mapfile -t COMPREPLY < <(compgen -f -- "$cur") ;;
        *)
            if [[ $cur == -* && $option != -- ]]; then
                _tavro_decoder_match "$cur" "${_tavro_decoder_options[@]}"
                # "--file=" takes its value without a space.
                if [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == *= ]]; then
                    compopt -o nospace 2>/dev/null
                fi
            else
                compopt -o filenames 2>/dev/null
                mapfile -t COMPREPLY < <(compgen -f -- "$cur")
            fi
            ;;
    esac
    return 0
}

complete -F _tavro_decoder decoder
)";
}

}  // namespace dec
