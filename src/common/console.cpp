#include "common/console.h"

#include <cerrno>
#include <cstring>

namespace dec {

void Console::sys_error(const char* what) {
    int saved = errno;
    out_.flush();
    err_.printf("%s: %s\n", what, std::strerror(saved));
    err_.flush();
    errno = saved;
}

void Console::error_line(const char* text) {
    out_.flush();
    err_.printf("%s\n", text);
    err_.flush();
}

int Console::read_char() {
    out_.flush();
    return sys_.read_console_char();
}

}  // namespace dec
