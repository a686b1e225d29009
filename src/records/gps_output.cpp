#include "records/gps_output.h"

#include "records/gps_print.h"
#include "records/movebank_columns.h"
#include "records/record_sink.h"

namespace dec {

namespace {

// The GPS line legend up to column 22, without its line end: the layouts add
// their own columns behind it.
constexpr const char* kLegendStart =
    "\nFormat of gps data: comma separated values:\n(1) \"GPS\" (2) number of days since march "
    "4/2007 (3) date (4) day of week (5) time of day\n(6) longitude (7) latitude (8) height above "
    "ellipsoid, m (9) type of fix (10) status (11) flag of gpsclock\n(12) noiselevel (13) "
    "expended time to get fix (14) date of fix (15) weekday of fix\n(16) time of day of gps fix "
    "(17) battery voltage, mV (18) temperature\n(19) speed over ground, m/s (20) heading, degree "
    "(21) speed inaccuracy estimate, m/s\n(22) horizontal inaccuracy estimate, m";
constexpr const char* kLegendV10 =
    " (23) pdop (24) satellite-count (25) pressure, hPa\n(26) q0raw (27) q1raw (28) q2raw (29) "
    "q3raw (30) magnx (31) magny (32) magnz\n";
// The extended columns of software 9 and generation 3.
constexpr const char* kExtendedLegend =
    "(23) loaded batvolt, mV (24) batvolt at gpsfix, mV (25) accumulated gps ontime, hours\n";
constexpr const char* kExtendedLegendV10 =
    "(26) loaded batvolt, mV (27) batvolt at gpsfix, mV (28) accumulated gps ontime, hours\n(29) "
    "vertical inaccuracy estimate, m\n";
constexpr const char* kVerticalLegendV9 = "(26) vertical inaccuracy estimate, m\n";
// Generation-3 tags 3 to 8.
constexpr const char* kEarlyLegend =
    "\nData format of GPS:\n(1) GPS (2) daynumber(3) simple time of day (4) longitude (5) "
    "latitude (6) height (7) type of fix (8) status\n(9) flag of gpsclock (10) noiselevel (11) "
    "used time to get fix (12) gps date (13) day of week\n(14) gps week number (15) gps time of "
    "day of fix (16) battery voltage mV (17) temperature\n";
constexpr const char* kCoarseTemperature =
    "Temperature is in degree Celsius with low accuracy.\n\n";
constexpr const char* kFineTemperature =
    "Temperature is in degree Celsius with max inaccuracy +/- 1 degree between 0 and 85 degree "
    "Celsius.\n\n";
// Feature bit of software-10 tags whose temperature sensor is calibrated.
constexpr uint32_t kFeatureAccurateTemperature = 0x4000;

}  // namespace

void GpsOutput::legend(const TagState& tag) {
    OutStream& info = *streams_.info;
    const bool extended = plan_.gps_extended;
    if (layout_ == TagLayout::gen3 && plan_.movebank) {
        put_header(info, movebank_gps_start(), plan_.utc != nullptr);
        return;
    }
    if (layout_ == TagLayout::gen3 && plan_.gen3.early_tag) {
        info.put(kEarlyLegend);
        info.put(kCoarseTemperature);
        return;
    }
    info.put(kLegendStart);
    if (layout_ == TagLayout::v10) {
        info.put(kLegendV10);
        if (extended) {
            info.put(kExtendedLegendV10);
        }
        info.put((tag.feature_word & kFeatureAccurateTemperature) != 0 ? kFineTemperature
                                                                       : kCoarseTemperature);
        return;
    }
    info.put("\n");
    if (extended) {
        info.put(kExtendedLegend);
        if (layout_ == TagLayout::v9) {
            info.put(kVerticalLegendV9);
        }
    }
    if (layout_ == TagLayout::gen3) {
        info.put(kCoarseTemperature);
    }
}

void GpsOutput::head(const TagState& tag) {
    if (plan_.movebank) {
        put_header(*streams_.main, movebank_columns(TagFile::gps, layout_), plan_.utc != nullptr);
    }
    if (!plan_.gps) {
        return;
    }
    switch (plan_.gps_form) {
        case GpsForm::kml:
            write_kml_head(*streams_.main, tag.tag_number, track_);
            break;
        case GpsForm::gpx:
            write_gpx_head(*streams_.main, tag.tag_number);
            break;
        case GpsForm::line:
        case GpsForm::movebank:
            legend(tag);
            break;
    }
}

void GpsOutput::fix(const GpsFix& f, uint32_t key, TagState& tag) {
    if (plan_.sink != nullptr) {
        plan_.sink->fix(f, key, tag);
        return;
    }
    OutStream& out = *streams_.main;
    const uint32_t number = tag.tag_number;
    const TimeScale times{plan_.utc, &tag.utc_past_expiry};
    switch (plan_.gps_form) {
        case GpsForm::kml:
            if (layout_ == TagLayout::v10) {
                write_gps_placemark(out, track_, f, plan_, number, tag.gps_record_counter, times);
            } else {
                write_gps_placemark_v9(out, track_, f, number, tag.gps_record_counter, times);
            }
            break;
        case GpsForm::gpx:
            if (f.valid) {
                // Only extended records carry the DOP.
                const uint8_t dop = f.kind == GpsKind::extended ? f.dop_raw : 0;
                write_gpx_trackpoint(out, f.tow_ms, f.week, f.lon, f.lat, f.height_mm, dop, times);
            }
            break;
        case GpsForm::movebank:
        case GpsForm::line:
            write_gps_line(out, f, plan_, layout_,
                           GpsLineFacts{key, number, tag.gps_ontime, times});
            break;
    }
}

void GpsOutput::tail() {
    switch (plan_.gps_form) {
        case GpsForm::kml:
            write_kml_end(*streams_.main, track_);
            break;
        case GpsForm::gpx:
            write_gpx_end(*streams_.main);
            break;
        case GpsForm::line:
        case GpsForm::movebank:
            break;
    }
}

}  // namespace dec
