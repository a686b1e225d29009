// Acceleration burst records of generation-5 GPS-acceleration tags: bytes to
// plain values.
//
// A burst is one record spanning several 64-byte units; the block loop strips
// each unit's type byte and joins the 63-byte payloads. Layout of the joined
// record (little-endian):
//
//   0  u32  tag time of the burst start, seconds
//   4  u8   axes: 0x08 X, 0x10 Y, 0x20 Z (other bits ignored)
//   5  u8   sampling-rate code; MMA8452 sensor: bit 7 overflow, 1..127 divider
//   6  u8   checksum
//   7  u8   units the record spans (length = 63 * units)
//   8  u8   unused
//   9  ...  12-bit samples, two per three bytes, axes in turn (X, Y, Z order)
//
// The IMU acceleration record (NEWACC) packs its samples the same way from
// byte 18 on, so the unpacking is shared.
#pragma once

#include <cstdint>

#include "dsp/burst.h"

namespace dec {

inline constexpr uint32_t kAccUnitPayload = 63;
// The block loop abandons records beyond 1900 bytes, so a decoded record
// spans at most 30 units.
inline constexpr uint32_t kAccMaxRecordLength = 30 * kAccUnitPayload;
inline constexpr uint32_t kAccHeaderSize = 9;

// Axis bits of byte 4.
inline constexpr uint8_t kAccAxisX = 0x08;
inline constexpr uint8_t kAccAxisY = 0x10;
inline constexpr uint8_t kAccAxisZ = 0x20;

// Outcome of a record's length and checksum test.
enum class RecordCheck : uint8_t { ok, bad_length, bad_checksum };

// The axes of a burst: their letters in X, Y, Z order and their count. A record
// without any axis bit has no letters and one unnamed axis.
struct BurstAxes {
    char letters[4];
    int8_t count;
};

BurstAxes burst_axes(uint8_t axis_bits);

// The 8-bit running sum of a burst record. The tag software sums in place with
// the running sum stored into byte 6, so byte 6 doubles the sum when it is
// reached; the sum starts at `seed` & 0xFF and byte 7 counts as `seed` >> 8
// (variant 1 seeds with the tag number, variant 0 and software 9 with 0).
// `length` is at least 8.
uint8_t acc_burst_sum(const uint8_t* record, uint32_t length, uint16_t seed);

// Length (63 * byte 7, at most kAccMaxRecordLength) and checksum (byte 6) test.
RecordCheck check_acc_burst(const uint8_t* record, uint32_t length, uint16_t seed);

// The highest sampling-rate code with a table rate (code 10, a stopped sensor,
// has rate 0).
inline constexpr uint8_t kAccLastRateCode = 10;

// Per-axis rate of a sampling-rate code 0..kAccLastRateCode: the rate
// 10^(1 + code/4) in single precision, divided by `divisor` in single
// precision. Other codes: 0.
double acc_rate_from_code(uint8_t code, int divisor);

// Per-axis rate and overflow flag of the MMA8452 sensor's byte 5: 100 Hz over
// the divider 1..127, else 0; bit 7 flags an overflow.
struct MmaRate {
    double hz;
    bool overflow;
};
MmaRate mma8452_rate(uint8_t byte5);

// Software-9 tags whose rate code gives the rate of each axis (not of the
// whole burst).
bool acc_v9_rate_per_axis(uint32_t tag_number);
// Software-9 rate code for a 12 Hz three-axis burst whatever byte 4 says.
inline constexpr uint8_t kAccV9RateCodeXyz12Hz = 100;

// Samples that are stored as 4095 - sample, per axis.
struct AxisInversion {
    bool invert[kBurstMaxAxes];
};

// The inversions of an acceleration burst: an MMA8452 sensor (`mma`) mounts X
// upside down; a GPSACCGSMV2 board without both sensors on the bottom side
// (`v2_board`) mounts X and Z upside down, so with both X is turned twice and
// stays.
AxisInversion acc_inversion(const BurstAxes& axes, bool mma, bool v2_board);

// Unpacks the samples from offset `first` to the end of the record into the
// axes in turn: a group of three bytes b0 b1 b2 gives b0 + 256 * (b1 & 15) and
// b2 + 256 * (b1 >> 4); a trailing partial group is ignored. Returns the
// samples per axis (complete cycles over the axes). The record holds at most
// kAccMaxRecordLength bytes, which fits the burst arrays.
int32_t unpack_burst_samples(const uint8_t* record, uint32_t length, uint32_t first, int8_t axes,
                             const AxisInversion& inversion, BurstSamples& out);

// A checked burst header (software 9 and 10).
struct AccBurstHeader {
    uint32_t time;
    uint8_t axis_bits;
    uint8_t rate_code;
};

AccBurstHeader read_acc_burst_header(const uint8_t* record);

}  // namespace dec
