#include "records/kml.h"

#include <gtest/gtest.h>

#include <string>

namespace dec {
namespace {

// The icon style block, once with each scale.
std::string icon_style(const char* scale) {
    return std::string("\t\t<IconStyle>\n\t\t\t<scale>") + scale +
           "</scale>\n"
           "\t\t\t<Icon>\n"
           "\t\t\t\t<href>http://maps.google.com/mapfiles/kml/shapes/open-diamond.png</href>\n"
           "\t\t\t</Icon>\n"
           "\t\t</IconStyle>\n"
           "\t\t<LabelStyle>\n"
           "\t\t\t<color>ff1145ff</color>\n"
           "\t\t</LabelStyle>\n"
           "\t</Style>\n";
}

TEST(Kml, HeadNamesTheTagAndEmptiesTheTrack) {
    KmlTrack track;
    track.add(1, 2);
    std::string text;
    {
        OutStream out(&text);
        write_kml_head(out, 17, track);
        out.flush();
    }
    const std::string expected =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n"
        "<Document>\n"
        "\t<name>tag17</name>\n"
        "\t<open>1</open>\n"
        "\t<StyleMap id=\"mdi\">\n"
        "\t\t<Pair>\n"
        "\t\t\t<key>normal</key>\n"
        "\t\t\t<styleUrl>#sn_open-diamond_copy0</styleUrl>\n"
        "\t\t</Pair>\n"
        "\t\t<Pair>\n"
        "\t\t\t<key>highlight</key>\n"
        "\t\t\t<styleUrl>#sh_open-diamond_copy0</styleUrl>\n"
        "\t\t</Pair>\n"
        "\t</StyleMap>\n"
        "\t<Style id=\"sn_open-diamond_copy0\">\n" +
        icon_style("1.2") + "\t<Style id=\"sh_open-diamond_copy0\">\n" + icon_style("1.4") +
        "\t<Folder>\n"
        "\t\t<name>Points</name>\n"
        "\t\t<visibility>0</visibility>\n";
    EXPECT_EQ(text, expected);
    EXPECT_EQ(track.count(), 0);
}

TEST(Kml, PlainAndLetteredPlacemarks) {
    KmlTrack track;
    std::string text;
    {
        OutStream out(&text);
        // -1999 mm truncates toward zero to -1 m.
        write_kml_placemark(out, track, 7, 0, "desc", 87654321, 475432100, -1999);
        write_kml_placemark(out, track, 8, 'C', "x", -1234567, -2, 1999);
        out.flush();
    }
    EXPECT_EQ(text,
              "\t\t<Placemark>\n"
              "\t\t\t<name>7</name>\n"
              "\t\t\t<visibility>0</visibility>\n"
              "\t\t\t<description>desc</description>\n"
              "\t\t\t<styleUrl>#mdi</styleUrl>\n"
              "\t\t\t<Point>\n"
              "\t\t\t\t<coordinates>8.765432,47.543210,-1</coordinates>\n"
              "\t\t\t</Point>\n"
              "\t\t</Placemark>\n"
              "\t\t<Placemark>\n"
              "\t\t\t<name>8 C</name>\n"
              "\t\t\t<visibility>0</visibility>\n"
              "\t\t\t<description>x</description>\n"
              "\t\t\t<styleUrl>#mdi</styleUrl>\n"
              "\t\t\t<Point>\n"
              "\t\t\t\t<coordinates>-0.123457,-0.000000,1</coordinates>\n"
              "\t\t\t</Point>\n"
              "\t\t</Placemark>\n");
    ASSERT_EQ(track.count(), 2);
    EXPECT_EQ(track.lon(1), -1234567);
    EXPECT_EQ(track.lat(1), -2);
}

constexpr char kLineHead[] =
    "\t</Folder>\n"
    "\t<Placemark>\n"
    "\t\t<name>Line</name>\n"
    "\t\t<Style>\n"
    "\t\t<LineStyle>\n"
    "\t\t\t<color>ff0000e6</color>\n"
    "\t\t\t<width>4</width>\n"
    "\t\t</LineStyle>\n"
    "\t\t</Style>\n"
    "\t\t<LineString>\n"
    "\t\t\t<tessellate>1</tessellate>\n"
    "\t\t\t<coordinates>\n";
constexpr char kLineTail[] =
    "\n"
    "\t\t\t</coordinates>\n"
    "\t\t</LineString>\n"
    "\t</Placemark>\n"
    "</Document>\n"
    "</kml>\n";

TEST(Kml, EndDrawsTheLineThroughTheTrack) {
    KmlTrack track;
    track.add(87654321, 475432100);
    track.add(87000000, 475000000);
    std::string text;
    {
        OutStream out(&text);
        write_kml_end(out, track);
        out.flush();
    }
    EXPECT_EQ(text,
              std::string(kLineHead) + "8.765432,47.543210,0 8.700000,47.500000,0 " + kLineTail);
}

TEST(Kml, EndWithoutPointsHasAnEmptyCoordinateList) {
    KmlTrack track;
    std::string text;
    {
        OutStream out(&text);
        write_kml_end(out, track);
        out.flush();
    }
    EXPECT_EQ(text, std::string(kLineHead) + kLineTail);
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
    std::string text;
    {
        OutStream out(&text);
        write_kml_placemark(out, track, 100001, 0, "", 5, 5, 0);
        out.flush();
    }
    EXPECT_NE(text.find("<name>100001</name>"), std::string::npos);
    EXPECT_EQ(track.count(), 100000);
    track.reset();
    EXPECT_EQ(track.count(), 0);
}

TEST(Gpx, HeadPointAndEnd) {
    std::string text;
    {
        OutStream out(&text);
        write_gpx_head(out, 17);
        // 604,799,600 ms of week 2000 round to 00:00:00 of week 2001 (Sunday 2018-05-13).
        write_gpx_trackpoint(out, 604799600, 2000, 87654321, 475432100, 512300, 13);
        write_gpx_trackpoint(out, 262923400, 2000, -87654321, -475432100, -1999, 0);
        write_gpx_trackpoint(out, 0, 0, 10000000, 20000000, 0, 5);  // no time: no element
        write_gpx_end(out);
        out.flush();
    }
    EXPECT_EQ(text,
              "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>\n"
              "<gpx version=\"1.1\" creator=\"Tavro data decoder V21\" "
              "xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
              "<metadata> <name>tag17</name> </metadata>\n"
              "<trk>\n"
              "<trkseg>\n"
              "\t<trkpt lat=\"47.543210\" lon=\"8.765432\">\n"
              "\t<ele>512.3</ele>\n"
              "\t<time>2018-05-13T00:00:00Z</time>\n"
              "\t<pdop>1.3</pdop>\n"
              "\t</trkpt>\n"
              "\t<trkpt lat=\"-47.543210\" lon=\"-8.765432\">\n"
              "\t<ele>-2.0</ele>\n"
              "\t<time>2018-05-09T01:02:03Z</time>\n"
              "\t<pdop>0.0</pdop>\n"
              "\t</trkpt>\n"
              "\t<trkpt lat=\"2.000000\" lon=\"1.000000\">\n"
              "\t<ele>0.0</ele>\n"
              "\t<pdop>0.5</pdop>\n"
              "\t</trkpt>\n"
              "</trkseg>\n"
              "</trk>\n"
              "</gpx>\n");
}

}  // namespace
}  // namespace dec
