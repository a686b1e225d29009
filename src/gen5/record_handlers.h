// The hand-over from the block loop to the record decoders.
//
// The loop assembles records from units; each complete record goes to one
// method here, which calls the decoder of its family with the tag's streams and
// state. Per-tag decoder state (the KML track, the burst buffers) lives here,
// created once per tag.
#pragma once

#include <cstdint>
#include <memory>

#include "gen5/tag_loop.h"

namespace dec {

class KmlTrack;

class RecordHandlers {
  public:
    RecordHandlers(TagRun& tag, bool version9);
    ~RecordHandlers();

    // Output heads and ends of the map formats.
    void begin_gps_output();
    void end_gps_output();

    void sysinfo(const uint8_t* payload);
    void gps_cooked(const uint8_t* payload);
    // variant 0: checksum not seeded (0x34); 1: seeded with the tag number (0x36)
    void gps_extended(const uint8_t* payload, int variant);
    // variant 0 (0x40) or 1 (0x44); version-9 tags know only variant 0
    void acc_burst(const uint8_t* record, uint32_t length, int variant);
    void newacc(const uint8_t* record, uint32_t length);
    void quatcmp(const uint8_t* record, uint32_t length);
    void satellites(const uint8_t* record, uint32_t length);
    // Acceleration bursts may be held back to be filtered together (see
    // burst_batch.h); this writes them out. Every handler above but acc_burst
    // does so first; the block loop does before anything else it writes or
    // changes that a burst's lines show (the GPS record counter).
    void flush_bursts();

  private:
    struct Decoders;

    TagRun& tag_;
    bool version9_;
    std::unique_ptr<Decoders> d_;
};

}  // namespace dec
