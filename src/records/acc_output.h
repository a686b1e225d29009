// Text forms of an unpacked acceleration burst.
//
// The bursts of software-10 tags (blocks 0x40/0x44), of software-9 tags, of
// the IMU accelerometer (NEWACC) and of generation-3 tags share one set of
// output forms, the plan's AccForm:
//   A  axis_spectra   one spectrum line per axis ("ACCF%c," / "ACCNF%c,")
//   B  spectrum_line  one line per burst: deviations and all spectra
//   C  statistics     mean, deviation, minimum and maximum per axis
//   D  columns, line  the samples: one row each (columns), a MOVEBANK line,
//                     or one "ACC," line per burst
// They differ only in their line prefixes, time stamps, the MOVEBANK line start
// and whether statistics feed the STATS line, which BurstFamily selects.
#pragma once

#include <cstdint>

#include "records/acc_context.h"
#include "records/tag_layout.h"

namespace dec {

enum class BurstFamily : uint8_t {
    acc,     // software 10: "ACC," prefixes, activity sum
    acc_v9,  // software 9: statistics and rows without "ACC,", no activity sum
    newacc,  // IMU: "ACCN," prefixes and sub-second time stamps throughout
    gen3,    // generation 3: as acc_v9, and MOVEBANK lines without the decoder
             // version column
};

// The decoded burst whose samples are in ctx.buffers.burst.
struct BurstLine {
    BurstFamily family;
    uint32_t time;          // tag time of the first sample, whole seconds
    double first_us;        // NEWACC: microseconds after `time`, not truncated; else 0
    const char* axes;       // axis letters, empty for a record without axis bits
    int8_t axis_count;      // 1 to 3
    int32_t n;              // samples per axis
    double rate;            // per-axis rate, Hz; 0 when unknown
    uint32_t key;           // key-bin checksum of the MOVEBANK line
    bool overflow = false;  // the MMA8452 sensor reported an overflow
};

// Microseconds as the sub-second time printers take them: truncated toward
// zero (negative values give 0).
uint32_t whole_microseconds(double us);

// The microseconds after line.time of a burst's rows in turn, as the rows
// with sub-second times print them: the IMU's from the row number in single
// precision, as the tag software does; the others summed step by step.
class RowClock {
  public:
    explicit RowClock(const BurstLine& line)
        : line_(line), step_us_(line.rate > 0.0 ? 1000000 / line.rate : 0.0) {}
    uint32_t next() {
        const int32_t j = row_++;
        if (line_.family == BurstFamily::newacc) {
            const auto row_us = static_cast<double>(static_cast<float>(j) * 1000000.0f);
            return whole_microseconds(row_us / line_.rate + line_.first_us);
        }
        const uint32_t us = whole_microseconds(offset_us_);
        offset_us_ += step_us_;
        return us;
    }

  private:
    const BurstLine& line_;
    double step_us_;
    double offset_us_ = 0.0;
    int32_t row_ = 0;
};

// Writes the line start, filters the samples as the plan's AccFilter asks and
// writes the one output form the plan selects. A rate of 0 gives no
// sub-second row times. A sensor overflow is reported on the information
// stream first.
void write_burst(const BurstLine& line, AccContext& ctx);

// The heads of the acceleration and IMU outputs of a tag, before its first
// record: MOVEBANK headers, the legend of the spectrum lines (information
// stream) and the filter notices.
void write_acc_heads(const OutputPlan& plan, TagLayout layout, const TagStreams& streams);

}  // namespace dec
