// Memory that optional caches of a run may take together: tags decoded side
// by side take from and give back to the same budget, so a run's caches stay
// within it however many threads decode.
#pragma once

#include <atomic>
#include <cstddef>

namespace dec {

class MemoryBudget {
  public:
    explicit MemoryBudget(size_t bytes) : left_(bytes) {}
    MemoryBudget(const MemoryBudget&) = delete;
    MemoryBudget& operator=(const MemoryBudget&) = delete;

    // Takes `bytes` when that much is left; false otherwise.
    bool take(size_t bytes) {
        size_t left = left_.load(std::memory_order_relaxed);
        do {
            if (left < bytes) {
                return false;
            }
        } while (!left_.compare_exchange_weak(left, left - bytes, std::memory_order_relaxed));
        return true;
    }
    void give(size_t bytes) { left_.fetch_add(bytes, std::memory_order_relaxed); }
    size_t left() const { return left_.load(std::memory_order_relaxed); }

  private:
    std::atomic<size_t> left_;
};

}  // namespace dec
