#include "settings/settings_lines.h"

#include <cmath>
#include <iterator>

#include "common/le.h"
#include "common/printable.h"
#include "common/tagtime.h"
#include "settings/frequency.h"

namespace dec {
namespace {

// Per-axis rates of the configuration codes 0..10 of the older accelerometers.
static constexpr double kAccRateCodeHz[] = {10.00,  17.78,  31.62,   56.23,   100.00, 177.83,
                                            316.23, 562.34, 1000.00, 1778.28, 0.0};

constexpr char kAxisLetters[] = {'X', 'Y', 'Z', '\0'};

// Record distances of 1e-7 degree in kilometres (40030 km around the earth).
constexpr double kKmPer1e7DegreeTimes360 = 0.004003;

unsigned axes_count(uint8_t axes_bits) {
    return ((axes_bits & 0x08) != 0 ? 1u : 0u) + ((axes_bits & 0x10) != 0 ? 1u : 0u) +
           ((axes_bits & 0x20) != 0 ? 1u : 0u);
}

bool line_applies(const SettingsLine& l, uint32_t features) {
    if (l.feature_any != 0 && (features & l.feature_any) == 0) {
        return false;
    }
    return (features & l.feature_none) == 0;
}

void print_rect_size(const SettingsLine& l, const uint8_t* rec, OutStream& out) {
    const int32_t west = le_s32(rec, l.off);
    const int32_t east = le_s32(rec, l.aux[0]);
    const int32_t north = le_s32(rec, l.aux[1]);
    const int32_t south = le_s32(rec, l.aux[2]);
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

void print_line(const SettingsLine& l, const SettingsContext& ctx, OutStream& out) {
    const uint8_t* rec = ctx.record;
    switch (l.kind) {
        case LineKind::Text:
            out.put(l.text);
            break;
        case LineKind::TimeOfDay: {
            const unsigned v = le_u16(rec, l.off);
            out.printf(l.text, v / 60, v % 60);
            break;
        }
        case LineKind::Interval: {
            const unsigned v = le_u16(rec, l.off);
            out.printf(l.text, v, v / 60, v % 60);
            break;
        }
        case LineKind::U8:
            out.printf(l.text, static_cast<unsigned>(le_u8(rec, l.off)));
            break;
        case LineKind::I8:
            out.printf(l.text, static_cast<int>(le_s8(rec, l.off)));
            break;
        case LineKind::U16:
            out.printf(l.text, static_cast<unsigned>(le_u16(rec, l.off)));
            break;
        case LineKind::U32:
            out.printf(l.text, le_u32(rec, l.off));
            break;
        case LineKind::Battery: {
            const uint16_t code = le_u16(rec, l.off);
            out.printf(l.text, static_cast<unsigned>(code), voltage_code_millivolt(code));
            break;
        }
        case LineKind::Millivolt:
            out.printf(l.text, voltage_code_millivolt(le_u16(rec, l.off)));
            break;
        case LineKind::Divisor: {
            const unsigned d = le_u8(rec, l.off);
            if (d >= 1 && d <= 127) {
                out.printf(l.text, d, 100.0 / d);
            } else {
                out.put(l.alt);
            }
            break;
        }
        case LineKind::ByteCount: {
            const unsigned bytes = le_u16(rec, l.off);
            out.printf(l.text, bytes, static_cast<int>(acc_samples_from_bytes(bytes)));
            break;
        }
        case LineKind::Axes: {
            const uint8_t bits = le_u8(rec, l.off);
            out.put(l.text);
            if ((bits & 0x08) != 0) {
                out.put_char('X');
            }
            if ((bits & 0x10) != 0) {
                out.put_char('Y');
            }
            if ((bits & 0x20) != 0) {
                out.put_char('Z');
            }
            if ((bits & 0x38) == 0 && l.alt != nullptr) {
                out.put(l.alt);
            }
            out.put_char('\n');
            break;
        }
        case LineKind::Flag: {
            const char* t = (le_u8(rec, l.off) & l.aux[0]) != 0 ? l.text : l.alt;
            if (t != nullptr) {
                out.put(t);
            }
            break;
        }
        case LineKind::Switches: {
            const uint16_t bits = le_u16(rec, l.off);
            out.put(l.text);
            if ((bits & l.aux[0]) != 0) {
                out.put("Q&C-1Hz ");
            }
            if ((bits & l.aux[1]) != 0) {
                out.put("Q&C-20Hz ");
            }
            if ((bits & l.aux[2]) != 0) {
                out.put("ACC-20Hz");
            }
            if ((bits & (l.aux[0] | l.aux[1] | l.aux[2])) == 0 && l.alt != nullptr) {
                out.put(l.alt);
            }
            out.put_char('\n');
            break;
        }
        case LineKind::AxisLetter: {
            // Values above 2 index the terminating zero of the letter table: the
            // report then carries a zero byte where the letter would be.
            const uint8_t v = le_u8(rec, l.off);
            out.printf(l.text, kAxisLetters[v < 3 ? v : 3]);
            break;
        }
        case LineKind::FirstAxis: {
            const uint8_t bits = le_u8(rec, l.off);
            out.put(l.text);
            if ((bits & 0x01) != 0) {
                out.put("X\n");
            } else if ((bits & 0x02) != 0) {
                out.put("Y\n");
            } else if ((bits & 0x04) != 0) {
                out.put("Z\n");
            } else {
                out.put_char('\n');
            }
            break;
        }
        case LineKind::Frequency:
            out.put(l.text);
            if (ctx.frequency_26mhz) {
                print_frequency_26mhz(le_u32(rec, l.off), out);
            } else {
                print_frequency_27mhz(le_u32(rec, l.off), out);
            }
            break;
        case LineKind::DaysInterval: {
            const uint32_t s = le_u32(rec, l.off);
            const uint32_t rest = s % 86400;
            out.printf(l.text, s, s / 86400, rest / 3600, (rest % 3600) / 60, rest % 60);
            break;
        }
        case LineKind::TagTime:
            out.put(l.text);
            print_tag_time(le_u32(rec, l.off), out, OutputPlan{});
            out.put_char('\n');
            break;
        case LineKind::MemoryLimit: {
            const unsigned v = le_u16(rec, l.off);
            out.printf(l.text, v, v * 64);
            break;
        }
        case LineKind::Coordinate:
            out.printf(l.text, le_s32(rec, l.off) / 1e7);
            break;
        case LineKind::RectSize:
            print_rect_size(l, rec, out);
            break;
        case LineKind::ZeroText: {
            out.put(l.text);
            for (size_t i = 0; i < l.aux[0] && rec[l.off + i] != 0; ++i) {
                out.put_char(printable_char(static_cast<char>(rec[l.off + i])));
            }
            out.put_char('\n');
            break;
        }
        case LineKind::RateCode: {
            const uint8_t code = le_u8(rec, l.off);
            out.printf(l.text, static_cast<unsigned>(code));
            const unsigned n = axes_count(le_u8(rec, l.aux[0]));
            if (n > 0 && code < 11) {
                out.printf(l.alt, acc_rate_code_hz(code) / n);
            }
            break;
        }
    }
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

}  // namespace dec
