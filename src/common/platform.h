// The thin seam between the decoder and the operating system.
//
// Every descriptor, directory and console call of the program goes through a
// Platform object, so tests can replace single calls (a write failing with
// ENOSPC, a close failing, a directory that cannot be entered) without touching
// the decoders. The calls keep POSIX semantics: -1 and errno on failure.
// Binary files are opened as binary; text outputs are opened through the same
// calls and buffered by OutStream.
//
// Files the program makes for itself (the per-tag copies and flash images,
// outputs being written) are temporary files: created exclusively under a name
// nobody else uses, so nothing planted in the output folder (a link, a file)
// is ever opened for writing, and listed here until they are renamed into
// place or deleted. Whatever is still listed when the run ends, or when an
// interrupt ends the process, is deleted.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

namespace dec {

// Which file an open descriptor is, to recognise a file of ours when it is
// opened again by name.
struct FileIdentity {
    uint64_t device = 0;
    uint64_t inode = 0;
    bool operator==(const FileIdentity&) const = default;
};

// Whether this system's paths begin with a drive letter ("C:\data\logger.bin").
#if defined(_WIN32)
inline constexpr bool kDriveLetterPaths = true;
#else
inline constexpr bool kDriveLetterPaths = false;
#endif

// The file name at the end of `path`: what follows the last '/', or also '\'
// and a drive's ':' where paths have drive letters.
inline const char* path_file_name(const char* path) {
    const char* name = path;
    for (const char* p = path; *p != '\0'; ++p) {
        if (*p == '/' || (kDriveLetterPaths && (*p == '\\' || *p == ':'))) {
            name = p + 1;
        }
    }
    return name;
}

class Platform {
  public:
    Platform() = default;
    virtual ~Platform() = default;
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;

    virtual int open_read(const char* path);
    // Write-only, appending; the file must exist and must not be a symbolic link.
    virtual int open_append(const char* path);
    // A new file, write-only (or read and write with `read_too`); fails with
    // EEXIST when the name is taken by anything, a link included. The new
    // file's permissions are read and write for all, less the umask.
    virtual int open_exclusive(const char* path, bool read_too);
    virtual int identify(int fd, FileIdentity* id);
    // Size of the open file, or -1 with errno.
    virtual int64_t file_size(int fd);
    // Whether the descriptor is a terminal (isatty).
    virtual bool is_terminal(int fd);
    // The width of the terminal on the descriptor in columns, 0 when unknown.
    virtual int terminal_columns(int fd);

    virtual ssize_t read(int fd, void* buf, size_t count);
    // Reads at `offset` without moving the descriptor (pread).
    virtual ssize_t read_at(int fd, void* buf, size_t count, int64_t offset);
    virtual ssize_t write(int fd, const void* buf, size_t count);
    // whence is SEEK_SET or SEEK_CUR.
    virtual int64_t seek(int fd, int64_t offset, int whence);
    virtual int close(int fd);

    virtual int change_dir(const char* path);
    virtual int remove_file(const char* path);
    // Renames `from` to `to`, replacing a file of that name (a link of that
    // name is replaced, not followed).
    virtual int rename_file(const char* from, const char* to);

    // The names of the plain files in folder `path` (no folders, no links),
    // in the order the system gives them; 0, or -1 with errno.
    virtual int list_files(const char* path, std::vector<std::string>& names);

    // Takes the lock that keeps two runs out of one output folder: an advisory
    // lock the system drops when the process ends. A handle for unlock_folder,
    // or -1 with errno (EWOULDBLOCK: another process holds it).
    virtual int lock_folder(const char* path);
    virtual void unlock_folder(int handle);

    // One character from standard input, or EOF.
    virtual int read_console_char();

    // A temporary file named base + suffix, or base + ".N" + suffix with the
    // first N from 1 on whose name is free; created with open_exclusive and
    // listed. The descriptor (its name in `name`), or -1 with errno.
    int create_temp(const char* base, const char* suffix, bool read_too, std::string& name);
    // Renames a listed file into place and takes it off the list; 0, or -1
    // with errno (the file stays listed).
    int rename_temp(const std::string& name, const char* final_name);
    // Deletes a listed file and takes it off the list; 0, or -1 with errno
    // (the file stays listed).
    int remove_temp(const std::string& name);
    // Deletes every listed file (the run is over); names are relative to the
    // working directory, which is the output folder once files were made.
    void remove_all_temps();

    // From now on SIGINT, SIGTERM and SIGHUP (on Windows, the console's
    // close and break events) delete the listed files of this platform and
    // end the process with 128 + the signal number; so does a write to a
    // console nobody reads any more (SIGPIPE's number), and a file-size
    // limit fails the write (EFBIG) instead of ending the process. Signals that were ignored
    // when the program started stay ignored. Call it before any thread starts.
    void remove_temps_on_interrupt();
    // What an interrupt does: deletes the listed files and ends the process
    // with `code`. The list stays locked to the end, so that no thread names
    // or creates a file meanwhile.
    [[noreturn]] void exit_removing_temps(int code);

    // The process-wide platform for real runs.
    static Platform& system();

  private:
    // Takes a name off the list; the caller holds temps_mutex_.
    void forget_temp(const std::string& name);

    std::mutex temps_mutex_;
    bool interrupt_clean_up_ = false;  // remove_temps_on_interrupt() was called
    std::vector<std::string> temps_;
#if defined(_WIN32)
    void* lock_handle_ = nullptr;  // the folder's named mutex, while held
#endif
};

}  // namespace dec
