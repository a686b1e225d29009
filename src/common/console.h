// The console of a run: standard output, the error stream and standard input.
#pragma once

#include <cstdint>
#include <vector>

#include "common/console_log.h"
#include "common/outstream.h"
#include "common/platform.h"

namespace dec {

class Progress;

// Contact texts that several messages name.
inline constexpr const char* kSupportEmail = "support@tavro.example";
inline constexpr const char* kDownloadWebsite = "https://www.tavro.example/decoder";

class Console {
  public:
    explicit Console(Platform& sys) : sys_(sys), out_(sys, 1), err_(sys, 2, 4096) {}
    // A console whose output and error streams are collected into strings.
    Console(Platform& sys, std::string* out, std::string* err) : sys_(sys), out_(out), err_(err) {}
    // A console whose streams are logged in order into `log`, for a tag
    // decoded ahead of its turn.
    Console(Platform& sys, ConsoleLog& log)
        : sys_(sys),
          out_(log.out_sink(), OutStream::kDefaultCapacity),
          err_(log.err_sink(), 4096) {}

    // Writes the records of a logged console as that console would have.
    void replay(const std::vector<ConsoleLog::Record>& records);

    Platform& sys() { return sys_; }
    // The progress line the console erases before it writes to the terminal.
    void set_progress(Progress* progress) { progress_ = progress; }
    // Standard output, buffered; flushed before input is read and at the end.
    OutStream& out() { return out_; }

    // The system's error text after `what`: "what: <C library text for errno>"
    // as one line on the error stream (what perror prints).
    void sys_error(const char* what);
    // The system's error text after `what`, then "Filename: NAME" (or the
    // label given) on the error stream: the file the failure concerns.
    void file_error(const char* what, const char* name, const char* label = "Filename");
    // `text` as a line, then "Filename: NAME", on the error stream: a failure
    // of a file that no error number describes (a file shorter than it was).
    void file_failure(const char* text, const char* name);
    // How many failures of system calls (sys_error, file_error) this console
    // has reported: a tag that met one may have been cut short anywhere.
    uint64_t system_failures() const { return system_failures_; }
    // A plain line on the error stream.
    void error_line(const char* text);

    // One character of standard input (EOF at its end); output is flushed first
    // so a prompt is visible before the program waits.
    int read_char();

    void flush();
    // The end of the run's console: flushes and closes standard output, and
    // reports a failed write or close of it as "write error: <system's text>"
    // on the error stream (the reports only it received are lost). 0 or -1.
    int close_output();

  private:
    Platform& sys_;
    OutStream out_;
    OutStream err_;
    Progress* progress_ = nullptr;
    uint64_t system_failures_ = 0;
};

// A failed seek in a file of the decoder's own: `what` ("Couldn't lseek", or
// "Couldn't lseek to 0" for a rewind) with the system's reason, and whom to tell.
void report_seek_error(Console& con, const char* what = "Couldn't lseek");
// The same, then the run stops with INTERNAL_ERROR.
[[noreturn]] void seek_failed(Console& con);

}  // namespace dec
