// Layouts of the generation-3 configuration areas (area offsets, little-endian).
//
// Software versions 1..5 (the area has 'j' at 28):
//   0 u8  ACC rate code        1 u8  flags: 0x02 GPS, 0x04 ACC time limits, 0x08/0x10/0x20
//   axes X/Y/Z, 0x80 GPS cooked  2 u8 flags: 0x10 low sensitivity  3 u16 GPS timeout
//   5 u8  rfpower              6 u16 dacq_offvoltage      8 u16 radio_interval
//  10,11 u8 retry, low speed factor  12 u16 GPS speed threshold  14 u16 ACC interval
//  16 u16 ACC byte count      18 u16 GPS interval        20..26 u16 GPS, ACC off windows
// Software versions 6..8 ('k' at 0; 'l' marks the raw GPS form of version 6):
//   1 u8  flags as above, 0x01 ping (7, 8)   2 u8 flags: 0x01/0x02/0x04 variance axis,
//   0x10 low sensitivity, 0x20 ping (6)      3 u16 dacq_offvoltage (offvolt2 of 7, 8)
//   5 u8  rfpower              6 u16 radio_interval       8,10 u16 GPS off window
//  12 u16 GPS timeout         14,15 u8 retry, low speed factor  16 u16 low speed threshold
//  18,20 u16 ACC off window   22 u8  access_code         23,25 u16 GPS, ACC interval
//  27 u16 ACC byte count      29 u8  ACC rate code       30 u16 radio_longdelay
//  long form: 32,36 u32 data link, ping frequency  40 u8 rf_pingpower  41,43 u16 ping window
//  45 u16 burst_length        47 u8  burst_qperiod       48 u16 maccess_voltlimit
//  50 u32 device start time   54 u16 gps_hourshift       56 u8  gps_daydivisor
//  57 u8  ACC low speed factor 58 u16 dacq_offvolt1 (7, 8)
//  version 8: 60,64 u32 variance thresholds  68..70 u8 N1, N2, N4  71,73 GPS resolution
//  intervals  75 u32 max GPS-ACC time  79..87 u32 ping, radio link day times; read again as
//  eight time sections: u16 starts at 60, GPS intervals at 76, burst lengths at 92, u8
//  burst quiet periods at 108
//  raw form of version 6: 41,43 u16 ping off window, 50..62 i32 GPS recording limits
// Interaction software ('j' at 0):
//   1 u16 radio_interval      3 u8  intact_interval      4 u8 flags0: 0x01 TX, 0x02 test
//   mode, 0x08 activity tag, 0x40 no time sleep          5 u8 flags1
//   6 u32 max_ontime          10 u8 rfpower              11 u16 dacq_offvoltage
//  13 u16 radio_longdelay     15,19,23 u32 data link, interaction, timing frequencies
//  27 u8  rf_intact_power     28 u16 maccess_voltlimit   30 u8 access_code (version 6)
//  31 u16 radio_short_interval (version 6, long form)
#include "settings/gen3_config.h"

#include <iterator>

#include "common/le.h"
#include "settings/frequency.h"
#include "settings/settings_lines.h"

