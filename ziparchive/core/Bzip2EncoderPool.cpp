#include "core/Bzip2EncoderPool.h"

#include "core/Bzip2BlockEncoder.h"
#include "core/ZipError.h"

#include <algorithm>

namespace zipcore {

Bzip2EncoderPool::Bzip2EncoderPool(unsigned threads) {
  threads = std::max(threads, 1u);
  workers_.reserve(threads);
  for (unsigned i = 0; i < threads; ++i) workers_.emplace_back([this] { Work(); });
}

Bzip2EncoderPool::~Bzip2EncoderPool() {
  {
    std::lock_guard<std::mutex> hold(lock_);
    stopping_ = true;
    queue_.clear();
  }
  jobAdded_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

unsigned Bzip2EncoderPool::DefaultThreads() {
  unsigned cores = std::thread::hardware_concurrency();
  return std::min(std::max(cores, 1u), 8u);
}

void Bzip2EncoderPool::Submit(std::shared_ptr<Bzip2BlockJob> job) {
  {
    std::lock_guard<std::mutex> hold(lock_);
    queue_.push_back(std::move(job));
  }
  jobAdded_.notify_one();
}

void Bzip2EncoderPool::Wait(const Bzip2BlockJob& job) {
  std::unique_lock<std::mutex> hold(lock_);
  jobDone_.wait(hold, [&] { return job.done; });
}

bool Bzip2EncoderPool::IsDone(const Bzip2BlockJob& job) {
  std::lock_guard<std::mutex> hold(lock_);
  return job.done;
}

void Bzip2EncoderPool::Work() {
  Bzip2BlockEncoder encoder;
  std::unique_lock<std::mutex> hold(lock_);
  for (;;) {
    jobAdded_.wait(hold, [&] { return stopping_ || !queue_.empty(); });
    if (stopping_) return;
    std::shared_ptr<Bzip2BlockJob> job = std::move(queue_.front());
    queue_.pop_front();
    hold.unlock();
    try {
      encoder.Encode(job->input, job->blockSize100k, job->stream);
      if (!FindBzip2Block(job->stream.data(), job->stream.size(), job->bits))
        throw ZipError(ZipErrorKind::Usage, "libbz2 wrote an unexpected bzip2 stream");
      job->input = Bzip2BlockData(); // its memory is not needed any more
    } catch (...) {
      job->error = std::current_exception();
    }
    hold.lock();
    job->done = true;
    jobDone_.notify_all();
  }
}

} // namespace zipcore
