// The column lists of the tables: names and types, in the order the bindings
// show them. Names are Movebank's attribute names where one exists.
#include "tavro/tavro.h"

namespace tavro {

namespace {

template <class T>
constexpr ColumnType type_of();
template <>
constexpr ColumnType type_of<uint8_t>() {
    return ColumnType::u8;
}
template <>
constexpr ColumnType type_of<int16_t>() {
    return ColumnType::i16;
}
template <>
constexpr ColumnType type_of<uint16_t>() {
    return ColumnType::u16;
}
template <>
constexpr ColumnType type_of<int32_t>() {
    return ColumnType::i32;
}
template <>
constexpr ColumnType type_of<uint32_t>() {
    return ColumnType::u32;
}
template <>
constexpr ColumnType type_of<double>() {
    return ColumnType::f64;
}

template <class T>
Column column(const char* name, const Array<T>& v) {
    return Column{name, type_of<T>(), v.data(), v.size()};
}

Column column(const char* name, const std::vector<std::string>& v) {
    return Column{name, ColumnType::text, v.data(), v.size()};
}

Column time_column(const char* name, const Array<int64_t>& v) {
    return Column{name, ColumnType::time_ns, v.data(), v.size()};
}

}  // namespace

std::vector<Column> GpsFixes::columns() const {
    return {
        column("tag-local-identifier", tag),
        column("gps-record", record),
        column("record-kind", kind),
        time_column("timestamp", time),
        time_column("timestamp-gps", time_gps),
        time_column("start-timestamp", start),
        time_column("start-timestamp-gps", start_gps),
        column("location-long", lon),
        column("location-lat", lat),
        column("height-above-ellipsoid", height),
        column("type-of-fix", fix_type),
        column("status", status),
        column("gps-clock-flag", clock_flag),
        column("noise-level", noise),
        column("used-time-to-get-fix", time_to_fix),
        column("tag-voltage", battery_mv),
        column("fix-battery-voltage", fix_battery_mv),
        column("loaded-battery-voltage", loaded_battery_mv),
        column("temperature", temperature),
        column("ground-speed", speed),
        column("heading", heading),
        column("speed-accuracy-estimate", speed_accuracy),
        column("horizontal-accuracy-estimate", horizontal_accuracy),
        column("vertical-accuracy-estimate", vertical_accuracy),
        column("dop", dop),
        column("gps:satellite-count", satellites),
        column("barometric-pressure", pressure_hpa),
        column("quat-w-raw", quat_w),
        column("quat-x-raw", quat_x),
        column("quat-y-raw", quat_y),
        column("quat-z-raw", quat_z),
        column("magnetic-field-x-raw", mag_x),
        column("magnetic-field-y-raw", mag_y),
        column("magnetic-field-z-raw", mag_z),
        column("gps-on-time-hours", gps_on_hours),
        column("key-bin-checksum", key),
    };
}

std::vector<Column> AccBursts::columns() const {
    return {
        column("tag-local-identifier", tag),
        column("burst", burst),
        column("sensor", sensor),
        time_column("start-timestamp", start),
        time_column("start-timestamp-gps", start_gps),
        column("sampling-frequency", rate_hz),
        column("accelerations-axes", axes),
        column("samples-per-axis", samples),
        column("overflow", overflow),
        column("key-bin-checksum", key),
    };
}

std::vector<Column> AccSamples::columns() const {
    return {
        column("burst", burst),          column("sample", sample),
        time_column("timestamp", time),  time_column("timestamp-gps", time_gps),
        column("acceleration-raw-x", x), column("acceleration-raw-y", y),
        column("acceleration-raw-z", z),
    };
}

std::vector<Column> Orientations::columns() const {
    return {
        column("burst", burst),
        column("entry", entry),
        time_column("timestamp", time),
        time_column("timestamp-gps", time_gps),
        column("sampling-frequency", rate_hz),
        column("quat-w-raw", w),
        column("quat-x-raw", x),
        column("quat-y-raw", y),
        column("quat-z-raw", z),
        column("magnetic-field-x-raw", mag_x),
        column("magnetic-field-y-raw", mag_y),
        column("magnetic-field-z-raw", mag_z),
        column("temperature", temperature),
        column("key-bin-checksum", key),
    };
}

std::vector<Column> Events::columns() const {
    return {
        time_column("timestamp", time),
        time_column("timestamp-gps", time_gps),
        column("event-type", type),
        column("tag-voltage", battery_mv),
        column("fix-battery-voltage", battery_gps_mv),
        column("low-battery", low_battery),
        column("switch-on", switch_on),
        column("reset-flags", reset_flags),
        column("voltage-monitor", vmon),
    };
}

std::vector<Column> EcgBursts::columns() const {
    return {
        column("burst", burst),
        time_column("start-timestamp", start),
        time_column("start-timestamp-gps", start_gps),
        column("sampling-frequency", rate_hz),
        column("resolution-microvolt", resolution_uv),
        column("dynamic-offset", offset),
        column("temperature", temperature),
        column("tag-voltage", battery_mv),
        column("samples", samples),
        column("key-bin-checksum", key),
    };
}

std::vector<Column> EcgSamples::columns() const {
    return {
        column("burst", burst),         column("sample", sample),
        time_column("timestamp", time), time_column("timestamp-gps", time_gps),
        column("ecg-raw", value),
    };
}

std::vector<Column> Voltages::columns() const {
    return {
        column("seconds", seconds),
        column("temperature-raw", temperature_raw),
        column("load", load),
        column("channel-0-mv", ch_mv[0]),
        column("channel-1-mv", ch_mv[1]),
        column("channel-2-mv", ch_mv[2]),
        column("channel-3-mv", ch_mv[3]),
        column("channel-4-mv", ch_mv[4]),
        column("channel-5-mv", ch_mv[5]),
        column("channel-6-mv", ch_mv[6]),
        column("channel-7-mv", ch_mv[7]),
    };
}

}  // namespace tavro
