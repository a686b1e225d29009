#include "common/text_file.h"

namespace dec {

int TextFile::open(Console& con, OutputSet& outputs, const char* name) {
    const int fd = outputs.create(name, &entry_);
    if (fd < 0) {
        con.file_error(kOpenTextFileError, name);
        return -1;
    }
    con_ = &con;
    outputs_ = &outputs;
    out_ = std::make_unique<OutStream>(con.sys(), fd);
    return 0;
}

int TextFile::close() {
    if (out_ == nullptr) {
        return 0;
    }
    const int rv = out_->close();
    out_.reset();
    if (rv != 0) {
        con_->file_error("Couldn't close text file", outputs_->name_of(entry_));
        con_->out().printf("Filename: %s\n", outputs_->name_of(entry_));
    }
    outputs_->closed(entry_, rv == 0);
    return rv;
}

}  // namespace dec
