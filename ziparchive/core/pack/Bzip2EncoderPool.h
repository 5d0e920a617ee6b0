// Worker threads that compress bzip2 blocks. Blocks of several entries (and several compressors)
// can share one pool; each job is waited for by the compressor that submitted it.
#pragma once

#include "core/bzip2/Bzip2BlockEncoder.h"
#include "core/bzip2/Bzip2BlockSplitter.h"
#include "core/bzip2/Bzip2StreamJoiner.h"
#include "core/parallel/WorkerPool.h"

#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <vector>

namespace zipcore {

struct Bzip2BlockJob {
  Bzip2BlockData input;
  // Or, when set, the input as plain bytes (an entry's whole data), shared with whoever keeps them.
  std::shared_ptr<const std::vector<std::uint8_t>> plainInput;
  int blockSize100k = 9;
  // Filled by the worker: the one-block stream, and where its block lies in it.
  std::vector<std::uint8_t> stream;
  Bzip2BlockBits bits;
  std::exception_ptr error;
  std::shared_ptr<WorkerPool::Ticket> ticket; // set by Submit
};

class Bzip2EncoderPool {
public:
  // threads: at least 1. ownEncoderBelow: see Bzip2BlockEncoder.
  explicit Bzip2EncoderPool(unsigned threads, std::uint64_t ownEncoderBelow = Bzip2BlockEncoder::kOwnEncoderBelow);
  Bzip2EncoderPool(const Bzip2EncoderPool&) = delete;
  Bzip2EncoderPool& operator=(const Bzip2EncoderPool&) = delete;
  // Jobs not started yet are dropped; running ones are finished first.
  ~Bzip2EncoderPool();

  // As many as WorkerPool::DefaultThreads.
  static unsigned DefaultThreads();

  unsigned Threads() const { return workers_.Threads(); }
  void Submit(std::shared_ptr<Bzip2BlockJob> job);
  void Wait(const Bzip2BlockJob& job);
  bool IsDone(const Bzip2BlockJob& job);
  // The job is dropped unless a worker has started it (see WorkerPool::Cancel).
  void Cancel(Bzip2BlockJob& job);

private:
  void Encode(Bzip2BlockJob& job);

  std::uint64_t ownEncoderBelow_;
  // Encoders keep their output buffers from block to block; at most one per running task.
  std::mutex encodersLock_;
  std::vector<std::unique_ptr<Bzip2BlockEncoder>> idleEncoders_;
  WorkerPool workers_; // last: stopped before the encoders go
};

} // namespace zipcore
