#include "records/kml.h"

#include "common/tagtime.h"
#include "common/version.h"

namespace dec {

namespace {

constexpr double kDegreesPerUnit = 1e-7;

// The icon style of the point placemarks; written twice, normal and highlighted,
// differing only in the scale.
void write_icon_style(OutStream& out, const char* scale) {
    out.put("\t\t<IconStyle>\n");
    out.printf("\t\t\t<scale>%s</scale>\n", scale);
    out.put(
        "\t\t\t<Icon>\n"
        "\t\t\t\t<href>http://maps.google.com/mapfiles/kml/shapes/open-diamond.png</href>\n"
        "\t\t\t</Icon>\n"
        "\t\t</IconStyle>\n"
        "\t\t<LabelStyle>\n"
        "\t\t\t<color>ff1145ff</color>\n"
        "\t\t</LabelStyle>\n"
        "\t</Style>\n");
}

}  // namespace

KmlTrack::KmlTrack() = default;

void KmlTrack::add(int32_t lon, int32_t lat) {
    if (count_ >= kMaxPoints) {
        return;
    }
    if (lon_ == nullptr) {
        // The store is taken once, when a tag's first point arrives.
        lon_.reset(new int32_t[kMaxPoints]);
        lat_.reset(new int32_t[kMaxPoints]);
    }
    lon_[static_cast<size_t>(count_)] = lon;
    lat_[static_cast<size_t>(count_)] = lat;
    ++count_;
}

void write_kml_head(OutStream& out, uint32_t tag_number, KmlTrack& track) {
    track.reset();
    out.put(
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<kml xmlns=\"http://www.opengis.net/kml/2.2\">\n"
        "<Document>\n");
    out.printf("\t<name>tag%i</name>\n", static_cast<int>(tag_number));
    out.put(
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
        "\t<Style id=\"sn_open-diamond_copy0\">\n");
    write_icon_style(out, "1.2");
    out.put("\t<Style id=\"sh_open-diamond_copy0\">\n");
    write_icon_style(out, "1.4");
    out.put(
        "\t<Folder>\n"
        "\t\t<name>Points</name>\n"
        "\t\t<visibility>0</visibility>\n");
}

void write_kml_placemark(OutStream& out, KmlTrack& track, uint32_t number, char letter,
                         const char* description, int32_t lon, int32_t lat, int32_t height_mm) {
    track.add(lon, lat);
    out.put("\t\t<Placemark>\n");
    if (letter == 0) {
        out.printf("\t\t\t<name>%i</name>\n", static_cast<int>(number));
    } else {
        out.printf("\t\t\t<name>%i %c</name>\n", static_cast<int>(number), letter);
    }
    out.printf(
        "\t\t\t<visibility>0</visibility>\n"
        "\t\t\t<description>%s</description>\n"
        "\t\t\t<styleUrl>#mdi</styleUrl>\n"
        "\t\t\t<Point>\n"
        "\t\t\t\t<coordinates>%f,%f,%i</coordinates>\n"
        "\t\t\t</Point>\n"
        "\t\t</Placemark>\n",
        description, lon * kDegreesPerUnit, lat * kDegreesPerUnit, height_mm / 1000);
}

void write_kml_end(OutStream& out, const KmlTrack& track) {
    out.put(
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
        "\t\t\t<coordinates>\n");
    for (int32_t i = 0; i < track.count(); ++i) {
        out.printf("%f,%f,0 ", track.lon(i) * kDegreesPerUnit, track.lat(i) * kDegreesPerUnit);
    }
    out.put(
        "\n"
        "\t\t\t</coordinates>\n"
        "\t\t</LineString>\n"
        "\t</Placemark>\n"
        "</Document>\n"
        "</kml>\n");
}

void write_gpx_head(OutStream& out, uint32_t tag_number) {
    out.printf(
        "<?xml version=\"1.0\" encoding=\"UTF-8\" standalone=\"no\" ?>\n"
        // The namespace makes the document a GPX 1.1 document for readers
        // that validate or select elements by namespace.
        "<gpx version=\"1.1\" creator=\"Tavro data decoder V%hhu\" "
        "xmlns=\"http://www.topografix.com/GPX/1/1\">\n"
        "<metadata> <name>tag%i</name> </metadata>\n"
        "<trk>\n"
        "<trkseg>\n",
        kDecoderVersion, static_cast<int>(tag_number));
}

void write_gpx_trackpoint(OutStream& out, uint32_t tow_ms, int16_t week, int32_t lon, int32_t lat,
                          int32_t height_mm, uint8_t dop, const TimeScale& times) {
    char time[256];
    format_gpx_time(tow_ms, week, time, sizeof time, times);
    out.printf("\t<trkpt lat=\"%f\" lon=\"%f\">\n\t<ele>%.1f</ele>\n", lat * kDegreesPerUnit,
               lon * kDegreesPerUnit, height_mm / 1000.0);
    // A point without a usable time leaves out the element: an empty one is
    // not a valid time for GPX readers.
    if (time[0] != '\0') {
        out.printf("\t<time>%s</time>\n", time);
    }
    out.printf("\t<pdop>%.1f</pdop>\n\t</trkpt>\n", dop * 0.1);
}

void write_gpx_end(OutStream& out) {
    out.put("</trkseg>\n</trk>\n</gpx>\n");
}

}  // namespace dec
