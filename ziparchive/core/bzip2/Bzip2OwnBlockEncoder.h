// Our own bzip2 block encoder. It writes the same shape of stream as libbz2 does for one block
// ("BZh", the level digit, one block, the end-of-stream marker and the CRC). Blocks under 8 KiB are
// sorted by a sort made for them, larger ones by the suffix sort (Bzip2BlockSorter). The coding
// tables are chosen either quickly, for small blocks, whose time libbz2's fixed costs per block
// (its fallback sort, four rounds of up to six Huffman tables) would dominate: the compressed size
// is then within about a percent of libbz2's; or as libbz2 chooses them, and the stream is then
// libbz2's own, byte for byte. The bytes depend only on the input, the level and that choice. An
// encoder keeps its work arrays from block to block; use one per thread.
#pragma once

#include "core/bzip2/Bzip2HuffmanCode.h"
#include "core/bzip2/Bzip2BlockSorter.h"
#include "core/bzip2/Bzip2RotationSorter.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace zipcore {

class Bzip2OwnBlockEncoder {
public:
  // How the coding tables are chosen: quickly (two rounds of refinement, our own code lengths), or as
  // libbz2 chooses them (four rounds, libbz2's code lengths), which makes the stream the one libbz2
  // writes for the same block.
  enum class Tables { Quick, AsLibbz2 };

  // Replaces `stream` with the one-block stream of data[0, length). The input must not be empty,
  // and after the initial run-length coding it must fit a block of blockSize100k (1 to 9) times
  // 100000 bytes, as Bzip2BlockSplitter's blocks do.
  void Encode(const std::uint8_t* data, std::size_t length, int blockSize100k, std::vector<std::uint8_t>& stream,
              Tables tables = Tables::Quick);

private:
  static constexpr int kMaxTables = 6;
  static constexpr int kGroupSize = 50; // symbols coded with one table

  void RunLengthEncode(const std::uint8_t* data, std::size_t length);
  // The transform's output into transformed_ from the rotations in sorted order.
  void GatherTransform(const std::uint32_t* order);
  void MoveToFront();
  void ChooseTables(Tables tables);
  void AssignSelectors(const std::array<std::uint8_t, Bzip2HuffmanCode::kMaxSymbols>* lengths,
                       std::array<std::array<std::uint32_t, Bzip2HuffmanCode::kMaxSymbols>, kMaxTables>& frequencies);
  void WriteStream(int blockSize100k, std::uint32_t crc, std::uint32_t origin, std::vector<std::uint8_t>& stream) const;

  std::vector<std::uint8_t> block_; // the input after the initial run-length coding
  Bzip2RotationSorter sorter_;      // blocks under 8 KiB
  Bzip2BlockSorter suffixSorter_;   // larger ones
  std::array<bool, 256> used_{};
  int usedCount_ = 0;
  int alphabetSize_ = 0;                  // RUNA, RUNB, move-to-front positions 1.., end of block
  std::vector<std::uint8_t> transformed_; // the transform's output, each byte as its rank among the used
                                          // (the used: the values in block_)
  std::vector<std::uint16_t> symbols_;    // the block after move-to-front and zero-run coding
  std::array<std::uint32_t, Bzip2HuffmanCode::kMaxSymbols> symbolCounts_{};
  int tableCount_ = 0;
  std::vector<std::uint8_t> selectors_; // the table of each group of kGroupSize symbols
  std::array<Bzip2HuffmanCode, kMaxTables> tables_;
};

} // namespace zipcore
