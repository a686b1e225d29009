// The one entry through which a tag's loop hands over its records.
//
// The loops of both generations read a tag's flash image, join the units or
// blocks of a record and hand each complete record here, with its kind. This
// entry keeps the order of the outputs: acceleration bursts may be held back
// to be filtered side by side (burst_batch.h), and every record that is not
// such a burst writes the held ones first; so does settle(), which a loop
// calls before it writes anything of its own.
//
// Steps to add a record type:
//   1. The loop that meets it (gen5/block_loop.cpp's unit table, gen5/ecg_loop.cpp
//      or gen3/gps_acc_run.cpp): its unit or block types, joined as the others.
//   2. This file: a value of RecordKind; tag_records.cpp: its case in take()
//      (the compiler names the switch that lacks it).
//   3. records/: its decoder (bytes to a struct) and printer, writing to the
//      streams of TagOutput (tag_output.h), in files of their own listed in
//      records/CMakeLists.txt.
// A single-unit record of generation 5 so touches six files: the unit table,
// this header, tag_records.cpp, the new pair of files and the file list.
#pragma once

#include <cstdint>
#include <memory>

#include "common/memory_budget.h"
#include "records/tag_output.h"

namespace dec {

enum class RecordKind : uint8_t {
    sysinfo,           // events and system information
    gps_cooked,        // software 10 and 9: block 0x30; generation 3: 0x31
    gps_extended,      // block 0x34
    gps_seeded,        // block 0x36: the extended record, sums seeded with the tag number
    gps_early,         // generation-3 block 0x30
    acc_burst,         // bursts 0x40 (generation 3: blocks 0x40 to 0x5F)
    acc_burst_seeded,  // bursts 0x44, sums seeded with the tag number
    newacc,            // IMU accelerometer bursts
    quatcmp,           // IMU quaternions and magnetic field
    satellites,        // satellite reports
    gsm_text,          // GSM text messages
    ecg,               // ECG bursts
};

class TagRecords {
  public:
    // The spectra's tables take from `tables` (the run's budget);
    // `ecg_format` is the ECG format byte of ECG tags' settings.
    TagRecords(TagOutput& out, Console& con, MemoryBudget& tables, uint8_t ecg_format = 0);
    ~TagRecords();
    TagRecords(const TagRecords&) = delete;
    TagRecords& operator=(const TagRecords&) = delete;

    // One complete record of `length` bytes (payloads joined); the decoders
    // may change it in place.
    void take(RecordKind kind, uint8_t* record, uint32_t length);
    // Writes the bursts held back: the loop is about to write.
    void settle();
    // After the last record: the held bursts, then the ends of the documents.
    void finish();

  private:
    struct Decoders;

    TagOutput& out_;
    uint8_t ecg_format_;
    std::unique_ptr<Decoders> d_;
};

}  // namespace dec
