#include "store/tag_file_set.h"

#include "common/io.h"

namespace dec {

namespace {

// "%s" takes the prefix, empty for names without one.
// clang-format off
constexpr const char* kNames[] = {
    "%stag%i.txt",
    "%stag%i_acc.txt",
    "%stag%i_accdft.txt",
    "%stag%i_gps.txt",
    "%stag%i.kml",
    "%stag%i.gpx",
    "info_%stag%i.txt",
    "stat_%stag%i.txt",
    "%stag%i_quat.txt",
    "%stag%i_magnetic.txt",
    "%stag%i_ecg.txt",
};
// clang-format on
static_assert(sizeof kNames / sizeof kNames[0] == kTagFiles, "one name format per tag file");

// The name of `file` of tag `tag_number`; `prefix` is put in front of "tag"
// (nullptr: names without prefix).
void format_tag_file_name(char* name, size_t size, TagFile file, const char* prefix,
                          uint32_t tag_number) {
    format_into(name, size, kNames[static_cast<size_t>(file)], prefix != nullptr ? prefix : "",
                static_cast<int>(tag_number));
}

}  // namespace

OutStream* TagFileSet::open(TagFile file) {
    char name[128];
    format_tag_file_name(name, sizeof name, file, prefix_, tag_);
    TextFile& f = files_[index(file)];
    if (f.open(con_, outputs_, name) != 0) {
        close_all();
        return nullptr;
    }
    opened_[open_count_++] = file;
    return &f.out();
}

int TagFileSet::write_column_types(TagFile file, const ColumnTable& columns) {
    char name[128];
    format_tag_file_name(name, sizeof name, file, prefix_, tag_);
    return dec::write_column_types(con_, outputs_, name, columns);
}

int TagFileSet::close_all() {
    int rv = 0;
    for (size_t i = 0; i < open_count_; ++i) {
        if (files_[index(opened_[i])].close() != 0) {
            rv = -1;
        }
    }
    open_count_ = 0;
    return rv;
}

}  // namespace dec
