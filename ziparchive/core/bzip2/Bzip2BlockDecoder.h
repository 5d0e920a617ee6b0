// Decodes one bzip2 block from memory, without libbz2: the Huffman-coded symbols through lookup
// tables, the move-to-front and run-length stages, the inverse Burrows-Wheeler transform and the
// initial run-length coding, then the block's CRC check. Every field is checked against the block
// size and the arrays, so damaged or hostile data cannot make it read or write out of bounds.
// A decoder keeps its work arrays (at most 9 bytes per symbol of the largest block seen) from block to block;
// use one per thread.
#pragma once

#include "core/bzip2/Bzip2HuffmanTable.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace zipcore {

class Bzip2BitReader;

class Bzip2BlockDecoder {
public:
  enum class Result {
    Ok,
    Damaged,   // not a sound block (or it would exceed the output limit)
    NotHandled // a sound-looking block this decoder leaves to libbz2 (randomised blocks)
  };

  Bzip2BlockDecoder();
  Bzip2BlockDecoder(const Bzip2BlockDecoder&) = delete;
  Bzip2BlockDecoder& operator=(const Bzip2BlockDecoder&) = delete;

  // Decodes the block whose magic starts at bit `startBit` of data[0, length) (bits taken most
  // significant first), in a stream of blockSize100k (1..9) times 100,000 bytes per block. Appends
  // its bytes to `out`, whose size must not pass `outputLimit`; on failure `out` holds an unspecified
  // tail after its earlier content.
  Result Decode(const std::uint8_t* data, std::size_t length, std::uint64_t startBit, int blockSize100k,
                std::vector<std::uint8_t>& out, std::size_t outputLimit = SIZE_MAX);

  // After Ok: the bit after the block (relative to data) and the block's CRC (checked).
  std::uint64_t EndBit() const { return endBit_; }
  std::uint32_t BlockCrc() const { return blockCrc_; }
  // The CRC of the bytes the last Decode gave, when it got as far as the CRC check (Ok, or Damaged
  // for a wrong CRC alone; EndBit() is then set too). Tests use it to make damaged blocks sound.
  std::optional<std::uint32_t> DecodedCrc() const { return decodedCrc_; }

private:
  Result ReadTables(Bzip2BitReader& bits);
  Result ReadSymbols(Bzip2BitReader& bits, std::uint32_t maxSymbols);
  bool Grow(std::uint32_t needed, std::uint32_t maxSymbols);
  Result Unpack(std::uint32_t origPtr, std::vector<std::uint8_t>& out, std::size_t outputLimit);
  void Invert(std::uint32_t origPtr);
  void WalkForwards(std::uint32_t origPtr);
  // Blocks up to this many symbols are walked from both ends (their two tables take 8 bytes a symbol).
  static constexpr std::uint32_t kTwoWalksUpTo = 400000;

  static constexpr int kMaxGroups = 6;
  static constexpr std::size_t kMaxSelectors = 18002; // more are read but not kept, as libbz2 does

  // Each symbol's byte in bits 0-7; after the inverse transform, the next position in bits 8-31.
  std::vector<std::uint32_t> tt_;
  // Per row, for blocks walked from both ends: the row of the previous rotation in bits 8-31, the byte below.
  std::vector<std::uint32_t> lf_;
  std::vector<std::uint8_t> text_; // the block before the initial run-length coding is undone
  std::uint32_t symbolCount_ = 0;
  std::array<std::uint32_t, 256> byteCounts_;
  std::array<std::uint8_t, 256> usedBytes_;
  int usedCount_ = 0;
  int groups_ = 0;
  std::size_t selectorCount_ = 0;
  std::array<std::uint8_t, kMaxSelectors> selectors_;
  std::array<Bzip2HuffmanTable, kMaxGroups> tables_;
  std::uint64_t endBit_ = 0;
  std::uint32_t blockCrc_ = 0;
  std::optional<std::uint32_t> decodedCrc_;
};

} // namespace zipcore
