#include "settings/settings_lines.h"

#include <cmath>
#include <iterator>

#include "common/fatal.h"
#include "common/le.h"
#include "common/millivolts.h"
#include "common/printable.h"
#include "common/tagtime.h"

namespace dec {
namespace {

// Per-axis rates of the configuration codes 0..10 of the older accelerometers.
static constexpr double kAccRateCodeHz[] = {10.00,  17.78,  31.62,   56.23,   100.00, 177.83,
                                            316.23, 562.34, 1000.00, 1778.28, 0.0};

constexpr char kAxisLetters[] = {'X', 'Y', 'Z', '\0'};

// Record distances of 1e-7 degree in kilometres (40030 km around the earth).
constexpr double kKmPer1e7DegreeTimes360 = 0.004003;

// Three bits of a record byte or word and what a set one prints.
struct BitNames {
    uint16_t masks[3];
    const char* names[3];
};
constexpr BitNames kAxisBits{{0x08, 0x10, 0x20}, {"X", "Y", "Z"}};
// The variance axis: the first of bits 0x01, 0x02, 0x04 names it.
constexpr BitNames kVarianceAxisBits{{0x01, 0x02, 0x04}, {"X", "Y", "Z"}};

unsigned axes_count(uint8_t axes_bits) {
    unsigned n = 0;
    for (uint16_t mask : kAxisBits.masks) {
        n += (axes_bits & mask) != 0 ? 1u : 0u;
    }
    return n;
}

bool line_applies(const SettingsLine& l, uint32_t features) {
    if (l.feature_any != 0 && (features & l.feature_any) == 0) {
        return false;
    }
    return (features & l.feature_none) == 0;
}

// text, the names of the set bits (only the first with `first_only`), alt
// when none is set, newline.
void put_bit_line(const SettingsLine& l, OutStream& out, unsigned bits, const BitNames& b,
                  bool first_only) {
    out.put(l.text);
    bool any = false;
    for (size_t i = 0; i < 3 && !(first_only && any); ++i) {
        if ((bits & b.masks[i]) != 0) {
            out.put(b.names[i]);
            any = true;
        }
    }
    if (!any && l.alt != nullptr) {
        out.put(l.alt);
    }
    out.put_char('\n');
}

// One formatter per line kind; `l.off` and `l.aux` index ctx.record.
using LinePrinter = void (*)(const SettingsLine& l, const SettingsContext& ctx, OutStream& out);

void print_text(const SettingsLine& l, const SettingsContext&, OutStream& out) {
    out.put(l.text);
}

void print_time_of_day(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    const unsigned v = le_u16(ctx.record, l.off);
    out.printf(l.text, v / 60, v % 60);
}

void print_interval(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    const unsigned v = le_u16(ctx.record, l.off);
    out.printf(l.text, v, v / 60, v % 60);
}

void print_u8(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    out.printf(l.text, static_cast<unsigned>(le_u8(ctx.record, l.off)));
}

void print_i8(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    out.printf(l.text, static_cast<int>(le_s8(ctx.record, l.off)));
}

void print_u16(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    out.printf(l.text, static_cast<unsigned>(le_u16(ctx.record, l.off)));
}

void print_u32(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    out.printf(l.text, le_u32(ctx.record, l.off));
}

void print_battery(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    const uint16_t code = le_u16(ctx.record, l.off);
    out.printf(l.text, static_cast<unsigned>(code), voltage_code_mv(code));
}

void print_millivolt(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    out.printf(l.text, code_to_mv(le_u16(ctx.record, l.off), l.aux[0], 12));
}

void print_divisor(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    const unsigned d = le_u8(ctx.record, l.off);
    if (d >= 1 && d <= 127) {
        out.printf(l.text, d, 100.0 / d);
    } else {
        out.put(l.alt);
    }
}

void print_byte_count(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    const unsigned bytes = le_u16(ctx.record, l.off);
    out.printf(l.text, bytes, static_cast<int>(acc_samples_from_bytes(bytes)));
}

void print_axes(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    put_bit_line(l, out, le_u8(ctx.record, l.off), kAxisBits, false);
}

void print_flag(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    const char* t = (le_u8(ctx.record, l.off) & l.aux[0]) != 0 ? l.text : l.alt;
    if (t != nullptr) {
        out.put(t);
    }
}

void print_switches(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    const BitNames imu{{l.aux[0], l.aux[1], l.aux[2]}, {"Q&C-1Hz ", "Q&C-20Hz ", "ACC-20Hz"}};
    put_bit_line(l, out, le_u16(ctx.record, l.off), imu, false);
}

void print_axis_letter(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    // Values above 2 index the terminating zero of the letter table: the
    // report then carries a zero byte where the letter would be.
    const uint8_t v = le_u8(ctx.record, l.off);
    out.printf(l.text, kAxisLetters[v < 3 ? v : 3]);
}

void print_first_axis(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    put_bit_line(l, out, le_u8(ctx.record, l.off), kVarianceAxisBits, true);
}

void print_frequency(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    out.put(l.text);
    ctx.frequency(le_u32(ctx.record, l.off), out);
}

void print_days_interval(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    const uint32_t s = le_u32(ctx.record, l.off);
    const uint32_t rest = s % 86400;
    out.printf(l.text, s, s / 86400, rest / 3600, (rest % 3600) / 60, rest % 60);
}

void print_tag_time_line(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    out.put(l.text);
    print_tag_time(le_u32(ctx.record, l.off), out, OutputPlan{});
    out.put_char('\n');
}

void print_memory_limit(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    const unsigned v = le_u16(ctx.record, l.off);
    out.printf(l.text, v, v * 64);
}

void print_coordinate(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    out.printf(l.text, le_s32(ctx.record, l.off) / 1e7);
}

void print_degrees(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    out.printf(l.text, le_s32(ctx.record, l.off) * 1e-7);
}

void print_rect_size(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    const int32_t west = le_s32(ctx.record, l.off);
    const int32_t east = le_s32(ctx.record, l.aux[0]);
    const int32_t north = le_s32(ctx.record, l.aux[1]);
    const int32_t south = le_s32(ctx.record, l.aux[2]);
    // The longitude span is taken modulo 2^32, so a rectangle across the date
    // line still comes out positive; the latitude span is signed. The mean
    // latitude is summed in 64 bits so that garbage coordinates cannot overflow.
    const uint32_t width_units = static_cast<uint32_t>(east) - static_cast<uint32_t>(west);
    const int32_t height_units =
        static_cast<int32_t>(static_cast<uint32_t>(north) - static_cast<uint32_t>(south));
    const double mean_lat_rad =
        static_cast<double>(static_cast<int64_t>(north) + south) * 3.141592654e-7 / 360;
    const double width = width_units * kKmPer1e7DegreeTimes360 / 360 * std::cos(mean_lat_rad);
    const double height = height_units * kKmPer1e7DegreeTimes360 / 360;
    out.printf(l.text, width, height);
}

void print_zero_text(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    out.put(l.text);
    const uint8_t* s = ctx.record + l.off;
    for (size_t i = 0; i < l.aux[0] && s[i] != 0; ++i) {
        out.put_char(printable_char(static_cast<char>(s[i])));
    }
    out.put_char('\n');
}

void print_rate_per_axis(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    const uint8_t code = le_u8(ctx.record, l.off);
    const unsigned n = axes_count(le_u8(ctx.record, l.aux[0]));
    if (n > 0 && code < 11) {
        out.printf(l.text, acc_rate_code_hz(code) / n);
    }
}

void print_day_time(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    const uint32_t t = le_u32(ctx.record, l.off);
    out.printf(l.text, t / 86400, (t % 86400) / 3600, (t % 3600) / 60);
}

void print_time_sections(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    for (unsigned k = 0; k < 8; ++k) {
        const unsigned start = le_u16(ctx.record, l.off + 2 * k);
        out.printf(l.text, k, start / 60, start % 60,
                   static_cast<unsigned>(le_u16(ctx.record, l.aux[0] + 2 * k)),
                   static_cast<unsigned>(le_u16(ctx.record, l.aux[1] + 2 * k)),
                   static_cast<unsigned>(le_u8(ctx.record, l.aux[2] + k)));
    }
}

struct KindPrinter {
    LineKind kind;
    LinePrinter print;
};
constexpr KindPrinter kPrinters[] = {
    {LineKind::Text, print_text},
    {LineKind::TimeOfDay, print_time_of_day},
    {LineKind::Interval, print_interval},
    {LineKind::U8, print_u8},
    {LineKind::I8, print_i8},
    {LineKind::U16, print_u16},
    {LineKind::U32, print_u32},
    {LineKind::Battery, print_battery},
    {LineKind::Millivolt, print_millivolt},
    {LineKind::Divisor, print_divisor},
    {LineKind::ByteCount, print_byte_count},
    {LineKind::Axes, print_axes},
    {LineKind::Flag, print_flag},
    {LineKind::Switches, print_switches},
    {LineKind::AxisLetter, print_axis_letter},
    {LineKind::FirstAxis, print_first_axis},
    {LineKind::Frequency, print_frequency},
    {LineKind::DaysInterval, print_days_interval},
    {LineKind::TagTime, print_tag_time_line},
    {LineKind::MemoryLimit, print_memory_limit},
    {LineKind::Coordinate, print_coordinate},
    {LineKind::Degrees, print_degrees},
    {LineKind::RectSize, print_rect_size},
    {LineKind::ZeroText, print_zero_text},
    {LineKind::RatePerAxis, print_rate_per_axis},
    {LineKind::DayTime, print_day_time},
    {LineKind::TimeSections, print_time_sections},
};

// The table is indexed by the kind: every kind in its place, none left out.
constexpr bool printers_in_kind_order() {
    for (size_t i = 0; i < std::size(kPrinters); ++i) {
        if (static_cast<size_t>(kPrinters[i].kind) != i) {
            return false;
        }
    }
    return std::size(kPrinters) == static_cast<size_t>(LineKind::Count);
}
static_assert(printers_in_kind_order());

void print_line(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    kPrinters[static_cast<size_t>(l.kind)].print(l, ctx, out);
}

}  // namespace

double acc_rate_code_hz(uint8_t code) {
    return code < std::size(kAccRateCodeHz) ? kAccRateCodeHz[code] : 0.0;
}

void print_lines(const SettingsContext& ctx, OutStream& out, std::span<const SettingsLine> lines) {
    for (const SettingsLine& l : lines) {
        if (line_applies(l, ctx.features)) {
            print_line(l, ctx, out);
        }
    }
}

void check_settings_record(OutStream& out, bool magic_ok, bool version_known,
                           const char* unsupported) {
    if (!magic_ok) {
        out.put("No configuration or error in decoding configuration settings of tag.\n");
        fatal_stop(BADLOGGERBIN);
    }
    if (!version_known) {
        out.put(unsupported);
        fatal_stop(UNSUPPORTED_PRODUCT);
    }
}

}  // namespace dec
