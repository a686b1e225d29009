// Satellite status reports of software-10 tags (blocks 0x32 and 0x33).
//
// A tag can store its GPS receiver's satellite status message (the NAV-SVINFO
// payload of the UBX protocol) spread over a start unit and continuation units.
// The block loop joins their payloads and, once the report is complete, hands
// it here; it is written to the information stream as GSV-style sentences of
// up to four satellites each.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/outstream.h"

namespace dec {

// Header of the report before the first channel, and the size of one channel.
inline constexpr uint32_t kSatReportHeaderSize = 8;
inline constexpr uint32_t kSatChannelSize = 12;

struct SatelliteChannel {
    uint8_t satellite = 0;
    uint8_t flags = 0;     // 0x04: orbit information available
    uint8_t quality = 0;   // signal quality, 0..15
    uint8_t cno = 0;       // carrier-to-noise ratio, dBHz
    int8_t elevation = 0;  // degree
    int16_t azimuth = 0;   // degree
};

// True when `length` collected bytes hold every channel the report announces.
bool satellite_report_complete(const uint8_t* record, uint32_t length);

// Channels that lie wholly inside `length` bytes, at most the announced count.
uint32_t satellite_channel_count(const uint8_t* record, uint32_t length);

// Channel `index`; the caller keeps index below satellite_channel_count().
SatelliteChannel decode_satellite_channel(const uint8_t* record, uint32_t index);

// Listed in a sentence: orbit known and a signal quality above 1.
bool satellite_listed(const SatelliteChannel& ch);

// Exclusive-or of every character of a sentence, its leading '$' included.
uint8_t sentence_checksum(const char* sentence, size_t length);

// Writes "$GPGSV,..." sentences, each followed by "*<decimal checksum>".
// `record` is the joined payload of `length` bytes; nothing beyond it is read,
// whatever channel count the report claims. Nothing is written when no
// satellite is listed.
void print_satellite_report(const uint8_t* record, uint32_t length, OutStream& info);

}  // namespace dec
