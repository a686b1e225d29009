// The output files of one tag, whichever generation or kind of tag writes them.
//
// Every per-tag file name is formed here, from one table: the tag number and,
// for generation-5 tags of software 10 with a time-stamped input name, the
// run's prefix in front of "tag". The files are outputs of the tag's
// OutputSet: staged under a temporary name and renamed when the tag is done.
#pragma once

#include <array>
#include <cstdint>

#include "common/columns.h"
#include "common/console.h"
#include "common/output_plan.h"
#include "common/output_set.h"
#include "common/outstream.h"
#include "common/text_file.h"

namespace dec {

class TagFileSet {
  public:
    TagFileSet(Console& con, OutputSet& outputs, const char* prefix, uint32_t tag_number)
        : con_(con), outputs_(outputs), prefix_(prefix), tag_(tag_number) {}
    // Files still open are closed (see close_all).
    ~TagFileSet() { close_all(); }
    TagFileSet(const TagFileSet&) = delete;
    TagFileSet& operator=(const TagFileSet&) = delete;

    // Creates `file`; its stream, or nullptr after printing the failure (the
    // files opened before are closed then).
    OutStream* open(TagFile file);
    bool is_open(TagFile file) const { return files_[index(file)].is_open(); }
    OutStream& out(TagFile file) { return files_[index(file)].out(); }
    // Writes the type sidecar of `file` ("tag17_gps.csvt" for "tag17_gps.txt")
    // as an output of the set: 0, or -1 after printing the failure.
    int write_column_types(TagFile file, const ColumnTable& columns);
    // Closes the open files in the order they were opened: 0, or -1 when one
    // could not be written completely.
    int close_all();

  private:
    static size_t index(TagFile f) { return static_cast<size_t>(f); }

    Console& con_;
    OutputSet& outputs_;
    const char* prefix_;
    uint32_t tag_;
    std::array<TextFile, kTagFiles> files_;
    std::array<TagFile, kTagFiles> opened_{};  // in the order of opening
    size_t open_count_ = 0;
};

}  // namespace dec
