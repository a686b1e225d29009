// Where the decoded records go when they are not written as text.
//
// The decoders turn each record into a plain value and hand it to the tag's
// printers. A run that wants the values themselves (the reading library, which
// builds tables in memory) sets RecordTables in the output plan: each tag's
// output then asks it for the tag's RecordSink, and the printers hand every
// record to that instead of writing it, after the same checks, joining and
// statistics as a run writing text, in the order the text would list them.
// Tags decoded side by side ask from their own threads.
#pragma once

#include <cstdint>
#include <string_view>

#include "common/tag_state.h"
#include "records/tag_layout.h"

namespace dec {

// The records as their decoders give them (records/*_record.h, acc_output.h,
// ecg.h, dsp/burst.h).
struct BurstLine;
struct BurstSamples;
struct EcgRecord;
struct GpsFix;
struct QuatcmpBurst;
struct SysinfoEvent;

// One record of a voltage logger: the time in seconds, the temperature and
// load bytes and eight channels in millivolts.
struct VoltageRecord {
    uint32_t time = 0;
    uint16_t temperature_raw = 0;
    uint8_t load = 0;
    uint32_t channel_mv[8] = {};
};

// The records of one tag.
class RecordSink {
  public:
    virtual ~RecordSink() = default;

    // A GPS fix whose record passed its checksum, with the record's key-bin
    // checksum; tag.gps_record_counter numbers it.
    virtual void fix(const GpsFix& fix, uint32_t key, const TagState& tag) = 0;
    // An acceleration burst (also of the IMU's accelerometer) before any
    // filter, its samples in `samples`.
    virtual void burst(const BurstLine& line, const BurstSamples& samples) = 0;
    // Orientation quaternions and magnetic field of the IMU, signs and axes as
    // the outputs print them (see quat_entry_as_printed); `key` is the key-bin
    // checksum.
    virtual void orientation(const QuatcmpBurst& burst, uint32_t key, bool bottom_side) = 0;
    // A system event.
    virtual void event(const SysinfoEvent& event) = 0;
    virtual void ecg(const EcgRecord& record, uint32_t key) = 0;
    // The tag is done: its state (statistics, bad units, connect time) and the
    // text of its information report.
    virtual void end_tag(const TagState& tag, std::string_view info) = 0;
};

// The records of a run.
class RecordTables {
  public:
    virtual ~RecordTables() = default;

    // Whether the records of this tag are wanted; one that is not may be
    // skipped before it is decoded.
    virtual bool wants_tag(uint32_t tag_number) const = 0;
    // The sink of the tag of `tag` (its number set), or none when its records
    // are not wanted. Called from the thread that decodes the tag.
    virtual RecordSink* begin_tag(const TagState& tag, TagLayout layout) = 0;
    // A record of a voltage logger (no tag).
    virtual void voltage(const VoltageRecord& record) = 0;
};

// A sink that drops every record.
class DroppingSink final : public RecordSink {
  public:
    void fix(const GpsFix&, uint32_t, const TagState&) override {}
    void burst(const BurstLine&, const BurstSamples&) override {}
    void orientation(const QuatcmpBurst&, uint32_t, bool) override {}
    void event(const SysinfoEvent&) override {}
    void ecg(const EcgRecord&, uint32_t) override {}
    void end_tag(const TagState&, std::string_view) override {}
};

}  // namespace dec
