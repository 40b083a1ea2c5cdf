// Work on several threads whose results are taken in order: item i is
// worked on a worker thread into a slot, and taken on the calling thread
// once it and every item before it are done. The conversions use it to
// read and convert on every core while one thread writes the outputs in
// input order.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace quillon {

// How many threads a run uses: `asked` when above 0, else one per core;
// never more than there are items.
inline size_t worker_count(int asked, size_t items) {
  const size_t cores = std::max(1u, std::thread::hardware_concurrency());
  return std::min<size_t>(asked > 0 ? static_cast<size_t>(asked) : cores, items);
}

// Runs work(i, slot) for every i in [0, count) and take(i, slot) after it,
// take in strictly ascending i on the calling thread. With `jobs` above 1,
// `jobs` worker threads run `work` ahead on a ring of jobs + 2 slots (so at
// most that many items are in memory at once); otherwise, or when no thread
// can be started, both run here one item after the other. A slot is reused:
// `work` finds in it what an earlier item left (buffers keep their room).
// An exception of work(i) is thrown here when item i's turn to be taken
// comes, so the items before it are taken and none after it; an exception
// of take() ends the run at once. Either way the workers are stopped and
// joined before run_in_order returns or throws.
template <class Slot>
void run_in_order(size_t count, size_t jobs, const std::function<void(size_t, Slot&)>& work,
                  const std::function<void(size_t, Slot&)>& take) {
  struct Ring {
    struct Entry {
      Slot slot;
      std::exception_ptr error;
      bool worked = false;
    };
    std::vector<Entry> entries;
    std::mutex mutex;  // guards what follows and the entries' `worked`
    std::condition_variable free, worked;
    size_t taken_by_workers = 0;  // items a worker has started
    size_t done = 0;              // items taken here
    bool stop = false;
    std::vector<std::thread> threads;

    ~Ring() {
      {
        std::lock_guard lock(mutex);
        stop = true;
      }
      free.notify_all();
      for (std::thread& t : threads) t.join();
    }
  };
  if (jobs > 1 && count > 1) {
    Ring ring;
    ring.entries.resize(jobs + 2);
    const size_t ring_size = ring.entries.size();
    auto worker = [&] {
      std::unique_lock lock(ring.mutex);
      for (;;) {
        ring.free.wait(lock, [&] {
          return ring.stop || ring.taken_by_workers == count ||
                 ring.taken_by_workers < ring.done + ring_size;
        });
        if (ring.stop || ring.taken_by_workers == count) return;
        const size_t i = ring.taken_by_workers++;
        auto& e = ring.entries[i % ring_size];
        lock.unlock();
        e.error = nullptr;
        try {
          work(i, e.slot);
        } catch (...) {
          e.error = std::current_exception();
        }
        lock.lock();
        e.worked = true;
        ring.worked.notify_one();
      }
    };
    for (size_t t = 0; t < jobs; ++t) {
      try {
        ring.threads.emplace_back(worker);
      } catch (const std::system_error&) {
        break;  // fewer threads then
      }
    }
    if (!ring.threads.empty()) {
      for (size_t i = 0; i < count; ++i) {
        auto& e = ring.entries[i % ring_size];
        {
          std::unique_lock lock(ring.mutex);
          ring.worked.wait(lock, [&] { return e.worked; });
        }
        if (e.error) std::rethrow_exception(e.error);
        take(i, e.slot);
        {
          std::lock_guard lock(ring.mutex);
          e.worked = false;
          ring.done = i + 1;
        }
        ring.free.notify_all();
      }
      return;
    }
  }
  Slot slot;
  for (size_t i = 0; i < count; ++i) {
    work(i, slot);
    take(i, slot);
  }
}

}  // namespace quillon
