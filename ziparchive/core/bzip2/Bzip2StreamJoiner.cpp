#include "core/bzip2/Bzip2StreamJoiner.h"

namespace zipcore {
namespace {

constexpr std::uint64_t kBlockMagic = 0x314159265359ull;
constexpr std::uint64_t kEndMagic = 0x177245385090ull;
constexpr std::size_t kHeaderBytes = 4;         // "BZh" and the level digit
constexpr std::uint64_t kTrailerBits = 48 + 32; // end-of-stream marker and combined CRC

int BitAt(const std::uint8_t* data, std::uint64_t position) {
  return (data[position >> 3] >> (7 - (position & 7))) & 1;
}

bool BitsEqual(const std::uint8_t* data, std::uint64_t position, std::uint64_t value, int count) {
  for (int i = count - 1; i >= 0; --i, ++position) {
    if (BitAt(data, position) != static_cast<int>((value >> i) & 1)) return false;
  }
  return true;
}

std::uint32_t ReadBigEndian32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

} // namespace

bool FindBzip2Block(const std::uint8_t* stream, std::size_t length, Bzip2BlockBits& block) {
  const std::size_t minimum = kHeaderBytes + 6 + 4 + 10; // header, block magic, CRC, trailer
  if (length < minimum || stream[0] != 'B' || stream[1] != 'Z' || stream[2] != 'h' || stream[3] < '1' ||
      stream[3] > '9')
    return false;
  if (!BitsEqual(stream, kHeaderBytes * 8, kBlockMagic, 48)) return false;
  std::uint32_t crc = ReadBigEndian32(stream + kHeaderBytes + 6);
  // The stream ends with 0 to 7 zero bits of padding after the trailer. The end marker does not match
  // itself at any shift of 1 to 7 bits, so at most one amount of padding fits.
  const std::uint64_t totalBits = static_cast<std::uint64_t>(length) * 8;
  for (int padding = 0; padding < 8; ++padding) {
    if ((stream[length - 1] & ((1u << padding) - 1)) != 0) break;
    std::uint64_t trailer = totalBits - padding - kTrailerBits;
    if (BitsEqual(stream, trailer, kEndMagic, 48) && BitsEqual(stream, trailer + 48, crc, 32)) {
      block.bits = stream + kHeaderBytes;
      block.bitCount = trailer - kHeaderBytes * 8;
      block.blockCrc = crc;
      return true;
    }
  }
  return false;
}

Bzip2StreamJoiner::Bzip2StreamJoiner(int blockSize100k) {
  PutByte('B');
  PutByte('Z');
  PutByte('h');
  PutByte(static_cast<std::uint8_t>('0' + blockSize100k));
}

void Bzip2StreamJoiner::AddBlock(const Bzip2BlockBits& block) {
  combinedCrc_ = ((combinedCrc_ << 1) | (combinedCrc_ >> 31)) ^ block.blockCrc;
  const std::uint64_t wholeBytes = block.bitCount / 8;
  output_.reserve(output_.size() + wholeBytes + 1);
  if (pendingCount_ == 0) {
    output_.insert(output_.end(), block.bits, block.bits + wholeBytes);
  } else {
    for (std::uint64_t i = 0; i < wholeBytes; ++i) PutBits(block.bits[i], 8);
  }
  int rest = static_cast<int>(block.bitCount % 8);
  if (rest) PutBits(block.bits[wholeBytes] >> (8 - rest), rest);
}

void Bzip2StreamJoiner::Finish() {
  PutBits(static_cast<std::uint32_t>(kEndMagic >> 24), 24);
  PutBits(static_cast<std::uint32_t>(kEndMagic & 0xFFFFFF), 24);
  PutBits(combinedCrc_ >> 16, 16);
  PutBits(combinedCrc_ & 0xFFFF, 16);
  if (pendingCount_) PutBits(0, 8 - pendingCount_);
}

void Bzip2StreamJoiner::PutBits(std::uint32_t value, int count) {
  pending_ = (pending_ << count) | (value & ((1u << count) - 1));
  pendingCount_ += count;
  while (pendingCount_ >= 8) {
    pendingCount_ -= 8;
    output_.push_back(static_cast<std::uint8_t>(pending_ >> pendingCount_));
  }
}

void Bzip2StreamJoiner::PutByte(std::uint8_t byte) { PutBits(byte, 8); }

} // namespace zipcore
