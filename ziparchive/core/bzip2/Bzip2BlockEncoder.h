// Compresses the input of one bzip2 block (see Bzip2BlockSplitter) into a complete one-block stream,
// with our own encoder: small blocks with its quick choice of tables (libbz2's fixed costs per block
// dominate them), the others with libbz2's choice, which writes libbz2's bytes for the block, around
// our block sort (Bzip2BlockSorter, about twice as fast as libbz2's on text). libbz2's own stages
// around our sort can stand in for the large blocks. Either way the bytes depend only on the block
// and the level. An encoder keeps its work arrays (libbz2's large ones too, once used) between
// blocks, so a worker thread that encodes block after block allocates them once.
#pragma once

#include "core/bzip2/Bzip2BlockSorter.h"
#include "core/bzip2/Bzip2BlockSplitter.h"
#include "core/bzip2/Bzip2OwnBlockEncoder.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zipcore {

class Bzip2BlockEncoder {
public:
  // Blocks of fewer input bytes than this get our encoder's quick choice of tables.
  static constexpr std::uint64_t kOwnEncoderBelow = 64 * 1024;

  // Blocks of fewer bytes than this (after the initial run-length coding) keep libbz2's sort: it is
  // as fast there, and ours has fixed costs (the suffix sort's buckets).
  static constexpr std::uint32_t kOwnSortFrom = 10000;

  // How the blocks from ownEncoderBelow on are written: by our encoder with libbz2's choice of tables,
  // or by libbz2's own stages around our sort. The bytes are libbz2's either way (where a block is
  // periodic, with the row of another of the equal rotations as origin pointer); libbz2's stages are
  // slower, and stand in when ours find no memory and for blocks of long runs (whose input would
  // take ours too much memory).
  enum class LargeBlocks { OwnStages, Libbz2Stages };

  // ownEncoderBelow: 0 has every block written as libbz2 alone would write the stream.
  // ownSortFrom: 1 has our sort order every block that libbz2's stages encode.
  explicit Bzip2BlockEncoder(std::uint64_t ownEncoderBelow = kOwnEncoderBelow, std::uint32_t ownSortFrom = kOwnSortFrom,
                             LargeBlocks largeBlocks = LargeBlocks::OwnStages);
  Bzip2BlockEncoder(const Bzip2BlockEncoder&) = delete;
  Bzip2BlockEncoder& operator=(const Bzip2BlockEncoder&) = delete;
  ~Bzip2BlockEncoder();

  // Replaces `stream` with the one-block stream of `block` (which must not be empty).
  void Encode(const Bzip2BlockData& block, int blockSize100k, std::vector<std::uint8_t>& stream);
  // The same for a block's input given as plain bytes.
  void Encode(const std::uint8_t* data, std::size_t length, int blockSize100k, std::vector<std::uint8_t>& stream);

  // Called by libbz2's stages for each of this encoder's blocks (see core/bzip2/Libbz2WithOwnSort.h):
  // the sorted rotations' starts into order[0, length) and the origin row, or -1 to have libbz2's own
  // sort run (for small blocks, and when ours finds no memory, which Libbz2SortFallbacks counts).
  int SortBlock(const std::uint8_t* block, std::uint32_t length, std::uint32_t* order) noexcept;
  std::uint64_t Libbz2SortFallbacks() const { return libbz2SortFallbacks_; }

private:
  // forEachPiece(sink) calls sink(data, length) with the block's input in order, `total` bytes in all.
  template <class ForEachPiece>
  void EncodeWithLibbz2(std::uint64_t total, ForEachPiece&& forEachPiece, int blockSize100k,
                        std::vector<std::uint8_t>& stream);
  static void* Allocate(void* self, int items, int size);
  static void Release(void* self, void* memory);

  struct Allocation {
    void* memory;
    std::size_t size;
    bool inUse;
  };
  std::uint64_t ownEncoderBelow_;
  std::uint32_t ownSortFrom_;
  LargeBlocks largeBlocks_;
  std::vector<Allocation> allocations_;
  std::vector<std::uint8_t> scratch_;
  std::vector<std::uint8_t> output_;
  Bzip2BlockSorter blockSorter_;
  std::uint64_t libbz2SortFallbacks_ = 0;
  Bzip2OwnBlockEncoder own_;
  std::vector<std::uint8_t> plainInput_; // a block's input expanded from Bzip2BlockData
};

} // namespace zipcore
