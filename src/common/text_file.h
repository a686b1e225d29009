// A text output file: an output of an OutputSet behind an OutStream.
#pragma once

#include <cstddef>
#include <memory>

#include "common/console.h"
#include "common/output_set.h"
#include "common/outstream.h"

namespace dec {

// What the decoders print, with the system's error text, when open() fails.
inline constexpr const char* kOpenTextFileError = "Couldn't open or create new textfile";

class TextFile {
  public:
    TextFile() = default;
    // Closes the file as close() does.
    ~TextFile() { close(); }
    TextFile(const TextFile&) = delete;
    TextFile& operator=(const TextFile&) = delete;

    // Starts output `name` of `outputs`; failures of the file are reported
    // on `con`. 0, or -1 with errno after printing kOpenTextFileError and the
    // name (the set has then stopped: see OutputSet::create).
    int open(Console& con, OutputSet& outputs, const char* name);
    bool is_open() const { return out_ != nullptr; }
    OutStream& out() { return *out_; }
    // Writes out and closes. When the file could not be written completely,
    // prints the system's error text after "Couldn't close text file" and the
    // file's name, the output is dropped, and the result is -1.
    int close();

  private:
    Console* con_ = nullptr;
    OutputSet* outputs_ = nullptr;
    size_t entry_ = 0;
    std::unique_ptr<OutStream> out_;
};

}  // namespace dec
