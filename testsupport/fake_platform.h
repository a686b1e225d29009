// A platform whose calls tests can make fail one by one.
#pragma once

#include <cerrno>
#include <cstdio>
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
    // With a read hook, a positioned read is a seek and a hooked read.
    ssize_t read_at(int fd, void* buf, size_t count, int64_t offset) override {
        if (!read_hook) {
            return Platform::read_at(fd, buf, count, offset);
        }
        if (seek(fd, offset, SEEK_SET) < 0) {
            return -1;
        }
        return read_hook(fd, buf, count);
    }
    int read_console_char() override {
        return console_pos < console_input.size()
                   ? static_cast<unsigned char>(console_input[console_pos++])
                   : -1;
    }
};

}  // namespace dec::testing
