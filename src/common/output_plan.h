// What a run writes and how: the output plan of the chosen menu key.
//
// The run controller derives the plan once, from the action word of the menu
// key and the answer to the ACC time-stamp menu. Decoders and writers read its
// named fields. What differs per tag or per burst (the generation-3 tag
// variants, the acceleration forced on by MOVEBANK, bursts without sub-second
// times) is changed on a copy.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dec {

class LeapSeconds;
class RecordSink;
class RecordTables;

// Every file a tag may write; the plan's main file is one of the first six.
// Their names are formed from one table in store/tag_file_set.cpp.
enum class TagFile : uint8_t {
    all,          // "tag%i.txt": acceleration and GPS together; interaction tags' protocol
    acc,          // "tag%i_acc.txt", also the acceleration file of MOVEBANK
    acc_spectra,  // "tag%i_accdft.txt"
    gps,          // "tag%i_gps.txt", also the GPS file of MOVEBANK
    kml,          // "tag%i.kml"
    gpx,          // "tag%i.gpx"
    info,         // "info_tag%i.txt"
    stats,        // "stat_tag%i.txt" (prefixed tags only)
    quat,         // "tag%i_quat.txt", MOVEBANK quaternions
    mag,          // "tag%i_magnetic.txt", MOVEBANK magnetic field
    ecg,          // "tag%i_ecg.txt"
};
inline constexpr size_t kTagFiles = static_cast<size_t>(TagFile::ecg) + 1;

// The one text form of an acceleration burst.
enum class AccForm : uint8_t {
    axis_spectra,   // one spectrum line per axis
    spectrum_line,  // the deviations and all spectra on one line
    statistics,     // mean, deviation, minimum and maximum per axis
    columns,        // one row per sample, each with its time stamp
    line,           // all samples on one line (or one MOVEBANK line)
};

// The filter applied to the samples before they are written.
enum class AccFilter : uint8_t { none, low_pass, high_pass };

// The time stamp of acceleration lines, rows and statistics lines.
enum class AccTime : uint8_t {
    calendar,    // day number, date, weekday and time of day
    seconds,     // the tag time in seconds
    none,        // rows and statistics lines without time (whole-burst lines keep
                 // the calendar form)
    fix_number,  // rows start with the number of the last GPS fix instead
};

// The one text form of a GPS fix.
enum class GpsForm : uint8_t { line, movebank, kml, gpx };

// Generation-3 tags whose data differ from the rest, known from the tag
// number or the software version of the first open block.
struct Gen3TagVariant {
    bool early_tag = false;        // tags 3 to 8: no dates, one unnamed axis
    bool z_axis_tag = false;       // one z-axis accelerometer at a nominal rate
    bool legacy = false;           // no configuration print, no version check
    bool acc_checked = false;      // software 6 to 8: bursts carry a length and sum
    bool sysinfo_subtype = false;  // software 7 and 8: system information with subtype
};

struct OutputPlan {
    // Which records are decoded.
    bool acc = false;  // acceleration and IMU; the temperature lines of ECG tags
    bool gps = false;

    // The files of a tag.
    TagFile main_file = TagFile::gps;
    bool movebank = false;      // MOVEBANK: CSV lines, acceleration and IMU in own files
    bool stats_line = false;    // records feed only the STATS line of the tag
    bool info_in_main = false;  // the information lines go into the main file

    // Line forms.
    GpsForm gps_form = GpsForm::line;
    bool gps_extended = false;  // GPS lines with batteries, on-time and vertical accuracy
    bool kml_iso_date = false;  // KML placemarks of every record, with ISO dates
    AccForm acc_form = AccForm::line;
    AccFilter acc_filter = AccFilter::none;
    bool variance = false;  // statistics take the variance of the raw samples

    // Time stamps.
    bool tag_time_seconds = false;  // tag time in seconds for the day number and date
    AccTime acc_time = AccTime::calendar;
    bool subseconds = false;  // acceleration rows with the time within the second
    // --utc: GPX, KML and MOVEBANK times in UTC by this table (the run's);
    // none: GPS time.
    const LeapSeconds* utc = nullptr;

    Gen3TagVariant gen3;

    // Set: the records go to these tables as values, and no text is written
    // (records/record_sink.h); `sink` is the current tag's, which its output
    // sets.
    RecordTables* tables = nullptr;
    RecordSink* sink = nullptr;
};

// Whether the records' key-bin checksums are needed.
inline bool wants_keys(const OutputPlan& plan) {
    return plan.movebank || plan.tables != nullptr;
}

// KML and GPX documents hold the track alone: no legends, no filter notices.
inline bool is_track_document(const OutputPlan& plan) {
    return plan.gps_form == GpsForm::kml || plan.gps_form == GpsForm::gpx;
}

// The plan of an action word: the bits of a menu key and of the ACC
// time-stamp answer.
OutputPlan output_plan_of(uint32_t action);

}  // namespace dec
