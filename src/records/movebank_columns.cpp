#include "records/movebank_columns.h"

namespace dec {

namespace {

constexpr ColumnType S = ColumnType::string;
constexpr ColumnType I = ColumnType::integer;
constexpr ColumnType R = ColumnType::real;
constexpr ColumnType T = ColumnType::date_time;

// The key-bin checksum keeps its leading zeros: a string of ten digits.
constexpr Column kGpsStart[] = {
    {"key-bin-checksum", S},
    {"tag-serial-number", I},
    {"start-timestamp", T},
    {"longitude", R},
    {"latitude", R},
    {"height-above-ellipsoid", R},
    {"type-of-fix", I},
    {"status", S},
    {"used-time-to-get-fix", I},
    {"timestamp-of-fix", T},
    {"battery-voltage", I},
    {"fix-battery-voltage", I},
    {"temperature", R},  // an integer unless the sensor is calibrated
    {"speed-over-ground", R},
    {"heading-degree", R},
    {"speed-accuracy-estimate", R},
    {"horizontal-accuracy-estimate", R},
};
constexpr Column kGpsV10[] = {
    {"dop", R},
    {"satellite-count", I},
    {"barometric-pressure", R},
    {"quat-w-raw", I},
    {"quat-x-raw", I},
    {"quat-y-raw", I},
    {"quat-z-raw", I},
    {"magnetic-field-x-raw", I},
    {"magnetic-field-y-raw", I},
    {"magnetic-field-z-raw", I},
};
constexpr Column kVersion[] = {{"data-decoding-software", I}};

// Generation 5 puts the decoder version in front of these.
constexpr Column kAcc[] = {
    {"key-bin-checksum", S},  {"tag-serial-number", I},
    {"start-timestamp", T},   {"acceleration-sampling-frequency-per-axis", R},
    {"acceleration-axes", S}, {"accelerations-raw", S},  // samples separated by spaces
};
constexpr Column kQuat[] = {
    {"data-decoding-software", I},
    {"key-bin-checksum", S},
    {"tag-serial-number", I},
    {"start-timestamp", T},
    {"quaternions-sampling-frequency", R},
    {"quaternions-raw", S},
};
constexpr Column kMag[] = {
    {"data-decoding-software", I},
    {"key-bin-checksum", S},
    {"tag-serial-number", I},
    {"start-timestamp", T},
    {"magnetic-field-sampling-frequency-per-axis", R},
    {"temperature", R},
    {"magnetic-fields-raw", S},
};
constexpr Column kEcg[] = {
    {"key-bin-checksum", S},   {"tag-serial-number", I}, {"start-timestamp", T},
    {"temperature", R},        {"bat-mvolt", I},         {"ecg-sampling-frequency", R},
    {"voltage-resolution", R}, {"dyn-offset-comp", I},   {"ecg-raw", S},
};

}  // namespace

ColumnTable movebank_gps_start() {
    return {{kGpsStart}};
}

ColumnTable movebank_columns(TagFile file, TagLayout layout) {
    const bool gen5 = layout != TagLayout::gen3;
    switch (file) {
        case TagFile::gps:
            if (layout == TagLayout::v10) {
                return {{kGpsStart, kGpsV10, kVersion}};
            }
            return gen5 ? ColumnTable{{kGpsStart, kVersion}} : movebank_gps_start();
        case TagFile::acc:
            return gen5 ? ColumnTable{{kVersion, kAcc}} : ColumnTable{{kAcc}};
        case TagFile::quat:
            return {{kQuat}};
        case TagFile::mag:
            return {{kMag}};
        case TagFile::ecg:
            return {{kEcg}};
        default:
            return {};
    }
}

}  // namespace dec
