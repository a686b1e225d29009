#include "gen5/parallel_tags.h"

#include <algorithm>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

#include "common/console_log.h"
#include "common/fatal.h"
#include "gen5/tag_run.h"

namespace dec {

namespace {

// What one tag decoded ahead leaves for its turn.
struct TagSlot {
    TagSlot(Platform& sys, const Folder& folder) : outputs(sys, folder) {}

    ConsoleLog log;
    OutputSet outputs;  // named at the tag's turn
    int result = 0;
    bool stopped = false;  // a fatal stop, with its code
    int stop_code = 0;
    std::exception_ptr failure;  // anything else that escaped the tag
    uint32_t bad_blocks = 0;
};

class SideBySide {
  public:
    SideBySide(RunContext& run, const uint32_t* tags, size_t count, const ContainerIndex& index)
        : run_(run),
          tags_(tags),
          count_(count),
          index_(index),
          threads_(std::min<size_t>(run.workers, count)) {
        for (size_t i = 0; i < count; ++i) {
            slots_.push_back(std::make_unique<TagSlot>(run.con.sys(), run.folder.at));
        }
    }

    int run() {
        std::vector<std::thread> pool;
        for (size_t t = 0; t < threads_; ++t) {
            pool.emplace_back([this] { work(); });
        }
        int rv = 0;
        size_t i = 0;
        for (; i < count_; ++i) {
            announce_gen5_tag(run_, i, tags_[i]);
            TagSlot& slot = *slots_[i];
            // The log ends when the tag has ended; what the tag left is
            // complete by then.
            std::vector<ConsoleLog::Record> records;
            while (slot.log.take(records)) {
                run_.con.replay(records);
                run_.con.flush();
            }
            if (slot.outputs.commit(run_.con) != 0) {
                slot.result = -1;
            }
            run_.bad_blocks += slot.bad_blocks;
            if (slot.stopped || slot.failure || slot.result != 0) {
                rv = -1;
                break;
            }
            advance(i + 1);
        }
        stop_after(i);
        for (std::thread& t : pool) {
            t.join();
        }
        for (size_t later = i + 1; later < count_; ++later) {
            slots_[later]->outputs.discard();
        }
        if (rv != 0) {
            TagSlot& slot = *slots_[i];
            if (slot.failure) {
                std::rethrow_exception(slot.failure);
            }
            if (slot.stopped) {
                fatal_stop(slot.stop_code);
            }
        }
        return rv;
    }

  private:
    // Threads take the next tag while fewer than `threads_` tags are ahead
    // of the one whose turn it is.
    void work() {
        for (;;) {
            size_t i = 0;
            {
                std::unique_lock<std::mutex> lock(mutex_);
                changed_.wait(lock,
                              [&] { return stop_ || next_ >= count_ || next_ < turn_ + threads_; });
                if (stop_ || next_ >= count_) {
                    return;
                }
                i = next_++;
            }
            decode(i);
        }
    }

    void decode(size_t i) {
        TagSlot& slot = *slots_[i];
        {
            Console con(run_.con.sys(), slot.log);
            RunContext tag_run(con);
            tag_run.outputs = &slot.outputs;
            tag_run.plan = run_.plan;
            std::memcpy(tag_run.prefix, run_.prefix, sizeof tag_run.prefix);
            tag_run.interactive = run_.interactive;
            tag_run.spectrum_tables = run_.spectrum_tables;
            tag_run.progress = run_.progress;
            tag_run.tag_index = static_cast<uint32_t>(i);
            const TagSource source{index_.input_fd(), &index_.runs_of(i), nullptr,
                                   index_.input_name()};
            try {
                slot.result = run_tag(tag_run, tags_[i], source);
            } catch (const FatalStop& stop) {
                slot.stopped = true;
                slot.stop_code = stop.code;
            } catch (...) {
                slot.failure = std::current_exception();
            }
            slot.bad_blocks = tag_run.bad_blocks;
            if (con.system_failures() != 0) {
                slot.outputs.stop();
            }
            con.flush();
        }
        slot.log.finish();
    }

    void advance(size_t turn) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            turn_ = turn;
        }
        changed_.notify_all();
    }

    // No new tags after `last`; tags decoded ahead may finish, their text is
    // dropped.
    void stop_after(size_t last) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            stop_ = true;
        }
        changed_.notify_all();
        for (size_t later = last + 1; later < count_; ++later) {
            slots_[later]->log.abandon();
        }
    }

    RunContext& run_;
    const uint32_t* tags_;
    size_t count_;
    const ContainerIndex& index_;
    size_t threads_;
    std::vector<std::unique_ptr<TagSlot>> slots_;

    std::mutex mutex_;
    std::condition_variable changed_;
    size_t next_ = 0;
    size_t turn_ = 0;
    bool stop_ = false;
};

}  // namespace

void announce_gen5_tag(RunContext& run, size_t index, uint32_t tag) {
    progress_turn(run.progress, index);
    run.con.out().printf("---------- B5:Unpacking data for tag%i ----------------\n",
                         static_cast<int>(tag));
    run.con.flush();
}

int run_tags_side_by_side(RunContext& run, const uint32_t* tags, size_t count,
                          const ContainerIndex& index) {
    return SideBySide(run, tags, count, index).run();
}

}  // namespace dec
