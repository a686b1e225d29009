// ECG records and voltage-logger files with valid checksums.
#pragma once

#include <cstdint>
#include <vector>

#include "testsupport/container_builder.h"

namespace dec::testing {

struct EcgFields {
    uint32_t start_time = 0;
    uint8_t frequency_code = 4;
    uint8_t resolution_code = 9;
    int16_t dynamic_offset = 0;
    int16_t temperature_raw = 2560;  // 20 degrees
    uint8_t battery = 230;           // 3680 mV
    uint8_t units = 1;
    std::vector<uint16_t> samples;  // 12-bit values, packed two per three bytes
};

// The assembled record (63 bytes per unit), checksum seeded for format 2.
std::vector<uint8_t> make_ecg_record(const EcgFields& desc, uint32_t tag_number, uint8_t format);

// Appends the record as a 0x60 unit and 0x61 units.
void add_ecg_units(ContainerBuilder& c, const std::vector<uint8_t>& record);

struct VoltageRecord {
    uint32_t time = 0;
    uint16_t channels[8] = {};
    uint16_t temperature = 0;
    uint8_t load = 0;
    bool bad_checksum = false;
    uint32_t magic = 0xF17A9BD4;
};

std::vector<uint8_t> make_voltage_file(const std::vector<VoltageRecord>& records);

// A day of hourly voltage readings of eight cells charging in the sun, with one
// damaged record in the middle.
std::vector<uint8_t> make_voltage_example();

}  // namespace dec::testing
