// The move-to-front list of a bzip2 encoder. Its first eight entries live in one machine word, where
// nearly every byte of a transformed block is found and moved without touching memory; the others
// are searched eight at a time.
#pragma once

#include <cstdint>
#include <cstring>

namespace zipcore {

class Bzip2MoveToFrontList {
  static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "entry 8 + i of rest_ is byte i of its word");

public:
  // The list 0, 1, ..., 255.
  Bzip2MoveToFrontList() {
    for (int i = 0; i < 8; ++i) head_ |= static_cast<std::uint64_t>(i) << (8 * i);
    for (int i = 8; i < 256; ++i) rest_[i - 8] = static_cast<std::uint8_t>(i);
  }

  std::uint8_t Front() const { return static_cast<std::uint8_t>(head_); }

  // Moves `value` to the front and gives where it stood (0 when it was the front already).
  std::uint32_t MoveToFront(std::uint8_t value) {
    const std::uint64_t inHead = ZeroBytes(head_ ^ kOnes * value);
    if (inHead != 0) {
      // One shift: the entries below `position` move up, the ones above it stay.
      const auto position = static_cast<std::uint32_t>(__builtin_ctzll(inHead) >> 3);
      const std::uint64_t above = ~0ull << 8 << (8 * position);
      head_ = (((head_ << 8) | value) & ~above) | (head_ & above);
      return position;
    }
    const std::uint32_t at = FindInRest(value);
    const auto pushedOut = static_cast<std::uint8_t>(head_ >> 56);
    if (at < 8) { // within rest_'s first word, as in the head
      std::uint64_t word;
      std::memcpy(&word, rest_, sizeof word);
      const std::uint64_t above = ~0ull << 8 << (8 * at);
      word = (((word << 8) | pushedOut) & ~above) | (word & above);
      std::memcpy(rest_, &word, sizeof word);
    } else {
      std::memmove(rest_ + 1, rest_, at);
      rest_[0] = pushedOut;
    }
    head_ = (head_ << 8) | value;
    return 8 + at;
  }

private:
  static constexpr std::uint64_t kOnes = 0x0101010101010101ull;

  // The high bit of the lowest zero byte of `word` is set, with maybe others above it (a borrow only
  // reaches the bytes above a zero byte, so the lowest flagged byte is exact).
  static std::uint64_t ZeroBytes(std::uint64_t word) { return (word - kOnes) & ~word & (kOnes << 7); }

  // Where `value` stands in rest_ (it must be there). Entry i is byte i of a word as the machine stores it.
  std::uint32_t FindInRest(std::uint8_t value) const {
    for (std::uint32_t at = 0;; at += 8) {
      std::uint64_t word;
      std::memcpy(&word, rest_ + at, sizeof word);
      const std::uint64_t zero = ZeroBytes(word ^ kOnes * value);
      if (zero != 0) return at + static_cast<std::uint32_t>(__builtin_ctzll(zero) >> 3);
    }
  }

  std::uint64_t head_ = 0;   // entries 0 to 7, entry i in bits 8i to 8i + 7
  std::uint8_t rest_[256]{}; // entries 8 to 255, and room for the last word read
};

} // namespace zipcore
