// Synthetic generation-3 containers for tests and examples: headers of every
// container version, short and long open blocks with configurations, GPS
// records of both layouts with valid checksums, acceleration bursts and
// system-information blocks.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace dec::testing {

using Gen3Record = std::array<uint8_t, 64>;

// "base3, V1.<minor>" header; the magic follows the version (short-form magic
// up to V1.4, long-form magic from V1.5 on) unless one is given.
std::vector<uint8_t> make_gen3_header(int minor, uint32_t rewrite_counter = 7,
                                      const std::string& text = "Base station 3",
                                      uint16_t basestation_id = 0x0300, uint32_t magic = 0);

struct Gen3OpenSpec {
    uint16_t tag = 1;
    uint8_t tag_type = 5;
    uint8_t sw_version = 6;
    uint32_t fufa = 0;
    uint32_t fffa = 0;
    uint32_t time = 0;
    uint16_t basestation_id = 0x0300;  // its low byte must be 0
    // Configuration bytes, copied to offset 32 (short form) or 30 (long form).
    std::vector<uint8_t> config = {};
};

// 64 bytes (short) or 192 bytes (long).
std::vector<uint8_t> make_gen3_open_block(const Gen3OpenSpec& spec, bool long_form);

// A data record: type byte and up to 63 payload bytes.
Gen3Record make_gen3_record(uint8_t type, const std::vector<uint8_t>& payload = {});
// A data record whose payload is a recognisable non-zero pattern from `seed`.
Gen3Record make_gen3_pattern_record(uint8_t type, uint32_t seed);

struct Gen3GpsSpec {
    int32_t lon = 0;
    int32_t lat = 0;
    int32_t height_mm = 0;
    int16_t week = 1417;
    uint32_t tow_ms = 0;
    uint8_t fix_byte = 3;
    uint8_t status = 0x0D;
    uint8_t clock = 1;
    uint8_t noise = 0;
    uint16_t time_to_fix = 0;
    uint32_t start_time = 0;
    uint16_t temperature_raw = 0;
    uint16_t battery = 0;
    // Cooked record only.
    uint16_t speed_acc = 0;
    uint16_t loaded_battery = 0;
    uint16_t speed = 0;
    int16_t heading = 0;
    uint32_t horiz_acc = 0;  // 24 bits
    uint16_t fix_battery = 0;
};

// Block 0x30 (checksum over bytes 0..49) and block 0x31 (over bytes 0..60).
Gen3Record make_gen3_gps_old(const Gen3GpsSpec& spec);
Gen3Record make_gen3_gps(const Gen3GpsSpec& spec);

// An acceleration burst as blocks 0x40, 0x41, ...: burst time, axes byte, rate
// code and `samples` 12-bit values; with `checked` the length and sum bytes of
// software versions 6 to 8 are filled in. `blocks` 0 chooses the fewest blocks
// that hold the samples.
std::vector<Gen3Record> make_gen3_burst(uint32_t time, uint8_t axes, uint8_t rate_code,
                                        const std::vector<uint16_t>& samples, bool checked,
                                        int blocks = 0);

// System information, older form (reset) and newer form (subtype 0 to 2).
Gen3Record make_gen3_reset_old(uint32_t time, uint8_t rs, uint8_t vmon);
Gen3Record make_gen3_sysinfo(uint8_t subtype, uint32_t time, uint8_t b6, uint8_t b7);

// Configurations: 5_6 family with marker 'k' (or 'l' for 5_6_raw), 5_1 with
// 'j' at 28, interaction with 'j' at 0. Bytes are set by the caller.
std::vector<uint8_t> make_gen3_config(size_t size, size_t marker_offset, uint8_t marker);

class Gen3Builder {
public:
    explicit Gen3Builder(int minor, std::vector<uint8_t> header = {});

    bool long_form() const { return minor_ >= 5; }
    Gen3Builder& open(const Gen3OpenSpec& spec);
    Gen3Builder& record(const Gen3Record& r) { return raw(r.data(), r.size()); }
    Gen3Builder& records(const std::vector<Gen3Record>& rs);
    Gen3Builder& raw(const uint8_t* data, size_t size);
    // Open block and `count` pattern records of type 0x03 from fufa on.
    Gen3Builder& download(Gen3OpenSpec spec, int count);

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    void write_file(const std::string& path) const;

private:
    int minor_;
    std::vector<uint8_t> bytes_;
};

// A realistic container of version V1.<minor>: a GPS-acceleration tag of
// software version 7 downloaded twice (the second download repeating the tail
// of the first), with cooked GPS fixes, checked acceleration bursts, a reset
// and a low-battery event, and an early tag (number 5) with early GPS records.
std::vector<uint8_t> build_gen3_example(int minor = 6);

}  // namespace dec::testing
