#include "core/pack/ParallelBzip2Compressor.h"

#include "core/methods/Codecs.h"
#include "core/ZipError.h"

#include <algorithm>
#include <utility>

namespace zipcore {
namespace {

int BlockSizeForLevel(int level) { return level <= 0 ? 9 : std::min(level, 9); }

std::shared_ptr<Bzip2BlockJob> JobFor(Bzip2BlockData block, int blockSize100k) {
  auto job = std::make_shared<Bzip2BlockJob>();
  job->input = std::move(block);
  job->blockSize100k = blockSize100k;
  return job;
}

} // namespace

ParallelBzip2Compressor::ParallelBzip2Compressor(int level, std::shared_ptr<Bzip2EncoderPool> pool)
    : blockSize100k_(BlockSizeForLevel(level)),
      pool_(std::move(pool)),
      maxInFlight_(2 * static_cast<std::size_t>(pool_->Threads())),
      splitter_(blockSize100k_),
      joiner_(blockSize100k_) {}

ParallelBzip2Compressor::~ParallelBzip2Compressor() {
  // An abandoned entry: blocks not started are not compressed; running ones own their data, and
  // nothing of this object is left for them to touch.
  for (const auto& job : inFlight_) pool_->Cancel(*job);
}

void ParallelBzip2Compressor::Write(const std::uint8_t* data, std::size_t length, ByteSink& out) {
  if (ended_) throw ZipError(ZipErrorKind::Usage, "bzip2 input written after its end");
  while (length > 0) {
    // Small slices keep the number of complete blocks waiting in the splitter at one or two.
    std::size_t slice = std::min<std::size_t>(length, kCodecChunk);
    splitter_.Append(data, slice);
    while (splitter_.HasCompleteBlock()) Submit(JobFor(splitter_.TakeCompleteBlock(), blockSize100k_), out);
    data += slice;
    length -= slice;
  }
  // Pass on whatever has been finished meanwhile, without waiting.
  while (!inFlight_.empty() && pool_->IsDone(*inFlight_.front())) EmitOldest(out);
}

void ParallelBzip2Compressor::EndInput(ByteSink& out) {
  if (ended_) return;
  ended_ = true;
  Bzip2BlockData last = splitter_.TakeLastBlock();
  if (!last.Empty()) Submit(JobFor(std::move(last), blockSize100k_), out);
}

void ParallelBzip2Compressor::WriteAllAndEnd(std::shared_ptr<const std::vector<std::uint8_t>> data, ByteSink& out) {
  if (ended_) throw ZipError(ZipErrorKind::Usage, "bzip2 input written after its end");
  if (data->empty() || !Bzip2BlockSplitter::FitsOneBlock(data->size(), blockSize100k_)) {
    Write(data->data(), data->size(), out);
    EndInput(out);
    return;
  }
  ended_ = true;
  auto job = std::make_shared<Bzip2BlockJob>();
  job->plainInput = std::move(data);
  job->blockSize100k = blockSize100k_;
  Submit(std::move(job), out);
}

bool ParallelBzip2Compressor::Idle() const {
  for (const auto& job : inFlight_) {
    if (!pool_->IsDone(*job)) return false;
  }
  return true;
}

void ParallelBzip2Compressor::WaitUntilIdle() {
  for (const auto& job : inFlight_) pool_->Wait(*job);
}

void ParallelBzip2Compressor::Finish(ByteSink& out) {
  EndInput(out);
  while (!inFlight_.empty()) EmitOldest(out);
  joiner_.Finish();
  Flush(out);
}

void ParallelBzip2Compressor::Submit(std::shared_ptr<Bzip2BlockJob> job, ByteSink& out) {
  while (inFlight_.size() >= maxInFlight_) EmitOldest(out);
  inFlight_.push_back(job);
  pool_->Submit(std::move(job));
}

void ParallelBzip2Compressor::EmitOldest(ByteSink& out) {
  std::shared_ptr<Bzip2BlockJob> job = inFlight_.front();
  pool_->Wait(*job);
  inFlight_.pop_front();
  if (job->error) std::rethrow_exception(job->error);
  joiner_.AddBlock(job->bits);
  Flush(out);
}

void ParallelBzip2Compressor::Flush(ByteSink& out) {
  std::vector<std::uint8_t>& bytes = joiner_.Output();
  for (std::size_t at = 0; at < bytes.size(); at += kCodecChunk)
    out.Put(bytes.data() + at, std::min(kCodecChunk, bytes.size() - at));
  bytes.clear();
}

} // namespace zipcore
