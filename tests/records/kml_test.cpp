#include "records/kml.h"

#include <gtest/gtest.h>

#include <string>

#include "expected_sections.h"
#include "testsupport/capture.h"

namespace dec {
namespace {

using testing::capture;

// Heads, placemarks, track points and ends of the KML and GPX files, whole.
TEST(Kml, Documents) {
    KmlTrack track;
    track.add(1, 2);
    KmlTrack empty;
    testing::Sections got;
    got.emplace_back("KML head", capture([&](OutStream& out) { write_kml_head(out, 17, track); }));
    EXPECT_EQ(track.count(), 0);
    got.emplace_back("KML placemarks", capture([&](OutStream& out) {
                         // -1999 mm truncates toward zero to -1 m.
                         write_kml_placemark(out, track, 7, 0, "desc", 87654321, 475432100, -1999);
                         write_kml_placemark(out, track, 8, 'C', "x", -1234567, -2, 1999);
                     }));
    got.emplace_back("KML end", capture([&](OutStream& out) { write_kml_end(out, track); }));
    got.emplace_back("KML end without points", capture([&](OutStream& out) { write_kml_end(out, empty); }));
    got.emplace_back("GPX", capture([](OutStream& out) {
                         write_gpx_head(out, 17);
                         // 604,799,600 ms of week 2000 round to 00:00:00 of week 2001.
                         write_gpx_trackpoint(out, 604799600, 2000, 87654321, 475432100, 512300, 13);
                         write_gpx_trackpoint(out, 262923400, 2000, -87654321, -475432100, -1999, 0);
                         write_gpx_trackpoint(out, 0, 0, 10000000, 20000000, 0, 5);  // no time: no element
                         write_gpx_end(out);
                     }));
    testing::expect_sections("records/expected/kml_gpx.txt", got);
    ASSERT_EQ(track.count(), 2);
    EXPECT_EQ(track.lon(1), -1234567);
    EXPECT_EQ(track.lat(1), -2);
}

TEST(Kml, TrackKeepsTheFirstHundredThousandPoints) {
    KmlTrack track;
    for (int32_t i = 0; i < KmlTrack::kMaxPoints + 1; ++i) {
        track.add(i, -i);
    }
    EXPECT_EQ(track.count(), 100000);
    EXPECT_EQ(track.lon(99999), 99999);
    EXPECT_EQ(track.lat(99999), -99999);
    // The 100,001st placemark is still written, its point is dropped.
    const std::string text =
        capture([&](OutStream& out) { write_kml_placemark(out, track, 100001, 0, "", 5, 5, 0); });
    EXPECT_NE(text.find("<name>100001</name>"), std::string::npos);
    EXPECT_EQ(track.count(), 100000);
    track.reset();
    EXPECT_EQ(track.count(), 0);
}

}  // namespace
}  // namespace dec
