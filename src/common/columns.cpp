#include "common/columns.h"

#include <cstring>

#include "common/io.h"
#include "common/text_file.h"

namespace dec {

namespace {

// The type names of GDAL's .csvt files, by ColumnType.
constexpr const char* kTypeNames[] = {"String", "Integer", "Real", "DateTime"};
static_assert(sizeof kTypeNames / sizeof kTypeNames[0] ==
                  static_cast<size_t>(ColumnType::date_time) + 1,
              "one name per column type");

// Each column's text (`text(column)`) between two `quote`s, separated by
// commas, then the line end.
template <class Text>
void put_line(OutStream& out, const ColumnTable& columns, const char* quote, Text text,
              bool utc_times = false) {
    bool first = true;
    for (const Columns run : columns.runs) {
        for (const Column& c : run) {
            if (!first) {
                out.put_char(',');
            }
            first = false;
            out.put(quote);
            out.put(text(c));
            if (utc_times && c.type == ColumnType::date_time) {
                out.put("-utc");
            }
            out.put(quote);
        }
    }
    out.put_char('\n');
}

}  // namespace

void put_header(OutStream& out, const ColumnTable& columns, bool utc_times) {
    put_line(
        out, columns, "", [](const Column& c) { return c.name; }, utc_times);
}

void put_column_types(OutStream& out, const ColumnTable& columns) {
    put_line(out, columns, "\"",
             [](const Column& c) { return kTypeNames[static_cast<size_t>(c.type)]; });
}

void format_sidecar_name(char* name, size_t size, const char* data_name) {
    const char* dot = std::strrchr(data_name, '.');
    const size_t base =
        dot != nullptr ? static_cast<size_t>(dot - data_name) : std::strlen(data_name);
    format_into(name, size, "%.*s.csvt", static_cast<int>(base), data_name);
}

int write_column_types(Console& con, OutputSet& outputs, const char* data_name,
                       const ColumnTable& columns) {
    char name[160];
    format_sidecar_name(name, sizeof name, data_name);
    TextFile file;
    if (file.open(con, outputs, name) != 0) {
        return -1;
    }
    put_column_types(file.out(), columns);
    return file.close();
}

}  // namespace dec
