// Reads a bzip2 stream's bits (most significant bit of each byte first) from a byte span through a
// 64-bit buffer. Past the end of the span it reads zeros, so decoding loops never test for the end at
// every bit; callers check Overrun() where a loop could go on for long, and at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace zipcore {

class Bzip2BitReader {
public:
  Bzip2BitReader(const std::uint8_t* data, std::size_t length, std::uint64_t startBit)
      : data_(data), length_(length), next_(static_cast<std::size_t>(startBit / 8)) {
    if (next_ > length_) next_ = length_ + 1; // an offset past the end reads zeros and overruns
    Refill();
    Skip(static_cast<int>(startBit % 8));
  }

  // After a refill at least 56 bits are buffered.
  void Refill() {
    if (count_ > 56) return;
    if (next_ <= length_ && length_ - next_ >= 8) {
      buffer_ |= LoadBigEndian64(data_ + next_) >> count_;
      next_ += static_cast<std::size_t>((63 - count_) >> 3);
      count_ |= 56;
      return;
    }
    while (count_ <= 56) {
      std::uint64_t byte = next_ < length_ ? data_[next_] : 0;
      ++next_;
      buffer_ |= byte << (56 - count_);
      count_ += 8;
    }
  }

  // The next bits, left-aligned in 64; at least 56 of them are valid after Refill().
  std::uint64_t Window() const { return buffer_; }
  int Buffered() const { return count_; }
  void Skip(int bits) { // bits <= Buffered()
    buffer_ <<= bits;
    count_ -= bits;
  }
  // count 1..32
  std::uint32_t Read(int count) {
    if (count_ < count) Refill();
    auto value = static_cast<std::uint32_t>(buffer_ >> (64 - count));
    Skip(count);
    return value;
  }
  bool ReadBit() { return Read(1) != 0; }

  // The bit the reader is at, counted from the start of the span.
  std::uint64_t Position() const { return 8 * static_cast<std::uint64_t>(next_) - static_cast<std::uint64_t>(count_); }
  bool Overrun() const { return Position() > 8 * static_cast<std::uint64_t>(length_); }

private:
  static std::uint64_t LoadBigEndian64(const std::uint8_t* p) {
    std::uint64_t value;
    std::memcpy(&value, p, sizeof value);
    return __builtin_bswap64(value); // every target of ours is little-endian
  }

  const std::uint8_t* data_;
  std::size_t length_;
  std::size_t next_; // the next byte to load (may pass length_ by the zeros read after the end)
  std::uint64_t buffer_ = 0;
  int count_ = 0;
};

} // namespace zipcore
