#include "common/output_set.h"

namespace dec {

int OutputSet::create(const char* name, size_t* entry) {
    std::string temp;
    const int fd = sys_.create_temp(folder_, name, ".part", false, temp);
    if (fd < 0) {
        stop();
        return -1;
    }
    entries_.push_back(Entry{std::move(temp), name, State::writing});
    *entry = entries_.size() - 1;
    return fd;
}

void OutputSet::closed(size_t entry, bool complete) {
    Entry& e = entries_[entry];
    if (complete) {
        e.state = State::complete;
        return;
    }
    sys_.remove_temp(folder_, e.temp);
    e.state = State::gone;
    failed_ = true;
}

int OutputSet::commit(Console& con) {
    if (stopped_) {
        discard();
        return -1;
    }
    int rv = failed_ ? -1 : 0;
    for (Entry& e : entries_) {
        if (e.state != State::complete) {
            continue;
        }
        if (sys_.rename_temp(folder_, e.temp, e.name.c_str()) == 0) {
            e.state = State::gone;
            continue;
        }
        con.file_error("Couldn't rename output file", e.name.c_str());
        con.out().printf("Filename: %s\n", e.name.c_str());
        rv = -1;
    }
    // What was not renamed (or never closed) must not stay behind.
    discard();
    return rv;
}

void OutputSet::stop() {
    stopped_ = true;
    failed_ = true;
}

void OutputSet::discard() {
    for (const Entry& e : entries_) {
        if (e.state != State::gone) {
            sys_.remove_temp(folder_, e.temp);
        }
    }
    entries_.clear();
    failed_ = false;
    stopped_ = false;
}

}  // namespace dec
