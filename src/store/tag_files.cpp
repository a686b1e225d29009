#include "store/tag_files.h"

#include <cerrno>
#include <cstdio>

#include "common/io.h"

namespace dec {

int TagFileWriter::switch_to(uint32_t tag, size_t slot, bool is_new, const uint8_t* header,
                             size_t header_size) {
    if (close() != 0) {
        return -1;
    }
    Platform& sys = con_.sys();
    char base[32];
    format_into(base, sizeof base, "tag%u", tag);
    if (is_new) {
        std::string name;
        fd_ = sys.create_temp(folder_, base, ".tmp", false, name);
        name_ = name;
        if (fd_ >= 0) {
            files_.sys = &sys;
            files_.folder = folder_;
            if (files_.names.size() <= slot) {
                files_.names.resize(slot + 1);
                files_.ids.resize(slot + 1);
            }
            files_.names[slot] = std::move(name);
            if (sys.identify(fd_, &files_.ids[slot]) != 0) {
                sys.close(fd_);
                fd_ = -1;
            }
        }
    } else {
        const char* name = files_.name_of(slot);
        name_ = name != nullptr ? name : std::string(base) + ".tmp";
        fd_ = reopen(slot);
    }
    if (fd_ < 0) {
        const int err = errno;  // the error message may change errno
        con_.file_error("Couldn't open output file", name_.c_str());
        if (!is_new && err == ENOENT) {
            con_.out().put("Why did the file disappear?\n");
        }
        return -1;
    }
    out_.set_fd(fd_);
    out_.set_name(name_);
    if (is_new && write_all_retry(con_, fd_, header, header_size, "Couldn't write file info",
                                  name_.c_str()) != static_cast<ssize_t>(header_size)) {
        return -1;
    }
    return 0;
}

int TagFileWriter::reopen(size_t slot) {
    Platform& sys = con_.sys();
    const char* name = files_.name_of(slot);
    if (name == nullptr) {
        errno = ENOENT;
        return -1;
    }
    const int fd = sys.open_append(folder_, name);
    if (fd < 0) {
        return -1;
    }
    // Someone may have put another file (or a hard link to one) in its place.
    FileIdentity id;
    if (sys.identify(fd, &id) != 0 || !(id == files_.ids[slot])) {
        sys.close(fd);
        errno = EEXIST;
        return -1;
    }
    return fd;
}

int TagFileWriter::write_open_block(const uint8_t* block, size_t size) {
    return write_all_retry(con_, fd_, block, size, "Couldn't write file open block",
                           name_.c_str()) == static_cast<ssize_t>(size)
               ? 0
               : -1;
}

int TagFileWriter::write_unit(const uint8_t* unit, size_t size) {
    return out_.write(unit, size, "Couldn't write file");
}

int TagFileWriter::close() {
    if (fd_ < 0) {
        return 0;
    }
    int rv = out_.flush("Couldn't write file");
    if (con_.sys().close(fd_) != 0) {
        con_.file_error(close_error_, name_.c_str());
    }
    fd_ = -1;
    return rv;
}

void close_container_input(Console& con, int fd, const char* path) {
    if (con.sys().close(fd) != 0) {
        con.file_error("Couldn't close input file", path);
    }
}

ContainerResult open_container_input(Console& con, const char* path, const OutputFolder& folder,
                                     uint8_t* header, size_t header_size, int& fd) {
    OutStream& out = con.out();
    Platform& sys = con.sys();
    fd = sys.open_read(Folder(), path);
    if (fd < 0) {
        con.file_error("Couldn't open file", path);
        out.printf("Filename: %s\n", path);
        return ContainerResult::cannot_open;
    }
    ssize_t n = 0;
    if (folder.open_error != 0) {
        // The words of the days when the decoder entered its output folder.
        errno = folder.open_error;
        con.file_error("Couldn't change directory", folder.path, "Directoryname");
        out.printf("Directoryname: %s\n", folder.path);
    } else if ((n = full_read(sys, fd, header, header_size)) != static_cast<ssize_t>(header_size)) {
        if (n < 0) {
            con.file_error("Couldn't read file", path);
        }
        out.put(kContainerHeaderReadError);
    } else if (sys.seek(fd, 0, SEEK_SET) != 0) {
        con.file_error("Couldn't lseek to 0", path);
        out.printf("Please report error to %s\n", kSupportEmail);
    } else {
        return ContainerResult::ok;
    }
    close_container_input(con, fd, path);
    fd = -1;
    return ContainerResult::failed;
}
}  // namespace dec
