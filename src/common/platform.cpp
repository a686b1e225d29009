#include "common/platform.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <thread>
#if defined(_WIN32)
#include <io.h>
#include <windows.h>
#else
#include <dirent.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#endif

#ifndef O_BINARY
#define O_BINARY 0
#endif
#ifndef O_CLOEXEC
#define O_CLOEXEC 0
#endif

namespace dec {

#if defined(_WIN32)

namespace {

// The runtime's read and write take an unsigned int count; larger requests
// are done in parts by the callers' loops.
unsigned io_count(size_t count) {
    return count > 0x40000000 ? 0x40000000u : static_cast<unsigned>(count);
}
// A closed console window ends the run as a hang-up does elsewhere.
constexpr int kHangUp = 1;
// The errno of a failed Windows call, for the callers' messages.
int errno_of(DWORD error) {
    switch (error) {
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
            return ENOENT;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EACCES;  // for instance a file open in another program
        case ERROR_TOO_MANY_OPEN_FILES:
            return EMFILE;
        default:
            return EIO;
    }
}

// The path of file `name` in folder `at`: the name joined to the folder's path.
std::string path_in(const Folder& at, const char* name) {
    if (at.path.empty()) {
        return name;
    }
    const char last = at.path.back();
    return last == '\\' || last == '/' || last == ':' ? at.path + name : at.path + '\\' + name;
}

// A descriptor on a file opened through the Windows call: shared so that it
// can be removed while open (an interrupt removes the run's temporary files
// without closing them first).
int open_shared(const char* path, DWORD access, DWORD creation, DWORD flags, int crt_flags) {
    HANDLE h = CreateFileA(path, access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                           nullptr, creation, FILE_ATTRIBUTE_NORMAL | flags, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        errno = errno_of(GetLastError());
        return -1;
    }
    const int fd = _open_osfhandle(reinterpret_cast<intptr_t>(h), crt_flags | _O_BINARY);
    if (fd < 0) {
        CloseHandle(h);
        errno = EMFILE;
    }
    return fd;
}

// The C runtime's descriptors stand on handles; the calls below need them.
HANDLE handle_of(int fd) {
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

// The console's control events arrive on a thread of their own, through a
// plain function: it can only find the platform through this pointer.
Platform* interrupted_platform = nullptr;

BOOL WINAPI on_console_event(DWORD event) {
    // Ctrl-C, Ctrl-Break, the console window closed, logoff, shutdown.
    static constexpr int kSignalOf[] = {SIGINT,  SIGBREAK, kHangUp, kHangUp,
                                        SIGTERM, SIGTERM,  SIGTERM};
    const int sig = event < 7 ? kSignalOf[event] : SIGTERM;
    interrupted_platform->exit_removing_temps(128 + sig);
}

}  // namespace

int Platform::open_folder(const char* path, Folder* folder) {
    const DWORD attributes = GetFileAttributesA(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        errno = errno_of(GetLastError());
        return -1;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        errno = ENOTDIR;
        return -1;
    }
    folder->path = path;
    return 0;
}

void Platform::close_folder(const Folder&) {}

int Platform::open_read(const Folder& at, const char* name) {
    return ::open(path_in(at, name).c_str(), O_RDONLY | O_BINARY | O_CLOEXEC);
}

int Platform::open_append(const Folder& at, const char* name) {
    // A symbolic link is opened as itself, not followed: its identity is then
    // not the file's, and the caller refuses it.
    return open_shared(path_in(at, name).c_str(), FILE_APPEND_DATA | FILE_READ_ATTRIBUTES,
                       OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, _O_APPEND);
}

int Platform::open_exclusive(const Folder& at, const char* name, bool read_too) {
    // CREATE_NEW also refuses a symbolic link of that name.
    return open_shared(path_in(at, name).c_str(), GENERIC_WRITE | (read_too ? GENERIC_READ : 0),
                       CREATE_NEW, 0, 0);
}

int Platform::identify(int fd, FileIdentity* id) {
    // fstat has no inode number here: the volume and the file index name a
    // file as device and inode do.
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(handle_of(fd), &info)) {
        errno = EIO;
        return -1;
    }
    id->device = info.dwVolumeSerialNumber;
    id->inode = (uint64_t{info.nFileIndexHigh} << 32) | info.nFileIndexLow;
    return 0;
}

int64_t Platform::file_size(int fd) {
    LARGE_INTEGER size;  // fstat's size stops at 2 GiB here
    return GetFileSizeEx(handle_of(fd), &size) ? static_cast<int64_t>(size.QuadPart) : -1;
}

bool Platform::is_terminal(int fd) {
    // The progress line redraws itself with VT sequences; a console that
    // cannot take them (before Windows 10) is treated as no terminal.
    DWORD mode = 0;
    const HANDLE h = handle_of(fd);
    return ::_isatty(fd) != 0 && GetConsoleMode(h, &mode) &&
           SetConsoleMode(h, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
}

int Platform::terminal_columns(int fd) {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(handle_of(fd), &info)) {
        return 0;
    }
    return info.srWindow.Right - info.srWindow.Left + 1;
}

ssize_t Platform::read_at(int fd, void* buf, size_t count, int64_t offset) {
    // A read at an offset of its own: threads reading one container side by
    // side each name their offset. The input is only ever read this way once
    // it is indexed, so the moved file position does not matter.
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(static_cast<uint64_t>(offset));
    at.OffsetHigh = static_cast<DWORD>(static_cast<uint64_t>(offset) >> 32);
    const DWORD want = count > 0x40000000 ? 0x40000000 : static_cast<DWORD>(count);
    DWORD got = 0;
    if (!ReadFile(handle_of(fd), buf, want, &got, &at)) {
        if (GetLastError() == ERROR_HANDLE_EOF) {
            return 0;
        }
        errno = EIO;
        return -1;
    }
    return static_cast<ssize_t>(got);
}

int64_t Platform::seek(int fd, int64_t offset, int whence) {
    return _lseeki64(fd, offset, whence);  // lseek stops at 2 GiB here
}

int Platform::remove_file(const Folder& at, const char* name) {
    return std::remove(path_in(at, name).c_str());
}

int Platform::rename_file(const Folder& at, const char* from, const char* to) {
    // The runtime's rename refuses an existing target; an output replaces the
    // previous run's file of its name, as it does elsewhere.
    const std::string target = path_in(at, to);
    if (MoveFileExA(path_in(at, from).c_str(), target.c_str(), MOVEFILE_REPLACE_EXISTING)) {
        return 0;
    }
    const DWORD error = GetLastError();
    const DWORD attributes = GetFileAttributesA(target.c_str());
    const bool folder =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    errno = folder ? EISDIR : errno_of(error);
    return -1;
}

int Platform::list_files(const Folder& at, std::vector<std::string>& names) {
    WIN32_FIND_DATAA entry;
    const std::string pattern = path_in(at, "*");
    HANDLE h = FindFirstFileA(pattern.c_str(), &entry);
    if (h == INVALID_HANDLE_VALUE) {
        errno = errno_of(GetLastError());
        return -1;
    }
    do {
        if ((entry.dwFileAttributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT)) ==
            0) {
            names.push_back(entry.cFileName);
        }
    } while (FindNextFileA(h, &entry));
    const DWORD error = GetLastError();
    FindClose(h);
    if (error != ERROR_NO_MORE_FILES) {
        errno = errno_of(error);
        return -1;
    }
    return 0;
}

