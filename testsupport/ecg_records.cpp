#include "testsupport/ecg_records.h"

#include <algorithm>
#include <cmath>

#include "common/le.h"

namespace dec::testing {

std::vector<uint8_t> make_ecg_record(const EcgFields& desc, uint32_t tag_number, uint8_t format) {
    std::vector<uint8_t> r(63u * desc.units, 0);
    put_le32(r.data(), 1, desc.start_time);
    r[6] = desc.frequency_code;
    r[9] = desc.resolution_code;
    r[12] = desc.units;
    put_le16(r.data(), 13, static_cast<uint16_t>(desc.dynamic_offset));
    put_le16(r.data(), 15, static_cast<uint16_t>(desc.temperature_raw));
    r[17] = desc.battery;
    for (size_t i = 0; i < desc.samples.size(); i += 2) {
        const size_t at = 18 + 3 * (i / 2);
        if (at + 3 > r.size()) {
            break;
        }
        const uint16_t s1 = desc.samples[i];
        const uint16_t s2 = i + 1 < desc.samples.size() ? desc.samples[i + 1] : 0;
        uint8_t* g = r.data() + at;
        g[0] = static_cast<uint8_t>(s1);
        g[1] = static_cast<uint8_t>(((s1 >> 8) & 0x0F) | ((s2 >> 8) << 4));
        g[2] = static_cast<uint8_t>(s2);
    }
    uint32_t sum = format > 1 ? (tag_number + (tag_number >> 8)) % 256 : 0;
    for (size_t i = 1; i < r.size(); ++i) {
        sum += r[i];
    }
    r[0] = static_cast<uint8_t>(sum);
    return r;
}

void add_ecg_units(ContainerBuilder& c, const std::vector<uint8_t>& record) {
    for (size_t off = 0; off < record.size(); off += 63) {
        std::vector<uint8_t> payload(record.begin() + static_cast<long>(off),
                                     record.begin() + static_cast<long>(off + 63));
        c.unit(off == 0 ? 0x60 : 0x61, payload);
    }
}

std::vector<uint8_t> make_voltage_file(const std::vector<VoltageRecord>& records) {
    std::vector<uint8_t> f = make_header(0x79F02AC7);
    for (const VoltageRecord& v : records) {
        uint8_t r[32] = {};
        put_le32(r, 0, v.magic);
        put_le32(r, 4, v.time);
        for (int ch = 0; ch < 8; ++ch) {
            put_le16(r, 8 + 2 * static_cast<size_t>(ch), v.channels[ch]);
        }
        put_le16(r, 24, v.temperature);
        r[26] = v.load;
        uint32_t sum = 0;
        for (int i = 0; i < 27; ++i) {
            sum += r[i];
        }
        put_le16(r, 27, static_cast<uint16_t>(sum + (v.bad_checksum ? 1 : 0)));
        f.insert(f.end(), r, r + 32);
    }
    return f;
}

std::vector<uint8_t> make_voltage_example() {
    std::vector<VoltageRecord> records;
    const uint32_t t0 = 383900400;  // 2019-05-03 07:00:00
    for (uint32_t h = 0; h < 24; ++h) {
        VoltageRecord r;
        r.time = t0 + 3600 * h;
        const double sun = std::max(0.0, std::sin((static_cast<double>(h) - 6.0) * 3.14159 / 12.0));
        for (int ch = 0; ch < 8; ++ch) {
            r.channels[ch] = static_cast<uint16_t>(480 + 10 * ch + 80 * sun);  // about 3.3 to 4.1 V
        }
        r.temperature = static_cast<uint16_t>(2560 + 40 * h);
        r.load = static_cast<uint8_t>(sun > 0.5 ? 1 : 0);
        r.bad_checksum = h == 13;
        records.push_back(r);
    }
    return make_voltage_file(records);
}

}  // namespace dec::testing
