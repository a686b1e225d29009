#include "common/progress.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iterator>

namespace dec {

namespace {

// "512 B", "3.4 KiB", "1.2 GiB", ...
void append_bytes(std::string& s, uint64_t bytes) {
    static constexpr const char* kUnits[] = {"KiB", "MiB", "GiB", "TiB", "PiB", "EiB"};
    char text[32];
    if (bytes < 1024) {
        std::snprintf(text, sizeof text, "%llu B", static_cast<unsigned long long>(bytes));
    } else {
        double v = static_cast<double>(bytes) / 1024.0;
        size_t unit = 0;
        while (v >= 1024.0 && unit + 1 < std::size(kUnits)) {
            v /= 1024.0;
            ++unit;
        }
        std::snprintf(text, sizeof text, "%.1f %s", v, kUnits[unit]);
    }
    s += text;
}

// "0:42", "12:05", "2:03:09"
void append_duration(std::string& s, uint64_t seconds) {
    char text[32];
    const auto h = static_cast<unsigned long long>(seconds / 3600);
    const auto m = static_cast<unsigned>(seconds / 60 % 60);
    const auto sec = static_cast<unsigned>(seconds % 60);
    if (h != 0) {
        std::snprintf(text, sizeof text, "%llu:%02u:%02u", h, m, sec);
    } else {
        std::snprintf(text, sizeof text, "%u:%02u", m, sec);
    }
    s += text;
}

}  // namespace

std::string progress_line(const ProgressState& st, double seconds) {
    double fraction = 0.0;
    if (st.total != 0) {
        fraction = static_cast<double>(st.done) / static_cast<double>(st.total);
    } else if (st.tags != 0 && st.tag != 0) {
        fraction = static_cast<double>(st.tag - 1) / static_cast<double>(st.tags);
    }
    fraction = std::min(fraction, 1.0);
    // Rounded down: 100% only once everything is done.
    std::string s = std::to_string(static_cast<unsigned>(fraction * 100.0));
    s += '%';
    if (st.total != 0) {
        s += ", ";
        append_bytes(s, std::min(st.done, st.total));
        s += " of ";
        append_bytes(s, st.total);
    }
    if (st.tags != 0 && st.tag != 0) {
        s += ", tag ";
        s += std::to_string(st.tag);
        s += " of ";
        s += std::to_string(st.tags);
    }
    // The first second's rate says little: the time left is shown from then on.
    if (fraction > 0.0 && seconds >= 1.0) {
        s += ", ";
        append_duration(s, static_cast<uint64_t>(std::ceil(seconds * (1.0 - fraction) / fraction)));
        s += " left";
    }
    return s;
}

ProgressState Progress::state() const {
    ProgressState st;
    st.done = done_.load(std::memory_order_relaxed);
    st.total = total_.load(std::memory_order_relaxed);
    st.tag = tag_.load(std::memory_order_relaxed);
    st.tags = tags_.load(std::memory_order_relaxed);
    return st;
}

void Progress::start(Platform& sys) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (sys_ != nullptr || stopping_ || !sys.is_terminal(2)) {
        return;
    }
    sys_ = &sys;
    start_ = std::chrono::steady_clock::now();
    draw();
    ticker_ = std::thread([this] {
        std::unique_lock<std::mutex> held(mutex_);
        while (
            !wake_.wait_for(held, std::chrono::milliseconds(250), [this] { return stopping_; })) {
            draw();
        }
    });
}

void Progress::stop() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        erase();
    }
    wake_.notify_all();
    if (ticker_.joinable()) {
        ticker_.join();
    }
}

void Progress::draw() {
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start_;
    // Back to the line's start, the line, and away with what a longer line left.
    std::string text = "\r";
    text += progress_line(state(), elapsed.count());
    // A line as wide as the terminal wraps, and every redraw would leave its
    // first part behind: it ends a column short of the terminal's width.
    const int columns = sys_->terminal_columns(2);
    if (columns > 0 && text.size() > static_cast<size_t>(columns)) {
        text.resize(static_cast<size_t>(columns));
    }
    text += "\033[K";
    sys_->write(2, text.data(), text.size());
    drawn_ = true;
}

void Progress::erase() {
    if (drawn_) {
        static constexpr char kErase[] = "\r\033[K";
        sys_->write(2, kErase, sizeof kErase - 1);
        drawn_ = false;
    }
}

Progress::Quiet::Quiet(Progress* progress) {
    if (progress != nullptr) {
        lock_ = std::unique_lock<std::mutex>(progress->mutex_);
        progress->erase();
    }
}

}  // namespace dec
