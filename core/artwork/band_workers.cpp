#include "core/artwork/band_workers.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace tintloom {

namespace {

// Workers are started on first use and kept: starting threads for every
// composition would cost more than a small one takes.
class TBandWorkers {
 public:
  ~TBandWorkers() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    start_.notify_all();
    for (std::thread& t : threads_) t.join();
  }

  void Run(std::size_t count, unsigned threads, TBandJob job, const void* context) {
    std::unique_lock<std::mutex> lock(mutex_);
    Grow(threads - 1);
    const unsigned helpers = std::min<unsigned>(threads - 1, static_cast<unsigned>(threads_.size()));
    job_ = job;
    context_ = context;
    count_ = count;
    next_.store(0);
    wanted_ = helpers;
    running_ = helpers;
    ++generation_;
    lock.unlock();
    start_.notify_all();
    Work(callerScratch_);
    lock.lock();
    done_.wait(lock, [this] { return running_ == 0; });
  }

 private:
  void Grow(unsigned workers) {
    while (threads_.size() < workers) {
      const unsigned index = static_cast<unsigned>(threads_.size());
      threads_.emplace_back([this, index] { Loop(index); });
    }
  }

  void Work(std::vector<std::uint8_t>& scratch) {
    for (std::size_t band = next_.fetch_add(1); band < count_; band = next_.fetch_add(1)) {
      job_(context_, band, scratch);
    }
  }

  void Loop(unsigned index) {
    std::vector<std::uint8_t> scratch;
    std::uint64_t seen = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      start_.wait(lock, [&] { return stopping_ || (generation_ != seen && index < wanted_); });
      if (stopping_) return;
      seen = generation_;
      lock.unlock();
      Work(scratch);
      lock.lock();
      if (--running_ == 0) done_.notify_one();
    }
  }

  std::mutex mutex_;
  std::condition_variable start_, done_;
  std::vector<std::thread> threads_;
  std::vector<std::uint8_t> callerScratch_;
  TBandJob job_ = nullptr;
  const void* context_ = nullptr;
  std::size_t count_ = 0;
  std::atomic<std::size_t> next_{0};
  unsigned wanted_ = 0, running_ = 0;
  std::uint64_t generation_ = 0;
  bool stopping_ = false;
};

}  // namespace

void RunBands(std::size_t count, unsigned threads, TBandJob job, const void* context) {
  if (threads <= 1 || count <= 1) {
    static thread_local std::vector<std::uint8_t> scratch;
    for (std::size_t band = 0; band < count; ++band) job(context, band, scratch);
    return;
  }
  static TBandWorkers workers;
  workers.Run(count, threads, job, context);
}

unsigned CompositionThreads() {
  const unsigned processors = std::thread::hardware_concurrency();
  return std::clamp(processors, 1u, 4u);
}

}  // namespace tintloom
