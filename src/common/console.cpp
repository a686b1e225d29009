#include "common/console.h"

#include <cerrno>
#include <cstring>

#include "common/fatal.h"
#include "common/progress.h"

namespace dec {

void Console::sys_error(const char* what) {
    int saved = errno;
    ++system_failures_;
    const Progress::Quiet quiet(progress_);
    out_.flush();
    err_.printf("%s: %s\n", what, std::strerror(saved));
    err_.flush();
    errno = saved;
}

void Console::file_error(const char* what, const char* name, const char* label) {
    int saved = errno;
    ++system_failures_;
    const Progress::Quiet quiet(progress_);
    out_.flush();
    err_.printf("%s: %s\n%s: %s\n", what, std::strerror(saved), label, name);
    err_.flush();
    errno = saved;
}

void Console::file_failure(const char* text, const char* name) {
    ++system_failures_;
    const Progress::Quiet quiet(progress_);
    out_.flush();
    err_.printf("%s\nFilename: %s\n", text, name);
    err_.flush();
}

void Console::error_line(const char* text) {
    const Progress::Quiet quiet(progress_);
    out_.flush();
    err_.printf("%s\n", text);
    err_.flush();
}

void Console::replay(const std::vector<ConsoleLog::Record>& records) {
    const Progress::Quiet quiet(progress_);
    for (const ConsoleLog::Record& r : records) {
        if (!r.error) {
            out_.write(r.text.data(), r.text.size());
            continue;
        }
        // Error text always follows the standard output written before it.
        out_.flush();
        err_.write(r.text.data(), r.text.size());
        err_.flush();
    }
}

void Console::flush() {
    // Standard output may be the same terminal as the progress line.
    const Progress::Quiet quiet(progress_);
    out_.flush();
    err_.flush();
}

int Console::close_output() {
    const Progress::Quiet quiet(progress_);
    if (out_.close() == 0) {
        err_.flush();
        return 0;
    }
    const int saved = errno;
    ++system_failures_;
    err_.printf("write error: %s\n", std::strerror(saved));
    err_.flush();
    return -1;
}

int Console::read_char() {
    flush();
    return sys_.read_console_char();
}

void report_seek_error(Console& con, const char* what) {
    con.sys_error(what);
    con.out().printf("Please report error to %s\n", kSupportEmail);
}

void seek_failed(Console& con) {
    report_seek_error(con);
    fatal_stop(INTERNAL_ERROR);
}

}  // namespace dec
