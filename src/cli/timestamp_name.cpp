#include "cli/timestamp_name.h"

#include <cstdio>
#include <cstring>

#include "common/io.h"
#include "common/platform.h"

namespace dec {

namespace {

constexpr size_t kMinName = 25;
constexpr size_t kMaxName = 35;
// Base stations have written time-stamped names since 2014.
constexpr unsigned kFirstYear = 2014;
constexpr unsigned kLastYear = 2099;

}  // namespace

bool parse_timestamp_filename(const char* path, char* prefix, size_t prefix_size, OutStream& con) {
    if (std::strlen(path) < kMinName) {
        con.put("Filename too short.\n");
        return false;
    }
    const char* base = path_file_name(path);
    const size_t len = std::strlen(base);
    if (len < kMinName || len > kMaxName) {
        con.put("Filename too short or too long.\n");
        return false;
    }
    if (std::strcmp(base + len - 4, ".bin") != 0) {
        con.put("Filename format not matching!");
        return false;
    }
    unsigned year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0, logger = 0;
    int n = std::sscanf(base, "%u-%u-%u-%u-%u-%u_L%u.bin", &year, &month, &day, &hour, &minute,
                        &second, &logger);
    if (n != 7 || year < kFirstYear || year > kLastYear || month < 1 || month > 12 || day < 1 ||
        day > 31 || hour > 23 || minute > 59 || second > 59) {
        con.put("Invalid filename timestamp. Exiting.\n");
        return false;
    }
    format_into(prefix, prefix_size, "%u-%02u-%02u-%02u-%02u-%02u_", year, month, day, hour, minute,
                second);
    return true;
}

}  // namespace dec
