// Line tables of the settings reports.
//
// A settings record is a fixed layout of a few hundred small fields, and its
// report is one line per field in a fixed order. Each report section is
// therefore kept as a static table of lines: every entry names the field's
// offset in the record, how the value is read and converted, the exact text
// it is printed with, and the feature bits that must (or must not) be set for
// the line to appear. The tables double as the layout documentation of the
// records; print_lines() walks a table over one record.
//
// Offsets count from the start of the settings record, which lies 32 bytes
// into the 256-byte open block, so no field may reach beyond record byte 223;
// settings_lines_fit() lets each table check that at compile time.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/outstream.h"
#include "settings/frequency.h"

namespace dec {

// Where the settings record starts inside the open block, and how much of the
// block it may use.
inline constexpr size_t kSettingsOffset = 32;
inline constexpr size_t kOpenBlockSize = 256;
inline constexpr size_t kSettingsRoom = kOpenBlockSize - kSettingsOffset;

// Full scale of the tags' voltage divider; the interaction tags of generation 3
// read theirs against 4400 mV.
inline constexpr uint16_t kDividerFullScaleMv = 5000;
inline constexpr uint16_t kInteractionFullScaleMv = 4400;

// Samples in an acceleration burst of `bytes` bytes: every 63-byte flash block
// holds 42 twelve-bit samples, less 6 for the burst head (0 bytes gives -6).
constexpr int32_t acc_samples_from_bytes(uint32_t bytes) {
    return 42 * static_cast<int32_t>((bytes + 62) / 63) - 6;
}

// Sampling rate per axis of the older accelerometer configuration codes 0..10
// (steps of 10^0.25 from 10 Hz; code 10 means stopped). Codes above 10 have
// no rate.
double acc_rate_code_hz(uint8_t code);

enum class LineKind : uint8_t {
    Text,          // text as it stands
    TimeOfDay,     // u16 minutes since midnight: text(hours, minutes)
    Interval,      // u16 seconds: text(s, s / 60, s % 60)
    U8,            // text(u8)
    I8,            // text(i8)
    U16,           // text(u16)
    U32,           // text(u32)
    Battery,       // u16 code: text(code, millivolt)
    Millivolt,     // u16 code: text(millivolt against a full scale of aux[0] mV)
    Divisor,       // u8 d, 1..127: text(d, 100.0 / d); else alt
    ByteCount,     // u16 bytes: text(bytes, samples)
    Axes,          // u8 bits 0x08/0x10/0x20: text, "XYZ" letters or alt, newline
    Flag,          // u8 AND aux[0]: text when set, alt when clear (either may be null)
    Switches,      // u16 AND aux[0..2]: IMU switch set after text; alt when none set
    AxisLetter,    // u8 0/1/2: text('X'/'Y'/'Z'); larger values print a zero byte
    FirstAxis,     // u8: text, then "X\n"/"Y\n"/"Z\n" for the first of bits 1/2/4, else "\n"
    Frequency,     // u32 synthesizer word: text, then the frequency line
    DaysInterval,  // u32 seconds: text(s, days, hh, mm, ss)
    TagTime,       // u32 tag time: text, print_tag_time, newline
    MemoryLimit,   // u16 units of 64 kB: text(v, v * 64)
    Coordinate,    // i32 in 1e-7 degree: text(v / 1e7)
    Degrees,       // i32 in 1e-7 degree: text(v * 1e-7), as generation 3 scales it
    RectSize,      // i32 west/east/north/south at off, aux[0..2]: text(width, height) km
    ZeroText,      // text, then up to aux[0] characters up to a zero byte, newline
    RatePerAxis,   // u8 code, aux[0] the axes byte: text(rate / axes) when code < 11 and axes
    DayTime,       // u32 seconds: text(days, hh, mm)
    TimeSections,  // eight sections: text(k, hh, mm, u16, u16, u8) from u16 arrays at off,
                   // aux[0], aux[1] and the u8 array at aux[2]
    Count
};

struct SettingsLine {
    LineKind kind = LineKind::Text;
    const char* text = nullptr;
    const char* alt = nullptr;
    uint16_t off = 0;
    uint16_t aux[3] = {0, 0, 0};
    // Printed only when one of these feature bits is set (0: no condition) ...
    uint32_t feature_any = 0;
    // ... and only when none of these is set.
    uint32_t feature_none = 0;