int Platform::make_private_folder(const std::string& parent, std::string& path) {
    std::string base = parent;
    if (base.empty()) {
        char temp[MAX_PATH + 1];
        const DWORD n = GetTempPathA(sizeof temp, temp);
        if (n == 0 || n > MAX_PATH) {
            errno = ENOENT;
            return -1;
        }
        base.assign(temp, n);
    }
    if (!base.empty() && base.back() != '\\' && base.back() != '/') {
        base += '\\';
    }
    // A name made of the process number, the tick count and a counter; a
    // name taken is tried again with the next counter.
    const unsigned long pid = GetCurrentProcessId();
    for (unsigned attempt = 0; attempt < 100; ++attempt) {
        char name[64];
        std::snprintf(name, sizeof name, "tavro-%lu-%llu-%u", pid,
                      static_cast<unsigned long long>(GetTickCount64()), attempt);
        const std::string candidate = base + name;
        if (CreateDirectoryA(candidate.c_str(), nullptr)) {
            path = candidate;
            return 0;
        }
        if (GetLastError() != ERROR_ALREADY_EXISTS) {
            errno = errno_of(GetLastError());
            return -1;
        }
    }
    errno = EEXIST;
    return -1;
}

int Platform::remove_folder(const char* path) {
    if (RemoveDirectoryA(path)) {
        return 0;
    }
    errno = errno_of(GetLastError());
    return -1;
}

