#include "testsupport/record_builders.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "common/le.h"

namespace dec::testing {

namespace {

constexpr size_t kPayloadSize = 63;

void put_le24(uint8_t* p, size_t off, uint32_t v) {
    p[off] = static_cast<uint8_t>(v);
    p[off + 1] = static_cast<uint8_t>(v >> 8);
    p[off + 2] = static_cast<uint8_t>(v >> 16);
}

// The receiver's 8-bit Fletcher sums over bytes 0..60, stored in 61 and 62.
void seal_cooked(Payload& p, uint8_t a, uint8_t b) {
    for (size_t i = 0; i < 61; ++i) {
        a = static_cast<uint8_t>(a + p[i]);
        b = static_cast<uint8_t>(b + a);
    }
    p[61] = a;
    p[62] = b;
}

// Record length for `units`, or the fewest units holding `needed` bytes.
size_t record_length(uint8_t units, size_t needed) {
    const size_t n =
        units != 0 ? units : std::max<size_t>(1, (needed + kPayloadSize - 1) / kPayloadSize);
    if (n > 30 || n * kPayloadSize < needed) {
        throw std::invalid_argument("record does not fit its units");
    }
    return n * kPayloadSize;
}

// Two 12-bit samples per three bytes from `first` on.
void pack_samples(Record& r, size_t first, const std::vector<uint16_t>& samples) {
    for (size_t i = 0; i < samples.size(); i += 2) {
        const size_t at = first + 3 * (i / 2);
        const uint16_t s1 = samples[i] & 0x0FFF;
        const uint16_t s2 = i + 1 < samples.size() ? samples[i + 1] & 0x0FFF : 0;
        r[at] = static_cast<uint8_t>(s1);
        r[at + 1] = static_cast<uint8_t>((s1 >> 8) | ((s2 >> 8) << 4));
        r[at + 2] = static_cast<uint8_t>(s2);
    }
}

size_t packed_size(size_t samples) {
    return 3 * ((samples + 1) / 2);
}

}  // namespace

// ---------------------------------------------------------------- GPS fixes

void set_extended_temperature(GpsExtendedFields& desc, uint16_t raw) {
    desc.pressure_d2 = (desc.pressure_d2 & 0xFFu) | (uint32_t{static_cast<uint8_t>(raw)} << 16) |
                       (uint32_t{static_cast<uint8_t>(raw >> 8)} << 8);
}

Payload make_gps_cooked(const GpsCookedFields& s) {
    Payload p{};
    uint8_t* b = p.data();
    put_le32(b, 0, static_cast<uint32_t>(s.lon));
    put_le32(b, 4, static_cast<uint32_t>(s.lat));
    put_le32(b, 8, static_cast<uint32_t>(s.height_mm));
    put_le16(b, 12, static_cast<uint16_t>(s.week));
    put_le32(b, 14, s.tow_ms);
    b[18] = s.time_valid;
    b[19] = s.fix_byte;
    b[20] = s.status;
    b[21] = s.rtc_flags;
    put_le16(b, 22, s.noise);
    put_le16(b, 26, s.time_to_fix);
    put_le16(b, 38, s.vert_acc);
    put_le16(b, 40, s.speed_acc);
    put_le32(b, 42, s.start_time);
    put_le16(b, 46, s.temperature_raw);
    put_le16(b, 48, s.battery);
    put_le16(b, 50, s.loaded_battery);
    put_le16(b, 52, s.speed);
    put_le16(b, 54, static_cast<uint16_t>(s.heading));
    put_le24(b, 56, s.horiz_acc);
    put_le16(b, 59, s.fix_battery);
    seal_cooked(p, 0, 0);
    return p;
}

Payload make_gps_extended(const GpsExtendedFields& s, bool seeded, uint32_t tag_number) {
    Payload p{};
    uint8_t* b = p.data();
    put_le32(b, 0, static_cast<uint32_t>(s.lon));
    put_le32(b, 4, static_cast<uint32_t>(s.lat));
    put_le32(b, 8, static_cast<uint32_t>(s.height_mm));
    put_le16(b, 12, static_cast<uint16_t>(s.week));
    put_le32(b, 14, s.tow_ms);
    b[18] = s.status;
    put_le16(b, 19, s.speed_acc);
    put_le24(b, 21, s.horiz_acc);
    put_le16(b, 24, s.speed);
    put_le16(b, 26, static_cast<uint16_t>(s.heading));
    b[28] = s.satellites;
    b[29] = s.dop;
    put_le32(b, 30, s.start_time);
    put_le16(b, 34, s.battery);
    put_le16(b, 36, s.loaded_battery);
    put_le16(b, 38, s.fix_battery);
    // The 24-bit sensor values: bits 23-8 big-endian in front, bits 7-0 at 59/60.
    b[40] = static_cast<uint8_t>(s.pressure_d1 >> 16);
    b[41] = static_cast<uint8_t>(s.pressure_d1 >> 8);
    b[59] = static_cast<uint8_t>(s.pressure_d1);
    b[42] = static_cast<uint8_t>(s.pressure_d2 >> 16);
    b[43] = static_cast<uint8_t>(s.pressure_d2 >> 8);
    b[60] = static_cast<uint8_t>(s.pressure_d2);
    for (size_t i = 0; i < 3; ++i) {
        put_le16(b, 44 + 2 * i, static_cast<uint16_t>(s.mag[i]));
    }
    put_le16(b, 50, s.time_to_fix);
    put_le16(b, 52, s.vert_acc);
    put_le16(b, 54, static_cast<uint16_t>(s.quat_w));
    b[56] = static_cast<uint8_t>(s.quat_x);
    b[57] = static_cast<uint8_t>(s.quat_y);
    b[58] = static_cast<uint8_t>(s.quat_z);
    seal_cooked(p, seeded ? static_cast<uint8_t>(tag_number) : 0,
                seeded ? static_cast<uint8_t>(tag_number >> 8) : 0);
    return p;
}

// ------------------------------------------------------ acceleration bursts

Record make_acc_burst(const AccBurstFields& s, int variant, uint32_t tag_number) {
    Record r(record_length(s.units, 9 + packed_size(s.samples.size())), 0);
    put_le32(r.data(), 0, s.time);
    r[4] = s.axes;
    r[5] = s.rate_code;
    pack_samples(r, 9, s.samples);
    // The tag sums in place: byte 6 starts as the seed's low byte and receives
    // the running sum after every byte, byte 7 holds the seed's high byte while
    // summing and the unit count afterwards.
    Record c = r;
    c[6] = variant == 1 ? static_cast<uint8_t>(tag_number) : 0;
    c[7] = variant == 1 ? static_cast<uint8_t>(tag_number >> 8) : 0;
    uint8_t sum = c[6];
    for (size_t i = 0; i < c.size(); ++i) {
        sum = static_cast<uint8_t>(sum + c[i]);
        c[6] = sum;
    }
    r[6] = sum;
    r[7] = static_cast<uint8_t>(r.size() / kPayloadSize);
    return r;
}

// ------------------------------------------------------------ IMU records

namespace {

// The two running sums of the IMU records, done in place as the tag does:
// bytes 10 and 11 start as the tag number's low and high byte and receive the
// sums after every byte.
void seal_imu(Record& r, uint32_t tag_number) {
    Record c = r;
    c[10] = static_cast<uint8_t>(tag_number);
    c[11] = static_cast<uint8_t>(tag_number >> 8);
    uint8_t s1 = c[10];
    uint8_t s2 = c[11];
    for (size_t i = 0; i < c.size(); ++i) {
        s1 = static_cast<uint8_t>(s1 + c[i]);
        c[10] = s1;
        s2 = static_cast<uint8_t>(s2 + s1);
        c[11] = s2;
    }
    r[10] = s1;
    r[11] = s2;
}

void put_imu_head(Record& r, uint32_t time, uint32_t fine_time, uint8_t flags, uint8_t offset) {
    put_le32(r.data(), 0, time);
    put_le32(r.data(), 4, fine_time);
    r[9] = flags;
    r[12] = static_cast<uint8_t>(r.size() / kPayloadSize);
    r[13] = offset;
}

}  // namespace

Record make_newacc(const NewaccFields& s, uint32_t tag_number) {
    Record r(record_length(s.units, 18 + packed_size(s.samples.size())), 0);
    put_imu_head(r, s.time, s.fine_time, s.flags, s.start_offset);
    pack_samples(r, 18, s.samples);
    seal_imu(r, tag_number);
    return r;
}

Record make_quatcmp(const QuatcmpFields& s, uint32_t tag_number) {
    Record r(record_length(s.units, 16 + 11 * s.entries.size()), 0);
    put_imu_head(r, s.time, s.fine_time, s.flags, s.start_offset);
    put_le16(r.data(), 14, static_cast<uint16_t>(s.temperature_raw));
    for (size_t i = 0; i < s.entries.size(); ++i) {
        uint8_t* e = r.data() + 16 + 11 * i;
        const QuatEntryFields& q = s.entries[i];
        put_le16(e, 0, static_cast<uint16_t>(q.w));
        e[2] = static_cast<uint8_t>(q.x);
        e[3] = static_cast<uint8_t>(q.y);
        e[4] = static_cast<uint8_t>(q.z);
        put_le16(e, 5, static_cast<uint16_t>(q.mag_y));
        put_le16(e, 7, static_cast<uint16_t>(q.mag_x));
        put_le16(e, 9, static_cast<uint16_t>(q.mag_z));
    }
    seal_imu(r, tag_number);
    return r;
}

// ------------------------------------------------------------------ events

Payload make_event(const EventFields& s) {
    Payload p{};
    p[0] = s.type;
    put_le32(p.data(), 1, s.time);
    p[5] = s.rs;
    p[6] = s.vmon;
    p[7] = s.low_battery;
    put_le16(p.data(), 8, s.battery);
    p[10] = s.switch_state;
    put_le16(p.data(), 11, s.battery_at_fix);
    return p;
}

Payload make_reset_event(uint32_t time, uint8_t rs, uint16_t battery) {
    return make_event(
        {.type = 0, .time = time, .rs = rs, .battery = battery, .battery_at_fix = battery});
}

Payload make_switch_event(uint32_t time, bool on, uint16_t battery) {
    return make_event({.type = 4,
                       .time = time,
                       .battery = battery,
                       .switch_state = static_cast<uint8_t>(on ? 0xAA : 0x55),
                       .battery_at_fix = battery});
}

Payload make_low_battery_event(uint32_t time, uint16_t battery) {
    return make_event(
        {.type = 3, .time = time, .low_battery = 1, .battery = battery, .battery_at_fix = battery});
}

namespace {

// The fields both GSM report forms share; from err_ddl_x on the second form
// keeps them `shift` (1) bytes earlier.
void put_gsm_report(uint8_t* b, const GsmReportFields& s, size_t shift) {
    put_le32(b, 13, s.start_time);
    put_le16(b, 17, s.connect_time);
    put_le16(b, 19, s.ddl_end_time);
    b[21] = s.err_unexp_resp;
    b += 23 - shift;
    b[0] = s.err_ddl_x;
    b[1] = s.error_type;
    put_le16(b, 2, s.battery_begin);
    put_le16(b, 4, s.battery_end);
    put_le16(b, 6, s.battery_min);
    std::memcpy(b + 8, s.csq.data(), std::min<size_t>(s.csq.size(), 5));
    b[14] = s.creg_stat;
    b[15] = s.cgreg_stat;
    b[16] = s.flags;
    put_le32(b, 17, s.usoctl11);
    b[21] = s.err_usowr_x;
    b[22] = s.err_grc_x;
    b[23] = s.urcflags;
}

}  // namespace

Payload make_gsm_report(const GsmReportFields& s) {
    Payload p = make_event(s.head);
    put_gsm_report(p.data(), s, 0);
    p[22] = s.err_usoctl1;
    return p;
}

Payload make_gsm_report2(const GsmReport2Fields& s) {
    Payload p = make_event(s.common.head);
    put_gsm_report(p.data(), s.common, 1);
    p[51] = s.cereg_stat;
    p[52] = s.ceer;
    p[54] = static_cast<uint8_t>(s.cops_act);
    put_le16(p.data(), 58, s.trace);
    return p;
}

Payload make_gps_diagnostics(const GpsDiagnosticsFields& s) {
    Payload p = make_event(s.head);
    uint8_t* b = p.data();
    put_le16(b, 13, s.error_flags);
    put_le16(b, 15, s.unimplemented_ubx);
    put_le16(b, 17, s.ubx_checksum_errors);
    b[19] = s.unexpected;
    put_le16(b, 20, s.noise_per_ms);
    b[22] = s.clock_flags;
    put_le16(b, 23, s.ack_payload);
    b[25] = s.smbus_error_flags;
    b[26] = s.nak_tx_index;
    put_le16(b, 27, s.imu_errors);
    b[29] = s.dmp_error_address;
    b[30] = s.fifo_count;
    put_le16(b, 31, s.payload_error);
    b[33] = s.bfc;
    return p;
}

Payload make_sms_event_v9(const SmsV9Fields& s) {
    Payload p = make_event(s.head);
    put_le32(p.data(), 13, s.start_time);
    p[17] = s.error;
    p[18] = s.aerror;
    put_le16(p.data(), 19, s.step);
    p[21] = s.cgreg_stat;
    std::memcpy(p.data() + 22, s.csq.data(), std::min<size_t>(s.csq.size(), 5));
    p[28] = s.creg_stat;
    return p;
}

Payload make_event_v9_old(uint8_t type, uint32_t time, uint8_t rs, uint16_t battery) {
    Payload p{};
    p[0] = type;
    put_le32(p.data(), 1, time);
    if (type == 1) {
        put_le16(p.data(), 5, battery);
    } else {
        p[5] = rs;
    }
    return p;
}

// ------------------------------------------------- satellites and GSM text

Record make_satellite_report(uint32_t tow_ms, const std::vector<SatChannelFields>& channels) {
    if (channels.size() > 155) {
        throw std::invalid_argument("too many channels");
    }
    const size_t needed = 8 + 12 * channels.size();
    Record r(std::max<size_t>(1, (needed + kPayloadSize - 1) / kPayloadSize) * kPayloadSize, 0);
    put_le32(r.data(), 0, tow_ms);
    r[4] = static_cast<uint8_t>(channels.size());
    for (size_t i = 0; i < channels.size(); ++i) {
        uint8_t* c = r.data() + 8 + 12 * i;
        const SatChannelFields& ch = channels[i];
        c[0] = ch.channel;
        c[1] = ch.satellite;
        c[2] = ch.flags;
        c[3] = ch.quality;
        c[4] = ch.cno;
        c[5] = static_cast<uint8_t>(ch.elevation);
        put_le16(c, 6, static_cast<uint16_t>(ch.azimuth));
    }
    return r;
}

Record make_gsm_text(uint32_t time, const std::string& text) {
    const size_t needed = 4 + text.size() + 1;
    Record r(std::max<size_t>(1, (needed + kPayloadSize - 1) / kPayloadSize) * kPayloadSize, 0);
    put_le32(r.data(), 0, time);
    std::memcpy(r.data() + 4, text.data(), text.size());
    return r;
}

// ------------------------------------------------------------------- units

Unit payload_unit(uint8_t type, const Payload& payload) {
    Unit u{};
    u[0] = type;
    std::memcpy(u.data() + 1, payload.data(), payload.size());
    return u;
}

std::vector<Unit> record_units(uint8_t start_type, const Record& record) {
    std::vector<Unit> units;
    for (size_t off = 0; off < record.size(); off += kPayloadSize) {
        Unit u{};
        u[0] = off == 0 ? start_type : static_cast<uint8_t>(start_type + 1);
        std::memcpy(u.data() + 1, record.data() + off, std::min(kPayloadSize, record.size() - off));
        units.push_back(u);
    }
    return units;
}

void add_record(ContainerBuilder& c, uint8_t start_type, const Record& record) {
    for (const Unit& u : record_units(start_type, record)) {
        c.unit(u);
    }
}

TagImage& TagImage::record(uint8_t start_type, const Record& r) {
    for (const Unit& u : record_units(start_type, r)) {
        units_.push_back(u);
    }
    return *this;
}

void TagImage::download(ContainerBuilder& c, size_t first, size_t count, uint32_t time) const {
    interrupted_download(c, first, count, count, time);
}

void TagImage::interrupted_download(ContainerBuilder& c, size_t first, size_t announced,
                                    size_t delivered, uint32_t time) const {
    OpenBlockFields desc = base_;
    desc.flash_start = base_.flash_start + 64u * static_cast<uint32_t>(first);
    desc.flash_end = desc.flash_start + 64u * static_cast<uint32_t>(announced);
    desc.time = time;
    c.open(desc);
    for (size_t i = first; i < first + delivered && i < units_.size(); ++i) {
        c.unit(units_[i]);
    }
}

}  // namespace dec::testing
