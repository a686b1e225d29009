#include "common/console_log.h"

namespace dec {

void ConsoleLog::append(bool error, const char* data, size_t n) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return bytes_ < kLimit || abandoned_; });
    if (abandoned_) {
        return;
    }
    if (!error && !records_.empty() && !records_.back().error) {
        records_.back().text.append(data, n);
    } else {
        records_.push_back(Record{error, std::string(data, n)});
    }
    bytes_ += n;
    changed_.notify_all();
}

void ConsoleLog::finish() {
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    changed_.notify_all();
}

void ConsoleLog::abandon() {
    std::lock_guard<std::mutex> lock(mutex_);
    abandoned_ = true;
    records_.clear();
    bytes_ = 0;
    changed_.notify_all();
}

bool ConsoleLog::take(std::vector<Record>& records) {
    records.clear();
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return !records_.empty() || finished_; });
    if (records_.empty()) {
        return false;
    }
    records.swap(records_);
    bytes_ = 0;
    changed_.notify_all();
    return true;
}

}  // namespace dec
