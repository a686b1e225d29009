#include "common/platform.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

#ifndef O_BINARY
#define O_BINARY 0
#endif

namespace dec {

int Platform::open_read(const char* path) { return ::open(path, O_RDONLY | O_BINARY); }

int Platform::open_append(const char* path) {
    return ::open(path, O_WRONLY | O_APPEND | O_BINARY);
}

int Platform::open_create(const char* path) {
    return ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_BINARY, 0600);
}

int Platform::open_create_rw(const char* path) {
    return ::open(path, O_RDWR | O_CREAT | O_TRUNC | O_BINARY, 0600);
}

ssize_t Platform::read(int fd, void* buf, size_t count) {
    ssize_t n;
    do {
        n = ::read(fd, buf, count);
    } while (n < 0 && errno == EINTR);
    return n;
}

ssize_t Platform::read_at(int fd, void* buf, size_t count, int64_t offset) {
    ssize_t n;
    do {
        n = ::pread(fd, buf, count, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    return n;
}

ssize_t Platform::write(int fd, const void* buf, size_t count) {
    ssize_t n;
    do {
        n = ::write(fd, buf, count);
    } while (n < 0 && errno == EINTR);
    return n;
}

int64_t Platform::seek(int fd, int64_t offset, int whence) {
    return static_cast<int64_t>(::lseek(fd, static_cast<off_t>(offset), whence));
}

int Platform::close(int fd) { return ::close(fd); }

int Platform::change_dir(const char* path) { return ::chdir(path); }

int Platform::remove_file(const char* path) { return std::remove(path); }

int Platform::rename_file(const char* from, const char* to) { return std::rename(from, to); }

int Platform::read_console_char() {
    unsigned char c;
    ssize_t n = read(0, &c, 1);
    return n == 1 ? c : EOF;
}

Platform& Platform::system() {
    static Platform instance;
    return instance;
}

}  // namespace dec
