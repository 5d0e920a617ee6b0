// One canonical Huffman code of a deflate stream (RFC 1951, 3.2.2): codes of up to 15 bits, sent
// first bit first. Codes of up to kTableBits bits are found with one table lookup, longer ones bit by bit.
#pragma once

#include <cstdint>

namespace zipcore {

class InflateHuffman {
public:
  static constexpr int kMaxBits = 15;
  static constexpr int kMaxSymbols = 288;
  // What Decode returns instead of a symbol.
  static constexpr int kNeedBits = -1; // the bits given end inside a code
  static constexpr int kNoCode = -2;   // the bits start no code of this set

  // The code-length code must be complete; a literal/length or distance code may be empty or a single
  // code of one bit (the only incomplete codes deflate writers make; zlib accepts exactly these).
  enum class Kind { CodeLengths, Symbols };

  // Builds the code from one length (0 to 15, 0 = unused) per symbol; false when the lengths make no
  // acceptable code (over-subscribed, or incomplete beyond what `kind` allows).
  bool Build(const std::uint8_t* lengths, int count, Kind kind);

  // Decodes the symbol at the start of `bits` (the stream's next bits, the first in bit 0), of which
  // `available` are real; sets `used` to the code's length.
  int Decode(std::uint32_t bits, int available, int& used) const;

private:
  static constexpr int kTableBits = 10;
  // symbol << 4 | code length; 0 for a longer code or no code.
  std::uint16_t table_[1 << kTableBits];
  std::uint16_t counts_[kMaxBits + 1];
  std::uint16_t symbols_[kMaxSymbols]; // ordered by code
};

} // namespace zipcore
