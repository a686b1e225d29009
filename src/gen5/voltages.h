// The voltage-logger file: a container header with its own magic, then
// 32-byte records of eight voltage channels, converted to "voltages.csv".
#pragma once

#include "common/console.h"
#include "common/container_result.h"
#include "common/platform.h"

namespace dec {

class RecordTables;

// Converts the file open on `fd` (positioned at offset 0) into "voltages.csv"
// of `folder`, or hands its records to `tables` when given; `ok` or
// `failed`.
ContainerResult write_voltages(Console& con, const Folder& folder, int fd, const char* path,
                               RecordTables* tables = nullptr);

}  // namespace dec
