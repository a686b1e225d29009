// The outputs of one tag, whichever generation it comes from: its file set,
// its streams, the heads and tails of its outputs, its GPS output and the
// STATS line.
//
// Steps to add an output form (a menu key that writes something new):
//   1. common/action.h and cli/actions.cpp: the key's bit and row;
//      common/output_plan.h/.cpp: the plan field or enum value it sets.
//   2. For a form of GPS fixes: records/gps_output.cpp (its case in head, fix
//      and tail; the compiler names each switch that lacks it), where a short
//      line is printed too; a line sharing fields with the others goes in
//      records/gps_print.cpp. For a form of acceleration bursts:
//      records/acc_output.cpp (write_burst's switch and write_acc_heads).
//   3. A new main file: its TagFile value (common/output_plan.h) and its name
//      in the table of store/tag_file_set.cpp.
//   4. A golden case in tests/golden.
// A GPS form in a new main file so touches six source files: action.h,
// actions.cpp, output_plan.h, output_plan.cpp, gps_output.cpp and
// tag_file_set.cpp.
// The loops of both generations need no change: they hand records to the
// tag's record entry (tag_records.h), which hands them to these writers.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "common/console.h"
#include "common/leap_seconds.h"
#include "common/output_plan.h"
#include "common/output_set.h"
#include "common/tag_state.h"
#include "records/gps_output.h"
#include "records/record_sink.h"
#include "records/tag_layout.h"
#include "store/tag_file_set.h"

namespace dec {

class TagOutput {
  public:
    // `prefix` goes in front of the names of software-10 tags.
    TagOutput(Console& con, OutputSet& outputs, const OutputPlan& run_plan, TagLayout layout,
              const char* prefix, TagState& tag);

    // Opens the files the plan asks for and writes the version line: 0, or
    // -1 after printing the failure. With a sink in the plan no file is
    // opened: the information text is kept for the sink, the rest dropped.
    int open();
    // The heads of every output, before the first record (the tag's feature
    // word is known by then), and the type sidecars of the MOVEBANK files: 0,
    // or -1 after printing the failure of a sidecar.
    int write_heads();
    // The ends of the documents, after the last record.
    void write_tails();
    // Writes the STATS line when that is the output and closes the files: 0,
    // or -1 when a file could not be written completely.
    int close();

    const OutputPlan& plan() const { return plan_; }
    TagLayout layout() const { return layout_; }
    TagState& tag() { return tag_; }
    const TagStreams& streams() const { return streams_; }
    GpsOutput& gps() { return gps_; }

  private:
    bool stats_only() const { return layout_ == TagLayout::v10 && plan_.stats_line; }
    int open_files();
    void open_memory();

    Console& con_;
    OutputPlan plan_;
    TagLayout layout_;
    TagState& tag_;
    TagFileSet files_;
    TagStreams streams_;
    GpsOutput gps_;
    // The streams of a run into a sink.
    std::string info_text_;
    std::string dropped_text_;
    std::unique_ptr<OutStream> info_memory_;
    std::unique_ptr<OutStream> dropped_;
    DroppingSink dropped_records_;
};

// The first line of every information file: the decoder version and build.
void write_version_line(OutStream& info);

// The STATS line of a tag (one line, with its line end).
// The information line of a tag with a time in UTC past the expiry of the
// leap-second list (--utc): the last known offset was applied.
void write_utc_expiry_warning(OutStream& info, const LeapSeconds& table);
void print_stats_line(OutStream& out, uint32_t tag_number, const TagState& state);

}  // namespace dec
