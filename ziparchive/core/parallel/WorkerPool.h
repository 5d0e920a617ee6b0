// A fixed set of worker threads running tasks in the order they were submitted. Each task is waited
// for, or cancelled, through the ticket that Submit returns.
//
// A task is released (with everything it captured) as soon as it has run, been cancelled or been
// dropped by a stopping pool, never later: a task may thus capture an object that keeps its own
// ticket without the two keeping each other alive.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace zipcore {

class WorkerPool {
public:
  class Ticket {
    friend class WorkerPool;
    std::function<void()> task;
    bool done = false;    // guarded by the pool's lock
    bool awaited = false; // someone waits for it (the pool's lock): only then is its end announced
  };

  // threads: at least 1.
  explicit WorkerPool(unsigned threads);
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;
  // Tasks not started yet are dropped; running ones are finished first.
  ~WorkerPool();

  // The processor's cores, at least 1 and at most 8.
  static unsigned DefaultThreads();

  unsigned Threads() const { return static_cast<unsigned>(workers_.size()); }
  // The task must not throw: it reports failures through its own data.
  std::shared_ptr<Ticket> Submit(std::function<void()> task);
  void Wait(Ticket& ticket);
  bool IsDone(const Ticket& ticket);
  // Drops the task if no worker has started it (it then never runs, and the ticket counts as done);
  // a running task goes on, and is released when it ends.
  void Cancel(Ticket& ticket);

private:
  void Work();

  std::mutex lock_;
  std::condition_variable taskAdded_;
  std::condition_variable taskDone_;
  std::deque<std::shared_ptr<Ticket>> queue_;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

} // namespace zipcore
