#include "core/parallel/WorkerPool.h"

#include <algorithm>

namespace zipcore {

WorkerPool::WorkerPool(unsigned threads) {
  threads = std::max(threads, 1u);
  workers_.reserve(threads);
  for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
}

unsigned WorkerPool::DefaultThreads() {
  unsigned cores = std::thread::hardware_concurrency();
  return std::min(std::max(cores, 1u), 8u);
}

WorkerPool::~WorkerPool() {
  std::deque<std::shared_ptr<Ticket>> dropped;
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
    dropped.swap(queue_);
    for (const auto& ticket : dropped) ticket->done = true;
  }
  taskAdded_.notify_all();
  // Released outside the lock: what a task captured may hold tickets of its own.
  for (const auto& ticket : dropped) ticket->task = nullptr;
  for (std::thread& worker : workers_) worker.join();
}

std::shared_ptr<WorkerPool::Ticket> WorkerPool::Submit(std::function<void()> task) {
  auto ticket = std::make_shared<Ticket>();
  ticket->task = std::move(task);
  {
    std::lock_guard<std::mutex> hold(lock_);
    queue_.push_back(ticket);
  }
  taskAdded_.notify_one();
  return ticket;
}

void WorkerPool::Wait(Ticket& ticket) {
  std::unique_lock<std::mutex> hold(lock_);
  ticket.awaited = true;
  taskDone_.wait(hold, [&] { return ticket.done; });
}

bool WorkerPool::IsDone(const Ticket& ticket) {
  std::lock_guard<std::mutex> hold(lock_);
  return ticket.done;
}

void WorkerPool::Cancel(Ticket& ticket) {
  std::function<void()> task;
  {
    std::lock_guard<std::mutex> hold(lock_);
    auto queued = std::find_if(queue_.begin(), queue_.end(), [&](const auto& item) { return item.get() == &ticket; });
    if (queued == queue_.end()) return; // running or done: its worker releases it
    task = std::move(ticket.task);
    ticket.done = true;
    queue_.erase(queued);
  }
  taskDone_.notify_all();
} // `task` is released here, outside the lock

void WorkerPool::Work() {
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    taskAdded_.wait(hold, [&] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    std::shared_ptr<Ticket> ticket = std::move(queue_.front());
    queue_.pop_front();
    hold.unlock();
    ticket->task();
    ticket->task = nullptr; // releases what the task held
    hold.lock();
    ticket->done = true;
    // Waking the waiters for every task would wake a writer waiting for one file once per file.
    if (ticket->awaited) taskDone_.notify_all();
  }
}

} // namespace zipcore
