// Reading base-station containers into tables in memory.
//
// tavro::read() decodes a container (generation 5 or 3) or a voltage-logger
// file with the decoding of the console program (the same joining of
// downloads, the same rule for re-sent data, the same checks of damaged data)
// and returns, per tag, one table per kind of record instead of text files.
// Tables are columns of plain numbers; every table lists its columns with
// their names (Movebank's attribute names where one exists) and types, so
// that a binding can hand them on without knowing each table.
//
// Times: the tags count GPS time, which has no leap seconds. Every time
// column ending in "gps" is that time as nanoseconds since 1970-01-01 read as
// if it were UTC (what the console program prints); the column beside it
// without the ending is UTC, the leap seconds taken off. A UTC time past the
// expiry of the leap-second table is not guessed: it holds kNoTime and the
// tag's warnings say so. kNoTime also marks a time a record does not have.
//
// Errors are thrown as tavro::Error with the texts the console program
// prints; the process is never ended.
#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <stdexcept>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

namespace tavro {

// The version of this interface; the decoder's own version is decoder_version().
inline constexpr int kApiVersion = 1;
int decoder_version();

// What to read (bits of ReadOptions::sensors).
enum Sensor : unsigned {
    kGps = 1u << 0,     // GPS fixes
    kAcc = 1u << 1,     // acceleration bursts, also of the IMU's accelerometer
    kImu = 1u << 2,     // orientation quaternions and magnetic field
    kEvents = 1u << 3,  // system events
    kEcg = 1u << 4,     // ECG bursts
    kAllSensors = (1u << 5) - 1,
};

struct ReadOptions {
    // Tag numbers to read; empty: every tag.
    std::vector<uint32_t> tags;
    unsigned sensors = kAllSensors;
    // Where the temporary files of the reading go (a folder of their own is
    // made in it and removed); empty: the system's folder of temporary files.
    std::string work_dir;
    // A leap-seconds.list to convert with; empty: the system's, or the table
    // compiled in when the system has none.
    std::string leap_seconds_list;
};

inline constexpr int64_t kNoTime = std::numeric_limits<int64_t>::min();

namespace detail {
// Grows a block of `old_bytes` (null for none) to `new_bytes`, keeping its
// contents; large blocks grow in place where the system can move pages
// instead of copying them. Throws std::bad_alloc.
void* grow_block(void* block, size_t old_bytes, size_t new_bytes);
void free_block(void* block, size_t bytes);
}  // namespace detail

// A column of plain numbers: a growable array like std::vector whose large
// blocks grow without copying, for tables of hundreds of millions of rows.
template <class T>
class Array {
    static_assert(std::is_trivially_copyable_v<T>, "plain values only");

  public:
    Array() = default;
    ~Array() { detail::free_block(data_, capacity_ * sizeof(T)); }
    Array(Array&& o) noexcept : data_(o.data_), size_(o.size_), capacity_(o.capacity_) {
        o.data_ = nullptr;
        o.size_ = o.capacity_ = 0;
    }
    Array& operator=(Array&& o) noexcept {
        std::swap(data_, o.data_);
        std::swap(size_, o.size_);
        std::swap(capacity_, o.capacity_);
        return *this;
    }
    Array(const Array&) = delete;
    Array& operator=(const Array&) = delete;

    void push_back(T v) {
        if (size_ == capacity_) {
            reserve(capacity_ < 1024 ? 1024 : 2 * capacity_);
        }
        data_[size_++] = v;
    }
    // Room for n more values, returned to be written: the array's size
    // includes them already.
    T* extend(size_t n) {
        if (size_ + n > capacity_) {
            const size_t doubled = capacity_ < 1024 ? 1024 : 2 * capacity_;
            reserve(size_ + n > doubled ? size_ + n : doubled);
        }
        T* p = data_ + size_;
        size_ += n;
        return p;
    }
    void reserve(size_t n) {
        if (n > capacity_) {
            data_ =
                static_cast<T*>(detail::grow_block(data_, capacity_ * sizeof(T), n * sizeof(T)));
            capacity_ = n;
        }
    }
    const T* data() const { return data_; }
    size_t size() const { return size_; }
    size_t capacity() const { return capacity_; }
    bool empty() const { return size_ == 0; }
    const T& operator[](size_t i) const { return data_[i]; }
    const T* begin() const { return data_; }
    const T* end() const { return data_ + size_; }

