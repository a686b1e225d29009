// Builders for settings records of every kind and structure version, with
// valid magic and checksums, placed 32 bytes into a 256-byte open block.
//
// A SettingsRecord starts with every body field 0; tests set the fields they
// need by record offset and take the open block, whose checksum (tt5_10 of
// every structure version, tt7_1 version 2) is computed at that moment. The
// example_* records fill every field with a plausible value; their values are
// listed in settings_records.cpp and the settings tests print them whole.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace dec::testing {

inline constexpr size_t kSettingsRecordOffset = 32;
inline constexpr size_t kSettingsRecordRoom = 256 - kSettingsRecordOffset;
using OpenBlock = std::array<uint8_t, 256>;

enum class SettingsKind : uint8_t { Tt5_10, Tt5_9, Tt7_1 };

class SettingsRecord {
  public:
    // tt5_10 of structure version 0..3 (any other version gets no checksum).
    static SettingsRecord tt5_10(uint8_t structure_version, uint32_t features, uint8_t mode = 0xAA);
    // tt5_9 of version 2, 3 or 7 (no checksum).
    static SettingsRecord tt5_9(uint8_t version);
    // tt7_1 of version 1 or 2 (checksum for version 2).
    static SettingsRecord tt7_1(uint8_t version);

    // Little-endian fields at record offsets.
    SettingsRecord& u8(size_t off, uint8_t v);
    SettingsRecord& u16(size_t off, uint16_t v);
    SettingsRecord& u32(size_t off, uint32_t v);
    SettingsRecord& s32(size_t off, int32_t v);
    SettingsRecord& text(size_t off, std::string_view s);
    // tt5_10 structure version 2: the pressure sensor calibration W0..C6 at
    // 197..209 and 161, with the CRC-4 put into the top four bits of W0.
    SettingsRecord& pressure_calibration(const uint16_t (&words)[7]);

    // Writes the record 32 bytes into a 256-byte open block, checksum included.
    void write_into(uint8_t* open_block) const;
    // An otherwise zero open block holding the record.
    OpenBlock block() const;

    SettingsKind kind() const { return kind_; }
    uint8_t version() const { return version_; }

  private:
    SettingsRecord(SettingsKind kind, uint8_t version) : kind_(kind), version_(version) {}

    SettingsKind kind_;
    uint8_t version_;
    std::array<uint8_t, kSettingsRecordRoom> bytes_{};
};

// Fully populated records (values listed in settings_records.cpp).
SettingsRecord example_tt5_10(uint8_t structure_version);
SettingsRecord example_tt5_9(uint8_t version);
SettingsRecord example_tt7_1(uint8_t version);

// The pressure calibration of example_tt5_10(2), W0 without its CRC bits.
inline constexpr uint16_t kExamplePressureWords[7] = {0x0011, 34982, 36352, 20328,
                                                      22354,  26646, 26146};

}  // namespace dec::testing
