// The prefix code of one bzip2 coding table on the encoding side: code lengths limited to a maximum
// (the format allows 20; libbz2 and we use 17), and the canonical codes the format derives from them.
// Every symbol of the alphabet gets a code, even an unused one, as in libbz2's streams.
#pragma once

#include <array>
#include <cstdint>

namespace zipcore {

class Bzip2HuffmanCode {
public:
  static constexpr int kMaxSymbols = 258; // 256 byte values - 1 + RUNA, RUNB and end of block
  static constexpr int kMaxLength = 17;

  // Builds the code for symbols 0..count-1 (2 <= count <= kMaxSymbols) from their frequencies.
  void Build(const std::uint32_t* frequencies, int count);
  // The same with the lengths libbz2's own builder gives (it breaks ties between equal weights its
  // own way), for streams that must be libbz2's byte for byte.
  void BuildAsLibbz2(const std::uint32_t* frequencies, int count);

  std::array<std::uint8_t, kMaxSymbols>& Lengths() { return lengths_; }
  const std::array<std::uint8_t, kMaxSymbols>& Lengths() const { return lengths_; }
  // The code of `symbol` in the low Length(symbol) bits, first bit most significant.
  std::uint32_t Code(int symbol) const { return codes_[symbol]; }

private:
  // Huffman lengths for these weights; returns the longest.
  int HuffmanLengths(const std::uint32_t* weights, int count);
  // Gives each symbol its canonical code from its length of at most kMaxLength (shorter codes first,
  // then symbol order).
  void AssignCodes(int count);

  std::array<std::uint8_t, kMaxSymbols> lengths_{};
  std::array<std::uint32_t, kMaxSymbols> codes_{};
};

} // namespace zipcore
