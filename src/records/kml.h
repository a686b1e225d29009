// KML and GPX documents of a tag's GPS fixes.
//
// A KML document holds one point placemark per fix inside a "Points" folder and,
// at its end, one line placemark through the collected points. A GPX document is
// a single track segment of the valid fixes. The tag's decode loop writes the
// heads and ends; the GPS decoders write placemarks and track points.
#pragma once

#include <cstdint>
#include <memory>

#include "common/outstream.h"
#include "common/tagtime.h"

namespace dec {

// The points of the line placemark, in the order their placemarks were written.
// Allocated once by the decode loop and reused for every tag; adding a point
// never allocates. Points beyond the capacity are dropped without a message.
class KmlTrack {
  public:
    static constexpr int32_t kMaxPoints = 100000;

    KmlTrack();

    void reset() { count_ = 0; }
    void add(int32_t lon, int32_t lat);
    int32_t count() const { return count_; }
    int32_t lon(int32_t i) const { return lon_[static_cast<size_t>(i)]; }
    int32_t lat(int32_t i) const { return lat_[static_cast<size_t>(i)]; }

  private:
    std::unique_ptr<int32_t[]> lon_;
    std::unique_ptr<int32_t[]> lat_;
    int32_t count_ = 0;
};

// Document head with the name "tag<n>"; empties the track.
void write_kml_head(OutStream& out, uint32_t tag_number, KmlTrack& track);

// One point placemark named by the GPS record counter (plain form, letter 0) or
// by the counter, a blank and the fix status letter (lettered form). Longitude
// and latitude in 1e-7 degree, height in millimetres. Adds the point to the track.
void write_kml_placemark(OutStream& out, KmlTrack& track, uint32_t number, char letter,
                         const char* description, int32_t lon, int32_t lat, int32_t height_mm);

// Closes the point folder and writes the line placemark through the track.
void write_kml_end(OutStream& out, const KmlTrack& track);

// GPX 1.1 head with the decoder version as creator and the name "tag<n>".
void write_gpx_head(OutStream& out, uint32_t tag_number);

// One track point: time of week in milliseconds and week of the fix, position in
// 1e-7 degree, height in millimetres, DOP in units of 0.1 (0 when unknown).
// `times`: the time of the point.
void write_gpx_trackpoint(OutStream& out, uint32_t tow_ms, int16_t week, int32_t lon, int32_t lat,
                          int32_t height_mm, uint8_t dop, const TimeScale& times = {});

void write_gpx_end(OutStream& out);

}  // namespace dec
