// A platform whose calls tests can make fail one by one.
#pragma once

#include <cerrno>
#include <functional>
#include <string>

#include "common/platform.h"

namespace dec::testing {

class FakePlatform : public Platform {
public:
    // When set, called before every write; return -1 and set errno to make it fail.
    std::function<ssize_t(int fd, size_t count)> write_hook;
    // When set, replaces read(); lets tests deliver data in small pieces.
    std::function<ssize_t(int fd, void* buf, size_t count)> read_hook;
    std::string console_input;
    size_t console_pos = 0;

    ssize_t write(int fd, const void* buf, size_t count) override {
        if (write_hook) {
            ssize_t r = write_hook(fd, count);
            if (r <= 0) {
                return r;
            }
            count = static_cast<size_t>(r);
        }
        return Platform::write(fd, buf, count);
    }
    ssize_t read(int fd, void* buf, size_t count) override {
        return read_hook ? read_hook(fd, buf, count) : Platform::read(fd, buf, count);
    }
    int read_console_char() override {
        return console_pos < console_input.size()
                   ? static_cast<unsigned char>(console_input[console_pos++])
                   : -1;
    }
};

}  // namespace dec::testing
