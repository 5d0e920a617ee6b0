// Decodes the small entries of an archive ahead of the caller, on worker threads, and keeps each
// entry's verified data until it is extracted. A caller that tests entry i and then extracts it (as
// the unzip job does, entry after entry) thus decompresses every small entry once, on all cores,
// while it writes the previous entries' files. Memory stays bounded: only entries up to
// kDecodeAheadEntryLimit are handled, and at most kDecodeAheadBytes of them are in flight.
#pragma once

#include "core/FileAccess.h"
#include "core/parallel/WorkerPool.h"
#include "core/ZipEntry.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <vector>

namespace zipcore {

class Bzip2DecoderShelf;

constexpr std::uint64_t kDecodeAheadEntryLimit = 4u << 20;
constexpr std::uint64_t kDecodeAheadBytes = 48u << 20;

class DecodeAhead {
public:
  DecodeAhead(InputFile& archive, const std::vector<ZipEntry>& entries, std::shared_ptr<WorkerPool> pool);
  // Cancels the entries not started by a worker yet; those being decoded are dropped when done.
  ~DecodeAhead();

  // True for entries this class decodes: small, compressed, not encrypted, of a supported method.
  bool Handles(std::size_t index) const;
  // Decodes entry `index` (started earlier where possible; later entries are started meanwhile) and
  // keeps its verified data. Throws ZipError as ZipReader::ReadData does (CorruptEntry for damaged
  // data, Io for read failures).
  void Verify(std::size_t index);
  // The data kept by the last successful Verify, if it was for `index`; empty otherwise.
  bool HasVerified(std::size_t index) const { return verified_ == index && haveVerified_; }
  std::vector<std::uint8_t> TakeVerified();

private:
  struct Job;
  // Consecutive small entries go to the workers together, as one task: a hand-off per entry (a
  // worker woken, the caller waiting) would cost more than decoding a tiny one.
  struct Batch {
    std::shared_ptr<WorkerPool::Ticket> ticket; // none when no entry's data could be read
    std::size_t wanted = 0;                     // its entries not dropped yet
  };
  // An entry handed to the workers. The task holds the jobs, never the ticket.
  struct Started {
    std::shared_ptr<Job> job;
    std::shared_ptr<Batch> batch;
    std::uint64_t cost = 0;
  };
  void StartAhead(std::size_t from);
  // Starts one batch with `first` and the handled entries after it not started yet.
  void StartBatch(std::size_t first);
  // Forgets an entry nobody is going to ask for: its batch is cancelled if none of its entries is
  // wanted any more and no worker has started it yet.
  void Drop(const Started& started);

  InputFile& archive_;
  const std::vector<ZipEntry>& entries_;
  std::shared_ptr<WorkerPool> pool_;
  std::shared_ptr<Bzip2DecoderShelf> decoders_; // shared with the tasks still running
  std::map<std::size_t, Started> started_;
  std::uint64_t bytesInFlight_ = 0;
  std::size_t verified_ = 0;
  bool haveVerified_ = false;
  std::vector<std::uint8_t> verifiedData_;
};

// Decompresses `entry` from its compressed bytes in memory into `out`, checking its size and CRC-32
// like ZipReader::ReadData (the same errors). A bzip2 entry borrows a decoder from `decoders`.
void DecodeEntryInMemory(const ZipEntry& entry, const std::uint8_t* compressed, std::size_t length,
                         std::vector<std::uint8_t>& out, Bzip2DecoderShelf& decoders);

} // namespace zipcore
