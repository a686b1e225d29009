// A text output file: a created (or truncated) file behind an OutStream.
#pragma once

#include <memory>

#include "common/console.h"
#include "common/outstream.h"

namespace dec {

class TextFile {
public:
    TextFile() = default;
    ~TextFile();
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // Creates or truncates `name`; 0, or -1 with errno (nothing printed).
    int open(Platform& sys, const char* name);
    bool is_open() const { return out_ != nullptr; }
    OutStream& out() { return *out_; }
    // Writes out and closes; a failure prints the system's error text after
    // "Couldn't close text file" and returns -1.
    int close(Console& con);

private:
    std::unique_ptr<OutStream> out_;
};

}  // namespace dec
