// One Huffman code table of a bzip2 block, for decoding. Codes are canonical (shorter codes first,
// within a length in symbol order) and 1 to 20 bits long. Codes of up to kFastBits bits are found by
// one lookup of the next kFastBits bits; longer ones by a search over the code lengths.
#pragma once

#include <array>
#include <cstdint>

namespace zipcore {

class Bzip2HuffmanTable {
public:
  static constexpr int kFastBits = 10;
  static constexpr int kMaxCodeLength = 20;
  static constexpr int kMaxSymbols = 258;

  // lengths: one per symbol, each 1..kMaxCodeLength; count 1..kMaxSymbols. Returns false when the
  // lengths over-fill the code space (no prefix code has them). Codes that leave space unused are
  // accepted: a bit pattern without a code is then reported by Decode.
  bool Build(const std::uint8_t* lengths, int count);

  // The symbol whose code starts `bits` (left-aligned, at least kMaxCodeLength valid bits), with its
  // code length in `length`; -1 when no code starts these bits.
  int Decode(std::uint64_t bits, int& length) const {
    std::uint16_t entry = fast_[bits >> (64 - kFastBits)];
    if (entry != 0) {
      length = entry & 31;
      return entry >> 5;
    }
    return DecodeLong(bits, length);
  }

private:
  int DecodeLong(std::uint64_t bits, int& length) const;

  std::array<std::uint16_t, 1u << kFastBits> fast_;      // symbol << 5 | length; 0: longer code or none
  std::array<std::uint32_t, kMaxCodeLength + 1> first_;  // first code of each length
  std::array<std::uint16_t, kMaxCodeLength + 1> count_;  // codes of each length
  std::array<std::uint16_t, kMaxCodeLength + 1> offset_; // index in sorted_ of each length's first symbol
  std::array<std::uint16_t, kMaxSymbols> sorted_;        // symbols by code
  int maxLength_ = 0;
};

} // namespace zipcore
