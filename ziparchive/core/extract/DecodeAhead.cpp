#include "core/extract/DecodeAhead.h"

#include "core/bzip2/Bzip2StreamDecoder.h"
#include "core/EntryCheck.h"
#include "core/EntryName.h"
#include "core/methods/Codec.h"
#include "core/extract/Bzip2DecoderShelf.h"
#include "core/ZipError.h"
#include "core/ZipReader.h"
#include "core/ZipFormat.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <memory>

namespace zipcore {
namespace {

constexpr std::size_t kMaxEntriesAhead = 256;
constexpr std::size_t kMaxScanAhead = 1024;
// A batch ends at this many entries or once its entries' compressed and decoded sizes reach this
// sum (one larger entry is a batch of its own).
constexpr std::size_t kBatchEntries = 32;
constexpr std::uint64_t kBatchCost = 256u << 10;

// Appends to a vector (the checking sink in front of it bounds its size).
class VectorSink : public ByteSink {
public:
  explicit VectorSink(std::vector<std::uint8_t>& out) : out_(out) {}
  void Put(const std::uint8_t* data, std::size_t length) override { out_.insert(out_.end(), data, data + length); }

private:
  std::vector<std::uint8_t>& out_;
};

std::uint32_t Crc32(const std::vector<std::uint8_t>& data) {
  uLong crc = crc32(0, nullptr, 0);
  for (std::size_t at = 0; at < data.size(); at += 1u << 30)
    crc = crc32(crc, data.data() + at, static_cast<uInt>(std::min<std::size_t>(data.size() - at, 1u << 30)));
  return static_cast<std::uint32_t>(crc);
}

// Our own bzip2 decoder first; false (with `out` unspecified) whenever it fails, and libbz2 then has
// the last word, so a fault of ours can cost time but never the entry.
bool DecodeBzip2Quickly(const ZipEntry& entry, const std::uint8_t* compressed, std::size_t length,
                        std::vector<std::uint8_t>& out, Bzip2DecoderShelf& decoders) {
  // Decoders are reused: fresh work arrays for every small entry cost more than decoding it.
  std::unique_ptr<Bzip2BlockDecoder> decoder = decoders.Take();
  const auto limit = static_cast<std::size_t>(std::min<std::uint64_t>(entry.uncompressedSize, SIZE_MAX));
  const bool decoded = DecodeBzip2Stream(compressed, length, out, limit, *decoder) == Bzip2BlockDecoder::Result::Ok;
  decoders.Give(std::move(decoder));
  return decoded && out.size() == entry.uncompressedSize && Crc32(out) == entry.crc32;
}

} // namespace

void DecodeEntryInMemory(const ZipEntry& entry, const std::uint8_t* compressed, std::size_t length,
                         std::vector<std::uint8_t>& out, Bzip2DecoderShelf& decoders) {
  out.clear();
  // Some writers record an empty file under a compression method without any compressed bytes.
  if (length == 0 && entry.uncompressedSize == 0 && entry.crc32 == 0) return;
  out.reserve(static_cast<std::size_t>(entry.uncompressedSize));
  if (entry.method == kMethodBzip2 && DecodeBzip2Quickly(entry, compressed, length, out, decoders)) return;
  out.clear();
  VectorSink sink(out);
  CheckingSink checked(entry, &sink);
  const bool finished = MakeDecompressor(entry)->Write(compressed, length, checked);
  CheckEntryEnd(entry, finished, checked);
}

struct DecodeAhead::Job {
  std::vector<std::uint8_t> data;
  std::exception_ptr error;
};

DecodeAhead::DecodeAhead(InputFile& archive, const std::vector<ZipEntry>& entries, std::shared_ptr<WorkerPool> pool)
    : archive_(archive), entries_(entries), pool_(std::move(pool)), decoders_(std::make_shared<Bzip2DecoderShelf>()) {}

DecodeAhead::~DecodeAhead() {
  for (const auto& item : started_) Drop(item.second);
}

void DecodeAhead::Drop(const Started& started) {
  Batch& batch = *started.batch;
  if (--batch.wanted == 0 && batch.ticket) pool_->Cancel(*batch.ticket);
}

bool DecodeAhead::Handles(std::size_t index) const {
  if (index >= entries_.size()) return false;
  const ZipEntry& entry = entries_[index];
  return !RefusalToRead(entry, false) && entry.uncompressedSize <= kDecodeAheadEntryLimit &&
         entry.compressedSize <= kDecodeAheadEntryLimit &&
         // Stored data are only read and checked: streaming them costs less than handing them to
         // a worker and keeping a copy in memory.
         entry.method != kMethodStored;
}

void DecodeAhead::StartBatch(std::size_t first) {
  struct Piece {
    std::shared_ptr<Job> job;
    ZipEntry entry;
    std::vector<std::uint8_t> compressed;
  };
  auto pieces = std::make_shared<std::vector<Piece>>();
  auto batch = std::make_shared<Batch>();
  std::uint64_t cost = 0;
  const std::size_t end = std::min(entries_.size(), first + kMaxScanAhead);
  for (std::size_t i = first; i < end && pieces->size() < kBatchEntries && cost < kBatchCost; ++i) {
    if (i != first && (!Handles(i) || started_.count(i) || started_.size() >= kMaxEntriesAhead ||
                       bytesInFlight_ >= kDecodeAheadBytes))
      break;
    const ZipEntry& entry = entries_[i];
    auto job = std::make_shared<Job>();
    Started& started = started_[i];
    started.job = job;
    started.batch = batch;
    started.cost = entry.compressedSize + entry.uncompressedSize;
    bytesInFlight_ += started.cost;
    cost += started.cost;
    ++batch->wanted;
    // The archive is read here, in order, by the caller's thread; the workers only decompress.
    std::vector<std::uint8_t> compressed(static_cast<std::size_t>(entry.compressedSize));
    try {
      if (!compressed.empty() &&
          archive_.ReadAt(entry.dataOffset, compressed.data(), compressed.size()) != compressed.size())
        throw ZipError(ZipErrorKind::CorruptEntry, "the archive ends inside the entry " + Quoted(entry.name));
    } catch (...) {
      job->error = std::current_exception();
      break; // the entries after it start a batch of their own
    }
    pieces->push_back(Piece{job, entry, std::move(compressed)});
  }
  if (pieces->empty()) return;
  batch->ticket = pool_->Submit([pieces, decoders = decoders_] {
    for (Piece& piece : *pieces) {
      try {
        DecodeEntryInMemory(piece.entry, piece.compressed.data(), piece.compressed.size(), piece.job->data, *decoders);
      } catch (...) {
        piece.job->data = std::vector<std::uint8_t>();
        piece.job->error = std::current_exception();
      }
      piece.compressed = std::vector<std::uint8_t>();
    }
  });
}

void DecodeAhead::StartAhead(std::size_t from) {
  const std::size_t end = std::min(entries_.size(), from + kMaxScanAhead);
  for (std::size_t i = from; i < end; ++i) {
    // Only once a whole batch fits: refilling entry by entry would hand the workers one at a time.
    if (started_.size() + kBatchEntries > kMaxEntriesAhead || bytesInFlight_ + kBatchCost > kDecodeAheadBytes) return;
    if (Handles(i) && started_.find(i) == started_.end()) StartBatch(i);
  }
}

void DecodeAhead::Verify(std::size_t index) {
  haveVerified_ = false;
  verifiedData_ = std::vector<std::uint8_t>();
  // Entries before this one are not going to be asked for in order any more.
  for (auto it = started_.begin(); it != started_.end() && it->first < index;) {
    bytesInFlight_ -= it->second.cost;
    Drop(it->second);
    it = started_.erase(it);
  }
  if (started_.find(index) == started_.end()) StartBatch(index);
  StartAhead(index + 1);

  auto found = started_.find(index);
  Started started = std::move(found->second);
  started_.erase(found);
  bytesInFlight_ -= started.cost;
  if (started.batch->ticket) pool_->Wait(*started.batch->ticket);
  --started.batch->wanted;
  const std::shared_ptr<Job>& job = started.job;
  if (job->error) std::rethrow_exception(job->error);
  verifiedData_ = std::move(job->data);
  verified_ = index;
  haveVerified_ = true;
}

std::vector<std::uint8_t> DecodeAhead::TakeVerified() {
  haveVerified_ = false;
  return std::move(verifiedData_);
}

} // namespace zipcore