int Platform::lock_folder(const Folder& at) {
    // A named mutex per folder: its name is a hash of the folder's full path
    // (case folded, as the file system compares names). The system drops it
    // with the last handle, so a run that dies leaves no stale lock.
    char full[MAX_PATH];
    const char* path = at.path.empty() ? "." : at.path.c_str();
    const DWORD len = GetFullPathNameA(path, sizeof full, full, nullptr);
    if (len == 0 || len >= sizeof full) {
        errno = ENOENT;
        return -1;
    }
    uint64_t h = 14695981039346656037u;
    for (DWORD i = 0; i < len; ++i) {
        char c = full[i] == '/' ? '\\' : full[i];
        c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
        h = (h ^ static_cast<unsigned char>(c)) * 1099511628211u;
    }
    char name[64];
    std::snprintf(name, sizeof name, "Local\\tavro-decoder-folder-%016llx",
                  static_cast<unsigned long long>(h));
    HANDLE m = CreateMutexA(nullptr, FALSE, name);
    if (m == nullptr) {
        errno = EACCES;
        return -1;
    }
    if (GetLastError() == ERROR_ALREADY_EXISTS) {
        CloseHandle(m);
        errno = EWOULDBLOCK;
        return -1;
    }
    lock_handle_ = m;
    return 0;
}

void Platform::unlock_folder(const Folder&) {
    if (lock_handle_ != nullptr) {
        CloseHandle(static_cast<HANDLE>(lock_handle_));
        lock_handle_ = nullptr;
    }
}

void Platform::remove_temps_on_interrupt(EndProcess end) {
    end_process_ = end;
    interrupted_platform = this;
    SetConsoleCtrlHandler(on_console_event, TRUE);
}

#else

namespace {
size_t io_count(size_t count) {
    return count;
}
}  // namespace

int Platform::open_folder(const char* path, Folder* folder) {
    int fd = ::open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
#if defined(O_PATH)
    // A folder one may enter and write in but not list is an output folder
    // too, without the lock and the clean-up, which need to read it.
    if (fd < 0 && errno == EACCES) {
        fd = ::open(path, O_PATH | O_DIRECTORY | O_CLOEXEC);
    }
#endif
    // Its files can be named only when it may be entered (searched), which
    // looking up "." in it checks.
    struct stat st;
    if (fd >= 0 && ::fstatat(fd, ".", &st, 0) != 0) {
        const int err = errno;
        ::close(fd);
        errno = err;
        fd = -1;
    }
    if (fd < 0) {
        return -1;
    }
    folder->fd = fd;
    return 0;
}

void Platform::close_folder(const Folder& folder) {
    if (folder.fd >= 0) {
        close(folder.fd);
    }
}

int Platform::open_read(const Folder& at, const char* name) {
    return ::openat(at.fd, name, O_RDONLY | O_BINARY | O_CLOEXEC);
}

int Platform::open_append(const Folder& at, const char* name) {
    return ::openat(at.fd, name, O_WRONLY | O_APPEND | O_BINARY | O_CLOEXEC | O_NOFOLLOW);
}

int Platform::open_exclusive(const Folder& at, const char* name, bool read_too) {
    // O_EXCL also refuses a symbolic link of that name, dangling or not.
    return ::openat(at.fd, name,
                    (read_too ? O_RDWR : O_WRONLY) | O_CREAT | O_EXCL | O_BINARY | O_CLOEXEC, 0666);
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

int Platform::terminal_columns(int fd) {
    struct winsize size;
    return ::ioctl(fd, TIOCGWINSZ, &size) == 0 ? size.ws_col : 0;
}

ssize_t Platform::read_at(int fd, void* buf, size_t count, int64_t offset) {
    ssize_t n;
    do {
        n = ::pread(fd, buf, count, static_cast<off_t>(offset));
    } while (n < 0 && errno == EINTR);
    return n;
}

int64_t Platform::seek(int fd, int64_t offset, int whence) {
    return static_cast<int64_t>(::lseek(fd, static_cast<off_t>(offset), whence));
}

int Platform::remove_file(const Folder& at, const char* name) {
    return ::unlinkat(at.fd, name, 0);
}

int Platform::rename_file(const Folder& at, const char* from, const char* to) {
    return ::renameat(at.fd, from, at.fd, to);
}

int Platform::list_files(const Folder& at, std::vector<std::string>& names) {
    // The listing reads a handle of its own of the same folder (closing it
    // keeps the folder's lock), from the first entry on.
    const int fd = at.fd == AT_FDCWD ? ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC)
                                     : ::fcntl(at.fd, F_DUPFD_CLOEXEC, 0);
    DIR* dir = fd >= 0 ? ::fdopendir(fd) : nullptr;
    if (dir == nullptr) {
        const int err = errno;
        if (fd >= 0) {
            ::close(fd);
        }
        errno = err;
        return -1;
    }
    ::rewinddir(dir);
    errno = 0;
    while (const dirent* entry = ::readdir(dir)) {
        struct stat st;
        if (::fstatat(dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
            S_ISREG(st.st_mode)) {
            names.push_back(entry->d_name);
        }
        errno = 0;
    }
    const int err = errno;
    ::closedir(dir);
    errno = err;
    return err == 0 ? 0 : -1;
}

int Platform::make_private_folder(const std::string& parent, std::string& path) {
    std::string base = parent;
    if (base.empty()) {
        const char* tmp = std::getenv("TMPDIR");
        base = tmp != nullptr && tmp[0] != '\0' ? tmp : "/tmp";
    }
    std::string pattern = base + "/tavro-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        return -1;
    }
    path = pattern;
    return 0;
}

