#include "cli/run.h"

#include <cerrno>
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "cli/actions.h"
#include "cli/timestamp_name.h"
#include "common/container_result.h"
#include "common/fatal.h"
#include "common/io.h"
#include "common/le.h"
#include "gen3/gen3.h"
#include "gen5/container.h"
#include "gen5/parallel_tags.h"
#include "gen5/separation.h"
#include "gen5/tag_run.h"
#include "gen5/voltages.h"
#include "records/record_sink.h"
#include "store/tag_files.h"

namespace dec {

namespace {

constexpr const char* kAbortText =
    "CLBT:There was an error (rv=%i). I'm sorry that I have to\nabort further file processing. "
    "Please contact\nTavro GmbH for assistance.\n";
constexpr const char* kNoTagData = "I'm sorry, the file doesn't contain\ndata from any tag.\n";
constexpr const char* kMustBeInDirectory =
    "The logger.bin file, that you want to %s, must be in\nthe same directory as this program or "
    "you have to supply the\ncomplete path and filename at the command line using option "
    "\"-f\".\n";

// The run's output folder (`path`, or the working directory) from the start
// of the run to its end: opened once into run.folder and locked on that same
// handle, so a folder renamed or replaced during the run is still the one
// written to and locked. A folder of -d that cannot be opened leaves its error
// for the separation to report; a working directory that cannot be opened is
// used as it is. A folder that cannot be locked for another reason than a
// running decoder (a file system without locks) is written unlocked. At the
// end, the temporary files still listed are deleted while the folder is open.
class HeldFolder {
  public:
    HeldFolder(RunContext& run, const char* path) : run_(run), sys_(run.con.sys()) {
        OutputFolder& folder = run.folder;
        folder = OutputFolder{};
        folder.path = path;
        if (sys_.open_folder(path != nullptr ? path : ".", &folder.at) != 0) {
            folder.open_error = path != nullptr ? errno : 0;
            return;
        }
        open_ = true;
        locked_ = sys_.lock_folder(folder.at) == 0;
        busy_ = !locked_ && (errno == EWOULDBLOCK || errno == EAGAIN);
    }
    ~HeldFolder() {
        sys_.remove_all_temps();
        if (locked_) {
            sys_.unlock_folder(run_.folder.at);
        }
        if (open_) {
            sys_.close_folder(run_.folder.at);
        }
        run_.folder = OutputFolder{};
    }
    HeldFolder(const HeldFolder&) = delete;
    HeldFolder& operator=(const HeldFolder&) = delete;

    bool busy() const { return busy_; }
    bool locked() const { return locked_; }

