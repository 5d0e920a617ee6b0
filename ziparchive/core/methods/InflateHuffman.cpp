#include "core/methods/InflateHuffman.h"

#include <algorithm>
#include <iterator>

namespace zipcore {

bool InflateHuffman::Build(const std::uint8_t* lengths, int count, Kind kind) {
  std::fill(std::begin(counts_), std::end(counts_), std::uint16_t{0});
  for (int symbol = 0; symbol < count; ++symbol) ++counts_[lengths[symbol]];
  counts_[0] = 0;
  int longest = kMaxBits;
  while (longest > 0 && counts_[longest] == 0) --longest;

  // Codes left unused after each length: below zero the set is over-subscribed.
  int left = 1;
  for (int length = 1; length <= kMaxBits; ++length) {
    left = 2 * left - counts_[length];
    if (left < 0) return false;
  }
  if (longest == 0) return kind == Kind::Symbols;
  if (left > 0 && (kind == Kind::CodeLengths || longest != 1)) return false;

  std::uint16_t offsets[kMaxBits + 2] = {};
  for (int length = 1; length <= kMaxBits; ++length) offsets[length + 1] = offsets[length] + counts_[length];
  for (int symbol = 0; symbol < count; ++symbol)
    if (lengths[symbol]) symbols_[offsets[lengths[symbol]]++] = static_cast<std::uint16_t>(symbol);

  // Canonical codes, short ones into the table under their bit-reversed form (the order they arrive in).
  std::fill(std::begin(table_), std::end(table_), std::uint16_t{0});
  unsigned code = 0;
  int index = 0;
  for (int length = 1; length <= std::min(longest, kTableBits); ++length, code <<= 1) {
    for (int n = 0; n < counts_[length]; ++n, ++code, ++index) {
      unsigned reversed = 0;
      for (int bit = 0; bit < length; ++bit) reversed |= ((code >> bit) & 1u) << (length - 1 - bit);
      const auto entry = static_cast<std::uint16_t>(symbols_[index] << 4 | length);
      for (unsigned slot = reversed; slot < (1u << kTableBits); slot += 1u << length) table_[slot] = entry;
    }
  }
  return true;
}

int InflateHuffman::Decode(std::uint32_t bits, int available, int& used) const {
  const std::uint16_t entry = table_[bits & ((1u << kTableBits) - 1)];
  if (entry != 0) {
    used = entry & 15;
    return used <= available ? entry >> 4 : kNeedBits;
  }
  // Bit by bit: `first` is the first code of each length, `index` the position of its symbol.
  int code = 0, first = 0, index = 0;
  for (int length = 1; length <= kMaxBits; ++length) {
    if (length > available) return kNeedBits;
    code |= static_cast<int>((bits >> (length - 1)) & 1u);
    const int count = counts_[length];
    if (code - first < count) {
      used = length;
      return symbols_[index + code - first];
    }
    index += count;
    first = (first + count) << 1;
    code <<= 1;
  }
  return kNoCode;
}

} // namespace zipcore
