// Records of generation-5 GPS-acceleration tags with valid checksums, built
// from plain field values: GPS fixes (cooked and extended), acceleration bursts,
// NEWACC and QUATCMP, system events, satellite reports and GSM texts.
//
// Single-unit records are 63-byte payloads (the unit without its type byte);
// multi-unit records are the joined payloads, 63 bytes per unit, as the block
// loop reassembles them. TagImage collects a tag's units as they lie in its
// flash memory and hands out downloads of any unit range, so tests can re-send
// overlapping data as a base station receives it.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "testsupport/container_builder.h"

namespace dec::testing {

using Payload = std::array<uint8_t, 63>;
using Record = std::vector<uint8_t>;

// Block types of the units.
inline constexpr uint8_t kUnitSysinfo = 0x10;
inline constexpr uint8_t kUnitGpsCooked = 0x30;
inline constexpr uint8_t kUnitSatStart = 0x32;
inline constexpr uint8_t kUnitGpsExtended = 0x34;
inline constexpr uint8_t kUnitGpsExtendedSeeded = 0x36;
inline constexpr uint8_t kUnitAcc0 = 0x40;
inline constexpr uint8_t kUnitNewacc = 0x42;
inline constexpr uint8_t kUnitAcc1 = 0x44;
inline constexpr uint8_t kUnitQuatcmp = 0x50;
inline constexpr uint8_t kUnitGsmText = 0x70;

// ---------------------------------------------------------------- GPS fixes

// Cooked record (block 0x30; software 9 and 10 share the layout).
struct GpsCookedFields {
    int32_t lon = 0;  // 1e-7 degree
    int32_t lat = 0;  // 1e-7 degree
    int32_t height_mm = 0;
    int16_t week = 0;
    uint32_t tow_ms = 0;
    uint8_t time_valid = 0;
    uint8_t fix_byte = 3;   // bits 0-1: type of fix
    uint8_t status = 0x0D;  // 0x01 fix ok, 0x04, 0x08
    uint8_t rtc_flags = 1;  // bit 0: GPS clock
    uint16_t noise = 0;
    uint16_t time_to_fix = 0;  // s
    uint16_t vert_acc = 0;     // m
    uint16_t speed_acc = 0;    // cm/s
    uint32_t start_time = 0;   // tag time of the attempt's start
    uint16_t temperature_raw = 0;
    uint16_t battery = 0;  // voltage codes: mV = code * 5000 >> 12
    uint16_t loaded_battery = 0;
    uint16_t speed = 0;      // cm/s
    int16_t heading = 0;     // 0.65536 degree
    uint32_t horiz_acc = 0;  // 24 bits, 256 mm
    uint16_t fix_battery = 0;
};

// Extended record (blocks 0x34 and 0x36).
struct GpsExtendedFields {
    int32_t lon = 0;
    int32_t lat = 0;
    int32_t height_mm = 0;
    int16_t week = 0;
    uint32_t tow_ms = 0;
    uint8_t status = 0x3D;   // bit 5: GPS clock
    uint16_t speed_acc = 0;  // mm/s
    uint32_t horiz_acc = 0;  // 24 bits, 256 mm
    uint16_t speed = 0;      // cm/s
    int16_t heading = 0;
    uint8_t satellites = 0;
    uint8_t dop = 0;  // 0.1
    uint32_t start_time = 0;
    uint16_t battery = 0;
    uint16_t loaded_battery = 0;
    uint16_t fix_battery = 0;
    uint32_t pressure_d1 = 0;    // 24-bit raw values of the pressure sensor
    uint32_t pressure_d2 = 0;    // its bits 23-8 double as the temperature raw
    int16_t mag[3] = {0, 0, 0};  // sensor axes 1, 2, 3
    uint16_t time_to_fix = 0;
    uint16_t vert_acc = 0;  // 0.1 m
    int16_t quat_w = 0;
    int8_t quat_x = 0;
    int8_t quat_y = 0;
    int8_t quat_z = 0;
};

// Sets the temperature raw of an extended record without pressure data: the
// 16 bits lie where D2 keeps its bits 23-8.
void set_extended_temperature(GpsExtendedFields& desc, uint16_t raw);

Payload make_gps_cooked(const GpsCookedFields& desc);
inline Payload make_gps_cooked_v9(const GpsCookedFields& desc) {
    return make_gps_cooked(desc);
}
// Unseeded (block 0x34) unless `seeded`, when the sums start at the two low
// bytes of the tag number (block 0x36).
Payload make_gps_extended(const GpsExtendedFields& desc, bool seeded = false,
                          uint32_t tag_number = 0);

// ------------------------------------------------------ acceleration bursts

// A burst of 0x40/0x44 units (software 10) or 0x40 units (software 9).
struct AccBurstFields {
    uint32_t time = 0;
    uint8_t axes = 0x38;  // 0x08 X, 0x10 Y, 0x20 Z
    uint8_t rate_code = 0;
    // Samples of the axes in turn (X, Y, Z order of the axes present), 12 bits.
    std::vector<uint16_t> samples;
    // Units of the record; 0 takes the fewest that hold the samples.
    uint8_t units = 0;
};

// Variant 0 (units 0x40) sums from 0; variant 1 (units 0x44) seeds the sum with
// the tag number.
Record make_acc_burst(const AccBurstFields& desc, int variant = 0, uint32_t tag_number = 0);
inline Record make_acc_burst_v9(const AccBurstFields& desc) {
    return make_acc_burst(desc, 0, 0);
}

// ------------------------------------------------------------ IMU records

// Fine time of a tag time and a fraction in 1/32768 s.
inline uint32_t imu_fine_time(uint32_t seconds, uint32_t fraction) {
    return seconds * 32768u + fraction;
}

struct NewaccFields {
    uint32_t time = 0;       // coarse tag time
    uint32_t fine_time = 0;  // imu_fine_time()
    uint8_t flags = 0;       // bit 7: sensor error
    uint8_t start_offset = 0;
    std::vector<uint16_t> samples;  // X, Y, Z in turn
    uint8_t units = 0;
};

struct QuatEntryFields {
    int16_t w = 0;
    int8_t x = 0;
    int8_t y = 0;
    int8_t z = 0;
    int16_t mag_x = 0;
    int16_t mag_y = 0;
    int16_t mag_z = 0;
};

struct QuatcmpFields {
    uint32_t time = 0;
    uint32_t fine_time = 0;
    uint8_t flags = 0;  // bit 7: sensor error; bits 0-6: rate divider (100 / d Hz)
    uint8_t start_offset = 0;
    int16_t temperature_raw = 0;  // 1/256 degree Celsius
    std::vector<QuatEntryFields> entries;
    uint8_t units = 0;
};

Record make_newacc(const NewaccFields& desc, uint32_t tag_number);
Record make_quatcmp(const QuatcmpFields& desc, uint32_t tag_number);

// ------------------------------------------------------------------ events

struct EventFields {
    uint8_t type = 0;  // 0 reset, 3 low battery, 4 switch, 8 GSM report, ...
    uint32_t time = 0;
    uint8_t rs = 0;
    uint8_t vmon = 0;
    uint8_t low_battery = 0;
    uint16_t battery = 0;
    uint8_t switch_state = 0xAA;  // 0xAA on, 0x55 off
    uint16_t battery_at_fix = 0;
};

// GSM connection report, first form (event type 8).
struct GsmReportFields {
    EventFields head{.type = 8};
    uint32_t start_time = 0;
    uint16_t connect_time = 0;
    uint16_t ddl_end_time = 0;
    uint8_t err_unexp_resp = 0;
    uint8_t err_usoctl1 = 0;
    uint8_t err_ddl_x = 0;
    uint8_t error_type = 0;
    uint16_t battery_begin = 0;
    uint16_t battery_end = 0;
    uint16_t battery_min = 0;
    std::string csq{};  // at most 5 characters
    uint8_t creg_stat = 0;
    uint8_t cgreg_stat = 0;
    uint8_t flags = 0;
    uint32_t usoctl11 = 0;
    uint8_t err_usowr_x = 0;
    uint8_t err_grc_x = 0;
    uint8_t urcflags = 0;
};

Payload make_event(const EventFields& desc);
Payload make_reset_event(uint32_t time, uint8_t rs, uint16_t battery);
Payload make_switch_event(uint32_t time, bool on, uint16_t battery);
Payload make_low_battery_event(uint32_t time, uint16_t battery);
Payload make_gsm_report(const GsmReportFields& desc);

// GSM connection report, second form (event type 11): no err_usoctl1, the
// fields after it one byte earlier (usoctl11's place holds tcp_ack_waiting),
// then the network registration and the trace.
struct GsmReport2Fields {
    GsmReportFields common{.head = {.type = 11}};
    uint8_t cereg_stat = 0;
    uint8_t ceer = 0;
    char cops_act = 0;
    uint16_t trace = 0;
};
Payload make_gsm_report2(const GsmReport2Fields& desc);

// GPS diagnostics event (types 9 and 10): receiver and IMU error counters.
struct GpsDiagnosticsFields {
    EventFields head{.type = 9};
    uint16_t error_flags = 0;
    uint16_t unimplemented_ubx = 0;
    uint16_t ubx_checksum_errors = 0;
    uint8_t unexpected = 0;
    uint16_t noise_per_ms = 0;
    uint8_t clock_flags = 0;
    uint16_t ack_payload = 0;
    uint8_t smbus_error_flags = 0;
    uint8_t nak_tx_index = 0;
    uint16_t imu_errors = 0;
    uint8_t dmp_error_address = 0;
    uint8_t fifo_count = 0;
    uint16_t payload_error = 0;
    uint8_t bfc = 0;
};
Payload make_gps_diagnostics(const GpsDiagnosticsFields& desc);

// SMS attempt of software-9 tags from serial 1980 on (event type 7); the SMS
// line prints the two registration states as characters.
struct SmsV9Fields {
    EventFields head{.type = 7};
    uint32_t start_time = 0;
    uint8_t error = 0;
    uint8_t aerror = 0;
    uint16_t step = 0;
    uint8_t cgreg_stat = 0;
    std::string csq{};  // at most 5 characters
    uint8_t creg_stat = 0;
};
Payload make_sms_event_v9(const SmsV9Fields& desc);

// Software-9 event of a tag below serial 1980: type 0 reset or type 1 low
// battery with the voltage code at offset 5.
Payload make_event_v9_old(uint8_t type, uint32_t time, uint8_t rs, uint16_t battery);

// ------------------------------------------------- satellites and GSM text

struct SatChannelFields {
    uint8_t channel = 0;
    uint8_t satellite = 0;
    uint8_t flags = 0x04;  // orbit information available
    uint8_t quality = 7;   // low four bits
    uint8_t cno = 0;
    int8_t elevation = 0;
    int16_t azimuth = 0;
};

// The satellite status report (units 0x32/0x33), padded to whole units.
Record make_satellite_report(uint32_t tow_ms, const std::vector<SatChannelFields>& channels);
// A GSM text (units 0x70/0x71): tag time and the text, zero-terminated, padded.
Record make_gsm_text(uint32_t time, const std::string& text);

// ------------------------------------------------------------------- units

Unit payload_unit(uint8_t type, const Payload& payload);
// A record as a start unit of `start_type` and continuation units of
// start_type + 1, 63 payload bytes each.
std::vector<Unit> record_units(uint8_t start_type, const Record& record);
void add_record(ContainerBuilder& c, uint8_t start_type, const Record& record);

// A tag's flash memory as units, from which downloads are cut.
class TagImage {
  public:
    explicit TagImage(OpenBlockFields base) : base_(base) {}

    TagImage& unit(const Unit& u) {
        units_.push_back(u);
        return *this;
    }
    TagImage& payload(uint8_t type, const Payload& p) { return unit(payload_unit(type, p)); }
    TagImage& record(uint8_t start_type, const Record& r);
    size_t size() const { return units_.size(); }
    const std::vector<Unit>& units() const { return units_; }

    // Appends a download of units [first, first + count): an open block with
    // the flash addresses of that range and the download time, then the units.
    void download(ContainerBuilder& c, size_t first, size_t count, uint32_t time) const;
    // The same with fewer units delivered than the open block announces.
    void interrupted_download(ContainerBuilder& c, size_t first, size_t announced, size_t delivered,
                              uint32_t time) const;

  private:
    OpenBlockFields base_;
    std::vector<Unit> units_;
};

// Units a record spans.
inline size_t record_unit_count(const Record& r) {
    return (r.size() + 62) / 63;
}

}  // namespace dec::testing
