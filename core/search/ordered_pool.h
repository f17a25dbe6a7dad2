#pragma once
// Work on items 0 to count - 1 done by a pool of threads, handed back to the
// calling thread in item order. Each thread takes the next item nobody has
// taken (one atomic step, no lock), works on it alone, and publishes the
// result under the pool's lock: one lock per item, never per step of the
// work. The calling thread waits for the item whose turn it is, with a time
// limit so that it can attend to its window and its stop key meanwhile.
//
// Threads run at most `window` items ahead of the oldest result not yet
// released, so that the results waiting hold a bounded memory.
//
// Known limits: a stop lets each thread finish the item in its hands (the
// work should look at stopRequested() and give up early); a work that throws
// makes wait() throw the same exception on the calling thread.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <utility>
#include <vector>

namespace quillorn {

template <typename Result>
class OrderedPool {
 public:
  using Work = std::function<Result(std::size_t)>;

  OrderedPool(std::size_t count, unsigned threads, std::size_t window, Work work)
      : work_(std::move(work)), results_(count), window_(window < 1 ? 1 : window) {
    threads_.reserve(threads);
    for (unsigned t = 0; t < threads; ++t) threads_.emplace_back([this] { run(); });
  }
  OrderedPool(const OrderedPool&) = delete;
  OrderedPool& operator=(const OrderedPool&) = delete;
  ~OrderedPool() {
    stop();
    for (std::thread& thread : threads_) thread.join();
  }

  // The result of item `index`, once it is there, or nullptr when `limit`
  // passed first. It stays the pool's until release(index).
  Result* wait(std::size_t index, std::chrono::milliseconds limit) {
    std::unique_lock lock(mutex_);
    done_.wait_for(lock, limit, [&] { return results_[index] != nullptr || failure_ != nullptr; });
    if (failure_ != nullptr) std::rethrow_exception(failure_);
    return results_[index].get();
  }

  // Frees the results up to and including `index`, letting the threads go on.
  void release(std::size_t index) {
    {
      std::lock_guard lock(mutex_);
      for (; released_ <= index && released_ < results_.size(); ++released_) results_[released_].reset();
    }
    room_.notify_all();
  }

  // Tells the work to give up and the threads to take no more items.
  void stop() {
    stopping_.store(true, std::memory_order_relaxed);
    room_.notify_all();
  }
  bool stopRequested() const { return stopping_.load(std::memory_order_relaxed); }

 private:
  void run() {
    for (;;) {
      const std::size_t index = next_.fetch_add(1, std::memory_order_relaxed);
      if (index >= results_.size()) return;
      {
        std::unique_lock lock(mutex_);
        room_.wait(lock, [&] { return stopRequested() || index < released_ + window_; });
      }
      if (stopRequested()) return;
      std::unique_ptr<Result> result;
      try {
        result = std::make_unique<Result>(work_(index));
      } catch (...) {
        std::lock_guard lock(mutex_);
        if (failure_ == nullptr) failure_ = std::current_exception();
        done_.notify_all();
        return;
      }
      {
        std::lock_guard lock(mutex_);
        results_[index] = std::move(result);
      }
      done_.notify_all();
    }
  }

  Work work_;
  std::vector<std::unique_ptr<Result>> results_;
  const std::size_t window_;
  std::atomic<std::size_t> next_{0};
  std::atomic<bool> stopping_{false};
  std::mutex mutex_;
  std::condition_variable done_;
  std::condition_variable room_;
  std::size_t released_ = 0;
  std::exception_ptr failure_;
  std::vector<std::thread> threads_;  // last: the threads start once the rest is set up
};

}  // namespace quillorn
