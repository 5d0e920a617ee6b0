// Method 12 decoded on several cores. The blocks of a bzip2 stream are found by their 48-bit magic
// (at any bit offset), each is decoded by a worker with our own Bzip2BlockDecoder (a block it refuses
// is wrapped into a stream of its own and left to libbz2), and the output is passed on in order.
// Every block's CRC is checked; the combined CRC of the blocks is checked against the stream's. A
// block magic can also occur by chance inside compressed data; the block around it then fails to
// decode, so callers that get CorruptEntry from this decoder confirm the verdict with the serial
// decoder (see ArchiveExtractor).
#pragma once

#include "core/methods/Codec.h"
#include "core/parallel/WorkerPool.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

namespace zipcore {

class Bzip2DecoderShelf;

class ParallelBzip2Decompressor : public Decompressor {
public:
  explicit ParallelBzip2Decompressor(std::shared_ptr<WorkerPool> pool);
  ~ParallelBzip2Decompressor() override;

  bool Write(const std::uint8_t* data, std::size_t length, ByteSink& out) override;

private:
  struct Block;
  bool Scan(ByteSink& out); // true at the end of the stream
  void Submit(std::uint64_t endBit, ByteSink& out);
  void EmitOldest(ByteSink& out);
  std::uint64_t BitsAt(std::uint64_t bit, int count) const; // count <= 48

  std::shared_ptr<WorkerPool> pool_;
  std::size_t maxInFlight_;
  std::vector<std::uint8_t> buffer_; // the stream from byte base_ / 8 on
  std::uint64_t base_ = 0;           // stream bit of buffer_[0]'s first bit (a multiple of 8)
  std::uint8_t level_ = 0;           // the header's block size digit, 0 until the header is read
  bool inBlock_ = false;
  std::uint64_t blockStart_ = 0; // stream bit of the current block's magic
  std::uint64_t scanFrom_ = 32;  // next stream bit that may start a magic
  std::uint32_t combinedCrc_ = 0;
  bool finished_ = false;
  std::deque<std::shared_ptr<Block>> inFlight_;
  // Buffers of blocks already passed on, for the next blocks: a large block's memory, freed, goes
  // back to the system (the Windows heap does that above 512 KiB), and every page of a new one
  // would be a fault to zero-fill.
  std::vector<std::vector<std::uint8_t>> spare_;
  std::shared_ptr<Bzip2DecoderShelf> shelf_;
};

} // namespace zipcore
