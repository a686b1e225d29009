// The GPS output of one tag: the head, one entry per fix and the tail, in the
// one form the output plan selects ("GPS," lines, MOVEBANK lines, a KML or a
// GPX document), with the columns of the tag's layout.
//
// Steps to add an output form of GPS fixes:
//   1. common/output_plan.h: a value of GpsForm (and the key's bit in
//      common/action.h and output_plan.cpp, see the README on menu keys).
//   2. This file's .cpp: the form's case in head(), fix() and tail(); the
//      compiler names every switch that lacks it.
//   3. records/gps_print.cpp (or kml.cpp for documents): the line printers.
//   4. store/tag_file_set.*: a name for a new main file, if the form has one.
//   5. cli/actions.cpp: the key's row; a golden case in tests/golden.
#pragma once

#include <cstdint>

#include "common/output_plan.h"
#include "common/tag_state.h"
#include "records/gps_record.h"
#include "records/kml.h"
#include "records/tag_layout.h"

namespace dec {

class GpsOutput {
  public:
    // The streams are read when written to: the information lines may move
    // into the main file after the output opened.
    GpsOutput(const OutputPlan& plan, TagLayout layout, const TagStreams& streams)
        : plan_(plan), layout_(layout), streams_(streams) {}

    // The MOVEBANK header, the legend of the lines (information stream) or the
    // document head, before the first record.
    void head(const TagState& tag);
    // One fix whose record passed its checksum; `key` is its key-bin checksum
    // (MOVEBANK only). Notes in `tag` a time written past the expiry of the
    // plan's leap-second table.
    void fix(const GpsFix& fix, uint32_t key, TagState& tag);
    // The end of a KML or GPX document.
    void tail();

    TagLayout layout() const { return layout_; }
    const KmlTrack& track() const { return track_; }

  private:
    void legend(const TagState& tag);

    const OutputPlan& plan_;
    TagLayout layout_;
    const TagStreams& streams_;
    KmlTrack track_;
};

}  // namespace dec
