// The columns of a CSV-like output: one table gives the output's header line
// and the types of its columns, which go into a sidecar beside the output
// ("tag17_gps.csvt" beside "tag17_gps.txt"): one line of quoted type names
// separated by commas, which GDAL's CSV driver reads as the column types and
// other readers can take their dtypes from.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

#include "common/console.h"
#include "common/output_set.h"
#include "common/outstream.h"

namespace dec {

// A column's values. date_time is "yyyy-mm-dd hh:mm:ss.sss"; a time stamp in
// any other form, a number with leading zeros that must be kept (the key-bin
// checksum) and a list of values separated by spaces are strings.
enum class ColumnType : uint8_t { string, integer, real, date_time };

struct Column {
    const char* name;
    ColumnType type;
};

using Columns = std::span<const Column>;

// The columns of one output, in order: up to three runs of columns (the
// columns every layout has, then the layout's own, then the ones after them).
struct ColumnTable {
    std::array<Columns, 3> runs{};

    size_t size() const { return runs[0].size() + runs[1].size() + runs[2].size(); }
};

// The header line: the names separated by commas, with its line end; with
// `utc_times` (--utc) the names of the time columns end in "-utc".
void put_header(OutStream& out, const ColumnTable& columns, bool utc_times = false);

// The sidecar's line: the quoted type names separated by commas, with its
// line end.
void put_column_types(OutStream& out, const ColumnTable& columns);

// The sidecar of output `data_name` ("voltages.csv", "tag17_gps.txt"): its name
// with the extension replaced by "csvt" (appended when it has none).
void format_sidecar_name(char* name, size_t size, const char* data_name);

// Writes the sidecar of output `data_name` as an output of `outputs`: 0, or
// -1 after printing the failure (see TextFile).
int write_column_types(Console& con, OutputSet& outputs, const char* data_name,
                       const ColumnTable& columns);

}  // namespace dec
