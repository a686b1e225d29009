// Console text of a tag decoded ahead of its turn.
//
// Tags may be decoded on several threads, but the console must read exactly
// as if they ran one after the other. A tag decoded ahead writes its console
// text into a ConsoleLog: standard output and error lines in the order they
// were written. The run replays the log on the real console when the tag's
// turn comes, while the tag may still be running. A log holds at most
// kLimit bytes; a writer beyond that waits until the replay takes them, so a
// tag that prints a lot waits for its turn instead of filling memory.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

#include "common/outstream.h"

namespace dec {

class ConsoleLog {
  public:
    static constexpr size_t kLimit = size_t{4} << 20;

    struct Record {
        bool error;  // a line of the error stream, else standard output
        std::string text;
    };

    ConsoleLog() : out_(*this, false), err_(*this, true) {}
    ConsoleLog(const ConsoleLog&) = delete;
    ConsoleLog& operator=(const ConsoleLog&) = delete;

    TextSink* out_sink() { return &out_; }
    TextSink* err_sink() { return &err_; }

    // Writer side: the tag has ended; nothing more will be appended.
    void finish();

    // Reader side: the text will not be shown; appending drops it at once.
    void abandon();

    // Reader side: waits for records or the end and moves what there is into
    // `records` (emptied first). False once the log has ended and is empty.
    bool take(std::vector<Record>& records);

  private:
    class Sink final : public TextSink {
      public:
        Sink(ConsoleLog& log, bool error) : log_(log), error_(error) {}
        void append(const char* data, size_t n) override { log_.append(error_, data, n); }

      private:
        ConsoleLog& log_;
        bool error_;
    };

    void append(bool error, const char* data, size_t n);

    Sink out_;
    Sink err_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Record> records_;
    size_t bytes_ = 0;
    bool finished_ = false;
    bool abandoned_ = false;
};

}  // namespace dec
