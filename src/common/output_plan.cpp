#include "common/output_plan.h"

#include <cstddef>

#include "common/action.h"

namespace dec {

namespace {

// A choice among forms: the first rule whose bit the word has decides.
template <class T>
struct FirstSet {
    uint32_t bit;
    T value;
};

template <class T, size_t N>
T first_set(uint32_t action, const FirstSet<T> (&rules)[N], T otherwise) {
    for (const FirstSet<T>& r : rules) {
        if ((action & r.bit) != 0) {
            return r.value;
        }
    }
    return otherwise;
}

constexpr FirstSet<AccForm> kAccForms[] = {
    {ACT_ACC_DFT, AccForm::axis_spectra},
    {ACT_ACC_DFT_LINE, AccForm::spectrum_line},
    {ACT_ACC_STATS, AccForm::statistics},
    {ACT_ACC_COLUMNS, AccForm::columns},
};

constexpr FirstSet<GpsForm> kGpsForms[] = {
    {ACT_KML, GpsForm::kml},
    {ACT_GPX, GpsForm::gpx},
    {ACT_MOVEBANK, GpsForm::movebank},
};

// Both filters asked for: the low-pass one.
constexpr FirstSet<AccFilter> kAccFilters[] = {
    {ACT_ACC_LOWPASS, AccFilter::low_pass},
    {ACT_ACC_HIGHPASS, AccFilter::high_pass},
};

// The main file: MOVEBANK keeps GPS lines in the main file; acceleration
// decides before the track formats.
TagFile main_file_of(uint32_t action) {
    const bool acc = (action & ACT_ACC) != 0;
    if ((action & ACT_MOVEBANK) != 0) {
        return TagFile::gps;
    }
    if (acc && (action & ACT_GPS) != 0) {
        return TagFile::all;
    }
    if (acc) {
        return (action & (ACT_ACC_DFT | ACT_ACC_DFT_LINE)) != 0 ? TagFile::acc_spectra
                                                                : TagFile::acc;
    }
    if ((action & ACT_KML) != 0) {
        return TagFile::kml;
    }
    return (action & ACT_GPX) != 0 ? TagFile::gpx : TagFile::gps;
}

AccTime acc_time_of(uint32_t action) {
    if ((action & ACT_ACC_NO_TIME) != 0) {
        return (action & ACT_ACC_FIX_NUMBER) != 0 ? AccTime::fix_number : AccTime::none;
    }
    return (action & ACT_ACC_JUST_SECONDS) != 0 ? AccTime::seconds : AccTime::calendar;
}

}  // namespace

OutputPlan output_plan_of(uint32_t action) {
    auto has = [action](uint32_t bit) { return (action & bit) != 0; };
    OutputPlan p;
    p.acc = has(ACT_ACC);
    p.gps = has(ACT_GPS);
    p.main_file = main_file_of(action);
    p.movebank = has(ACT_MOVEBANK);
    p.stats_line = has(ACT_STATS_LINE);
    p.info_in_main = has(ACT_INFO_IN_MAIN);
    p.gps_form = first_set(action, kGpsForms, GpsForm::line);
    p.gps_extended = has(ACT_GPS_EXTENDED);
    p.kml_iso_date = has(ACT_KML_ISO_DATE);
    p.acc_form = first_set(action, kAccForms, AccForm::line);
    p.acc_filter = first_set(action, kAccFilters, AccFilter::none);
    // Only statistics lines have a variance form; spectrum lines keep the deviation.
    p.variance = has(ACT_ACC_VARIANCE) && p.acc_form == AccForm::statistics;
    p.tag_time_seconds = has(ACT_TIME_SECONDS);
    p.acc_time = acc_time_of(action);
    p.subseconds = has(ACT_ACC_SUBSECONDS);
    return p;
}

}  // namespace dec
