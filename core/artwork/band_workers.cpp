#include "core/artwork/band_workers.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace tintloom {

namespace {

// Spins for up to `limit` while `waiting` holds, so that work arriving (or
// finishing) within it is taken up without the wake-up of a sleeping thread,
// which costs as much as a small composition's share. Compositions come in
// runs (every step of a drag, the pick image and the artwork at a load).
template <class Waiting>
void SpinWhile(Waiting waiting, std::chrono::microseconds limit) {
  const auto until = std::chrono::steady_clock::now() + limit;
  for (unsigned spins = 1; waiting(); ++spins) {
#if defined(__x86_64__)
    __builtin_ia32_pause();
#endif
    // Now and then the clock is read (it costs more than a pause) and the
    // processor offered to any other thread waiting for it: on a busy
    // machine that may be the very thread this one waits for.
    if (spins % 64 == 0) {
      if (std::chrono::steady_clock::now() > until) return;
      std::this_thread::yield();
    }
  }
}

constexpr std::chrono::microseconds kWorkerSpin{200}, kCallerSpin{100};

// Scratch is kept from run to run, as bands of one surface need the same
// again; the rare run that needed much more (a layer of a strange width in
// a file being opened) gives it back rather than hold it for good.
void ReleaseLargeScratch(std::vector<std::uint8_t>& scratch) {
  constexpr std::size_t kKept = std::size_t{16} << 20;
  if (scratch.capacity() > kKept) scratch = {};
}

// Workers are started on first use and kept: starting threads for every
// composition would cost more than a small one takes. One run uses them at
// a time (RunBands sees to it).
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
    running_.store(helpers);
    generation_.fetch_add(1);
    lock.unlock();
    start_.notify_all();
    Work(callerScratch_);
    SpinWhile([this] { return running_.load() != 0; }, kCallerSpin);
    lock.lock();
    done_.wait(lock, [this] { return running_.load() == 0; });
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
    ReleaseLargeScratch(scratch);
  }

  void Loop(unsigned index) {
    std::vector<std::uint8_t> scratch;
    std::uint64_t seen = 0;
    for (;;) {
      SpinWhile([&] { return generation_.load() == seen && !stopping_.load(); }, kWorkerSpin);
      {
        std::unique_lock<std::mutex> lock(mutex_);
        start_.wait(lock, [&] { return stopping_.load() || (generation_.load() != seen && index < wanted_); });
        if (stopping_.load()) return;
        seen = generation_.load();
      }
      Work(scratch);
      if (running_.fetch_sub(1) == 1) {
        // Under the lock, so the caller cannot miss it between its check
        // and its wait.
        std::lock_guard<std::mutex> lock(mutex_);
        done_.notify_one();
      }
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
  unsigned wanted_ = 0;
  std::atomic<unsigned> running_{0};
  std::atomic<std::uint64_t> generation_{0};
  std::atomic<bool> stopping_{false};
};

}  // namespace

void RunBands(std::size_t count, unsigned threads, TBandJob job, const void* context) {
  const auto alone = [&] {
    static thread_local std::vector<std::uint8_t> scratch;
    for (std::size_t band = 0; band < count; ++band) job(context, band, scratch);
    ReleaseLargeScratch(scratch);
  };
  if (threads <= 1 || count <= 1) {
    alone();
    return;
  }
  static TBandWorkers workers;
  // The workers serve one run at a time. Artwork being read again in the
  // background may ask while the canvas is composed: whichever comes second
  // works its bands alone rather than wait, with the same bytes.
  static std::mutex inUse;
  const std::unique_lock<std::mutex> mine(inUse, std::try_to_lock);
  if (!mine.owns_lock()) {
    alone();
    return;
  }
  workers.Run(count, threads, job, context);
}

unsigned CompositionThreads() {
  const unsigned processors = std::thread::hardware_concurrency();
  return std::clamp(processors, 1u, 4u);
}

}  // namespace tintloom
