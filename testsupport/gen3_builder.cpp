#include "testsupport/gen3_builder.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <stdexcept>

#include "common/le.h"

namespace dec::testing {

namespace {

constexpr uint32_t kShortMagic = 0x17FA95B3;
constexpr uint32_t kLongMagic = 0x13FA95B7;

void ubx_sums(uint8_t* p, size_t count) {
    uint8_t a = 0, b = 0;
    for (size_t i = 0; i < count; ++i) {
        a = static_cast<uint8_t>(a + p[i]);
        b = static_cast<uint8_t>(b + a);
    }
    p[count] = a;
    p[count + 1] = b;
}

void put_gps_common(uint8_t* p, const Gen3GpsFields& s) {
    put_le32(p, 0, static_cast<uint32_t>(s.lon));
    put_le32(p, 4, static_cast<uint32_t>(s.lat));
    put_le32(p, 8, static_cast<uint32_t>(s.height_mm));
    put_le16(p, 12, static_cast<uint16_t>(s.week));
    put_le32(p, 14, s.tow_ms);
    p[19] = s.fix_byte;
    p[20] = s.status;
    p[21] = s.clock;
    p[22] = s.noise;
    put_le16(p, 26, s.time_to_fix);
    put_le32(p, 42, s.start_time);
    put_le16(p, 46, s.temperature_raw);
    put_le16(p, 48, s.battery);
}

}  // namespace

std::vector<uint8_t> make_gen3_header(int minor, uint32_t rewrite_counter, const std::string& text,
                                      uint16_t basestation_id, uint32_t magic,
                                      const std::string& version_rest) {
    std::vector<uint8_t> h(512, 0);
    put_le32(h.data(), 0, magic != 0 ? magic : (minor >= 5 ? kLongMagic : kShortMagic));
    put_le32(h.data(), 8, rewrite_counter);
    std::memcpy(h.data() + 12, text.data(), std::min<size_t>(text.size(), 254));
    const std::string version = "base3, V1." + std::to_string(minor) + version_rest;
    std::memcpy(h.data() + 267, version.data(), std::min<size_t>(version.size(), 63));
    put_le16(h.data(), 331, basestation_id);
    return h;
}

std::vector<uint8_t> make_gen3_open_block(const Gen3OpenFields& s, bool long_form) {
    std::vector<uint8_t> b(long_form ? 192 : 64, 0);
    uint8_t* p = b.data();
    p[0] = 1;
    put_le32(p, 1, long_form ? kLongMagic : kShortMagic);
    std::memcpy(p + 5, "OPEN", 4);
    if (long_form) {
        put_le16(p, 9, s.basestation_id);
        put_le32(p, 14, s.time);
        put_le32(p, 18, s.fufa);
        put_le32(p, 22, s.fffa);
        put_le16(p, 26, s.tag);
        p[28] = s.tag_type;
        p[29] = s.sw_version;
    } else {
        put_le16(p, 13, s.tag);
        put_le16(p, 15, s.basestation_id);
        put_le32(p, 17, s.time);
        put_le32(p, 21, s.fufa);
        put_le32(p, 25, s.fffa);
        p[29] = s.tag_type;
        p[30] = s.sw_version;
    }
    const size_t base = long_form ? 30 : 32;
    const size_t n = std::min(s.config.size(), b.size() - base);
    std::copy_n(s.config.begin(), n, p + base);
    return b;
}

Gen3Record make_gen3_record(uint8_t type, const std::vector<uint8_t>& payload) {
    Gen3Record r{};
    r[0] = type;
    std::copy_n(payload.begin(), std::min<size_t>(payload.size(), 63), r.begin() + 1);
    return r;
}

Gen3Record make_gen3_pattern_record(uint8_t type, uint32_t seed) {
    Gen3Record r{};
    r[0] = type;
    for (size_t i = 1; i < r.size(); ++i) {
        r[i] = static_cast<uint8_t>(1 + (seed * 31 + i * 7) % 250);
    }
    return r;
}

Gen3Record make_gen3_gps_old(const Gen3GpsFields& s) {
    Gen3Record r{};
    r[0] = 0x30;
    uint8_t* p = r.data() + 1;
    put_gps_common(p, s);
    ubx_sums(p, 50);
    return r;
}

Gen3Record make_gen3_gps(const Gen3GpsFields& s) {
    Gen3Record r{};
    r[0] = 0x31;
    uint8_t* p = r.data() + 1;
    put_gps_common(p, s);
    put_le16(p, 40, s.speed_acc);
    put_le16(p, 50, s.loaded_battery);
    put_le16(p, 52, s.speed);
    put_le16(p, 54, static_cast<uint16_t>(s.heading));
    p[56] = static_cast<uint8_t>(s.horiz_acc);
    p[57] = static_cast<uint8_t>(s.horiz_acc >> 8);
    p[58] = static_cast<uint8_t>(s.horiz_acc >> 16);
    put_le16(p, 59, s.fix_battery);
    ubx_sums(p, 61);
    return r;
}

std::vector<Gen3Record> make_gen3_burst(uint32_t time, uint8_t axes, uint8_t rate_code,
                                        const std::vector<uint16_t>& samples, bool checked,
                                        int blocks) {
    const size_t groups = (samples.size() + 1) / 2;
    const size_t needed = 9 + 3 * groups;
    const size_t count = blocks > 0 ? static_cast<size_t>(blocks) : (needed + 62) / 63;
    std::vector<uint8_t> rec(63 * count, 0);
    put_le32(rec.data(), 0, time);
    rec[4] = axes;
    rec[5] = rate_code;
    for (size_t g = 0; g < groups && 9 + 3 * g + 3 <= rec.size(); ++g) {
        const uint16_t a = samples[2 * g];
        const uint16_t b = 2 * g + 1 < samples.size() ? samples[2 * g + 1] : 0;
        rec[9 + 3 * g] = static_cast<uint8_t>(a);
        rec[9 + 3 * g + 1] = static_cast<uint8_t>(((a >> 8) & 0x0F) | ((b >> 8) << 4));
        rec[9 + 3 * g + 2] = static_cast<uint8_t>(b);
    }
    if (checked) {
        // The sum counts bytes 6 and 7 as 0 and doubles the running sum at 6.
        uint8_t s = 0;
        for (size_t i = 0; i < rec.size(); ++i) {
            if (i == 6 || i == 7) {
                if (i == 6) {
                    s = static_cast<uint8_t>(s + s);
                }
                continue;
            }
            s = static_cast<uint8_t>(s + rec[i]);
        }
        rec[6] = s;
        rec[7] = static_cast<uint8_t>(count);
    }
    std::vector<Gen3Record> out;
    for (size_t k = 0; k < count; ++k) {
        Gen3Record r{};
        r[0] = static_cast<uint8_t>(0x40 + k);
        std::memcpy(r.data() + 1, rec.data() + 63 * k, 63);
        out.push_back(r);
    }
    return out;
}

Gen3Record make_gen3_reset_old(uint32_t time, uint8_t rs, uint8_t vmon) {
    Gen3Record r{};
    r[0] = 0x02;
    put_le32(r.data(), 1, time);
    r[5] = rs;
    r[6] = vmon;
    return r;
}

Gen3Record make_gen3_sysinfo(uint8_t subtype, uint32_t time, uint8_t b6, uint8_t b7) {
    Gen3Record r{};
    r[0] = 0x02;
    r[1] = subtype;
    put_le32(r.data(), 2, time);
    r[6] = b6;
    r[7] = b7;
    return r;
}

std::vector<uint8_t> make_gen3_config(size_t size, size_t marker_offset, uint8_t marker) {
    std::vector<uint8_t> c(size, 0);
    c[marker_offset] = marker;
    return c;
}

Gen3IntactBlock make_gen3_intact_block(const Gen3IntactFields& desc) {
    Gen3IntactBlock b{};
    b[0] = desc.type;
    b[1] = 0xF1;
    put_le32(b.data(), 2, desc.time);
    put_le16(b.data(), 6, desc.temperature_raw);
    put_le16(b.data(), 8, desc.battery_raw);
    const size_t n = std::min<size_t>(desc.entries.size(), 500);
    std::copy_n(desc.entries.begin(), n, b.begin() + 10);
    if (desc.type != 129) {
        const std::vector<uint8_t> filler = intact_jump_entry(desc.type, 0);
        for (size_t off = 10 + (n + 3) / 4 * 4; off + 4 <= 510; off += 4) {
            std::memcpy(b.data() + off, filler.data(), 4);
        }
    }
    ubx_sums(b.data(), 510);
    return b;
}

std::vector<uint8_t> intact_tx_entry(uint8_t strength) {
    return {strength, 0, 0, 0};
}

std::vector<uint8_t> intact_rx_entry(uint8_t strength_a, uint8_t strength_b, uint16_t other_tag) {
    return {strength_a, strength_b, static_cast<uint8_t>(other_tag),
            static_cast<uint8_t>(other_tag >> 8)};
}

std::vector<uint8_t> intact_jump_entry(uint8_t type, uint16_t seconds) {
    return {0x82, static_cast<uint8_t>(type == 128 ? 0x80 : 0xFF), static_cast<uint8_t>(seconds),
            static_cast<uint8_t>(seconds >> 8)};
}

std::vector<uint8_t> intact_entries(std::initializer_list<std::vector<uint8_t>> entries) {
    std::vector<uint8_t> all;
    for (const auto& e : entries) {
        all.insert(all.end(), e.begin(), e.end());
    }
    return all;
}

std::vector<uint8_t> make_gen3_intact_config(uint8_t intact_interval, uint8_t flags0,
                                             bool at_download, bool long_form) {
    std::vector<uint8_t> c = make_gen3_config(33, 0, 'j');
    c[3] = intact_interval;
    c[4] = flags0;
    if (at_download && long_form) {
        c.insert(c.begin(), 4, 0);
    }
    return c;
}

Gen3Builder::Gen3Builder(int minor, std::vector<uint8_t> header)
    : minor_(minor), bytes_(header.empty() ? make_gen3_header(minor) : std::move(header)) {}

Gen3Builder& Gen3Builder::open(const Gen3OpenFields& desc) {
    const auto b = make_gen3_open_block(desc, long_form());
    return raw(b.data(), b.size());
}

Gen3Builder& Gen3Builder::records(const std::vector<Gen3Record>& rs) {
    for (const auto& r : rs) {
        record(r);
    }
    return *this;
}

Gen3Builder& Gen3Builder::raw(const uint8_t* data, size_t size) {
    bytes_.insert(bytes_.end(), data, data + size);
    return *this;
}

Gen3Builder& Gen3Builder::download(Gen3OpenFields desc, int count) {
    open(desc);
    for (int i = 0; i < count; ++i) {
        record(make_gen3_pattern_record(0x03, desc.fufa / 64 + static_cast<uint32_t>(i)));
    }
    return *this;
}

void Gen3Builder::write_file(const std::string& path) const {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes_.data()),
            static_cast<std::streamsize>(bytes_.size()));
    if (!f) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::vector<uint8_t> build_gen3_example(int minor) {
    Gen3Builder b(minor);
    const bool long_form = minor >= 5;
    // Configuration 5_7: rate code 4, axes XYZ, GPS every 15 minutes.
    std::vector<uint8_t> cfg = make_gen3_config(long_form ? 116 : 32, 0, 'k');
    cfg[1] = 0x38 | 0x80;
    put_le16(cfg.data(), 23, 900);
    put_le16(cfg.data(), 25, 300);
    put_le16(cfg.data(), 27, 378);
    cfg[29] = 4;
    if (long_form) {
        put_le32(cfg.data(), 32, 0x21656A);
    }
    if (!long_form) {
        cfg.resize(32);
    }
    // The short form has 32 configuration bytes; the long one starts 4 bytes later.
    if (long_form) {
        cfg.insert(cfg.begin(), 4, 0);
    }
    const uint32_t day = 86400;
    std::vector<Gen3Record> first;
    for (int i = 0; i < 6; ++i) {
        Gen3GpsFields g;
        g.lon = 87654321 + i * 1000;
        g.lat = 475000000 + i * 700;
        g.height_mm = 512300;
        // GPS week and time of week of the fix, 20 s after the attempt began.
        g.week = 1702;
        g.tow_ms = (432000u + static_cast<uint32_t>(i) * 900u + 20u) * 1000u;
        g.time_to_fix = static_cast<uint16_t>(20 + i);
        g.start_time = 2000 * day + static_cast<uint32_t>(i) * 900;
        g.temperature_raw = 1700;
        g.battery = 3200;
        g.loaded_battery = 3100;
        g.fix_battery = 3150;
        g.speed = static_cast<uint16_t>(35 * i);
        g.heading = static_cast<int16_t>(1000 * i);
        g.speed_acc = 80;
        g.horiz_acc = 12000;
        first.push_back(make_gen3_gps(g));
        std::vector<uint16_t> samples;
        for (int k = 0; k < 78; ++k) {  // two blocks: 39 groups of two samples
            samples.push_back(static_cast<uint16_t>(2048 + ((k * 37 + i * 11) % 200) - 100));
        }
        for (const auto& r : make_gen3_burst(g.start_time + 30, 0x38, 4, samples, true)) {
            first.push_back(r);
        }
    }
    first.push_back(make_gen3_sysinfo(0, 2000 * day + 7000, 0x12, 0x01));
    first.push_back(make_gen3_sysinfo(1, 2000 * day + 7100, 2900 & 0xFF, 2900 >> 8));

    Gen3OpenFields a{.tag = 1234,
                     .tag_type = 5,
                     .sw_version = 7,
                     .fufa = 0,
                     .fffa = static_cast<uint32_t>(64 * first.size()),
                     .time = 2000 * day + 8000,
                     .basestation_id = 0x0300,
                     .config = cfg};
    b.open(a).records(first);
    // The second download repeats the last four records of the first.
    const size_t repeat = 4;
    Gen3OpenFields a2 = a;
    a2.fufa = a.fffa - 64 * repeat;
    a2.fffa = a.fffa + 64 * 2;
    a2.time += day;
    b.open(a2);
    for (size_t i = first.size() - repeat; i < first.size(); ++i) {
        b.record(first[i]);
    }
    b.record(make_gen3_sysinfo(2, 2001 * day + 100, 3, 9));
    b.record(make_gen3_record(0x03));

    // An early tag with the older GPS layout and raw bursts.
    // clang-format off
    Gen3OpenFields e{.tag = 5, .tag_type = 4, .sw_version = 1, .fufa = 4096, .fffa = 4096 + 3 * 64,
                   .time = 1500 * day, .basestation_id = 0x0300, .config = {}};
    // clang-format on
    b.open(e);
    Gen3GpsFields g;
    g.lon = 113000000;
    g.lat = 480000000;
    g.height_mm = 400000;
    g.week = 1631;
    g.tow_ms = (172800 - 3600 + 25) * 1000;
    g.start_time = 1500 * day - 3600;
    g.battery = 3000;
    g.temperature_raw = 1600;
    b.record(make_gen3_gps_old(g));
    std::vector<uint16_t> z;
    for (int k = 0; k < 30; ++k) {
        z.push_back(static_cast<uint16_t>(1900 + k));
    }
    b.records(make_gen3_burst(1500 * day - 3000, 0x20, 2, z, false));
    b.record(make_gen3_reset_old(1500 * day - 100, 0x11, 0x80));

    // Interaction tags.
    const uint32_t t0 = 2000 * day + 3600;
    std::vector<uint8_t> strengths(500);
    for (size_t k = 0; k < strengths.size(); ++k) {
        strengths[k] = static_cast<uint8_t>(k * 7);
    }
    const Gen3IntactBlock tx35 = make_gen3_intact_block(
        {.type = 130,
         .time = t0,
         .temperature_raw = 2000,
         .battery_raw = 3900,
         .entries = intact_entries(
             {intact_tx_entry(0x10), intact_jump_entry(130, 60), intact_tx_entry(0x90)})});
    const Gen3IntactBlock old_tx35 = make_gen3_intact_block({.type = 129,
                                                             .time = t0 + 600,
                                                             .temperature_raw = 2000,
                                                             .battery_raw = 3900,
                                                             .entries = strengths});
    const Gen3IntactBlock rx35 = make_gen3_intact_block(
        {.type = 128,
         .time = t0 + 1200,
         .temperature_raw = 1990,
         .battery_raw = 3890,
         .entries =
             intact_entries({intact_rx_entry(0x20, 0x30, 301), intact_rx_entry(0xC0, 0x80, 302)})});
    // Tag 35 sends its second block again at the next contact.
    b.open({.tag = 35, .tag_type = 0, .sw_version = 0, .fufa = 0, .fffa = 1024, .time = t0 + 1800})
        .intact_block(tx35)
        .intact_block(old_tx35);
    b.open({.tag = 35, .tag_type = 0, .sw_version = 0, .fufa = 512, .fffa = 1536, .time = t0 + day})
        .intact_block(old_tx35)
        .intact_block(rx35);

    const Gen3IntactBlock rx301 = make_gen3_intact_block(
        {.type = 128,
         .time = t0 + 100,
         .temperature_raw = 2010,
         .battery_raw = 3800,
         .entries =
             intact_entries({intact_rx_entry(0x40, 0x42, 35), intact_rx_entry(0x44, 0x46, 35),
                             intact_jump_entry(128, 300), intact_rx_entry(0x48, 0x80, 302)})});
    const Gen3IntactBlock tx301 = make_gen3_intact_block(
        {.type = 130,
         .time = t0 + 1000,
         .temperature_raw = 2010,
         .battery_raw = 3800,
         .entries = intact_entries({intact_tx_entry(0x50), intact_tx_entry(0xF0)})});
    b.open({.tag = 301,
            .tag_type = 6,
            .sw_version = 2,
            .fufa = 0,
            .fffa = 1024,
            .time = t0 + 2000,
            .config = make_gen3_intact_config(10, 0x00, false, long_form)})
        .intact_block(rx301)
        .intact_block(tx301);

    // Tag 302: the first download breaks off in its second block, the second
    // sends that block again with the next one.
    const auto tx302 = [&](uint32_t time, uint8_t strength) {
        return make_gen3_intact_block(
            {.type = 130,
             .time = time,
             .temperature_raw = 2020,
             .battery_raw = 3700,
             .entries = intact_entries({intact_tx_entry(strength), intact_tx_entry(strength)})});
    };
    const auto cfg302 = make_gen3_intact_config(5, 0x01, true, long_form);
    b.open({.tag = 302,
            .tag_type = 6,
            .sw_version = 6,
            .fufa = 0,
            .fffa = 2048,
            .time = t0 + 3000,
            .config = cfg302})
        .intact_block(tx302(t0 + 10, 0x11))
        .intact_part(tx302(t0 + 20, 0x12), 448);
    b.open({.tag = 302,
            .tag_type = 6,
            .sw_version = 6,
            .fufa = 512,
            .fffa = 1536,
            .time = t0 + day + 3000,
            .config = cfg302})
        .intact_block(tx302(t0 + 20, 0x12))
        .intact_block(tx302(t0 + 30, 0x13));
    return b.bytes();
}

}  // namespace dec::testing
