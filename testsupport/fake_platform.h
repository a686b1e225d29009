// A platform whose calls tests can make fail one by one.
#pragma once

#include <cerrno>
#include <cstdio>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

#include "common/platform.h"

namespace dec::testing {

// The calls a fault sweep counts, one by one.
enum class Call {
    open,
    create,
    read,
    write,
    seek,
    close,
    rename,
    remove,
    lock,
    open_folder,
    identify,
    size,
    list
};

class FakePlatform : public Platform {
  public:
    // When set, called first in every counted call with the file's name (the
    // path of the input or of a folder, a file's bare name in its folder, or
    // what the descriptor was opened with; "<stdout>", "<stderr>" for the
    // console); a non-zero result is the errno the call fails with.
    std::function<int(Call call, const std::string& name)> fault_hook;

    // When set, called before every write; return -1 and set errno to make it fail.
    std::function<ssize_t(int fd, size_t count)> write_hook;
    // When set, replaces read(); lets tests deliver data in small pieces.
    std::function<ssize_t(int fd, void* buf, size_t count)> read_hook;
    // When set, called before close, rename and the creation of a new file;
    // return -1 and set errno to make the call fail (a failing close still
    // closes the descriptor, as close does).
    std::function<int(int fd)> close_hook;
    std::function<int(const char* from, const char* to)> rename_hook;
    std::function<int(const char* path)> create_hook;
    std::string console_input;
    size_t console_pos = 0;
    // With capture_console, standard output and error are kept here (both:
    // in the order written) instead of reaching the descriptors.
    bool capture_console = false;
    std::string console_out, console_err, console_both;
    // Whether the error stream is a terminal (never the other descriptors),
    // and its width (0: unknown).
    bool stderr_terminal = false;
    int terminal_columns_of_stderr = 0;

    // The name each open descriptor was opened or created with (tags decoded
    // side by side open files from several threads).
    std::string name_of(int fd) const {
        std::lock_guard<std::mutex> lock(names_mutex_);
        const auto it = names_.find(fd);
        if (it != names_.end()) {
            return it->second;
        }
        return fd == 0 ? "<stdin>" : fd == 1 ? "<stdout>" : fd == 2 ? "<stderr>" : std::string();
    }

    int open_folder(const char* path, Folder* folder) override {
        if (faulted(Call::open_folder, path) || Platform::open_folder(path, folder) != 0) {
            return -1;
        }
#if !defined(_WIN32)
        named(folder->fd, path);
#endif
        return 0;
    }
    int open_read(const Folder& at, const char* name) override {
        return faulted(Call::open, name) ? -1 : named(Platform::open_read(at, name), name);
    }
    int open_append(const Folder& at, const char* name) override {
        return faulted(Call::open, name) ? -1 : named(Platform::open_append(at, name), name);
    }
    int open_exclusive(const Folder& at, const char* name, bool read_too) override {
        if (faulted(Call::create, name) || (create_hook && create_hook(name) != 0)) {
            return -1;
        }
        return named(Platform::open_exclusive(at, name, read_too), name);
    }
    int close(int fd) override {
        const int hooked = faulted(Call::close, name_of(fd)) ? -1 : close_hook ? close_hook(fd) : 0;
        const int err = errno;
        {
            std::lock_guard<std::mutex> lock(names_mutex_);
            names_.erase(fd);
        }
        // A captured console is the test's own: its end closes nothing.
        const int rv = capture_console && (fd == 1 || fd == 2) ? 0 : Platform::close(fd);
        if (hooked != 0) {
            errno = err;
            return -1;
        }
        return rv;
    }
    int rename_file(const Folder& at, const char* from, const char* to) override {
        if (faulted(Call::rename, from) || (rename_hook && rename_hook(from, to) != 0)) {
            return -1;
        }
        return Platform::rename_file(at, from, to);
    }
    ssize_t write(int fd, const void* buf, size_t count) override {
        if (faulted(Call::write, name_of(fd))) {
            return -1;
        }
        if (capture_console && (fd == 1 || fd == 2)) {
            (fd == 1 ? console_out : console_err).append(static_cast<const char*>(buf), count);
            console_both.append(static_cast<const char*>(buf), count);
            return static_cast<ssize_t>(count);
        }
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
        if (faulted(Call::read, name_of(fd))) {
            return -1;
        }
        return read_hook ? read_hook(fd, buf, count) : Platform::read(fd, buf, count);
    }
    // With a read hook, a positioned read is a seek and a hooked read.
    ssize_t read_at(int fd, void* buf, size_t count, int64_t offset) override {
        if (faulted(Call::read, name_of(fd))) {
            return -1;
        }
        if (!read_hook) {
            return Platform::read_at(fd, buf, count, offset);
        }
        if (seek(fd, offset, SEEK_SET) < 0) {
            return -1;
        }
        return read_hook(fd, buf, count);
    }
    int64_t seek(int fd, int64_t offset, int whence) override {
        return faulted(Call::seek, name_of(fd)) ? -1 : Platform::seek(fd, offset, whence);
    }
    int identify(int fd, FileIdentity* id) override {
        return faulted(Call::identify, name_of(fd)) ? -1 : Platform::identify(fd, id);
    }
    int64_t file_size(int fd) override {
        return faulted(Call::size, name_of(fd)) ? -1 : Platform::file_size(fd);
    }
    int remove_file(const Folder& at, const char* name) override {
        return faulted(Call::remove, name) ? -1 : Platform::remove_file(at, name);
    }
    int list_files(const Folder& at, std::vector<std::string>& names) override {
        return faulted(Call::list, path_of(at)) ? -1 : Platform::list_files(at, names);
    }
    int lock_folder(const Folder& at) override {
        return faulted(Call::lock, path_of(at)) ? -1 : Platform::lock_folder(at);
    }
    bool is_terminal(int fd) override {
        return stderr_terminal && fd == 2;
    }
    int terminal_columns(int fd) override {
        return is_terminal(fd) ? terminal_columns_of_stderr : 0;
    }
    int read_console_char() override {
        return console_pos < console_input.size()
                   ? static_cast<unsigned char>(console_input[console_pos++])
                   : -1;
    }

  private:
    // The path a folder was opened with ("." for the working directory).
    std::string path_of(const Folder& at) const {
#if defined(_WIN32)
        return at.path.empty() ? "." : at.path;
#else
        return at.fd == AT_FDCWD ? "." : name_of(at.fd);
#endif
    }
    bool faulted(Call call, const std::string& name) {
        const int error = fault_hook ? fault_hook(call, name) : 0;
        if (error != 0) {
            errno = error;
        }
        return error != 0;
    }
    int named(int fd, const char* path) {
        if (fd >= 0) {
            std::lock_guard<std::mutex> lock(names_mutex_);
            names_[fd] = path;
        }
        return fd;
    }

    mutable std::mutex names_mutex_;
    std::map<int, std::string> names_;
};

}  // namespace dec::testing
