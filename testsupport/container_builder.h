// Synthetic generation-5 containers for tests, the example generator and the
// benchmark: a header with the maker string, open blocks carrying valid settings
// records, data units of every type, empty units and close information.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace dec::testing {

using Unit = std::array<uint8_t, 64>;
using Block256 = std::array<uint8_t, 256>;

struct OpenBlockFields {
    uint16_t tag = 1;
    uint8_t tag_type = 5;     // 5 GPS-acceleration, 7 ECG
    uint8_t sw_version = 10;  // 9 or 10 for type 5, 1 for type 7
    uint32_t flash_start = 0;
    uint32_t flash_end = 0;
    uint32_t time = 0;  // tag time of the download
    uint16_t basestation_id = 1;
    uint32_t feature_word = 0;  // written into the default settings record
};

// The 512-byte container header.
std::vector<uint8_t> make_header(
    uint32_t magic = 0x79F02AB6, uint32_t rewrite_counter = 0,
    const std::string& text = "Tavro Ltd, Wireless Wildlife Logging Systems, Peru");

// A settings record that passes the checks of its kind: tt5_10 structure
// version 3 for software version 10, tt5_9 version 7 for version 9, tt7_1
// version 2 for ECG tags. 224 bytes, bytes 2 and 3 being type and version.
std::array<uint8_t, 224> make_default_settings(uint8_t tag_type, uint8_t sw_version,
                                               uint32_t feature_word = 0);

// Puts a valid tt5_10 checksum behind the first `length` bytes of a record.
void seal_tt5_10(uint8_t* settings, unsigned length);

Block256 make_open_block(const OpenBlockFields& desc);
Block256 make_open_block(const OpenBlockFields& desc, const std::array<uint8_t, 224>& settings);

// A data unit: type byte and up to 63 payload bytes (the rest zero).
Unit make_unit(uint8_t type, const std::vector<uint8_t>& payload = {});
// A unit whose payload bytes are a recognisable pattern from `seed`.
Unit make_pattern_unit(uint8_t type, uint32_t seed);
Unit make_empty_unit();

// Close information; local address 0xFF00 carries the connect time (UTC seconds).
Block256 make_close_info(uint16_t local_address = 0xFF00, uint32_t connect_time = 0,
                         uint32_t magic = 0x79F02AB6);

class ContainerBuilder {
  public:
    explicit ContainerBuilder(std::vector<uint8_t> header = make_header())
        : bytes_(std::move(header)) {}

    ContainerBuilder& open(const OpenBlockFields& desc);
    ContainerBuilder& block(const Block256& b) { return raw(b.data(), b.size()); }
    ContainerBuilder& unit(const Unit& u) { return raw(u.data(), u.size()); }
    ContainerBuilder& unit(uint8_t type, const std::vector<uint8_t>& payload = {}) {
        return unit(make_unit(type, payload));
    }
    ContainerBuilder& empty_units(int count);
    ContainerBuilder& close_info(uint32_t connect_time = 0, uint16_t local_address = 0xFF00) {
        return block(make_close_info(local_address, connect_time));
    }
    ContainerBuilder& raw(const uint8_t* data, size_t size) {
        bytes_.insert(bytes_.end(), data, data + size);
        return *this;
    }
    // A whole download: open block for [start, start + 64 * count) and `count`
    // pattern units of type 0x10..., numbered from start / 64.
    ContainerBuilder& download(OpenBlockFields desc, int count, uint8_t type = 0xFE);

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    // Writes the container to `path`; throws std::runtime_error on failure.
    void write_file(const std::string& path) const;

  private:
    std::vector<uint8_t> bytes_;
};

void write_bytes(const std::string& path, const std::vector<uint8_t>& bytes);
std::vector<uint8_t> read_bytes(const std::string& path);

}  // namespace dec::testing
