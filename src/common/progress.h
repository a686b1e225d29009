// The progress line of a long run, drawn on the error stream when that is a
// terminal.
//
// What "processed" means: a generation-5 run reads the container three
// times, once to separate it and once per tag in each of the joining and the
// decoding pass, so the total is three times the container's size and the
// bytes done are what the separation and the tags' passes have gone through.
// Re-sent data that the joining drops is not decoded again: a container with
// much of it ends short of 100%. Generation 3 and the voltage converter count
// no bytes; their progress is the number of tags done.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "common/platform.h"

namespace dec {

struct ProgressState {
    uint64_t done = 0;
    uint64_t total = 0;  // 0: progress by tag only
    uint32_t tag = 0;    // the tag being decoded, from 1 on (0: none yet)
    uint32_t tags = 0;
};

// The text of the progress line after `seconds` of the run, for example
// "37%, 1.2 GiB of 4.0 GiB, tag 3 of 12, 0:42 left". The time left is
// estimated from the rate so far and left out while there is no rate yet.
std::string progress_line(const ProgressState& state, double seconds);

class Progress {
  public:
    // Bytes a pass goes through between two reports: tags decoded side by
    // side share the counter, which a report per unit would keep busy.
    static constexpr uint64_t kStep = uint64_t{64} << 10;

    Progress() = default;
    ~Progress() { stop(); }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void add_total(uint64_t bytes) { total_.fetch_add(bytes, std::memory_order_relaxed); }
    void add_done(uint64_t bytes) { done_.fetch_add(bytes, std::memory_order_relaxed); }
    void set_tags(uint32_t count) { tags_.store(count, std::memory_order_relaxed); }
    void set_tag(uint32_t number) { tag_.store(number, std::memory_order_relaxed); }
    ProgressState state() const;

    // When the error stream is a terminal, draws the line now and redraws it
    // four times a second on a thread of its own until stop(), which erases it.
    void start(Platform& sys);
    void stop();

    // While a Quiet lives, the line is erased and not redrawn, so that console
    // text written meanwhile stands on a clean line.
    class Quiet {
      public:
        explicit Quiet(Progress* progress);
        Quiet(const Quiet&) = delete;
        Quiet& operator=(const Quiet&) = delete;

      private:
        std::unique_lock<std::mutex> lock_;
    };

  private:
    void draw();  // the caller holds mutex_
    void erase();

    std::atomic<uint64_t> done_{0};
    std::atomic<uint64_t> total_{0};
    std::atomic<uint32_t> tag_{0};
    std::atomic<uint32_t> tags_{0};

    Platform* sys_ = nullptr;  // set while the line is shown
    std::chrono::steady_clock::time_point start_;
    std::mutex mutex_;
    std::condition_variable wake_;
    bool stopping_ = false;
    bool drawn_ = false;
    std::thread ticker_;
};

// Reports the position of one pass (the separation, a tag's joining or
// decoding) to the run's progress in steps of Progress::kStep.
// The tag counts of a run whose progress line may be absent (tests that run
// parts of a run): `count` tags in all, and the turn of the tag at `index`
// (from 0).
inline void progress_tags(Progress* progress, size_t count) {
    if (progress != nullptr) {
        progress->set_tags(static_cast<uint32_t>(count));
    }
}
inline void progress_turn(Progress* progress, size_t index) {
    if (progress != nullptr) {
        progress->set_tag(static_cast<uint32_t>(index + 1));
    }
}

class ProgressMeter {
  public:
    ProgressMeter(Progress* progress, uint64_t start) : progress_(progress), reported_(start) {}
    void at(uint64_t position) {
        if (progress_ != nullptr && position - reported_ >= Progress::kStep) {
            progress_->add_done(position - reported_);
            reported_ = position;
        }
    }

  private:
    Progress* progress_;
    uint64_t reported_;
};

}  // namespace dec
