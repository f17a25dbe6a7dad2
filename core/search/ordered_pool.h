#pragma once
// Work on items 0 to count - 1 done by a pool of threads, handed back to the
// calling thread in item order. Each thread takes the next item nobody has
// taken (one atomic step), works on it alone and publishes the result with
// one atomic store; the lock is taken only to wake a thread that sleeps. The
// calling thread is one of the pool's threads: while the result it waits for
// is not there, it works on the next item itself, and it sleeps only when
// every item is taken. It waits with a time limit so that it can attend to
// its window and its stop key meanwhile.
//
// The threads run at most `window` items ahead of the oldest result not yet
// released, so that the results waiting hold a bounded memory.
//
// Known limits: a stop lets each thread finish the item in its hands (the
// work should look at stopRequested() and give up early); a work that throws
// makes wait() throw the same exception on the calling thread.

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
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

  // `threads` counts the calling thread: threads - 1 are started.
  OrderedPool(std::size_t count, unsigned threads, std::size_t window, Work work)
      : work_(std::move(work)), results_(count), states_(count), window_(window < 1 ? 1 : window) {
    const unsigned started = threads > 1 ? threads - 1 : 0;
    threads_.reserve(started);
    for (unsigned t = 0; t < started; ++t) threads_.emplace_back([this] { run(); });
  }
  OrderedPool(const OrderedPool&) = delete;
  OrderedPool& operator=(const OrderedPool&) = delete;
  ~OrderedPool() {
    stop();
    for (std::thread& thread : threads_) thread.join();
  }

  // The result of item `index` (not released yet), once it is there, or
  // nullptr when `limit` passed first. It stays the pool's until release().
  Result* wait(std::size_t index, std::chrono::milliseconds limit) {
    const auto deadline = std::chrono::steady_clock::now() + limit;
    for (;;) {
      if (states_[index].load(std::memory_order_acquire) == kReady) return results_[index].get();
      throwFailure();
      if (!stopRequested() && workOnNext(false)) {
        if (std::chrono::steady_clock::now() >= deadline) return nullptr;
        continue;
      }
      std::unique_lock lock(mutex_);
      sleepers_.fetch_add(1, std::memory_order_seq_cst);
      done_.wait_until(lock, deadline, [&] {
        return states_[index].load(std::memory_order_seq_cst) == kReady || failed_.load() || stopRequested();
      });
      sleepers_.fetch_sub(1, std::memory_order_seq_cst);
      if (states_[index].load(std::memory_order_acquire) == kReady) return results_[index].get();
      throwFailure();
      if (stopRequested() || std::chrono::steady_clock::now() >= deadline) return nullptr;
    }
  }

  // Frees the results up to and including `index` (those still being made
  // are freed when they are done), letting the threads go on.
  void release(std::size_t index) {
    std::size_t from = released_.load(std::memory_order_relaxed);
    for (; from <= index && from < results_.size(); ++from) {
      // Whoever comes second, the maker or this, frees the result.
      if (states_[from].exchange(kReleased, std::memory_order_acq_rel) == kReady) results_[from].reset();
    }
    released_.store(from, std::memory_order_seq_cst);
    if (roomWaiters_.load(std::memory_order_seq_cst) > 0) {
      std::lock_guard lock(mutex_);
      room_.notify_all();
    }
  }

  // Tells the work to give up and the threads to take no more items.
  void stop() {
    stopping_.store(true, std::memory_order_seq_cst);
    std::lock_guard lock(mutex_);
    room_.notify_all();
    done_.notify_all();
  }
  bool stopRequested() const { return stopping_.load(std::memory_order_relaxed); }

 private:
  static constexpr std::uint8_t kPending = 0;
  static constexpr std::uint8_t kReady = 1;
  static constexpr std::uint8_t kReleased = 2;

  void run() {
    while (!stopRequested() && workOnNext(true)) {
    }
  }

  // Takes the next item and works on it; false when none is left (or, for
  // the calling thread, none within the window). A started thread waits for
  // room in the window; the calling thread, which makes that room, never does.
  bool workOnNext(bool mayWaitForRoom) {
    std::size_t index = next_.load(std::memory_order_relaxed);
    for (;;) {
      if (index >= results_.size()) return false;
      if (!mayWaitForRoom && index >= released_.load(std::memory_order_seq_cst) + window_) return false;
      if (next_.compare_exchange_weak(index, index + 1, std::memory_order_relaxed)) break;
    }
    if (index >= released_.load(std::memory_order_seq_cst) + window_) {
      std::unique_lock lock(mutex_);
      roomWaiters_.fetch_add(1, std::memory_order_seq_cst);
      room_.wait(lock, [&] { return stopRequested() || index < released_.load(std::memory_order_seq_cst) + window_; });
      roomWaiters_.fetch_sub(1, std::memory_order_seq_cst);
    }
    if (stopRequested()) return false;
    try {
      results_[index] = std::make_unique<Result>(work_(index));
    } catch (...) {
      std::lock_guard lock(mutex_);
      if (!failed_.load()) failure_ = std::current_exception();
      failed_.store(true);
      done_.notify_all();
      return false;
    }
    if (states_[index].exchange(kReady, std::memory_order_seq_cst) == kReleased) results_[index].reset();
    if (sleepers_.load(std::memory_order_seq_cst) > 0) {
      std::lock_guard lock(mutex_);
      done_.notify_all();
    }
    return true;
  }

  void throwFailure() {
    if (!failed_.load()) return;
    std::lock_guard lock(mutex_);
    std::rethrow_exception(failure_);
  }

  Work work_;
  std::vector<std::unique_ptr<Result>> results_;
  std::vector<std::atomic<std::uint8_t>> states_;
  const std::size_t window_;
  std::atomic<std::size_t> next_{0};
  std::atomic<std::size_t> released_{0};
  std::atomic<bool> stopping_{false};
  std::atomic<bool> failed_{false};
  std::atomic<int> sleepers_{0};
  std::atomic<int> roomWaiters_{0};
  std::mutex mutex_;
  std::condition_variable done_;
  std::condition_variable room_;
  std::exception_ptr failure_;
  std::vector<std::thread> threads_;  // last: the threads start once the rest is set up
};

}  // namespace quillorn
