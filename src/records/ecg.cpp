#include "records/ecg.h"

#include "common/console.h"
#include "common/fatal.h"
#include "common/le.h"
#include "common/tagtime.h"
#include "records/fletcher32.h"
#include "records/movebank_columns.h"
#include "records/record_sink.h"
#include "settings/ecg_rates.h"

namespace dec {

namespace {

// ECG record (63 bytes per unit, n units):
//   0 u8 checksum | 1 u32 start time (tag time) | 6 u8 sampling frequency code
//   9 u8 voltage resolution code: uV = (code + 9) / 18 | 12 u8 unit count n
//   13 i16 dynamic offset compensation | 15 i16 temperature, 1/128 degree
//   17 u8 battery, 16 mV | 18.. samples, two 12-bit values per three bytes
constexpr size_t kUnitPayload = 63;
constexpr size_t kSamplesOffset = 18;

constexpr const char* kLegend =
    "\nFormat of ECG data lines:\nECG, daynumber, date, day-of-week, time-of-day,\ntemperature "
    "degree Celsius, battery-voltage mV, ecg-sampling-frequency Hz,\nvoltage resolution "
    "MicroVolt, dyn-offset-comp, ecg raw data\n";

}  // namespace

void write_ecg_heads(const OutputPlan& plan, OutStream& ecg, OutStream& info) {
    if (plan.movebank) {
        put_header(ecg, movebank_columns(TagFile::ecg, TagLayout::ecg), plan.utc != nullptr);
    } else {
        info.put(kLegend);
    }
}

bool parse_ecg_record(const uint8_t* record, uint32_t length, uint32_t tag_number, uint8_t format,
                      EcgRecord& out) {
    if (length < kSamplesOffset || kUnitPayload * record[12] != length) {
        return false;
    }
    uint32_t sum = format > 1 ? (tag_number + (tag_number >> 8)) % 256 : 0;
    for (uint32_t i = 1; i < length; ++i) {
        sum += record[i];
    }
    if ((sum & 0xFF) != record[0]) {
        return false;
    }
    out.start_time = le_u32(record, 1);
    out.frequency_hz = ecg_sample_rate_hz(format, record[6]);
    out.resolution_uv = static_cast<float>((record[9] + 9) / 18.0);
    out.dynamic_offset = le_s16(record, 13);
    out.temperature = le_s16(record, 15) / 128.0;
    out.battery_mv = static_cast<uint16_t>(record[17] * 16);
    out.sample_count = 0;
    for (size_t g = kSamplesOffset; g + 3 <= length; g += 3) {
        if (out.sample_count + 2 > kEcgMaxSamples) {
            return false;
        }
        out.samples[out.sample_count++] =
            static_cast<int16_t>(record[g] + 256 * (record[g + 1] & 0x0F));
        out.samples[out.sample_count++] =
            static_cast<int16_t>(record[g + 2] + 256 * (record[g + 1] >> 4));
    }
    return true;
}

void decode_ecg_record(const uint8_t* record, const OutputPlan& plan, OutStream& ecg, OutStream&,
                       uint32_t length, uint32_t tag_number, uint8_t format, EcgRecord& r,
                       const TimeScale& times) {
    if (!parse_ecg_record(record, length, tag_number, format, r)) {
        return;  // dropped silently, not a bad block
    }
    if (plan.sink != nullptr) {
        plan.sink->ecg(r, fletcher32(record, static_cast<int32_t>(length)));
        return;
    }
    const bool movebank = plan.movebank;
    if (movebank) {
        ecg.printf("%010u,%i,", fletcher32(record, static_cast<int32_t>(length)),
                   static_cast<int>(tag_number));
        print_tag_time_iso(r.start_time, ecg, times);
        ecg.put_char(',');
    } else {
        if (!plan.acc) {
            ecg.put("ECG,");
        }
        if (plan.acc_time == AccTime::seconds) {
            ecg.printf("%u,", r.start_time);
        } else {
            print_tag_time(r.start_time, ecg, plan);
            ecg.put_char(',');
        }
        if (plan.acc) {
            ecg.printf("%.3f\n", r.temperature);  // temperature only
            return;
        }
    }
    ecg.printf("%.3f,%hu,%.2f,%.3f,%hi,", r.temperature, r.battery_mv,
               static_cast<double>(r.frequency_hz), static_cast<double>(r.resolution_uv),
               r.dynamic_offset);
    const char separator = movebank ? ' ' : ',';
    for (uint32_t i = 0; i < r.sample_count; ++i) {
        if (i > 0) {
            ecg.put_char(separator);
        }
        ecg.put_i32(r.samples[i]);
    }
    ecg.put_char('\n');
}

}  // namespace dec