  private:
    RunContext& run_;
    Platform& sys_;
    bool open_ = false;
    bool locked_ = false;
    bool busy_ = false;
};

// The star lines, then `menu`, and the answer: one character, then the line
// end. Answers typed or piped on Windows end in "\r\n": the carriage return is
// skipped with the line end, or the next question would read the "\n" as its
// answer.
char ask_menu(Console& con, int star_lines, std::string_view menu) {
    for (int i = 0; i < star_lines; ++i) {
        con.out().put(kStarLine);
    }
    con.out().put(menu);
    const int c = con.read_char();
    if (con.read_char() == '\r') {
        con.read_char();
    }
    return c == EOF ? '\0' : static_cast<char>(c);
}

// The action letter: set by a time-stamped input name or the command line, else
// asked in the main menu (which makes the run interactive). None when the
// time-stamped name does not parse.
std::optional<char> choose_action(RunContext& run, const RunParams& params) {
    if (params.mode != RunMode::plain) {
        if (!parse_timestamp_filename(params.path, run.prefix, sizeof run.prefix, run.con.out())) {
            return std::nullopt;
        }
        run.interactive = false;
        return params.mode == RunMode::timestamped_movebank ? 'm'
               : params.mode == RunMode::timestamped_gps    ? '@'
                                                            : 's';
    }
    run.interactive = params.action_char == 0;
    return run.interactive ? ask_menu(run.con, 1, main_menu()) : params.action_char;
}

// The first bytes of the input, whose magic number tells the container kind.
// The exit code when the run ends here.
std::optional<int> read_input_header(Console& con, const RunParams& params, uint8_t* header) {
    OutStream& out = con.out();
    Platform& sys = con.sys();
    int fd = sys.open_read(Folder(), params.path);
    if (fd < 0) {
        con.file_error("Couldn't open file", params.path);
        out.printf("Filename: %s\n", params.path);
        if (params.files_given == 0) {
            out.printf(kMustBeInDirectory, "unpack");
        } else {
            out.printf("CLBT:Couldn't open file %s\n", params.path);
        }
        return OPEN_FILE_ERROR;
    }
    const ssize_t n = full_read(sys, fd, header, kHeaderSize);
    if (n != static_cast<ssize_t>(kHeaderSize)) {
        if (n < 0) {
            con.file_error("Couldn't read file", params.path);
        }
        out.put(kContainerHeaderReadError);
        out.printf(kAbortText, -1);
        sys.close(fd);
        return INTERNAL_ERROR;
    }
    if (sys.close(fd) != 0) {
        con.file_error("Couldn't close input file", params.path);
        out.printf(kAbortText, -1);
        return INTERNAL_ERROR;
    }
    return std::nullopt;
}

// Whether `name` has the form of an output file: "voltages.csv", "intact.txt",
// or [info_|stat_][time stamp_]tagN[_kind] with ".txt", ".kml" or ".gpx"; or
// the type sidecar of one ("voltages.csvt", "tagN_gps.csvt").
bool has_output_form(const char* name) {
    const std::string_view n(name);
    if (n == "voltages.csv" || n == "voltages.csvt" || n == "intact.txt") {
        return true;
    }
    std::string_view rest = n;
    for (std::string_view word : {"info_", "stat_"}) {
        if (rest.substr(0, word.size()) == word) {
            rest.remove_prefix(word.size());
        }
    }
    // A time-stamp prefix: digits and dashes up to an underscore.
    const size_t stamp = rest.find_first_not_of("0123456789-");
    if (stamp != 0 && stamp != std::string_view::npos && rest[stamp] == '_') {
        rest.remove_prefix(stamp + 1);
    }
    if (rest.substr(0, 3) != "tag" || rest.size() < 4 || rest[3] < '0' || rest[3] > '9') {
        return false;
    }
    const size_t dot = rest.rfind('.');
    if (dot == std::string_view::npos) {
        return false;
    }
    const std::string_view ext = rest.substr(dot);
    return ext == ".txt" || ext == ".kml" || ext == ".gpx" || ext == ".csvt";
}

// Whether the input is the file of the output folder under its own name,
// which has the form of an output: the run could replace the file it reads.
// When the two cannot be compared, the answer is yes.
bool input_may_be_output(Platform& sys, const char* path, const OutputFolder& folder) {
    const char* name = path_file_name(path);
    if (!has_output_form(name)) {
        return false;
    }
    if (folder.open_error != 0) {
        return folder.open_error != ENOENT;  // no output folder, no file in it
    }
    // The input as given, then the file of its name in the output folder.
    const Folder places[2] = {Folder(), folder.at};
    const char* names[2] = {path, name};
    FileIdentity ids[2];
    int found = 0;
    for (int i = 0; i < 2; ++i) {
        const int fd = sys.open_read(places[i], names[i]);
        if (fd >= 0) {
            found += sys.identify(fd, &ids[found]) == 0 ? 1 : 0;
            sys.close(fd);
        } else if (errno == ENOENT && i == 1) {
            return false;  // no such file in the output folder
        }
    }
    return found < 2 || ids[0] == ids[1];
}

// Whether `name` is a staged output ("NAME.part", "NAME.N.part") or a
// temporary file ("tagN.tmp", "ftagN.M.tmp") of the decoder.
bool has_litter_form(const std::string& name) {
    auto drop_number = [](std::string_view s) {
        const size_t dot = s.rfind('.');
        if (dot != std::string_view::npos && dot + 1 < s.size() &&
            s.find_first_not_of("0123456789", dot + 1) == std::string_view::npos) {
            s.remove_suffix(s.size() - dot);
        }
        return s;
    };
    std::string_view n(name);
    if (n.size() > 5 && n.substr(n.size() - 5) == ".part") {
        return has_output_form(std::string(drop_number(n.substr(0, n.size() - 5))).c_str());
    }
    if (n.size() > 4 && n.substr(n.size() - 4) == ".tmp") {
        std::string_view base = drop_number(n.substr(0, n.size() - 4));
        if (!base.empty() && base[0] == 'f') {
            base.remove_prefix(1);
        }
        return base.size() > 3 && base.substr(0, 3) == "tag" &&
               base.find_first_not_of("0123456789", 3) == std::string_view::npos;
    }
    return false;
}

// Deletes what a run that was killed (or lost its power) left in the output
// folder: its staged outputs and temporary files. Only while the folder's
// lock is held: no other decoder is writing there. One line says how many.
void remove_litter(Console& con, const Folder& folder, const char* input) {
    Platform& sys = con.sys();
    std::vector<std::string> names;
    if (sys.list_files(folder, names) != 0) {
        return;  // nothing is known to be there
    }
    unsigned removed = 0;
    for (const std::string& name : names) {
        if (name != path_file_name(input) && has_litter_form(name) &&
            sys.remove_file(folder, name.c_str()) == 0) {
            ++removed;
        }
    }
    if (removed > 0) {
        con.out().printf(
            "Removed %u staged or temporary file%s that an interrupted run left in the "
            "output folder.\n",
            removed, removed == 1 ? "" : "s");
    }
}

// The error line of a run that wrote nothing: `format` with `name`, cut to
// `size` - 1 characters.
int refuse(Console& con, size_t size, const char* format, const char* name) {
    std::string text(size, '\0');
    format_into(text.data(), size, format, name);
    con.error_line(text.c_str());
    return UNKNOWN_ERROR;
}

// Turns the result of a container path into the console text and exit code.
int map_result(RunContext& run, ContainerResult result, const RunParams& params) {
    OutStream& out = run.con.out();
    switch (result) {
        case ContainerResult::ok:
            if (run.bad_blocks == 0) {
                out.put("\nSuper success.\n");
            } else {
                out.printf("\nSuccess, although there were %u bad blocks.\n", run.bad_blocks);
            }
            return EXIT_OK;
        case ContainerResult::failed:
            out.put(
                "There was an error. I'm sorry that I have to\nabort further file processing. "
                "Please contact\nTavro support for assistance.\n");
            return UNKNOWN_ERROR;
        case ContainerResult::cannot_open:
            if (params.files_given > 0) {
                out.printf("Couldn't open file %s\n", params.path);
            } else {
                out.printf(kMustBeInDirectory, "decode");
            }
            return OPEN_FILE_ERROR;
        case ContainerResult::no_tag_data:
            out.put(kNoTagData);
            return EXIT_OK;
        case ContainerResult::tag_failed:
            out.put("There was an error.\n");
            return UNKNOWN_ERROR;
    }
    return UNKNOWN_ERROR;  // not a value of the enumeration
}

// Decodes the tags the separation found, one after the other or side by side.
ContainerResult decode_gen5_tags(RunContext& run, const uint32_t* tags, ContainerIndex& index) {
    const size_t count = tag_entry(tags, kNoTag);
    if (count == 0) {
        return ContainerResult::no_tag_data;
    }
    progress_tags(run.progress, count);
    int tags_rv = 0;
    if (index.active() && run.workers > 1 && count > 1) {
        tags_rv = run_tags_side_by_side(run, tags, count, index);
    } else {
        for (size_t i = 0; i < count && tags_rv == 0; ++i) {
            if (index.active() && run.tables != nullptr && !run.tables->wants_tag(tags[i])) {
                continue;
            }
            announce_gen5_tag(run, i, tags[i]);
            run.tag_index = static_cast<uint32_t>(i);
            const TagSource source = index.active() ? TagSource{index.input_fd(), &index.runs_of(i),
                                                                nullptr, index.input_name()}
                                                    : TagSource{-1, nullptr, index.copy_of(i)};
            tags_rv = decode_with_outputs(run, [&] { return run_tag(run, tags[i], source); });
        }
    }
    return tags_rv == 0 ? ContainerResult::ok : ContainerResult::tag_failed;
}

int run_gen5(RunContext& run, const RunParams& params) {
    uint32_t tags[kMaxTags];
    ContainerIndex index;
    ContainerResult result =
        separate_container(run.con, params.path, tags, run.folder, &index, run.progress);
    if (result == ContainerResult::ok) {
        result = decode_gen5_tags(run, tags, index);
        index.close(run.con);
    }
    return map_result(run, result, params);
}

int run_voltage_logger(RunContext& run, const RunParams& params) {
    Console& con = run.con;
    con.out().put("B5VL:Separating data...\n");
    uint8_t header[kHeaderSize];
    int fd = -1;
    ContainerResult result =
        open_container_input(con, params.path, run.folder, header, kHeaderSize, fd);
    if (result == ContainerResult::ok) {
        if (header_has_maker_string(header)) {
            result = write_voltages(con, run.folder.at, fd, params.path, run.tables);
        } else {
            con.out().printf(kNewDecoderText, kDownloadWebsite);
            result = ContainerResult::failed;
        }
        close_container_input(con, fd, params.path);
    }
    return map_result(run, result, params);
}

}  // namespace

int run_decoder(RunContext& run, const RunParams& params) {
    Console& con = run.con;
    OutStream& out = con.out();
    run.bad_blocks = 0;
    run.prefix[0] = '\0';

    const std::optional<char> action_char = choose_action(run, params);
    if (!action_char) {
        return BAD_CMDLINE;
    }
    std::optional<ActionKey> key = find_action_key(*action_char);
    if (!key) {
        out.put("Invalid user input!\n");
        return BAD_CMDLINE;
    }
    uint32_t action = key->word;
    if (key->asks_time_stamp) {
        const char choice =
            run.interactive ? ask_menu(con, 2, acc_time_menu()) : params.acc_time_char;
        // Without -a the style is 'a'; the end of the input at the question
        // is no answer, as at the main menu.
        std::optional<uint32_t> bits =
            run.interactive && choice == '\0' ? std::nullopt : acc_time_stamp_bits(choice);
        if (!bits) {
            out.put("Invalid user input for ACC time stamps!\n");
            return BAD_CMDLINE;
        }
        action |= *bits;
    }
    run.plan = output_plan_of(action);
    run.plan.tables = run.tables;
    if (params.utc) {
        run.leap_seconds = LeapSeconds::system(con.sys());
        run.plan.utc = &*run.leap_seconds;
    }

    out.put(kStarLine);
    uint8_t header[kHeaderSize];
    if (const std::optional<int> code = read_input_header(con, params, header)) {
        return *code;
    }

    // Two runs writing into one folder would mix their temporary files and
    // outputs: the second stops before it touches anything. The lock goes
    // with the run (or the process).
    const HeldFolder folder(run, params.output_dir);
    if (folder.busy()) {
        return refuse(con, 320,
                      "The output folder %s is in use by another running decoder; nothing was "
                      "written. Try again when that run has ended.",
                      params.output_dir != nullptr ? params.output_dir : ".");
    }
    // The input must not be one of the files the run replaces.
    if (input_may_be_output(con.sys(), params.path, run.folder)) {
        return refuse(con, 4200,
                      "The input file %s lies in the output folder under the name of an output; "
                      "the run could replace it, so nothing was written. Decode it into another "
                      "folder.",
                      params.path);
    }
    if (folder.locked()) {
        remove_litter(con, run.folder.at, params.path);
    }
    // The work begins: from here on a terminal shows how far it is.
    if (run.progress != nullptr) {
        run.progress->start(con.sys());
    }

    switch (le_u32(header, 0)) {
        case kGen5Magic:
            return run_gen5(run, params);
        case kVoltageLoggerMagic:
            return run_voltage_logger(run, params);
        case kGen3ShortMagic:
        case kGen3LongMagic:
            return map_result(run, separate_gen3(run, params.path, run.plan), params);
        default:
            out.printf(kAbortText, 0);
            return INTERNAL_ERROR;
    }
}

}  // namespace dec
