// Joins bzip2 blocks compressed as separate one-block streams into one standard bzip2 stream, bit for
// bit the stream that one compressor would have written over the whole input: the stream header
// once, every block's bits in order, then the end-of-stream marker with the combined CRC.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace zipcore {

// The part of a one-block stream that the joined stream takes over.
struct Bzip2BlockBits {
  const std::uint8_t* bits = nullptr; // starts with the block magic, on a byte boundary
  std::uint64_t bitCount = 0;
  std::uint32_t blockCrc = 0;
};

// Finds the block inside a complete one-block stream from libbz2 ("BZh", level, block, end-of-stream
// marker, CRC, zero padding). Returns false when `stream` is not such a stream.
bool FindBzip2Block(const std::uint8_t* stream, std::size_t length, Bzip2BlockBits& block);

class Bzip2StreamJoiner {
public:
  explicit Bzip2StreamJoiner(int blockSize100k);

  void AddBlock(const Bzip2BlockBits& block);
  // Appends the end-of-stream marker and pads the stream to a whole byte.
  void Finish();

  // Whole bytes produced so far; the caller takes them and then clears the vector.
  std::vector<std::uint8_t>& Output() { return output_; }

private:
  void PutBits(std::uint32_t value, int count); // count <= 24
  void PutByte(std::uint8_t byte);

  std::vector<std::uint8_t> output_;
  std::uint64_t pending_ = 0; // bits not yet in output_, right-aligned
  int pendingCount_ = 0;      // fewer than 8 between calls
  std::uint32_t combinedCrc_ = 0;
};

} // namespace zipcore
