// What both generations write at the head of a tag's output files, and the
// names the files get.
#pragma once

#include <cstdint>

#include "common/outstream.h"

namespace dec {

// The first line of every info file: the decoder version and build.
void write_version_line(OutStream& info);

// The legend of the DFT lines (one line of spectra per burst).
inline constexpr const char* kDftLegend =
    "\nFormat for Discrete Fourier Transformation Data:\nACCF, daynumber, date, day-of-week, "
    "time-of-day, axes, number-of-dft-values-per-axis, stddev,\n\t[stddev next axis,] [stddev "
    "next axis,] DFTCSV [,DFTCSV next axis] [,DFTCSV next axis]\n";

// The GPS line legend up to column 22, without its line end: the tag families
// add their own columns behind it.
inline constexpr const char* kGpsLegendStart =
    "\nFormat of gps data: comma separated values:\n(1) \"GPS\" (2) number of days since march "
    "4/2007 (3) date (4) day of week (5) time of day\n(6) longitude (7) latitude (8) height above "
    "ellipsoid, m (9) type of fix (10) status (11) flag of gpsclock\n(12) noiselevel (13) "
    "expended time to get fix (14) date of fix (15) weekday of fix\n(16) time of day of gps fix "
    "(17) battery voltage, mV (18) temperature\n(19) speed over ground, m/s (20) heading, degree "
    "(21) speed inaccuracy estimate, m/s\n(22) horizontal inaccuracy estimate, m";

// The extended GPS columns of tags without pressure and orientation columns.
inline constexpr const char* kGpsExtendedLegend =
    "(23) loaded batvolt, mV (24) batvolt at gpsfix, mV (25) accumulated gps ontime, hours\n";

// Under the GPS legend of tags whose temperature sensor is not calibrated.
inline constexpr const char* kLowAccuracyTemperature =
    "Temperature is in degree Celsius with low accuracy.\n\n";

// The notices at the head of low- or high-pass filtered acceleration output,
// with the filter's relative cut-off frequency.
void write_lowpass_notice(OutStream& acc);
void write_highpass_notice(OutStream& acc);

}  // namespace dec
