#include "common/platform.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <thread>
#if defined(_WIN32)
#include <windows.h>
#endif

#ifndef O_BINARY
#define O_BINARY 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif
#ifndef O_NOFOLLOW
#define O_NOFOLLOW 0
#endif

namespace dec {

int Platform::open_read(const char* path) {
    return ::open(path, O_RDONLY | O_BINARY | O_CLOEXEC);
}

int Platform::open_append(const char* path) {
    return ::open(path, O_WRONLY | O_APPEND | O_BINARY | O_CLOEXEC | O_NOFOLLOW);
}

int Platform::open_exclusive(const char* path, bool read_too) {
    // O_EXCL also refuses a symbolic link of that name, dangling or not.
    return ::open(path, (read_too ? O_RDWR : O_WRONLY) | O_CREAT | O_EXCL | O_BINARY | O_CLOEXEC,
                  0666);
}

int Platform::identify(int fd, FileIdentity* id) {
    struct stat st;
    if (::fstat(fd, &st) != 0) {
        return -1;
    }
    id->device = static_cast<uint64_t>(st.st_dev);
    id->inode = static_cast<uint64_t>(st.st_ino);
    return 0;
}

int64_t Platform::file_size(int fd) {
    struct stat st;
    return ::fstat(fd, &st) == 0 ? static_cast<int64_t>(st.st_size) : -1;
}

bool Platform::is_terminal(int fd) {
    return ::isatty(fd) != 0;
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

int Platform::close(int fd) {
    return ::close(fd);
}

int Platform::change_dir(const char* path) {
    return ::chdir(path);
}

int Platform::remove_file(const char* path) {
    return std::remove(path);
}

int Platform::rename_file(const char* from, const char* to) {
    return std::rename(from, to);
}

int Platform::lock_folder(const char* path) {
    const int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) {
        return -1;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        return -1;
    }
    return fd;
}

void Platform::unlock_folder(int handle) {
    if (handle >= 0) {
        ::close(handle);  // drops the lock
    }
}

int Platform::read_console_char() {
    unsigned char c;
    ssize_t n = read(0, &c, 1);
    return n == 1 ? c : EOF;
}

int Platform::create_temp(const char* base, const char* suffix, bool read_too, std::string& name) {
    // Ten thousand names taken means something is wrong with the folder.
    constexpr unsigned kTries = 10000;
    std::lock_guard<std::mutex> lock(temps_mutex_);
    for (unsigned n = 0; n < kTries; ++n) {
        name = base;
        if (n > 0) {
            name += '.';
            name += std::to_string(n);
        }
        name += suffix;
        const int fd = open_exclusive(name.c_str(), read_too);
        if (fd >= 0) {
            temps_.push_back(name);
            return fd;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    errno = EEXIST;
    return -1;
}

void Platform::forget_temp(const std::string& name) {
    const auto it = std::find(temps_.begin(), temps_.end(), name);
    if (it != temps_.end()) {
        temps_.erase(it);
    }
}

int Platform::rename_temp(const std::string& name, const char* final_name) {
    std::lock_guard<std::mutex> lock(temps_mutex_);
    if (rename_file(name.c_str(), final_name) != 0) {
        return -1;
    }
    forget_temp(name);
    return 0;
}

int Platform::remove_temp(const std::string& name) {
    std::lock_guard<std::mutex> lock(temps_mutex_);
    forget_temp(name);
    return remove_file(name.c_str());
}

void Platform::remove_all_temps() {
    std::lock_guard<std::mutex> lock(temps_mutex_);
    for (const std::string& name : temps_) {
        remove_file(name.c_str());
    }
    temps_.clear();
}

#if defined(_WIN32)

namespace {
// The console's control events arrive on a thread of their own, through a
// plain function: it can only find the platform through this pointer.
Platform* interrupted_platform = nullptr;

BOOL WINAPI on_console_event(DWORD event) {
    // Ctrl-C, Ctrl-Break, the console window closed, logoff, shutdown.
    static constexpr int kSignalOf[] = {SIGINT,  SIGBREAK, SIGHUP, SIGHUP,
                                        SIGTERM, SIGTERM,  SIGTERM};
    const int sig = event < 7 ? kSignalOf[event] : SIGTERM;
    interrupted_platform->remove_all_temps();
    ExitProcess(static_cast<UINT>(128 + sig));
    return TRUE;
}
}  // namespace

void Platform::remove_temps_on_interrupt() {
    interrupted_platform = this;
    SetConsoleCtrlHandler(on_console_event, TRUE);
}

#else

void Platform::remove_temps_on_interrupt() {
    sigset_t set;
    sigemptyset(&set);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) {
        struct sigaction current;
        // A signal ignored from the start (nohup, a background job) stays so.
        if (sigaction(sig, nullptr, &current) == 0 && current.sa_handler != SIG_IGN) {
            sigaddset(&set, sig);
        }
    }
    // The signals wait, blocked in every thread, for one thread that takes them
    // as ordinary events: it can lock the list like any other thread, so no
    // file is half created or half renamed when it deletes them.
    if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) {
        return;
    }
    std::thread([this, set] {
        int sig = 0;
        while (sigwait(&set, &sig) != 0) {
        }
        temps_mutex_.lock();  // held until the end: nothing new is created
        for (const std::string& name : temps_) {
            ::unlink(name.c_str());
        }
        ::_exit(128 + sig);
    }).detach();
}

#endif

Platform& Platform::system() {
    static Platform instance;
    return instance;
}

}  // namespace dec
