#include "common/text_file.h"

namespace dec {

TextFile::~TextFile() {
    if (out_ != nullptr) {
        out_->close();
    }
}

int TextFile::open(Platform& sys, const char* name) {
    int fd = sys.open_create(name);
    if (fd < 0) {
        return -1;
    }
    out_ = std::make_unique<OutStream>(sys, fd);
    return 0;
}

int TextFile::close(Console& con) {
    if (out_ == nullptr) {
        return 0;
    }
    int rv = out_->close();
    out_.reset();
    if (rv != 0) {
        con.sys_error("Couldn't close text file");
    }
    return rv;
}

}  // namespace dec