namespace dec {

namespace {

using namespace line;

constexpr const char* kNoConfiguration =
    "No configuration or error in decoding configuration settings of tag.\n";

// Software version byte of the open block.
constexpr unsigned kShortVersionOffset = 30;
constexpr unsigned kLongVersionOffset = 29;

// Where a configuration starts inside the open block, by kind and form.
struct ConfigBase {
    unsigned short_form;
    unsigned long_form;
};
constexpr ConfigBase kBase51{32, 30};
constexpr ConfigBase kBase56{32, 34};
constexpr ConfigBase kBaseInteraction{32, 30};
constexpr ConfigBase kBaseInteractionAtDownload{32, 34};

// Room of an area from its latest start to the end of the held block.
constexpr size_t kAreaRoom = kGen3ConfigBlockSize - 34;

// A few lines of a table depend on the layout that prints it (a bit of the
// first byte of the conditions), on the long form, and in the interaction
// layout read at download on the tag's flags0 byte (third byte).
constexpr uint32_t kV6 = 0x01;
constexpr uint32_t kV7 = 0x02;
constexpr uint32_t kV8 = 0x04;
constexpr uint32_t kIntactAtDownload = 0x08;
constexpr uint32_t kLong = 0x80;
constexpr uint32_t flags0(uint8_t bits) {
    return static_cast<uint32_t>(bits) << 16;
}

static constexpr SettingsLine kConfig51[] = {
    u8("ACC Samplerate code:%hhu\n", 0),
    axes("ACC-AXES: ", nullptr, 1),
    rate_per_axis("Samplerate per axis:%.2f Hz\n", 0, 1),
    flag("GPS with Timelimits\n", "NO GPS Timelimits\n", 1, 0x02),
    flag("ACC with Timelimits\n", "NO ACC Timelimits\n", 1, 0x04),
    flag("GPS cooked enabled\n", "GPS cooked disabled\n", 1, 0x80),
    flag("ACC Low sensitivity\n", "ACC High sensitivity\n", 2, 0x10),
    u16("gps_timeout:%hu\n", 3),
    u8("rfpower:%hhu\n", 5),
    u16("dacq_offvoltage:%hu\n", 6),
    millivolt("dacq_offvoltage: %u mV\n", 6),
    u16("radio_interval:%hu\n", 8),
    u8("gps_interval_retry_factor:%hhu\n", 10),
    u8("lowspeed_gps_interval_factor:%hhu\n", 11),
    u16("gps_speed_thr:%hu\n", 12),
    u16("acc_interval:%hu\n", 14),
    u16("acc_bytecnt:%hu\n", 16),
    u16("gps_interval:%hu\n", 18),
    time_of_day("GPS OFF FROM:%02u:%02u\n", 20),
    time_of_day("GPS OFF UNTIL:%02u:%02u\n", 22),
    time_of_day("ACC OFF FROM:%02u:%02u\n", 24),
    time_of_day("ACC OFF UNTIL:%02u:%02u\n", 26),
};

// Versions 6 to 8 share one layout and differ only in a few lines.
static constexpr SettingsLine kConfig56[] = {
    text("\n-------------- ACC-Settings: ------------------\n"),
    interval("ACC INTERVAL: %u seconds == %u minutes %u s\n", 25),
    u16("ACC BYTE COUNT: %u bytes\n", 27),
    u8("ACC SAMPLERATE CFG:%u\n", 29),
    axes("ACC-AXES: ", nullptr, 1),
    rate_per_axis("ACC SAMPLERATE per axis in Hertz:%.2f Hz\n", 29, 1),
    flag("ACC LOW sensitivity\n", "ACC HIGH sensitivity\n", 2, 0x10),
    time_of_day("ACC OFF FROM: %02u:%02u GPSTIME\n", 18),
    time_of_day("ACC OFF UNTIL:%02u:%02u GPSTIME\n", 20),
    flag("ACC TIMELIMITS enabled\n", "ACC TIMELIMITS disabled\n", 1, 0x04),
    u8("ACC LOW SPEED INTERVAL FACTOR:%u (if supported by device)\n", 57).with(kLong),

    text("\n-------------- GPS-Settings: ------------------\n"),
    interval("GPS INTERVAL: %u seconds == %u minutes %u s\n", 23),
    u8("GPS RETRY INTERVAL FACTOR: %u\n", 14),
    u8("GPS LOW SPEED INTERVAL FACTOR: %u\n", 15),
    u16("GPS LOW SPEED THRESHOLD: %u cm/s\n", 16),
    time_of_day("GPS OFF FROM: %02u:%02u GPSTIME\n", 8),
    time_of_day("GPS OFF UNTIL:%02u:%02u GPSTIME\n", 10),
    flag("GPS TIMELIMITS ENABLED\n", "GPS TIMELIMITS DISABLED\n", 1, 0x02),
    u16("GPS TIMEOUT: %u seconds\n", 12),
    flag("GPS cooked ENABLED\n", "GPS cooked DISABLED\n", 1, 0x80),

    text("\n-------------- Radio- and other Settings: ------------------\n"),
    u8("rfpower:%hhu\n", 5),
    u16("dacq_offvoltage:%hu\n", 3).with(kV6),
    millivolt("dacq_offvoltage: %u mV\n", 3).with(kV6),
    u16("dacq_offvolt2:%hu\n", 3).without(kV6),
    millivolt("dacq_offvolt2: %u mV\n", 3).without(kV6),
    u8("access_code:%hhu\n", 22),
    u16("radio_interval:%hu\n", 6),
    u16("radio_longdelay:%hu\n", 30),
    flag("PING ENABLED\n", "PING DISABLED\n", 2, 0x20).with(kV6),
    flag("PING ENABLED\n", "PING DISABLED\n", 1, 0x01).without(kV6),
};
static constexpr SettingsLine kConfig56Long[] = {
    frequency("Data link freq:", 32),
    frequency("Ping freq:", 36),
    u8("rf_pingpower:%hhu\n", 40),
    time_of_day("PING ON FROM: %02u:%02u GPSTIME\n", 43),
    time_of_day("PING ON UNTIL:%02u:%02u GPSTIME\n", 41),
    u16("burst_length:%hu\n", 45),
    u8("burst_qperiod:%hhu\n", 47),
    u16("maccess_voltlimit:%hu\n", 48),
    millivolt("maccess_voltlimit: %u mV\n", 48),
    u32("device_start_time:%u\n", 50),
    u16("gps_hourshift:%hu\n", 54),
    u8("gps_daydivisor:%hhu\n", 56),
    u16("dacq_offvolt1:%hu\n", 58).without(kV6),
    millivolt("dacq_offvolt1: %u mV\n", 58).without(kV6),
};
static constexpr SettingsLine kConfig58Long[] = {
    text("If this is a tag with the variance feature, following settings apply:\n"),
    u32("acc_l_threshold:%u\n", 60),
    u32("acc_h_threshold:%u\n", 64),
    u8("acc_param_n1:%hhu\n", 68),
    u8("acc_param_n2:%hhu\n", 69),
    u8("acc_param_n4:%hhu\n", 70),
    u8("gps_low_res_interval:%hhu\n", 71),
    u8("gps_medium_res_interval:%hhu\n", 73),
    first_axis("ACC-VARIANCE-AXIS: ", 2),
    text("Other features:\n"),
    u32("max_gpsacctime %us\n", 75),
    day_time("ping_start_time Day No.%u,%02u:%02u\n", 79),
    day_time("ping_stop_time Day No.%u,%02u:%02u\n", 83),
    day_time("radiolink_start_time Day No.%u,%02u:%02u\n", 87),
    text("\nIf this is a tag with the time section feature, following settings apply:\n"),
    time_sections("%u.SECTION START AT %02u:%02u GPSTIME\n GPS INTERVAL %us\n BURST LENGTH %us\n"
                  " BURST QPERIOD %us\n",
                  60, 76, 92, 108),
};

static constexpr SettingsLine kConfig56Raw[] = {
    flag("GPS with Timelimits\n", "NO GPS Timelimits\n", 1, 0x02),
    flag("GPS cooked enabled\n", "GPS cooked disabled\n", 1, 0x80),
    flag("ACC Low sensitivity\n", "ACC High sensitivity\n", 2, 0x10),
    flag("Ping enabled\n", "No Ping\n", 2, 0x20),
    u16("gps_timeout:%hu\n", 12),
    u8("rfpower:%hhu\n", 5),
    u16("dacq_offvoltage:%hu\n", 3),
    millivolt("dacq_offvoltage: %u mV\n", 3),
    u16("radio_interval:%hu\n", 6),
    u16("radio_longdelay:%hu\n", 30),
    u8("gps_interval_retry_factor:%hhu\n", 14),
    u8("lowspeed_gps_interval_factor:%hhu\n", 15),
    u16("gps_speed_thr:%hu\n", 16),
    u8("access_code:%hhu\n", 22),
    u16("gps_interval:%hu\n", 23),
    time_of_day("GPS OFF FROM:%02u:%02u\n", 8),
    time_of_day("GPS OFF UNTIL:%02u:%02u\n", 10),
};
static constexpr SettingsLine kConfig56RawLong[] = {
    frequency("Data link freq:", 32),
    frequency("Ping freq:", 36),
    u8("rf_pingpower:%hhu\n", 40),
    u16("ping_offbegin:%hu\n", 41),
    u16("ping_offend:%hu\n", 43),
    u16("burst_length:%hu\n", 45),
    u8("burst_qperiod:%hhu\n", 47),
    u16("maccess_voltlimit:%hu\n", 48),
    millivolt("maccess_voltlimit: %u mV\n", 48),
    text("RAW GPS Recording is disabled within following area (if it is not void):\n"),
    degrees("Longitude lower limit %f deg\n", 50),
    degrees("Longitude upper limit %f deg\n", 54),
    degrees("Latitude  lower limit %f deg\n", 58),
    degrees("Latitude  upper limit %f deg\n\n", 62),
};

static constexpr SettingsLine kInteraction[] = {
    u16("radio_interval:%hu\n", 1),
    u8("intact_interval:%hhu\n", 3),
    u8("flags0:%hhu\n", 4),
    u8("flags1:%hhu\n", 5),
    text("configured as ACTIVITY TAG\n").with(flags0(0x08)),
    text("configured as TX tag\n").with(flags0(0x01)).without(flags0(0x08)),
    text("configured as RX tag\n").with(kIntactAtDownload).without(flags0(0x08 | 0x01)),
    text("Timesleep disabled\n").with(flags0(0x40)),
    text("Testmode enabled\n").with(flags0(0x02)),
    u32("max_ontime:%u\n", 6),
    u8("rfpower:%hhu\n", 10),
    u16("dacq_offvoltage:%hu\n", 11),
    millivolt("dacq_offvoltage: %u mV\n", 11, kInteractionFullScaleMv),
    u16("radio_longdelay:%hu\n", 13),
    frequency("Data link freq:", 15),
    frequency("Interaction freq:", 19),
    frequency("Timing signal frequency:", 23),
    u8("rf_intact_power:%hhu\n", 27),
    u16("maccess_voltlimit:%hu\n", 28),
    millivolt("maccess_voltlimit: %u mV\n", 28, kInteractionFullScaleMv),
    u8("access_code:%hhu\n", 30).with(kIntactAtDownload),
};
static constexpr SettingsLine kInteractionAtDownloadLong[] = {
    u16("radio_short_interval:%hu\n", 31),
};

static_assert(settings_lines_fit(kConfig51, kAreaRoom) &&
              settings_lines_fit(kConfig56, kAreaRoom) &&
              settings_lines_fit(kConfig56Long, kAreaRoom) &&
              settings_lines_fit(kConfig58Long, kAreaRoom) &&
              settings_lines_fit(kConfig56Raw, kAreaRoom) &&
              settings_lines_fit(kConfig56RawLong, kAreaRoom) &&
              settings_lines_fit(kInteraction, kAreaRoom) &&
              settings_lines_fit(kInteractionAtDownloadLong, kAreaRoom));

using Lines = std::span<const SettingsLine>;

// One configuration layout: its heading, where its area starts, the marker
// byte that says the area holds a configuration, the condition bit of its
// lines, its lines and those that only the long form carries.
struct Layout {
    const char* heading;
    ConfigBase base;
    uint16_t marker_offset;
    uint8_t marker;
    uint32_t condition;
    Lines lines;
    Lines long_lines[2] = {};
};

constexpr Layout kLayout51{"\nPrinting tag configuration 5_1:\n", kBase51, 28, 'j', 0, kConfig51};
constexpr Layout kLayout56Raw{"\nPrinting tag configuration 5_6_raw:\n",
                              kBase56,
                              0,
                              'l',
                              0,
                              kConfig56Raw,
                              {kConfig56RawLong}};
constexpr Layout kLayout56{
    "\nPrinting tag configuration 5_6:\n", kBase56, 0, 'k', kV6, kConfig56, {kConfig56Long}};
constexpr Layout kLayout57{
    "\nPrinting tag configuration 5_7:\n", kBase56, 0, 'k', kV7, kConfig56, {kConfig56Long}};
constexpr Layout kLayout58{"\nPrinting tag configuration 5_8:\n", kBase56, 0, 'k', kV8, kConfig56,
                           {kConfig56Long, kConfig58Long}};
constexpr Layout kLayoutInteraction{
    "\nPrinting tag configuration:\n", kBaseInteraction, 0, 'j', 0, kInteraction};
constexpr Layout kLayoutInteractionAtDownload{
    "\nPrinting tag configuration at time of data download:\n",
    kBaseInteractionAtDownload,
    0,
    'j',
    kIntactAtDownload,
    kInteraction,
    {kInteractionAtDownloadLong}};

// Prints the layout's configuration; returns its area, or nullptr when the
// marker says there is none.
const uint8_t* print_layout(const Layout& layout, const uint8_t* block, bool long_form,
                            OutStream& out) {
    out.put(layout.heading);
    const uint8_t* area = block + (long_form ? layout.base.long_form : layout.base.short_form);
    if (area[layout.marker_offset] != layout.marker) {
        out.put(kNoConfiguration);
        return nullptr;
    }
    uint32_t conditions = layout.condition | (long_form ? kLong : 0);
    if (layout.condition == kIntactAtDownload) {
        conditions |= flags0(area[4]);
    }
    const SettingsContext ctx{area, conditions, print_gen3_frequency};
    print_lines(ctx, out, layout.lines);
    for (size_t i = 0; long_form && i < std::size(layout.long_lines); ++i) {
        print_lines(ctx, out, layout.long_lines[i]);
    }
    // Every configuration closes with a blank line.
    out.put_char('\n');
    return area;
}

const Layout* gps_acc_layout(uint8_t version, const uint8_t* block, bool long_form) {
    // Versions 1 to 5 share one layout; version 6 marks its raw GPS form by 'l'.
    static constexpr const Layout* kByVersion[] = {nullptr,    &kLayout51, &kLayout51,
                                                   &kLayout51, &kLayout51, &kLayout51,
                                                   &kLayout56, &kLayout57, &kLayout58};
    if (version == 6 && block[long_form ? kBase56.long_form : kBase56.short_form] == 'l') {
        return &kLayout56Raw;
    }
    return version < std::size(kByVersion) ? kByVersion[version] : nullptr;
}

const Layout* interaction_layout(uint8_t version) {
    switch (version) {
        case 1:
        case 2:
            return &kLayoutInteraction;
        case 6:
            return &kLayoutInteractionAtDownload;
        default:
            return nullptr;
    }
}

uint8_t software_version(const uint8_t* block, bool long_form) {
    return block[long_form ? kLongVersionOffset : kShortVersionOffset];
}

// The layout's configuration, or the line that the version is unknown.
const uint8_t* print_known_layout(const Layout* layout, const uint8_t* block, bool long_form,
                                  OutStream& out) {
    if (layout == nullptr) {
        out.put("Unknown tag software version\n");
        return nullptr;
    }
    return print_layout(*layout, block, long_form, out);
}

}  // namespace

void print_gen3_frequency(uint32_t word, OutStream& out) {
    out.printf("0x%X = ", word);
    if (!frequency_word_valid(word)) {
        out.put("Default frequency\n");
        return;
    }
    out.printf("%f MHz\n", word * 26.0 / 65536.0);
}

void print_gen3_gps_acc_config(const uint8_t* block, bool long_form, bool legacy_tag,
                               OutStream& out) {
    if (legacy_tag) {
        return;
    }
    const uint8_t version = software_version(block, long_form);
    out.printf("GPS-ACC-Tag Software vers No.:%hhu\n", version);
    print_known_layout(gps_acc_layout(version, block, long_form), block, long_form, out);
}

void print_gen3_interaction_config(const uint8_t* block, bool long_form, bool legacy_tag,
                                   OutStream& out, uint8_t& intact_interval) {
    if (legacy_tag) {
        return;
    }
    const uint8_t version = software_version(block, long_form);
    out.printf("Interaction tag Software Vers. %hhu;\n", version);
    const uint8_t* area = print_known_layout(interaction_layout(version), block, long_form, out);
    if (area != nullptr) {
        intact_interval = area[3];
    }
}

}  // namespace dec
