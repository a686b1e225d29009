#include "common/io.h"

#include <cerrno>
#include <cstdarg>
#include <cstdio>

#include "common/fatal.h"

namespace dec {

namespace {

// Calls `read(dest, want, got)` until `count` bytes are in `buf` or the input
// ends; the bytes read, or -1 on an error.
template <class Read>
ssize_t read_fully(void* buf, size_t count, Read read) {
    auto* p = static_cast<uint8_t*>(buf);
    size_t got = 0;
    while (got < count) {
        const ssize_t n = read(p + got, count - got, got);
        if (n < 0) {
            return -1;
        }
        if (n == 0) {
            break;
        }
        got += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(got);
}

}  // namespace

ssize_t full_read(Platform& sys, int fd, void* buf, size_t count) {
    return read_fully(buf, count,
                      [&](uint8_t* dest, size_t want, size_t) { return sys.read(fd, dest, want); });
}

ssize_t full_read_at(Platform& sys, int fd, void* buf, size_t count, uint64_t offset) {
    return read_fully(buf, count, [&](uint8_t* dest, size_t want, size_t got) {
        return sys.read_at(fd, dest, want, static_cast<int64_t>(offset + got));
    });
}

void read_failed(Console& con, const char* name) {
    con.file_error("Couldn't read file", name);
    fatal_stop(UNKNOWN_ERROR);
}

void seek_failed_in(Console& con, const char* name) {
    con.file_error("Couldn't lseek", name);
    con.out().printf("Please report error to %s\n", kSupportEmail);
    fatal_stop(INTERNAL_ERROR);
}

ssize_t write_all_retry(Console& con, int fd, const void* buf, size_t count, const char* message,
                        const char* name) {
    constexpr int kMaxEnospc = 200;  // the 200th failure ends the retries
    const auto* p = static_cast<const uint8_t*>(buf);
    size_t done = 0;
    int enospc = 0;
    bool error = false;
    while (done < count) {
        ssize_t n = con.sys().write(fd, p + done, count - done);
        if (n < 0) {
            if (errno == ENOSPC && ++enospc < kMaxEnospc) {
                con.out().put("Retrying write after ENOSPC\n");
                continue;
            }
            error = true;
            break;
        }
        if (n == 0) {
            break;
        }
        done += static_cast<size_t>(n);
    }
    if (done < count && name != nullptr) {
        con.file_error(message, name);
    } else if (done < count) {
        con.sys_error(message);
    }
    return error ? -1 : static_cast<ssize_t>(done);
}

void hex_dump(const uint8_t* buf, long length, OutStream& out) {
    if (length <= 0) {
        out.put("Dump: No data\n");
        return;
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    for (long i = 0; i < length; ++i) {
        if (i % 16 == 0) {
            out.put_char('\n');
        }
        char g[3] = {kHex[buf[i] >> 4], kHex[buf[i] & 15], ' '};
        out.write(g, 3);
    }
    out.put_char('\n');
}

void char_dump(const uint8_t* unit64, OutStream& out) {
    for (int i = 0; i < 64; ++i) {
        if (i % 16 == 0) {
            out.put_char('\n');
        }
        uint8_t c = unit64[i];
        if (c >= 33 && c <= 126) {
            out.printf(" %c ", c);
        } else {
            out.printf("%02X ", c);
        }
    }
    out.put_char('\n');
}

int format_into(char* buf, size_t size, const char* fmt, ...) {
    if (size == 0) {
        return -1;
    }
    va_list ap;
    va_start(ap, fmt);
    int n = std::vsnprintf(buf, size, fmt, ap);
    va_end(ap);
    if (n < 0) {
        buf[0] = '\0';
        return -1;
    }
    return static_cast<size_t>(n) < size ? n : static_cast<int>(size - 1);
}

}  // namespace dec
