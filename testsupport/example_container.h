// The generation-5 example container: a base station's logger.bin collected
// over some hours from several tags, generated from the record builders.
//
// Every tag records through the same hours. GPS-acceleration tags of software
// version 10 store a GPS fix every few minutes in all three record kinds (cooked,
// extended, extended with the seeded checksum; now and then a failed fix),
// acceleration bursts of several units with one, two and three axes as 0x40 and
// 0x44 records, NEWACC and QUATCMP records, satellite reports, GSM reports and
// texts and switch events; version-9 tags store cooked fixes and 0x40 bursts;
// ECG tags store ECG records. The base station downloads the tags in turn, round
// after round; each download of a tag re-sends the last units of its previous
// download (the overlap the decoder must recognise), is closed by close
// information and followed by empty units.
//
// The container is produced download by download through a sink, so the
// benchmark can write containers of gigabytes with bounded memory: only one
// download of one tag is held at a time.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace dec::testing {

struct ExampleOptions {
    // Tags of each kind; numbers are given from 17 (version 10), 1201 (version 9)
    // and 801 (ECG) on, in steps of 2.
    int tags_v10 = 2;
    int tags_v9 = 1;
    int tags_ecg = 1;
    // Download rounds and the recording time each round collects per tag.
    int downloads = 2;
    uint32_t hours_per_download = 3;
    // Recording rhythm of the GPS-acceleration tags.
    uint32_t gps_interval_s = 300;
    uint32_t acc_interval_s = 120;
    uint8_t acc_units = 4;  // units per acceleration burst, 1 to 30
    // When above 1, bursts cycle through this many unit counts from acc_units
    // up, so that their axes come in many lengths.
    uint8_t acc_unit_counts = 1;
    // Bursts in a row that share their unit count and axes (1: every burst
    // takes the next axis set, every third the next unit count).
    uint32_t acc_run = 1;
    // Units of the previous download that each later download sends again.
    uint32_t overlap_units = 2;
};

// Receives the container in pieces, in order.
using ExampleSink = std::function<void(const uint8_t* data, size_t size)>;

// Writes the container (header first) through `sink`.
void write_gen5_example(const ExampleOptions& options, const ExampleSink& sink);

// The whole container in memory (for small examples and tests).
std::vector<uint8_t> build_gen5_example(const ExampleOptions& options = {});

// Streams the container into a file; throws std::runtime_error on failure.
void write_gen5_example_file(const std::string& path, const ExampleOptions& options = {});

}  // namespace dec::testing
