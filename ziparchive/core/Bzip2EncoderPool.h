// A fixed set of worker threads that compress bzip2 blocks. Blocks of several entries (and several
// compressors) can share one pool; each job is waited for by the compressor that submitted it.
#pragma once

#include "core/Bzip2BlockSplitter.h"
#include "core/Bzip2StreamJoiner.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace zipcore {

struct Bzip2BlockJob {
  Bzip2BlockData input;
  int blockSize100k = 9;
  // Filled by the worker: the one-block stream, and where its block lies in it.
  std::vector<std::uint8_t> stream;
  Bzip2BlockBits bits;
  std::exception_ptr error;
  bool done = false; // guarded by the pool's lock
};

class Bzip2EncoderPool {
public:
  // threads: at least 1.
  explicit Bzip2EncoderPool(unsigned threads);
  Bzip2EncoderPool(const Bzip2EncoderPool&) = delete;
  Bzip2EncoderPool& operator=(const Bzip2EncoderPool&) = delete;
  // Jobs not started yet are dropped; running ones are finished first.
  ~Bzip2EncoderPool();

  // The processor's cores, at least 1 and at most 8.
  static unsigned DefaultThreads();

  unsigned Threads() const { return static_cast<unsigned>(workers_.size()); }
  void Submit(std::shared_ptr<Bzip2BlockJob> job);
  void Wait(const Bzip2BlockJob& job);
  bool IsDone(const Bzip2BlockJob& job);

private:
  void Work();

  std::mutex lock_;
  std::condition_variable jobAdded_;
  std::condition_variable jobDone_;
  std::deque<std::shared_ptr<Bzip2BlockJob>> queue_;
  bool stopping_ = false;
  std::vector<std::thread> workers_;
};

} // namespace zipcore
