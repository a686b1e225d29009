#include "testsupport/container_builder.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "common/le.h"
#include "settings/crc16.h"

namespace dec::testing {

std::vector<uint8_t> make_header(uint32_t magic, uint32_t rewrite_counter,
                                 const std::string& text) {
    std::vector<uint8_t> h(512, 0);
    put_le32(h.data(), 0, magic);
    std::memcpy(h.data() + 4, text.data(), std::min<size_t>(text.size(), 253));
    put_le32(h.data(), 260, rewrite_counter);
    return h;
}

void seal_tt5_10(uint8_t* settings, unsigned length) {
    put_le16(settings, length, settings_crc16(settings, length));
}

std::array<uint8_t, 224> make_default_settings(uint8_t tag_type, uint8_t sw_version,
                                               uint32_t feature_word) {
    std::array<uint8_t, 224> s{};
    s[2] = tag_type;
    s[3] = sw_version;
    if (tag_type == 7) {
        put_le16(s.data(), 0, 0xE532);
        s[4] = 2;
        put_le16(s.data(), 210, settings_crc16(s.data(), 210));
    } else if (sw_version == 9) {
        put_le16(s.data(), 0, 0x9B3A);
        s[4] = 7;
        s[36] = 10;  // ACC divisor: 10 Hz
    } else {
        put_le16(s.data(), 0, 0x9B3A);
        s[4] = 3;
        put_le32(s.data(), 5, feature_word);
        seal_tt5_10(s.data(), 210);
    }
    return s;
}

Block256 make_open_block(const OpenBlockFields& desc, const std::array<uint8_t, 224>& settings) {
    Block256 b{};
    b[0] = 0x01;
    put_le32(b.data(), 1, 0x79F02AB6);
    std::memcpy(b.data() + 5, "OPEN", 4);
    put_le16(b.data(), 9, desc.basestation_id);
    put_le32(b.data(), 16, desc.time);
    put_le32(b.data(), 20, desc.flash_start);
    put_le32(b.data(), 24, desc.flash_end);
    put_le16(b.data(), 28, desc.tag);
    std::memcpy(b.data() + 32, settings.data(), settings.size());
    return b;
}

Block256 make_open_block(const OpenBlockFields& desc) {
    return make_open_block(
        desc, make_default_settings(desc.tag_type, desc.sw_version, desc.feature_word));
}

Unit make_unit(uint8_t type, const std::vector<uint8_t>& payload) {
    Unit u{};
    u[0] = type;
    std::copy_n(payload.begin(), std::min<size_t>(payload.size(), 63), u.begin() + 1);
    return u;
}

Unit make_pattern_unit(uint8_t type, uint32_t seed) {
    Unit u{};
    u[0] = type;
    uint32_t x = seed * 2654435761u + 12345u;
    for (size_t i = 1; i < u.size(); ++i) {
        x = x * 1103515245u + 12345u;
        u[i] = static_cast<uint8_t>(x >> 16);
    }
    return u;
}

Unit make_empty_unit() {
    Unit u;
    u.fill(0xFF);
    return u;
}

Block256 make_close_info(uint16_t local_address, uint32_t connect_time, uint32_t magic) {
    Block256 b{};
    b[0] = 0x02;
    put_le32(b.data(), 1, magic);
    std::memcpy(b.data() + 5, "CLOS", 4);
    put_le16(b.data(), 9, local_address);
    put_le32(b.data(), 42, connect_time);
    return b;
}

ContainerBuilder& ContainerBuilder::open(const OpenBlockFields& desc) {
    return block(make_open_block(desc));
}

ContainerBuilder& ContainerBuilder::empty_units(int count) {
    for (int i = 0; i < count; ++i) {
        unit(make_empty_unit());
    }
    return *this;
}

ContainerBuilder& ContainerBuilder::download(OpenBlockFields desc, int count, uint8_t type) {
    desc.flash_end = desc.flash_start + 64u * static_cast<uint32_t>(count);
    open(desc);
    for (int i = 0; i < count; ++i) {
        unit(make_pattern_unit(type, desc.flash_start / 64 + static_cast<uint32_t>(i)));
    }
    return *this;
}

void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::ofstream f(path, std::ios::binary | std::ios::trunc);
    f.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
    if (!f) {
        throw std::runtime_error("cannot write " + path);
    }
}

std::vector<uint8_t> read_bytes(const std::string& path) {
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        throw std::runtime_error("cannot read " + path);
    }
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(f),
                                std::istreambuf_iterator<char>());
}

void ContainerBuilder::write_file(const std::string& path) const {
    write_bytes(path, bytes_);
}

}  // namespace dec::testing
