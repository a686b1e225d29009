#include "store/tag_file_set.h"

#include "common/io.h"

namespace dec {

namespace {

// "%s" takes the prefix where a name has one.
struct NameFormat {
    const char* prefixed;
    const char* plain;
};

// clang-format off
constexpr NameFormat kNames[] = {
    {"%stag%i.txt",          "tag%i.txt"},
    {"%stag%i_acc.txt",      "tag%i_acc.txt"},
    {"%stag%i_accdft.txt",   "tag%i_accdft.txt"},
    {"%stag%i_gps.txt",      "tag%i_gps.txt"},
    {"%stag%i.kml",          "tag%i.kml"},
    {"%stag%i.gpx",          "tag%i.gpx"},
    {"info_%stag%i.txt",     "info_tag%i.txt"},
    {"stat_%stag%i.txt",     "stat_tag%i.txt"},
    {"%stag%i_quat.txt",     "tag%i_quat.txt"},
    {"%stag%i_magnetic.txt", "tag%i_magnetic.txt"},
    {"%stag%i_ecg.txt",      "tag%i_ecg.txt"},
};
// clang-format on
static_assert(sizeof kNames / sizeof kNames[0] == kTagFiles, "one name format per tag file");

}  // namespace

void format_tag_file_name(char* name, size_t size, TagFile file, const char* prefix,
                          uint32_t tag_number) {
    const NameFormat& f = kNames[static_cast<size_t>(file)];
    const auto tag = static_cast<int>(tag_number);
    if (prefix != nullptr) {
        format_into(name, size, f.prefixed, prefix, tag);
    } else {
        format_into(name, size, f.plain, tag);
    }
}

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
