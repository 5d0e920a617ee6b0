#include "core/pack/BackgroundEntries.h"

#include "core/pack/Bzip2EncoderPool.h"
#include "core/methods/Codec.h"
#include "core/pack/ParallelBzip2Compressor.h"
#include "core/ZipFormat.h"

namespace zipcore {
namespace {

// At most this many bytes of files (and kMaxPerThread entries per worker) wait to be written. The
// entries wait in order: while one worker compresses a file of a megabyte, the others go on only with
// the small files queued behind it, so the count allows many (4 per worker left a core idle a tenth
// of the time on a source tree).
constexpr std::uint64_t kMaxBytes = 16u << 20;
constexpr std::size_t kMaxPerThread = 64;

class MemorySink : public ByteSink {
public:
  void Put(const std::uint8_t* data, std::size_t length) override { bytes.insert(bytes.end(), data, data + length); }
  std::vector<std::uint8_t> bytes;
};

} // namespace

struct BackgroundEntries::Pending {
  ZipEntry entry;
  std::string diskPath;
  // Kept only to store the file if compressing does not help. Shared with the compressor's worker,
  // which lets go of it before its job counts as done.
  std::shared_ptr<std::vector<std::uint8_t>> data;
  std::unique_ptr<ParallelBzip2Compressor> compressor;
  MemorySink compressed;
  bool storeIfNotSmaller = false;
  std::uint64_t cost = 0;
};

BackgroundEntries::BackgroundEntries() = default;
BackgroundEntries::~BackgroundEntries() = default;

void BackgroundEntries::Add(ZipEntry entry, std::string diskPath, std::vector<std::uint8_t> data, int level,
                            bool storeIfNotSmaller, const std::shared_ptr<Bzip2EncoderPool>& pool) {
  auto pending = std::make_unique<Pending>();
  pending->storeIfNotSmaller = storeIfNotSmaller;
  pending->cost = 2 * static_cast<std::uint64_t>(data.size());
  auto shared = std::make_shared<std::vector<std::uint8_t>>(std::move(data));
  if (entry.method != kMethodStored) {
    pending->compressor = std::make_unique<ParallelBzip2Compressor>(level, pool);
    pending->compressor->WriteAllAndEnd(shared, pending->compressed);
  }
  if (entry.method == kMethodStored || storeIfNotSmaller) pending->data = std::move(shared);
  pending->entry = std::move(entry);
  pending->diskPath = std::move(diskPath);
  bytes_ += pending->cost;
  pending_.push_back(std::move(pending));
}

bool BackgroundEntries::OldestReady() const {
  const Pending& oldest = *pending_.front();
  return !oldest.compressor || oldest.compressor->Idle();
}

void BackgroundEntries::WaitUntilReady(std::size_t index) {
  Pending& pending = *pending_.at(index);
  if (pending.compressor) pending.compressor->WaitUntilIdle();
}

bool BackgroundEntries::OverLimit(std::size_t threads) const {
  return pending_.size() > kMaxPerThread * threads || bytes_ > kMaxBytes;
}

const std::string& BackgroundEntries::OldestPath() const { return pending_.front()->diskPath; }

BackgroundEntries::Finished BackgroundEntries::TakeOldest() {
  std::unique_ptr<Pending> pending = std::move(pending_.front());
  pending_.pop_front();
  bytes_ -= pending->cost;
  Finished finished{std::move(pending->entry), {}};
  if (pending->compressor) {
    pending->compressor->Finish(pending->compressed);
    if (pending->storeIfNotSmaller && pending->compressed.bytes.size() >= finished.entry.uncompressedSize) {
      finished.entry.method = kMethodStored;
      finished.data = std::move(*pending->data);
    } else {
      finished.data = std::move(pending->compressed.bytes);
    }
  } else {
    finished.data = std::move(*pending->data);
  }
  finished.entry.compressedSize = finished.data.size();
  return finished;
}

void BackgroundEntries::Clear() {
  pending_.clear();
  bytes_ = 0;
}

} // namespace zipcore
