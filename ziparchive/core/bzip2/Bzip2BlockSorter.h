// Sorts the cyclic rotations of a bzip2 block of 8 KiB or more for the Burrows-Wheeler transform
// with a suffix sort (libdivsufsort's two-stage sort: only about a third of the suffixes are sorted
// by comparison, every other one is placed from them in two linear scans).
//
// Rotations are not suffixes, but they sort alike once the block is turned to start at its smallest
// rotation: that rotation is a power L^k of a Lyndon word L (a string smaller than each of its proper
// suffixes, none of which is also its prefix), and the rotations of L sort exactly as its suffixes
// do. So the block is turned, L's suffixes are sorted, and each row of L stands for the k equal
// rotations of the block that start at the same place in each copy of L (any order among equal
// rotations gives the same transform; they are listed by position). Besides the order the sort needs
// a turned copy of the block and the suffix sort's 257 KiB of buckets (a block of at most 128 byte
// values: its ranks, sorted by a build of the sort for such alphabets with 65 KiB; for Sort only
// under 64 KiB, where that is worth the ranks); Transform also the suffix array.
#pragma once

#include <cstdint>
#include <vector>

namespace zipcore {

class Bzip2BlockSorter {
public:
  // Fills order[0, length) with the starts of the sorted rotations of block[0, length) and returns
  // the row of the rotation that starts at 0 (the stream's origin pointer). 1 <= length < 2^31.
  // Throws std::bad_alloc when the suffix sort gets no memory.
  std::uint32_t Sort(const std::uint8_t* block, std::uint32_t length, std::uint32_t* order);

  // The transform itself, without the order: last[row] is the rank, among the byte values the block
  // holds (0 for the smallest), of the byte before the start of the row-th smallest rotation (the last
  // column of the sorted rotations). Returns the origin row, as Sort does.
  std::uint32_t Transform(const std::uint8_t* block, std::uint32_t length, std::uint8_t* last);

private:
  // The start of a smallest rotation, in linear time; `smallest` is the block's smallest byte value.
  static std::uint32_t SmallestRotation(const std::uint8_t* block, std::uint32_t length, std::uint8_t smallest);

  struct Turned {
    std::uint32_t start;  // the block's smallest rotation, where turned_ begins
    std::uint32_t period; // turned_ is L^(length / period), L = turned_[0, period)
  };
  enum class Text { Bytes, RanksIfCompact, Ranks };
  // Fills turned_ with the block from its smallest rotation on (as bytes, or as their ranks: always,
  // or where that lets the sort for small alphabets run) and suffixes[0, period) with L's sorted suffixes.
  Turned TurnAndSort(const std::uint8_t* block, std::uint32_t length, Text text, std::int32_t* suffixes);

  std::vector<std::uint8_t> turned_;
  std::vector<std::int32_t> suffixes_; // Transform's suffix array
};

} // namespace zipcore
