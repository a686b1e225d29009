// Synthetic generation-3 containers for tests and examples: headers of every
// container version, short and long open blocks with configurations, GPS
// records of both layouts with valid checksums, acceleration bursts and
// system-information blocks.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

namespace dec::testing {

using Gen3Record = std::array<uint8_t, 64>;

// "base3, V1.<minor>" header; the magic follows the version (short-form magic
// up to V1.4, long-form magic from V1.5 on) unless one is given. The rest of
// the version text follows "base3, V1.<minor>".
std::vector<uint8_t> make_gen3_header(int minor, uint32_t rewrite_counter = 7,
                                      const std::string& text = "Base station 3",
                                      uint16_t basestation_id = 0x0300, uint32_t magic = 0,
                                      const std::string& version_rest = " build 2");

struct Gen3OpenFields {
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
std::vector<uint8_t> make_gen3_open_block(const Gen3OpenFields& desc, bool long_form);

// A data record: type byte and up to 63 payload bytes.
Gen3Record make_gen3_record(uint8_t type, const std::vector<uint8_t>& payload = {});
// A data record whose payload is a recognisable non-zero pattern from `seed`.
Gen3Record make_gen3_pattern_record(uint8_t type, uint32_t seed);

struct Gen3GpsFields {
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
Gen3Record make_gen3_gps_old(const Gen3GpsFields& desc);
Gen3Record make_gen3_gps(const Gen3GpsFields& desc);

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

// Interaction tags: 512-byte data blocks (128 RX, 129 old TX, 130 TX) with the
// magic 0xF1 and valid checksum bytes.
using Gen3IntactBlock = std::array<uint8_t, 512>;

struct Gen3IntactFields {
    uint8_t type = 130;
    uint32_t time = 0;
    uint16_t temperature_raw = 0;
    uint16_t battery_raw = 0;
    // Entry bytes from offset 10 on. The rest of a TX or RX block is filled with
    // time jumps of 0 seconds, which write no contact; the rest of an old TX
    // block stays zero (each zero byte is a contact).
    std::vector<uint8_t> entries = {};
};

Gen3IntactBlock make_gen3_intact_block(const Gen3IntactFields& desc);
// The four bytes of one entry of a TX or RX block.
std::vector<uint8_t> intact_tx_entry(uint8_t strength);
std::vector<uint8_t> intact_rx_entry(uint8_t strength_a, uint8_t strength_b, uint16_t other_tag);
// A time jump in a block of `type` (128 or 130).
std::vector<uint8_t> intact_jump_entry(uint8_t type, uint16_t seconds);
// The bytes of a list of entries, one after the other.
std::vector<uint8_t> intact_entries(std::initializer_list<std::vector<uint8_t>> entries);

// An interaction configuration ('j' marker) with the entry interval and flags0
// set, laid out for Gen3OpenFields::config: `at_download` is the layout of
// software version 6, which the long open block carries 4 bytes further in.
std::vector<uint8_t> make_gen3_intact_config(uint8_t intact_interval, uint8_t flags0,
                                             bool at_download, bool long_form);

class Gen3Builder {
  public:
    explicit Gen3Builder(int minor, std::vector<uint8_t> header = {});

    bool long_form() const { return minor_ >= 5; }
    Gen3Builder& open(const Gen3OpenFields& desc);
    Gen3Builder& record(const Gen3Record& r) { return raw(r.data(), r.size()); }
    Gen3Builder& records(const std::vector<Gen3Record>& rs);
    Gen3Builder& intact_block(const Gen3IntactBlock& b) { return raw(b.data(), b.size()); }
    // The first `bytes` bytes of a block (a download that broke off).
    Gen3Builder& intact_part(const Gen3IntactBlock& b, size_t bytes) {
        return raw(b.data(), bytes);
    }
    Gen3Builder& raw(const uint8_t* data, size_t size);
    // Open block and `count` pattern records of type 0x03 from fufa on.
    Gen3Builder& download(Gen3OpenFields desc, int count);

    const std::vector<uint8_t>& bytes() const { return bytes_; }
    void write_file(const std::string& path) const;

  private:
    int minor_;
    std::vector<uint8_t> bytes_;
};

// A realistic container of version V1.<minor>: a GPS-acceleration tag of
// software version 7 downloaded twice (the second download repeating the tail
// of the first), with cooked GPS fixes, checked acceleration bursts, a reset
// and a low-battery event, and an early tag (number 5) with early GPS records;
// then three interaction tags: 35 (type 0, two downloads, the second repeating
// the old-form TX block of the first), 301 (software version 2, interval 10 s,
// RX and TX blocks) and 302 (software version 6, interval 5 s, a first download
// broken off in its second block and a second, complete one).
std::vector<uint8_t> build_gen3_example(int minor = 6);

}  // namespace dec::testing
