#include "core/pack/Bzip2EncoderPool.h"

#include "core/bzip2/Bzip2BlockEncoder.h"
#include "core/ZipError.h"

#include <algorithm>
#include <thread>

namespace zipcore {

Bzip2EncoderPool::Bzip2EncoderPool(unsigned threads, std::uint64_t ownEncoderBelow)
    : ownEncoderBelow_(ownEncoderBelow), workers_(threads) {
  idleEncoders_.reserve(workers_.Threads()); // returning an encoder then never allocates
}

Bzip2EncoderPool::~Bzip2EncoderPool() = default;

unsigned Bzip2EncoderPool::DefaultThreads() { return WorkerPool::DefaultThreads(); }

void Bzip2EncoderPool::Submit(std::shared_ptr<Bzip2BlockJob> job) {
  Bzip2BlockJob& submitted = *job;
  submitted.ticket = workers_.Submit([this, job] { Encode(*job); });
}

void Bzip2EncoderPool::Wait(const Bzip2BlockJob& job) { workers_.Wait(*job.ticket); }

bool Bzip2EncoderPool::IsDone(const Bzip2BlockJob& job) { return workers_.IsDone(*job.ticket); }

void Bzip2EncoderPool::Cancel(Bzip2BlockJob& job) { workers_.Cancel(*job.ticket); }

void Bzip2EncoderPool::Encode(Bzip2BlockJob& job) {
  std::unique_ptr<Bzip2BlockEncoder> encoder;
  {
    std::lock_guard<std::mutex> hold(encodersLock_);
    if (!idleEncoders_.empty()) {
      encoder = std::move(idleEncoders_.back());
      idleEncoders_.pop_back();
    }
  }
  try {
    if (!encoder) encoder = std::make_unique<Bzip2BlockEncoder>(ownEncoderBelow_);
    if (job.plainInput) {
      encoder->Encode(job.plainInput->data(), job.plainInput->size(), job.blockSize100k, job.stream);
    } else {
      encoder->Encode(job.input, job.blockSize100k, job.stream);
    }
    if (!FindBzip2Block(job.stream.data(), job.stream.size(), job.bits))
      throw ZipError(ZipErrorKind::Usage, "the bzip2 encoder wrote an unexpected stream");
    job.input = Bzip2BlockData(); // its memory is not needed any more
    job.plainInput.reset();
  } catch (...) {
    job.error = std::current_exception();
  }
  if (encoder) {
    std::lock_guard<std::mutex> hold(encodersLock_);
    idleEncoders_.push_back(std::move(encoder));
  }
}

} // namespace zipcore
