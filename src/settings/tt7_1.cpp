// Layout of tt7_1 (record offsets, little-endian):
//
//   0 u16 magic 0xE532        4 u8  version 1 or 2 (the ECG format byte)
//   6 u16 secret_key          8 u8  access_key           9 u8 flags: 0x01 auto offset
//  11,13 u16 dacq_offmVolt1, 2 (mV)  15 u16 maccess_mVoltlimit (mV)  17 u8 rfpower_max
//  18,20,22 u16 radio_interval, radio_longdelay, longrange_bc_interval
//  24,26 u16 ECG on window    28 u16 ECG interval        30 u16 ECG byte count
//  32 u8  ECG rate code       33 u32 delayed start       37 u16 ADC zero level aim
//  39 u8  gain parameter p    40 i16 DAC offset          42 i16 clock_correction
//  44 u16 clock_corr_interval 46 i16 temp_correction (K/128)
//  49 u16 HOURSHIFT (v2)      51 u8  DAY DIVISOR (v2)    210 u16 CRC of 0..209 (v2)
#include "settings/tt7_1.h"

#include "common/fatal.h"
#include "common/le.h"
#include "settings/crc16.h"
#include "settings/ecg_rates.h"
#include "settings/settings_lines.h"

namespace dec {
namespace {

using namespace line;

constexpr size_t kTt7_1CrcLength = 210;

static constexpr SettingsLine kEcgHead[] = {
    text("\n-------------- ECG-Settings: ------------------\n"),
    interval("ECG INTERVAL: %u seconds == %u minutes %u s\n", 28),
};
static constexpr SettingsLine kEcgWindow[] = {
    flag("ECG AUTO OFFSET ENABLED\n", "ECG AUTO OFFSET NOT ENABLED\n", 9, 0x01),
    time_of_day("ECG ON FROM: %02u:%02u ECGTIME\n", 24),
    time_of_day("ECG ON UNTIL:%02u:%02u ECGTIME\n", 26),
};
static constexpr SettingsLine kRadio[] = {
    text("\n-------------- Radio- and other Settings: ------------------\n"),
    u8("rfpower_max:%hhu\n", 17),
    u16("dacq_offmVolt1: %hu MilliVolt\n", 11),
    u16("dacq_offmVolt2: %hu MilliVolt\n", 13),
    u16("maccess_mVoltlimit: %hu MilliVolt\n", 15),
};
static constexpr SettingsLine kVersion2[] = {
    u16("HOURSHIFT:%hu hours\n", 49),
    u8("DAY DIVISOR:%hhu\n", 51),
};
static constexpr SettingsLine kKeys[] = {
    u8("access_key:%hhu\n", 8),
    u16("secret_key:%hu\n", 6),
    u16("radio_interval:%hu\n", 18),
    u16("radio_longdelay:%hu\n", 20),
    u16("longrange_bc_interval:%hu\n", 22),
    tag_time("Delayed start:", 33),
};
static_assert(settings_lines_fit(kEcgHead) && settings_lines_fit(kEcgWindow) &&
              settings_lines_fit(kRadio) && settings_lines_fit(kVersion2) &&
              settings_lines_fit(kKeys));
static_assert(kTt7_1CrcLength + 2 <= kSettingsRoom);

}  // namespace

void print_settings_tt7_1(const uint8_t* open_block, OutStream& info, uint32_t /*tag_number*/) {
    const uint8_t* record = open_block + kSettingsOffset;
    const uint16_t magic = le_u16(record, 0);
    const uint8_t version = le_u8(record, 4);
    const SettingsContext ctx{record, 0};

    info.put("\nPrinting tag settings tt7_1, valid at the point in time of the data download:\n");
    check_settings_record(info, magic == kTt7_1Magic, version == 1 || version == 2,
                          "This data decoder only supports other_version 1 or 2.\n");
    if (version == 2 &&
        settings_crc16(record, kTt7_1CrcLength) != le_u16(record, kTt7_1CrcLength)) {
        info.put("Checksum of tt7_1 ov2 not matching!\n");
        fatal_stop(BADLOGGERBIN);
    }

    print_lines(ctx, info, kEcgHead);
    // Each 63-byte flash block holds 42 samples; the record head takes 12.
    const unsigned bytes = le_u16(record, 30);
    info.printf("ECG BYTE COUNT: %u bytes => %i ECG SAMPLES\n", bytes,
                static_cast<int>(acc_samples_from_bytes(bytes) - 6));
    const uint8_t code = le_u8(record, 32);
    info.printf("ECG SAMPLERATE CFG:%u\n", static_cast<unsigned>(code));
    if (code < ecg_rate_count(version)) {
        info.printf("ECG SAMPLERATE in Hertz:%.2f Hz\n",
                    static_cast<double>(ecg_sample_rate_hz(version, code)));
    }
    print_lines(ctx, info, kEcgWindow);

    // Gain of the analogue front end by design: 18000 / (p + 9) digital steps
    // per millivolt, i.e. (p + 9) / 18 microvolt per step.
    const unsigned p = le_u8(record, 39);
    info.printf("ECG GAIN from input to digital representation:%u/mV (by design)\n",
                18000u / (p + 9));
    info.printf(
        "ECG INVERSE GAIN = VOLTAGE RESOLUTION: One digital step is %f MicroVolt (by design)\n",
        (p + 9) / 18.0);
    info.printf("ECG ADC ZEROLEVEL aim:%hu\n", le_u16(record, 37));
    info.printf("ECG DAC offset:%hi\n", le_s16(record, 40));

    print_lines(ctx, info, kRadio);
    info.printf("clock_correction: %hi\n", le_s16(record, 42));
    info.printf("clock_corr_interval:%hu\n", le_u16(record, 44));
    const int16_t temp = le_s16(record, 46);
    info.printf("temp_correction: %hi Kelvin/128 = %f K\n", temp, temp / 128.0);
    if (version == 2) {
        print_lines(ctx, info, kVersion2);
    }
    print_lines(ctx, info, kKeys);
}

}  // namespace dec
