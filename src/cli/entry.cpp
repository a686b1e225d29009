#include "cli/entry.h"

#include <algorithm>
#include <thread>

#include "cli/command_line.h"
#include "cli/run.h"
#include "common/console.h"
#include "common/fatal.h"
#include "common/run_context.h"

namespace dec {

namespace {

// Closes standard output: a run whose console text was lost has failed.
int close_console(Console& con, int code) {
    return con.close_output() != 0 && code == EXIT_OK ? UNKNOWN_ERROR : code;
}

}  // namespace

int program_main(int argc, char** argv, Platform::EndProcess end) {
    // Tags are decoded side by side on the processor's cores (at most four:
    // beyond that the container's reading and the console limit the gain).
    const unsigned cores = std::thread::hardware_concurrency();
    Platform& sys = Platform::system();
    // An interrupted run deletes its temporary files and half-written outputs.
    sys.remove_temps_on_interrupt(end);
    return program_main(argc, argv, sys, std::clamp(cores, 1u, 4u));
}

int program_main(int argc, char** argv, Platform& sys, unsigned workers) {
    Console con(sys);
    RunParams params;
    int code = parse_command_line(argc, argv, con, params);
    if (code != kRunDecoder) {
        return close_console(con, code);
    }
    RunContext run(con);
    run.workers = workers;
    Progress progress;
    run.progress = &progress;
    con.set_progress(&progress);
    try {
        code = run_decoder(run, params);
    } catch (const FatalStop& stop) {
        // A decoder found data it cannot go on with; its message is printed.
        code = stop.code;
    }
    // The line is erased before the closing text. (Whatever temporary file a
    // failed path did not get to delete went when the run closed its output
    // folder.)
    progress.stop();
    if (run.interactive) {
        con.out().put("GCAE:Press return to exit...\n");
        con.read_char();
    }
    return close_console(con, code);
}

}  // namespace dec
