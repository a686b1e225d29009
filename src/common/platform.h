// The thin seam between the decoder and the operating system.
//
// Every descriptor, directory and console call of the program goes through a
// Platform object, so tests can replace single calls (a write failing with
// ENOSPC, a close failing, a folder that cannot be opened) without touching
// the decoders. The calls keep POSIX semantics: -1 and errno on failure.
// Binary files are opened as binary; text outputs are opened through the same
// calls and buffered by OutStream.
//
// Outputs and temporary files are named by a Folder and a bare name, never by
// a path from the working directory: the run opens its output folder once and
// every such call names a file in that folder. Only the input is a path.
//
// Files the program makes for itself (the per-tag copies and flash images,
// outputs being written) are temporary files: created exclusively under a name
// nobody else uses, so nothing planted in the output folder (a link, a file)
// is ever opened for writing, and listed here until they are renamed into
// place or deleted. Whatever is still listed when the run ends, or when an
// interrupt ends the process, is deleted.
#pragma once

#include <sys/types.h>
#if !defined(_WIN32)
#include <fcntl.h>
#endif

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

// A folder files are named in. On POSIX an open descriptor of the folder, so
// the folder stays the one that was opened even when it is renamed or another
// takes its path; on Windows the folder's path, which names are joined to. A
// default Folder is the working directory, where the paths the user gives (the
// input) are found.
struct Folder {
#if defined(_WIN32)
    std::string path;  // empty: the working directory
#else
    int fd = AT_FDCWD;
#endif
    bool operator==(const Folder&) const = default;
};

class Platform {
  public:
    Platform() = default;
    virtual ~Platform() = default;
    Platform(const Platform&) = delete;
    Platform& operator=(const Platform&) = delete;

    // Opens folder `path` for the calls below that name a file in it; 0, or
    // -1 with errno as entering it would fail (ENOTDIR when it is no folder,
    // EACCES when it may not be searched). A folder that may be entered but
    // not read opens too, but cannot be locked or listed. close_folder ends
    // the handle.
    virtual int open_folder(const char* path, Folder* folder);
    void close_folder(const Folder& folder);

    // The file `name` of folder `at`, read-only.
    virtual int open_read(const Folder& at, const char* name);
    // Write-only, appending; the file must exist and must not be a symbolic link.
    virtual int open_append(const Folder& at, const char* name);
    // A new file, write-only (or read and write with `read_too`); fails with
    // EEXIST when the name is taken by anything, a link included. The new
    // file's permissions are read and write for all, less the umask.
    virtual int open_exclusive(const Folder& at, const char* name, bool read_too);
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

    virtual int remove_file(const Folder& at, const char* name);
    // Renames `from` to `to` in folder `at`, replacing a file of that name (a
    // link of that name is replaced, not followed).
    virtual int rename_file(const Folder& at, const char* from, const char* to);

    // The names of the plain files in folder `at` (no folders, no links), in
    // the order the system gives them; 0, or -1 with errno.
    virtual int list_files(const Folder& at, std::vector<std::string>& names);

    // Takes the lock that keeps two runs out of one output folder: an advisory
    // lock the system drops when the process ends. On POSIX it is taken on the
    // folder's own descriptor (and dropped with it); on Windows it is keyed on
    // the folder's full path. 0, or -1 with errno (EWOULDBLOCK: another run
    // holds it).
    virtual int lock_folder(const Folder& at);
    void unlock_folder(const Folder& at);

    // One character from standard input, or EOF.
    virtual int read_console_char();

    // Makes a new empty folder of this user's only, under `parent` (empty:
    // the system's folder of temporary files), and puts its path in `path`;
    // 0, or -1 with errno.
    virtual int make_private_folder(const std::string& parent, std::string& path);
    // Removes an empty folder; 0, or -1 with errno.
    virtual int remove_folder(const char* path);

    // A temporary file of folder `at` named base + suffix, or base + ".N" +
    // suffix with the first N from 1 on whose name is free; created with
    // open_exclusive and listed with its folder. The descriptor (its name in
    // `name`), or -1 with errno.
    int create_temp(const Folder& at, const char* base, const char* suffix, bool read_too,
                    std::string& name);
    // Renames a listed file into place in its folder and takes it off the
    // list; 0, or -1 with errno (the file stays listed).
    int rename_temp(const Folder& at, const std::string& name, const char* final_name);
    // Deletes a listed file and takes it off the list; 0, or -1 with errno
    // (the file stays listed).
    int remove_temp(const Folder& at, const std::string& name);
    // Deletes every listed file (the run is over), each in its folder, which
    // must still be open.
    void remove_all_temps();

    // From now on SIGINT, SIGTERM and SIGHUP (on Windows, the console's
    // close and break events) delete the listed files of this platform and
    // end the process with 128 + the signal number; so does a write to a
    // console nobody reads any more (SIGPIPE's number), and a file-size
    // limit fails the write (EFBIG) instead of ending the process. Signals that were ignored
    // when the program started stay ignored. Call it before any thread starts.
    // `end` ends the process with the code it is given and does not return:
    // the console program hands it in, so that the library, which other
    // programs load, never ends a process itself.
    using EndProcess = void (*)(int code);
    void remove_temps_on_interrupt(EndProcess end);
    // What an interrupt does: deletes the listed files and ends the process
    // with `code`. The list stays locked to the end, so that no thread names
    // or creates a file meanwhile.
    [[noreturn]] void exit_removing_temps(int code);

    // The process-wide platform for real runs.
    static Platform& system();

  private:
    struct Temp {
        Folder folder;
        std::string name;
    };
    // Takes a file off the list; the caller holds temps_mutex_.
    void forget_temp(const Folder& at, const std::string& name);

    std::mutex temps_mutex_;
    bool interrupt_clean_up_ = false;  // remove_temps_on_interrupt() was called
    EndProcess end_process_ = nullptr;
    std::vector<Temp> temps_;
#if defined(_WIN32)
    void* lock_handle_ = nullptr;  // the folder's named mutex, while held
#endif
};

}  // namespace dec
