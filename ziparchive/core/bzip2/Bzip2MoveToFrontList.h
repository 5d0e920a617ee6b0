// The move-to-front list of a bzip2 encoder, read and written eight entries at a time.
#pragma once

#include <cstdint>
#include <cstring>

namespace zipcore {

// Entry i is byte i of a word as the machine stores it (the list's order is all that matters, and
// both ends agree on it).
struct Bzip2MoveToFrontList {
  static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "entry 0 must be the lowest byte of a word");
  static constexpr std::uint64_t kOnes = 0x0101010101010101ull;
  std::uint8_t entries[256];

  std::uint64_t Word(std::uint32_t at) const {
    std::uint64_t word;
    std::memcpy(&word, entries + at, sizeof word);
    return word;
  }
  // Where `value` stands (it must be in the list): the lowest byte of the word that equals `value`, by
  // the usual zero-byte test (a borrow only reaches the bytes above a zero byte, so the lowest flagged
  // byte is exact).
  std::uint32_t Find(std::uint8_t value) const {
    const std::uint64_t pattern = kOnes * value;
    for (std::uint32_t at = 0;; at += 8) {
      const std::uint64_t word = Word(at) ^ pattern;
      const std::uint64_t zero = (word - kOnes) & ~word & (kOnes << 7);
      if (zero != 0) return at + static_cast<std::uint32_t>(__builtin_ctzll(zero) >> 3);
    }
  }
  // Moves the entry at `position` to the front.
  void MoveToFront(std::uint32_t position, std::uint8_t value) {
    if (position < 7) { // within the first word: one shift, the entries above `position` kept
      const std::uint64_t word = Word(0);
      const std::uint64_t above = ~0ull << (8 * (position + 1));
      const std::uint64_t moved = ((word << 8) | value) & ~above;
      const std::uint64_t result = moved | (word & above);
      std::memcpy(entries, &result, sizeof result);
      return;
    }
    std::memmove(entries + 1, entries, position);
    entries[0] = value;
  }
};

} // namespace zipcore