  private:
    T* data_ = nullptr;
    size_t size_ = 0;
    size_t capacity_ = 0;
};

enum class ColumnType : uint8_t { u8, i8, u16, i16, u32, i32, i64, f64, time_ns, text };

// One column of a table: `rows` values of `type` at `data` (time_ns columns
// are int64 nanoseconds; text columns point to std::string values).
struct Column {
    const char* name;
    ColumnType type;
    const void* data;
    size_t rows;
};

// GPS fixes whose records passed their checksums.
struct GpsFixes {
    Array<uint32_t> record;           // the GPS record's number in the tag, from 1
    Array<uint8_t> kind;              // 0 cooked, 1 extended, 2 early record
    Array<int64_t> start_gps;         // start of the fix attempt (tag time)
    Array<int64_t> start;             // the same in UTC
    Array<int64_t> time_gps;          // time of the fix, to the millisecond
    Array<int64_t> time;              // the same in UTC
    Array<double> lon, lat;           // degrees
    Array<double> height;             // m above the ellipsoid
    Array<uint8_t> fix_type;          // 0 none, 2 2D, 3 3D
    std::vector<std::string> status;  // A with a fix, B, C, D without
    Array<uint8_t> clock_flag;        // the GPS clock was set
    Array<double> noise;              // noise level; NaN in extended records, which have none
    Array<uint16_t> time_to_fix;      // s
    Array<uint32_t> battery_mv, fix_battery_mv, loaded_battery_mv;
    Array<double> temperature;  // degrees Celsius
    Array<double> speed, heading, speed_accuracy, horizontal_accuracy, vertical_accuracy;
    Array<double> dop, pressure_hpa;  // extended records; NaN otherwise
    Array<uint8_t> satellites;
    Array<int32_t> quat_w, quat_x, quat_y, quat_z, mag_x, mag_y, mag_z;
    Array<double> gps_on_hours;    // GPS time switched on so far
    std::vector<std::string> key;  // key-bin checksum, ten digits
    Array<uint32_t> tag;           // tag number
    std::vector<Column> columns() const;
    size_t rows() const { return record.size(); }
};

// Acceleration bursts, one row each; their samples are in AccSamples.
struct AccBursts {
    Array<uint32_t> burst;            // number of the burst in the tag, from 0
    std::vector<std::string> sensor;  // "acc", or "imu" for the IMU's accelerometer
    Array<int64_t> start_gps, start;
    Array<double> rate_hz;          // per axis; 0 when unknown
    std::vector<std::string> axes;  // axis letters, "" when the record names none
    Array<uint16_t> samples;        // samples per axis
    Array<uint8_t> overflow;        // the sensor reported an overflow
    std::vector<std::string> key;
    Array<uint32_t> tag;
    std::vector<Column> columns() const;
    size_t rows() const { return burst.size(); }
};

// The samples of the bursts in long form: one row per sample time, the axes
// side by side (an axis the burst lacks holds 0; AccBursts::axes tells).
struct AccSamples {
    Array<uint32_t> burst;
    Array<uint16_t> sample;  // from 0 in its burst
    Array<int64_t> time_gps, time;
    Array<int16_t> x, y, z;
    std::vector<Column> columns() const;
    size_t rows() const { return burst.size(); }
};

// Orientation of the IMU: quaternions and magnetic field, one row per entry,
// signs and axes as the console prints them.
struct Orientations {
    Array<uint32_t> burst;
    Array<uint16_t> entry;
    Array<int64_t> time_gps, time;  // the burst's start plus entry / rate
    Array<double> rate_hz;
    Array<int32_t> w, x, y, z, mag_x, mag_y, mag_z;
    Array<double> temperature;  // degrees Celsius
    std::vector<std::string> key;
    std::vector<Column> columns() const;
    size_t rows() const { return burst.size(); }
};

// System events.
struct Events {
    Array<int64_t> time_gps, time;
    Array<uint8_t> type;
    Array<uint32_t> battery_mv, battery_gps_mv;
    Array<uint8_t> low_battery, switch_on, reset_flags, vmon;
    std::vector<Column> columns() const;
    size_t rows() const { return type.size(); }
};

// ECG bursts and their samples.
struct EcgBursts {
    Array<uint32_t> burst;
    Array<int64_t> start_gps, start;
    Array<double> rate_hz, resolution_uv, temperature;
    Array<int16_t> offset;
    Array<uint16_t> battery_mv, samples;
    std::vector<std::string> key;
    std::vector<Column> columns() const;
    size_t rows() const { return burst.size(); }
};
struct EcgSamples {
    Array<uint32_t> burst;
    Array<uint16_t> sample;
    Array<int64_t> time_gps, time;
    Array<int16_t> value;
    std::vector<Column> columns() const;
    size_t rows() const { return burst.size(); }
};

// Records of a voltage logger.
struct Voltages {
    Array<uint32_t> seconds;  // the logger's time
    Array<uint16_t> temperature_raw;
    Array<uint8_t> load;
    Array<uint32_t> ch_mv[8];
    std::vector<Column> columns() const;
    size_t rows() const { return seconds.size(); }
};

struct Tag {
    uint32_t number = 0;
    std::string layout;  // "gps-acc v10", "gps-acc v9", "ecg", "gen3 gps-acc"
    GpsFixes gps;
    AccBursts acc_bursts;
    AccSamples acc;
    Orientations orientation;
    Events events;
    EcgBursts ecg_bursts;
    EcgSamples ecg;
    // Facts of the tag's downloads and data, as the information report
    // states them: whether the last download was complete, the bad units,
    // the bytes decoded and the base station's connect time (UTC seconds, 0
    // if none).
    bool last_download_complete = false;
    uint32_t bad_units = 0;
    uint64_t bytes_decoded = 0;
    int64_t connect_time = 0;
    // The settings of the last download, in the order of the report.
    std::vector<std::pair<std::string, std::string>> settings;
    // The tag's information report as the console program writes it.
    std::string info;
    std::vector<std::string> warnings;
};

struct Container {
    std::string kind;  // "generation 5", "generation 3" or "voltage logger"
    std::vector<Tag> tags;
    Voltages voltages;
    std::string console;      // what the console program prints
    std::string leap_source;  // the leap-second table used
};

class Error : public std::runtime_error {
  public:
    Error(const std::string& text, int code) : std::runtime_error(text), code_(code) {}
    // The console program's exit code for the same failure.
    int code() const { return code_; }

  private:
    int code_;
};

// Reads the container at `path`. Throws Error when the console program would
// fail on it (its text and exit code) or a file cannot be made.
Container read(const std::string& path, const ReadOptions& options = {});

}  // namespace tavro