int Platform::remove_folder(const char* path) {
    return ::rmdir(path);
}

int Platform::lock_folder(const Folder& at) {
    // On the descriptor the run writes through: a folder renamed or replaced
    // meanwhile is still the one locked.
    return ::flock(at.fd, LOCK_EX | LOCK_NB);
}

void Platform::unlock_folder(const Folder& at) {
    ::flock(at.fd, LOCK_UN);
}

void Platform::remove_temps_on_interrupt(EndProcess end) {
    end_process_ = end;
    // A closed pipe on the console and a file-size limit would end the
    // process at once, leaving the temporary files: as ignored signals they
    // fail the write instead (EPIPE, handled in write(); EFBIG, a failed output).
    for (int sig : {SIGPIPE, SIGXFSZ}) {
        signal(sig, SIG_IGN);
    }
    interrupt_clean_up_ = true;
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
        exit_removing_temps(128 + sig);
    }).detach();
}

#endif

ssize_t Platform::read(int fd, void* buf, size_t count) {
    ssize_t n;
    do {
        n = ::read(fd, buf, io_count(count));
    } while (n < 0 && errno == EINTR);
    return n;
}

ssize_t Platform::write(int fd, const void* buf, size_t count) {
    ssize_t n;
    do {
        n = ::write(fd, buf, io_count(count));
    } while (n < 0 && errno == EINTR);
#if !defined(_WIN32)
    // Nobody reads the console any more (a pipe into "head -1" was closed):
    // the run ends as the pipe's signal would end it, cleaning up as an
    // interrupt does.
    if (n < 0 && errno == EPIPE && (fd == 1 || fd == 2) && interrupt_clean_up_) {
        exit_removing_temps(128 + SIGPIPE);
    }
#endif
    return n;
}

int Platform::close(int fd) {
    return ::close(fd);
}

int Platform::read_console_char() {
    unsigned char c;
    ssize_t n = read(0, &c, 1);
    return n == 1 ? c : EOF;
}

int Platform::create_temp(const Folder& at, const char* base, const char* suffix, bool read_too,
                          std::string& name) {
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
        const int fd = open_exclusive(at, name.c_str(), read_too);
        if (fd >= 0) {
            temps_.push_back(Temp{at, name});
            return fd;
        }
        if (errno != EEXIST) {
            return -1;
        }
    }
    errno = EEXIST;
    return -1;
}

void Platform::forget_temp(const Folder& at, const std::string& name) {
    const auto it = std::find_if(temps_.begin(), temps_.end(),
                                 [&](const Temp& t) { return t.folder == at && t.name == name; });
    if (it != temps_.end()) {
        temps_.erase(it);
    }
}

int Platform::rename_temp(const Folder& at, const std::string& name, const char* final_name) {
    std::lock_guard<std::mutex> lock(temps_mutex_);
    if (rename_file(at, name.c_str(), final_name) != 0) {
        return -1;
    }
    forget_temp(at, name);
    return 0;
}

int Platform::remove_temp(const Folder& at, const std::string& name) {
    std::lock_guard<std::mutex> lock(temps_mutex_);
    if (remove_file(at, name.c_str()) != 0) {
        return -1;  // still listed: the end of the run tries again
    }
    forget_temp(at, name);
    return 0;
}

void Platform::remove_all_temps() {
    std::lock_guard<std::mutex> lock(temps_mutex_);
    for (const Temp& t : temps_) {
        remove_file(t.folder, t.name.c_str());
    }
    temps_.clear();
}

void Platform::exit_removing_temps(int code) {
    temps_mutex_.lock();  // held until the end: nothing new is created
    // Each in its folder's descriptor (unlinkat): no path is looked up again.
    for (const Temp& t : temps_) {
        remove_file(t.folder, t.name.c_str());
    }
    end_process_(code);
    std::terminate();  // not reached: end_process_ does not return
}

Platform& Platform::system() {
    static Platform instance;
    return instance;
}

}  // namespace dec
