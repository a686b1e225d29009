#include "gen5/voltages.h"

#include <string>

#include "common/buffered_file.h"
#include "common/columns.h"
#include "common/le.h"
#include "common/millivolts.h"
#include "common/text_file.h"
#include "gen5/container.h"
#include "records/record_sink.h"
#include "store/tag_files.h"

namespace dec {

namespace {

// Voltage record (32 bytes):
//   0 u32 record magic 0xF17A9BD4 | 4 u32 time, seconds | 8 8 x u16 channel readings
//   24 u16 temperature, raw | 26 u8 load indicator | 27 u16 sum of bytes 0..26
constexpr uint32_t kRecordMagic = 0xF17A9BD4;
constexpr size_t kRecordSize = 32;

uint16_t byte_sum(const uint8_t* p, size_t n) {
    uint32_t sum = 0;
    for (size_t i = 0; i < n; ++i) {
        sum += p[i];
    }
    return static_cast<uint16_t>(sum);
}

// The columns of "voltages.csv", typed in its sidecar "voltages.csvt" (a line
// of a record that fails its checks is no row of them).
constexpr Column kRecordColumns[] = {
    {"diff/minutes", ColumnType::real}, {"hours", ColumnType::real},
    {"Temp", ColumnType::integer},      {"Load", ColumnType::integer},
    {"Ch0/mV", ColumnType::integer},    {"Ch1/mV", ColumnType::integer},
    {"Ch2/mV", ColumnType::integer},    {"Ch3/mV", ColumnType::integer},
    {"Ch4/mV", ColumnType::integer},    {"Ch5/mV", ColumnType::integer},
    {"Ch6/mV", ColumnType::integer},    {"Ch7/mV", ColumnType::integer},
};
constexpr ColumnTable kColumns{{kRecordColumns}};
constexpr const char* kCsvName = "voltages.csv";

VoltageRecord read_voltage_record(const uint8_t* rec) {
    VoltageRecord v;
    v.time = le_u32(rec, 4);
    v.temperature_raw = le_u16(rec, 24);
    v.load = rec[26];
    for (size_t ch = 0; ch < 8; ++ch) {
        v.channel_mv[ch] = code_to_mv(le_u16(rec, 8 + 2 * ch), 6988, 10);
    }
    return v;
}

void print_voltage_record(const VoltageRecord& v, uint32_t previous, OutStream& out) {
    out.printf("%f,%f,%hu,%hhu,", static_cast<double>(v.time - previous) / 60,
               static_cast<double>(v.time) / 3600, v.temperature_raw, v.load);
    for (int ch = 0; ch < 8; ++ch) {
        out.put_u32(v.channel_mv[ch]);
        out.put_char(ch < 7 ? ',' : '\n');
    }
}

// The lines of the file on `fd` into `out`, or its records to `tables` when
// set (the lines of damaged records are then dropped); 0, or -1 after
// printing the failure.
int convert_voltages(Console& con, int fd, const char* path, OutStream& out, RecordTables* tables) {
    put_header(out, kColumns);

    BufferedReader in(con.sys(), fd);
    in.stop_on_error(con, path);
    uint8_t header[kHeaderSize];
    if (in.read(header, kHeaderSize) != static_cast<ssize_t>(kHeaderSize)) {
        con.out().put(kContainerHeaderReadError);
        return -1;
    }
    if (le_u32(header, 0) != kVoltageLoggerMagic) {
        con.out().put("Magic number doesn't match.\n");
        return -1;
    }

    uint32_t previous = 0;
    uint8_t rec[kRecordSize];
    // A read error stops the run (stop_on_error): the loop ends at the end
    // of the file.
    while (in.read(rec, kRecordSize) == static_cast<ssize_t>(kRecordSize)) {
        const uint32_t magic = le_u32(rec, 0);
        if (magic != kRecordMagic) {
            out.printf("Magic 0x%08X not matching.\n", magic);
            continue;
        }
        if (byte_sum(rec, 27) != le_u16(rec, 27)) {
            out.put("Checksum not matching.\n");
            continue;
        }
        const VoltageRecord v = read_voltage_record(rec);
        if (tables != nullptr) {
            tables->voltage(v);
        } else {
            print_voltage_record(v, previous, out);
        }
        previous = v.time;
    }
    con.out().put("B5VL:Separating data finished.\n");
    return 0;
}

}  // namespace

ContainerResult write_voltages(Console& con, const Folder& folder, int fd, const char* path,
                               RecordTables* tables) {
    if (tables != nullptr) {
        std::string dropped;
        OutStream out(&dropped);
        return convert_voltages(con, fd, path, out, tables) == 0 ? ContainerResult::ok
                                                                 : ContainerResult::failed;
    }
    OutputSet outputs(con.sys(), folder);
    const uint64_t failures = con.system_failures();
    TextFile csv;
    if (csv.open(con, outputs, kCsvName) != 0 ||
        write_column_types(con, outputs, kCsvName, kColumns) != 0) {
        return ContainerResult::failed;
    }
    int rv = convert_voltages(con, fd, path, csv.out(), nullptr);
    if (csv.close() != 0) {
        rv = -1;
    }
    if (con.system_failures() != failures) {
        outputs.stop();
    }
    if (outputs.commit(con) != 0) {
        rv = -1;
    }
    return rv == 0 ? ContainerResult::ok : ContainerResult::failed;
}

}  // namespace dec