    constexpr SettingsLine with(uint32_t mask) const {
        SettingsLine l = *this;
        l.feature_any = mask;
        return l;
    }
    constexpr SettingsLine without(uint32_t mask) const {
        SettingsLine l = *this;
        l.feature_none = mask;
        return l;
    }
    // One past the last record byte this line reads.
    constexpr size_t end() const {
        switch (kind) {
            case LineKind::Text:
                return 0;
            case LineKind::U8:
            case LineKind::I8:
            case LineKind::Divisor:
            case LineKind::Axes:
            case LineKind::Flag:
            case LineKind::AxisLetter:
            case LineKind::FirstAxis:
                return off + 1u;
            case LineKind::RatePerAxis:
                return (off > aux[0] ? off : aux[0]) + 1u;
            case LineKind::TimeSections:
                return aux[2] + 8u;
            case LineKind::U32:
            case LineKind::Frequency:
            case LineKind::DaysInterval:
            case LineKind::TagTime:
            case LineKind::Coordinate:
            case LineKind::Degrees:
            case LineKind::DayTime:
                return off + 4u;
            case LineKind::RectSize: {
                size_t last = off;
                for (uint16_t a : aux) {
                    last = a > last ? a : last;
                }
                return last + 4u;
            }
            case LineKind::ZeroText:
                return static_cast<size_t>(off) + aux[0];
            default:
                return off + 2u;
        }
    }
};

// What the lines of one record are printed from.
struct SettingsContext {
    const uint8_t* record = nullptr;  // start of the settings record
    uint32_t features = 0;            // feature word deciding the conditional lines
    // The frequency form of the tag's radio (the oldest tags have a 26 MHz reference).
    void (*frequency)(uint32_t word, OutStream& out) = print_frequency_27mhz;
};

void print_lines(const SettingsContext& ctx, OutStream& out, std::span<const SettingsLine> lines);

// Ends the run (fatal_stop) with a line on `out` when a settings record lacks
// its magic (BADLOGGERBIN) or has a version this decoder does not know
// (UNSUPPORTED_PRODUCT, after the line `unsupported`).
void check_settings_record(OutStream& out, bool magic_ok, bool version_known,
                           const char* unsupported);

// True when no line of the table reads beyond the record's room in the block.
constexpr bool settings_lines_fit(std::span<const SettingsLine> lines,
                                  size_t room = kSettingsRoom) {
    for (const SettingsLine& l : lines) {
        if (l.end() > room) {
            return false;
        }
    }
    return true;
}

// Builders for the table entries, named after the line kinds.
namespace line {

constexpr SettingsLine text(const char* t) {
    return {LineKind::Text, t};
}
// Most lines read one field at `off`: their builders differ only in the kind.
template <LineKind K>
constexpr SettingsLine field(const char* t, uint16_t off) {
    return {K, t, nullptr, off};
}
inline constexpr auto time_of_day = field<LineKind::TimeOfDay>;
inline constexpr auto interval = field<LineKind::Interval>;
inline constexpr auto u8 = field<LineKind::U8>;
inline constexpr auto i8 = field<LineKind::I8>;
inline constexpr auto u16 = field<LineKind::U16>;
inline constexpr auto u32 = field<LineKind::U32>;
inline constexpr auto battery = field<LineKind::Battery>;
inline constexpr auto byte_count = field<LineKind::ByteCount>;
inline constexpr auto axis_letter = field<LineKind::AxisLetter>;
inline constexpr auto first_axis = field<LineKind::FirstAxis>;
inline constexpr auto frequency = field<LineKind::Frequency>;
inline constexpr auto days_interval = field<LineKind::DaysInterval>;
inline constexpr auto tag_time = field<LineKind::TagTime>;
inline constexpr auto memory_limit = field<LineKind::MemoryLimit>;
inline constexpr auto coordinate = field<LineKind::Coordinate>;
inline constexpr auto degrees = field<LineKind::Degrees>;
inline constexpr auto day_time = field<LineKind::DayTime>;
constexpr SettingsLine millivolt(const char* t, uint16_t off,
                                 uint16_t full_scale_mv = kDividerFullScaleMv) {
    return {LineKind::Millivolt, t, nullptr, off, {full_scale_mv, 0, 0}};
}
constexpr SettingsLine divisor(const char* good, const char* bad, uint16_t off) {
    return {LineKind::Divisor, good, bad, off};
}
constexpr SettingsLine axes(const char* t, const char* none, uint16_t off) {
    return {LineKind::Axes, t, none, off};
}
constexpr SettingsLine flag(const char* set, const char* clear, uint16_t off, uint8_t mask) {
    return {LineKind::Flag, set, clear, off, {mask, 0, 0}};
}
constexpr SettingsLine switches(const char* t, const char* none, uint16_t off, uint16_t q1hz,
                                uint16_t q20hz, uint16_t acc20hz) {
    return {LineKind::Switches, t, none, off, {q1hz, q20hz, acc20hz}};
}
constexpr SettingsLine rect_size(const char* t, uint16_t west, uint16_t east, uint16_t north,
                                 uint16_t south) {
    return {LineKind::RectSize, t, nullptr, west, {east, north, south}};
}
constexpr SettingsLine zero_text(const char* t, uint16_t off, uint16_t max_len) {
    return {LineKind::ZeroText, t, nullptr, off, {max_len, 0, 0}};
}
constexpr SettingsLine rate_per_axis(const char* t, uint16_t off, uint16_t axes_off) {
    return {LineKind::RatePerAxis, t, nullptr, off, {axes_off, 0, 0}};
}
constexpr SettingsLine time_sections(const char* t, uint16_t starts, uint16_t words1,
                                     uint16_t words2, uint16_t bytes) {
    return {LineKind::TimeSections, t, nullptr, starts, {words1, words2, bytes}};
}

// The dead-pinger fields of the tt5 records: a heading, then from `at` the
// u32 dead threshold, u16 dead counter, u32 alive threshold, u16 alive
// counter and the u32 death ping frequency; all printed with `feature` (0:
// always).
constexpr std::array<SettingsLine, 6> dead_pinger(const char* heading, uint16_t at,
                                                  uint32_t feature) {
    std::array<SettingsLine, 6> lines = {
        text(heading),
        u32("acc_dead_threshold:%u\n", at),
        u16("dead_counter_threshold:%hu\n", static_cast<uint16_t>(at + 4)),
        u32("acc_alive_threshold:%u\n", static_cast<uint16_t>(at + 6)),
        u16("alive_counter_threshold:%hu\n", static_cast<uint16_t>(at + 10)),
        frequency("Death Ping freq:", static_cast<uint16_t>(at + 12)),
    };
    for (SettingsLine& l : lines) {
        l.feature_any = feature;
    }
    return lines;
}

}  // namespace line

}  // namespace dec
